#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>

#include <gtest/gtest.h>

#include "AddressImportDlg.h"
#include "DefultListView.h"
#include "ImportFile.h"
#include "ImportPlanDlg.h"
#include "ListBox.h"
#include "ListCtrl.h"
#include "MainFrame.h"
#include "MessageBox.h"
#include "MonitorView.h"
#include "Resource.h"
#include "SchaduleImportDlg.h"
#include "TempDatabase.h"
#include "TestRecords.h"
#include "Text.h"
#include "ViewerApp.h"
#include "ViewerHarness.h"
#include "kelvoadmin.h"

namespace {

QString Cell(CViewerApp& app, int kind, int row, int column) {
    auto* view = dynamic_cast<CDefultListView*>(app.m_pOpenView[kind]);
    return view == nullptr ? QString("<no window>")
                           : CText::FromCp932(view->GetListCtrl().GetItemText(row, column));
}

int RowCount(CViewerApp& app, int kind) {
    auto* view = dynamic_cast<CDefultListView*>(app.m_pOpenView[kind]);
    return view == nullptr ? -1 : view->GetListCtrl().GetItemCount();
}

// Runs the address import on path into the person's own book.
bool ImportPrivateAddresses(CViewerHarness& viewer, const std::string& path) {
    viewer.WhenModal<CAddressImportDlg>([&](CAddressImportDlg* dialog) {
        dialog->Item<QLineEdit>(CAddressImportDlg::IDC_FILE_NAME)
            ->setText(QString::fromStdString(path));
        dialog->Item<QCheckBox>(CAddressImportDlg::IDC_PUBLIC)->setChecked(false);
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
    });
    return viewer.Frame().ExecuteCommand(ID_IMPORT_ADDRESS);
}

} // namespace

