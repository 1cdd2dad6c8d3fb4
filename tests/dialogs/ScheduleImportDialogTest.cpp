#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>

#include <gtest/gtest.h>

#include "ImportFile.h"
#include "MainFrame.h"
#include "Resource.h"
#include "SchaduleImportDlg.h"
#include "SchaduleLoadDlg.h"
#include "ViewerApp.h"
#include "ViewerHarness.h"

namespace {

using D = CSchaduleImportDlg;

class ScheduleImport : public ::testing::Test {
protected:
    void SetUp() override {
        m_viewer.Backend().users = {CTestRecords::User("alice", "", {}, "pw")};
        ASSERT_TRUE(m_viewer.StartAndLogin("alice", "pw"));
        m_viewer.Frame().MdiArea()->closeAllSubWindows();
        CViewerHarness::Settle(0);
        m_viewer.Backend().ClearCalls();
    }

    void RunImport(std::function<void(CSchaduleImportDlg*)> handler) {
        m_viewer.WhenModal<CSchaduleImportDlg>(std::move(handler));
        m_viewer.Frame().UpdateCommandUI();
        ASSERT_TRUE(m_viewer.Frame().Action(ID_IMPORT_SCHADULE)->isEnabled());
        ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_IMPORT_SCHADULE));
    }

    void Import(const std::string& path) {
        RunImport([&](CSchaduleImportDlg* dialog) {
            dialog->Item<QLineEdit>(D::IDC_FILE_NAME)->setText(QString::fromStdString(path));
            dialog->Item<QPushButton>(CDialog::IDOK)->click();
        });
    }

    CViewerHarness m_viewer;
};

std::string Entries(int count) {
    std::string text = "件名\t開始日\t開始時刻\r\n";
    for (int i = 0; i < count; ++i)
        text += "会議" + std::to_string(i) + "\t2001/1/5\t9:00\r\n";
    return text;
}

} // namespace

TEST_F(ScheduleImport, OpensWithBothBoxesCheckedAndNeedsAFileName) {
    RunImport([&](CSchaduleImportDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "スケジュール読み込み");
        EXPECT_EQ(dialog->Item<QComboBox>(D::IDC_TYPE)->currentText(), "Outlook (タブ区切り)");
        EXPECT_TRUE(dialog->Item<QCheckBox>(D::IDC_PUBLIC)->isChecked());
        auto* duplicate = dialog->Item<QCheckBox>(D::IDC_DUPLICATE_CHECK);
        ASSERT_NE(duplicate, nullptr);
        EXPECT_EQ(duplicate->text(), "日付およびタイトル");
        EXPECT_TRUE(duplicate->isChecked());
        duplicate->setChecked(false);
        m_viewer.fileAnswers = {"/tmp/calendar.txt"};
        dialog->Item<QPushButton>(D::IDC_BROWSE)->click();
        EXPECT_FALSE(duplicate->isChecked()) << "browsing leaves the boxes as they are";
        dialog->Item<QLineEdit>(D::IDC_FILE_NAME)->clear();
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
        EXPECT_EQ(m_viewer.messages, QStringList{"ファイル名を設定してください"});
        dialog->Item<QPushButton>(CDialog::IDCANCEL)->click();
    });
    EXPECT_TRUE(m_viewer.Backend().Calls().empty());
}

TEST_F(ScheduleImport, ReleasesTheSchedulesOnEveryPath) {
    CImportFile file(Entries(25));
    int timerSteps = -1;
    m_viewer.Backend().onCall = [&](const std::string& call) {
        if (call != "kvCloseSchedules()")
            return;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* load = dynamic_cast<CSchaduleLoadDlg*>(top))
                timerSteps = load->TimerSteps();
    };
    Import(file.Path());
    m_viewer.Backend().onCall = nullptr;
    // Opened twice: read for the duplicate check's plan, then written.
    EXPECT_EQ(m_viewer.Backend().CallsTo("kvOpenSchedules"),
              std::vector<std::string>(2, "kvOpenSchedules(\"alice\", null)"));
    EXPECT_EQ(m_viewer.Backend().Count("kvCloseSchedules"), 2);
    EXPECT_EQ(m_viewer.Backend().addedSchedules.size(), 25u);
    EXPECT_EQ(m_viewer.Backend().Count("kvFindDuplicateSchedule"), 25) << "checked by default";
    EXPECT_EQ(timerSteps, 3) << "after records 1, 11 and 21";

    m_viewer.Backend().ClearCalls();
    m_viewer.Backend().SetResult("kvOpenSchedules", 0);
    Import(file.Path());
    EXPECT_EQ(m_viewer.Backend().Calls(),
              std::vector<std::string>(2, "kvOpenSchedules(\"alice\", null)"))
        << "refused: nothing imported, no close";
    EXPECT_TRUE(m_viewer.messages.isEmpty());
}

TEST_F(ScheduleImport, CancelStopsBetweenRecords) {
    CImportFile file(Entries(300));
    m_viewer.Backend().onCall = [&](const std::string& call) {
        if (call.rfind("kvFindDuplicateSchedule", 0) != 0 ||
            m_viewer.Backend().Count("kvFindDuplicateSchedule") != 7)
            return;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* load = dynamic_cast<CSchaduleLoadDlg*>(top))
                load->PostCommand(CDialog::IDCANCEL);
    };
    Import(file.Path());
    m_viewer.Backend().onCall = nullptr;
    int asked = m_viewer.Backend().Count("kvFindDuplicateSchedule");
    EXPECT_GE(asked, 7);
    EXPECT_LT(asked, 300);
    EXPECT_EQ(m_viewer.Backend().Calls().back(), "kvCloseSchedules()");
}