// The real viewer on the real library and a temporary database, on each
// engine; on the server the person signs in as themselves.
class EndToEndOnEngine : public ::testing::TestWithParam<std::string> {};
INSTANTIATE_TEST_SUITE_P(Engines, EndToEndOnEngine, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

TEST_P(EndToEndOnEngine, LogInAndOpenEveryWindow) {
    CTempDatabase database(GetParam());
    const std::string yamada = CTestRecords::Sjis("山田");
    kvUserRecord user = CTestRecords::User(yamada, CTestRecords::Sjis("やまだ"),
                                           {"", CTestRecords::Sjis("営業部"), "", "QA"}, "pw");
    ASSERT_TRUE(kvAdminAddUser(&user));
    kvUserRecord other = CTestRecords::User("guest09", "", {}, "");
    ASSERT_TRUE(kvAdminAddUser(&other));
    ASSERT_TRUE(kvOpenSchedules(yamada.c_str(), ""));
    kvScheduleRecord timed = CTestRecords::Schedule(yamada, "standup", 2001, 1, 5, 9, 5);
    kvScheduleRecord allDay = CTestRecords::Schedule(yamada, "holiday", 2001, 1, 6, 0, 0, 1);
    allDay.end.yearsSince1900 = 70;
    ASSERT_TRUE(kvAddSchedule(&timed, 0) && kvAddSchedule(&allDay, 0));
    ASSERT_TRUE(kvCloseSchedules());
    ASSERT_TRUE(kvOpenAddressBook(yamada.c_str(), -1, 0, 0, 0));
    ASSERT_TRUE(kvBeginAddressUpdate(yamada.c_str()));
    kvAddressRecord address = CTestRecords::Address(yamada, "Sato", "Hana", "Kelvo");
    kvAddressRecord elsewhere = CTestRecords::Address("guest09", "Hidden", "", "");
    ASSERT_TRUE(kvAddAddress(&address) && kvAddAddress(&elsewhere));
    ASSERT_TRUE(kvEndAddressUpdate());
    kvCloseAddressBook();
    kvBoardMessage message = CTestRecords::Message("guest09", "hello", 6, 9, 5);
    uint32_t id = 0;
    ASSERT_TRUE(kvAdminPostBoardMessage(&message, &id));
    kvBoardMessage reply = CTestRecords::Message(yamada, "re", 7, 9, 5, id);
    ASSERT_TRUE(kvAdminPostBoardMessage(&reply, nullptr));
    kvShutdown();
    setenv("KELVO_DATABASE", database.PeopleUri().c_str(), 1);

    CViewerHarness viewer(true);
    ASSERT_TRUE(viewer.StartAndLogin(QStringLiteral("山田"), "pw"));
    CViewerApp& app = viewer.App();
    ASSERT_EQ(RowCount(app, KIND_USER), 2);
    EXPECT_EQ(Cell(app, KIND_USER, 1, 0), "山田");
    EXPECT_EQ(Cell(app, KIND_USER, 1, 2), "営業部/QA");

    for (int command : {ID_VIEW_SCHADULE, ID_VIEW_ADDRESS, ID_VIEW_BOARD, ID_VIEW_MONITOR})
        ASSERT_TRUE(viewer.Frame().ExecuteCommand(command));
    ASSERT_EQ(RowCount(app, KIND_SCHADULE), 2);
    EXPECT_EQ(Cell(app, KIND_SCHADULE, 0, 2), "2001/01/05 09:05");
    EXPECT_EQ(Cell(app, KIND_SCHADULE, 1, 0), "holiday");
    EXPECT_EQ(Cell(app, KIND_SCHADULE, 1, 3), "");
    ASSERT_EQ(RowCount(app, KIND_ADDRESS), 1) << "only the logged-in user's book";
    EXPECT_EQ(Cell(app, KIND_ADDRESS, 0, 4), "Kelvo");
    ASSERT_EQ(RowCount(app, KIND_BOARD), 2);
    EXPECT_EQ(Cell(app, KIND_BOARD, 1, 5), "00000001");
    auto* monitor = dynamic_cast<CMonitorView*>(app.m_pOpenView[KIND_MONITOR]);
    ASSERT_NE(monitor, nullptr);
    EXPECT_GT(monitor->List()->GetCount(), 0) << "the library reported what the windows did";
    EXPECT_EQ(viewer.SubWindows().size(), 5);

    viewer.Finish();
    // Every list was closed before the library shut down; a new session reads the same data.
    setenv("KELVO_DATABASE", database.Path().c_str(), 1);
    ASSERT_TRUE(kvOpenUsers("", nullptr, 0));
    kvCloseUsers();
}

TEST(EndToEnd, ImportedAddressesShowInTheAddressList) {
    CTempDatabase database;
    kvUserRecord user = CTestRecords::User("alice", "", {}, "pw");
    ASSERT_TRUE(kvAdminAddUser(&user));
    CImportFile file("姓\t姓ﾌﾘｶﾞﾅ\t名\t会社名\t自宅電話\t電子ﾒｰﾙ ｱﾄﾞﾚｽ\t分類\r\n"
                     "佐藤\tｻﾄｳ\t花子\tケルボ\t03-1\tsato@x\t取引先\r\n"
                     "\r\n"
                     "鈴木\tｽｽﾞｷ\t一郎\t\t\t\t\r\n");

    CViewerHarness viewer(true);
    ASSERT_TRUE(viewer.StartAndLogin("alice", "pw"));
    ASSERT_TRUE(ImportPrivateAddresses(viewer, file.Path()));
    ASSERT_TRUE(viewer.Frame().ExecuteCommand(ID_VIEW_ADDRESS));
    CViewerApp& app = viewer.App();
    ASSERT_EQ(RowCount(app, KIND_ADDRESS), 2);
    EXPECT_EQ(Cell(app, KIND_ADDRESS, 0, 0), "") << "the import fills no title";
    EXPECT_EQ(Cell(app, KIND_ADDRESS, 0, 1), "佐藤");
    EXPECT_EQ(Cell(app, KIND_ADDRESS, 0, 2), "ｻﾄｳ");
    EXPECT_EQ(Cell(app, KIND_ADDRESS, 0, 3), "03-1");
    EXPECT_EQ(Cell(app, KIND_ADDRESS, 0, 4), "ケルボ");
    EXPECT_EQ(Cell(app, KIND_ADDRESS, 0, 7), "sato@x");
    EXPECT_EQ(Cell(app, KIND_ADDRESS, 1, 1), "鈴木");
    EXPECT_TRUE(kvFindAddressCategory(CTestRecords::Sjis("取引先").c_str()));
}

TEST(EndToEnd, ThePersonTakesBackTheirLastImportAfterAConfirmation) {
    CTempDatabase database;
    kvUserRecord user = CTestRecords::User("alice", "", {}, "pw");
    ASSERT_TRUE(kvAdminAddUser(&user));
    CImportFile file("姓\t名\t会社名\r\n佐藤\t花子\tケルボ\r\n鈴木\t一郎\t\r\n");

    CViewerHarness viewer(true);
    ASSERT_TRUE(viewer.StartAndLogin("alice", "pw"));
    ASSERT_TRUE(viewer.Frame().ExecuteCommand(ID_UNDO_IMPORT));
    ASSERT_EQ(viewer.messages.size(), 1);
    EXPECT_EQ(viewer.messages.takeLast(), "取り消せるインポートはありません。");
    ASSERT_TRUE(ImportPrivateAddresses(viewer, file.Path()));
    ASSERT_TRUE(viewer.Frame().ExecuteCommand(ID_VIEW_ADDRESS));
    CViewerApp& app = viewer.App();
    ASSERT_EQ(RowCount(app, KIND_ADDRESS), 2);

    viewer.answers = {CMessageBox::IDCANCEL};
    ASSERT_TRUE(viewer.Frame().ExecuteCommand(ID_UNDO_IMPORT));
    ASSERT_EQ(viewer.messages.size(), 1);
    const QString question = viewer.messages.takeLast();
    EXPECT_TRUE(question.startsWith("直前のインポートを取り消しますか？"))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QString::fromStdString(file.Path()))) << "the file";
    EXPECT_TRUE(question.contains(QRegularExpression("日時: \\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d\n")))
        << "the time";
    EXPECT_TRUE(question.contains("アドレス帳: 追加 2 件\n")) << "the counts";
    kvImportInfo kept{};
    EXPECT_TRUE(kvLastImport(&kept)) << "declined: nothing was taken back";

    viewer.answers = {CMessageBox::IDOK};
    ASSERT_TRUE(viewer.Frame().ExecuteCommand(ID_UNDO_IMPORT));
    EXPECT_EQ(viewer.messages.size(), 1) << "no box after the question";
    EXPECT_EQ(viewer.Frame().MessagePane()->text(),
              "インポートを取り消しました（削除 2 件・復元 0 件）。"
              "開いている一覧には、開き直すと表示されます。");
    EXPECT_EQ(RowCount(app, KIND_ADDRESS), 2) << "an open list is not refreshed";
    viewer.Frame().MdiArea()->closeAllSubWindows();
    ASSERT_TRUE(viewer.Frame().ExecuteCommand(ID_VIEW_ADDRESS));
    EXPECT_EQ(RowCount(app, KIND_ADDRESS), 0) << "reopened, it shows the entries as before";
}

TEST(EndToEnd, ImportedSchedulesShowInTheScheduleList) {
    CTempDatabase database;
    kvUserRecord user = CTestRecords::User("alice", "", {}, "pw");
    ASSERT_TRUE(kvAdminAddUser(&user));
    const std::string header = "件名\t開始日\t開始時刻\t終了日\t終了時刻\t終日ｲﾍﾞﾝﾄ\r\n";
    CImportFile first(header + "会議\t2001/1/5\t9:05:00\t2001/1/5\t10:00:00\tFALSE\r\n"
                               "休日\t2001/1/6\t\t2001/1/6\t\tTRUE\r\n");
    CImportFile second(header + "会議\t2001/1/5\t9:05:00\t2001/1/5\t10:30:00\tFALSE\r\n"
                                "休日\t2001/1/6\t\t2001/1/6\t\tTRUE\r\n");

    CViewerHarness viewer(true);
    ASSERT_TRUE(viewer.StartAndLogin("alice", "pw"));
    viewer.Frame().MdiArea()->closeAllSubWindows(); // the import is offered with no window open
    CViewerHarness::Settle(0);
    QStringList planned;
    for (const CImportFile* file : {&first, &second}) {
        // The second run replaces, by start and title: its plan is shown first.
        viewer.WhenModal<CSchaduleImportDlg>([&](CSchaduleImportDlg* dialog) {
            dialog->Item<QLineEdit>(CSchaduleImportDlg::IDC_FILE_NAME)
                ->setText(QString::fromStdString(file->Path()));
            if (file == &second)
                viewer.WhenModal<CImportPlanDlg>([&](CImportPlanDlg* plan) {
                    QTableWidget* table = plan->Table();
                    for (int row = 0; row < table->rowCount(); ++row)
                        planned.append(table->item(row, CImportPlanDlg::kActionColumn)->text() +
                                       "|" +
                                       table->item(row, CImportPlanDlg::kEntryColumn)->text() +
                                       "|" + table->item(row, CImportPlanDlg::kWhatColumn)->text());
                    plan->accept();
                });
            dialog->Item<QPushButton>(CDialog::IDOK)->click();
        });
        ASSERT_TRUE(viewer.Frame().ExecuteCommand(ID_IMPORT_SCHADULE));
    }
    EXPECT_EQ(planned,
              (QStringList{"置換|2001/01/05 09:05 会議|終了: 2001/01/05 10:00 → 2001/01/05 10:30",
                           "置換|2001/01/06 休日|変更なし"}));
    ASSERT_TRUE(viewer.Frame().ExecuteCommand(ID_VIEW_SCHADULE));
    CViewerApp& app = viewer.App();
    ASSERT_EQ(RowCount(app, KIND_SCHADULE), 2);
    EXPECT_EQ(Cell(app, KIND_SCHADULE, 0, 0), "会議");
    EXPECT_EQ(Cell(app, KIND_SCHADULE, 0, 2), "2001/01/05 09:05");
    EXPECT_EQ(Cell(app, KIND_SCHADULE, 0, 3), "2001/01/05 10:30");
    EXPECT_EQ(Cell(app, KIND_SCHADULE, 1, 0), "休日");
    EXPECT_EQ(Cell(app, KIND_SCHADULE, 1, 2), "2001/01/06") << "an all-day entry shows dates";
    EXPECT_EQ(Cell(app, KIND_SCHADULE, 1, 1), "") << "no place from the import";
}
