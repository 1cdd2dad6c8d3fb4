#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "AddressImportDlg.h"
#include "AddressLoadDlg.h"
#include "ColumnMapDlg.h"
#include "ImportFile.h"
#include "MainFrame.h"
#include "MessageBox.h"
#include "Resource.h"
#include "Text.h"
#include "ViewerApp.h"
#include "ViewerHarness.h"

namespace {

using D = CAddressImportDlg;

class AddressImport : public ::testing::Test {
protected:
    void SetUp() override {
        m_viewer.Backend().users = {CTestRecords::User("alice", "", {}, "pw")};
        ASSERT_TRUE(m_viewer.StartAndLogin("alice", "pw"));
        m_viewer.Backend().ClearCalls();
    }

    // Runs the import command; handler answers the import dialog.
    void RunImport(std::function<void(CAddressImportDlg*)> handler) {
        m_viewer.WhenModal<CAddressImportDlg>(std::move(handler));
        ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_IMPORT_ADDRESS));
    }

    // Imports file with the options; the load dialog runs to its end by itself.
    void Import(const std::string& path, bool isPublic = true, bool duplicateCheck = false) {
        RunImport([&](CAddressImportDlg* dialog) {
            dialog->Item<QLineEdit>(D::IDC_FILE_NAME)->setText(QString::fromStdString(path));
            dialog->Item<QCheckBox>(D::IDC_PUBLIC)->setChecked(isPublic);
            dialog->Item<QCheckBox>(D::IDC_DUPLICATE_CHECK)->setChecked(duplicateCheck);
            dialog->Item<QPushButton>(CDialog::IDOK)->click();
        });
    }

    std::vector<std::string> Sequence() {
        std::vector<std::string> calls;
        for (const std::string& call : m_viewer.Backend().Calls())
            if (call.find("AddressBook") != std::string::npos ||
                call.find("AddressUpdate") != std::string::npos)
                calls.push_back(call.substr(0, call.find('(')));
        return calls;
    }

    CViewerHarness m_viewer;
};

std::string Rows(int count) {
    std::string text = "姓\t名\r\n";
    for (int i = 0; i < count; ++i)
        text += "姓" + std::to_string(i) + "\t名\r\n";
    return text;
}

} // namespace

TEST_F(AddressImport, OpensWithItsDefaultsAndNeedsAFileName) {
    RunImport([&](CAddressImportDlg* dialog) {
        auto* type = dialog->Item<QComboBox>(D::IDC_TYPE);
        EXPECT_EQ(type->count(), 1);
        EXPECT_EQ(type->currentText(), "Outlook (タブ区切り)");
        EXPECT_TRUE(dialog->Item<QCheckBox>(D::IDC_PUBLIC)->isChecked());
        EXPECT_TRUE(dialog->Item<QCheckBox>(D::IDC_DUPLICATE_CHECK)->isChecked());
        EXPECT_EQ(dialog->m_bPublic, 1);
        EXPECT_EQ(dialog->windowTitle(), "アドレス帳読み込み");

        dialog->Item<QCheckBox>(D::IDC_PUBLIC)->setChecked(false);
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
        EXPECT_EQ(m_viewer.messages, QStringList{"ファイル名を設定してください"});
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_FALSE(dialog->Item<QCheckBox>(D::IDC_PUBLIC)->isChecked()) << "left as it was";

        m_viewer.fileAnswers = {"/tmp/chosen.txt"};
        dialog->Item<QPushButton>(D::IDC_BROWSE)->click();
        EXPECT_EQ(dialog->Item<QLineEdit>(D::IDC_FILE_NAME)->text(), "/tmp/chosen.txt");
        EXPECT_FALSE(dialog->Item<QCheckBox>(D::IDC_PUBLIC)->isChecked());
        dialog->Item<QPushButton>(CDialog::IDCANCEL)->click();
    });
    EXPECT_TRUE(m_viewer.Backend().Calls().empty()) << "cancel opens nothing";
}

TEST_F(AddressImport, ReleasesEverythingOnEveryPath) {
    CImportFile file(Rows(2));
    Import(file.Path());
    EXPECT_EQ(Sequence(), (std::vector<std::string>{"kvOpenAddressBook", "kvBeginAddressUpdate",
                                                    "kvEndAddressUpdate", "kvCloseAddressBook"}));
    EXPECT_EQ(m_viewer.Backend().addedAddresses.size(), 2u);
    EXPECT_EQ(m_viewer.Backend().CallsTo("kvOpenAddressBook").front(),
              "kvOpenAddressBook(\"alice\", -1, 0, 0, 0)");

    m_viewer.Backend().ClearCalls();
    m_viewer.Backend().SetResult("kvBeginAddressUpdate", 0);
    Import(file.Path());
    EXPECT_EQ(Sequence(), (std::vector<std::string>{"kvOpenAddressBook", "kvBeginAddressUpdate",
                                                    "kvCloseAddressBook"}));

    m_viewer.Backend().ClearCalls();
    m_viewer.Backend().SetResult("kvOpenAddressBook", 0);
    Import(file.Path());
    EXPECT_EQ(Sequence(), std::vector<std::string>{"kvOpenAddressBook"});
    EXPECT_EQ(m_viewer.Backend().addedAddresses.size(), 2u) << "nothing more imported";
    EXPECT_TRUE(m_viewer.messages.isEmpty());

    // A file that cannot be opened keeps the dialog open, without a message.
    m_viewer.Backend().ClearCalls();
    RunImport([&](CAddressImportDlg* dialog) {
        dialog->Item<QLineEdit>(D::IDC_FILE_NAME)->setText("/nonexistent/export.txt");
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
        EXPECT_TRUE(dialog->isVisible());
        dialog->Item<QPushButton>(CDialog::IDCANCEL)->click();
    });
    EXPECT_TRUE(m_viewer.Backend().Calls().empty());
    EXPECT_TRUE(m_viewer.messages.isEmpty());
}

TEST_F(AddressImport, PacesWithTheTimerEveryTenthRecordAndFillsTheBar) {
    CImportFile file(Rows(25));
    int timerSteps = -1;
    int progress = -1, maximum = 0;
    m_viewer.WhenModalWidget([&](QWidget* widget) {
        if (dynamic_cast<CAddressImportDlg*>(widget) == nullptr)
            return false;
        auto* dialog = static_cast<CAddressImportDlg*>(widget);
        dialog->Item<QLineEdit>(D::IDC_FILE_NAME)->setText(QString::fromStdString(file.Path()));
        // Watch the load dialog from inside its own loop until it ends.
        m_viewer.Backend().onCall = [&](const std::string& call) {
            if (call != "kvEndAddressUpdate()")
                return;
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* load = dynamic_cast<CAddressLoadDlg*>(top)) {
                    timerSteps = load->TimerSteps();
                    auto* bar = load->Item<QProgressBar>(CAddressLoadDlg::IDC_PROGRESS);
                    progress = bar->value();
                    maximum = bar->maximum();
                }
        };
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
        return true;
    });
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_IMPORT_ADDRESS));
    m_viewer.Backend().onCall = nullptr;
    EXPECT_EQ(m_viewer.Backend().addedAddresses.size(), 25u);
    EXPECT_EQ(timerSteps, 3) << "after records 1, 11 and 21";
    EXPECT_EQ(progress, maximum) << "full at the end";
    EXPECT_GT(maximum, 0);
}

TEST_F(AddressImport, CancelTakesEffectBetweenRecordsAndSaysWhatWasKept) {
    CImportFile file(Rows(200));
    QString barText;
    size_t storedThen = 0;
    m_viewer.Backend().onCall = [&](const std::string& call) {
        if (call != "kvAddAddress(record)" || m_viewer.Backend().addedAddresses.size() != 5)
            return;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* load = dynamic_cast<CAddressLoadDlg*>(top)) {
                barText = load->Item<QProgressBar>(COutlookLoadDlg::IDC_PROGRESS)->text();
                storedThen = m_viewer.Backend().addedAddresses.size();
                load->PostCommand(CDialog::IDCANCEL);
            }
    };
    Import(file.Path());
    m_viewer.Backend().onCall = nullptr;
    size_t stored = m_viewer.Backend().addedAddresses.size();
    EXPECT_GE(stored, 5u);
    EXPECT_LT(stored, 200u) << "the import stopped";
    EXPECT_EQ(Sequence().back(), "kvCloseAddressBook") << "released as after a complete import";
    // The bar counts the records (redrawn at most 20 times a second: never ahead).
    ASSERT_TRUE(barText.contains(QStringLiteral(" 件（"))) << barText.toStdString();
    EXPECT_LE(barText.section(QLatin1Char(' '), 0, 0).toULongLong(), storedThen)
        << "the count on the bar: " << barText.toStdString();
    // The person learns what was kept, what was not, and how to see it.
    ASSERT_EQ(m_viewer.messages.size(), 1);
    EXPECT_TRUE(m_viewer.messages[0].contains(QStringLiteral("%1 件は保存され").arg(stored)))
        << m_viewer.messages[0].toStdString();
    EXPECT_TRUE(m_viewer.messages[0].contains(QStringLiteral("開き直す")));
    ASSERT_FALSE(m_viewer.Backend().postedLines.empty());
    EXPECT_TRUE(
        CText::FromCp932(m_viewer.Backend().postedLines[0]).startsWith("読み込みを中止しました"))
        << "the monitor says it was stopped, not that it ended";
}

TEST_F(AddressImport, UnusableFilesStoreNothing) {
    CImportFile headerOnly("姓\t名\r\n");
    Import(headerOnly.Path());
    // Columns none of which is known: the person is asked where they go, and
    // choosing none of them leaves nothing to import.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    CImportFile unknown("foo\tbar\r\n1\t2\r\n");
    RunImport([&](CAddressImportDlg* dialog) {
        dialog->Item<QLineEdit>(D::IDC_FILE_NAME)->setText(QString::fromStdString(unknown.Path()));
        m_viewer.WhenModal<CColumnMapDlg>([](CColumnMapDlg* map) {
            EXPECT_EQ(map->Table()->item(1, CColumnMapDlg::kSampleColumn)->text(), "2");
            map->accept();
        });
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
    });
    CImportFile empty("");
    Import(empty.Path());
    // A header wider than an import reads says so, not that no column is known.
    std::string wide = "姓";
    for (int i = 0; i < 1500; ++i)
        wide += "\tx" + std::to_string(i);
    CImportFile tooWide(wide + "\r\n");
    Import(tooWide.Path());
    EXPECT_TRUE(m_viewer.Backend().addedAddresses.empty());
    EXPECT_EQ(m_viewer.messages,
              (QStringList{"このファイルには読み込める項目がありません",
                           "このファイルには読み込める項目がありません\n（見出しが 1000 "
                           "列を超えています。読み込めるのは 1000 列までです）"}));
}

TEST_F(AddressImport, AnImportThatCannotBeRecordedSaysSoInJapanese) {
    CImportFile file(Rows(3));
    m_viewer.Backend().SetResult("kvBeginImport", 0);
    Import(file.Path());
    EXPECT_TRUE(m_viewer.Backend().addedAddresses.empty());
    EXPECT_EQ(m_viewer.messages,
              QStringList{"読み込みを開始できませんでした。\n理由: 読み込みの記録を書けません"});
}

TEST_F(AddressImport, RefusedWriteStopsTheLoadAndSaysWhatWasKept) {
    CImportFile file(Rows(40));
    m_viewer.Backend().onCall = [&](const std::string& call) {
        if (call == "kvAddAddress(record)" && m_viewer.Backend().committedWrites == 5)
            m_viewer.Backend().SetFailure("kvAddAddress", "database is locked");
    };
    Import(file.Path());
    m_viewer.Backend().onCall = nullptr;
    EXPECT_EQ(m_viewer.Backend().Count("kvAddAddress"), 6) << "nothing after the refused write";
    EXPECT_EQ(Sequence(), (std::vector<std::string>{"kvOpenAddressBook", "kvBeginAddressUpdate",
                                                    "kvEndAddressUpdate", "kvCloseAddressBook"}));
    ASSERT_EQ(m_viewer.messages.size(), 1);
    EXPECT_TRUE(m_viewer.messages[0].contains("database is locked"))
        << m_viewer.messages[0].toStdString();
    EXPECT_TRUE(m_viewer.messages[0].contains("7 行目")) << "the line of the refused record";
    EXPECT_TRUE(m_viewer.messages[0].contains(" 5 件")) << m_viewer.messages[0].toStdString();
}

TEST_F(AddressImport, ModernFilesArePreviewedAndSummarised) {
    CImportFile file("姓,名,会社名,メモ\n"
                     "佐藤,花子,\"ケルボ, 東京\",\"一行目\n二行目\"\n"
                     "鈴木,一郎,絵文字😀,\n"
                     "高橋,次郎,,\n"
                     "田中,四郎,,\n",
                     false);
    // The preview can be declined: nothing is opened and the dialog stays.
    m_viewer.answers = {CMessageBox::IDCANCEL};
    RunImport([&](CAddressImportDlg* dialog) {
        dialog->Item<QLineEdit>(D::IDC_FILE_NAME)->setText(QString::fromStdString(file.Path()));
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
        EXPECT_TRUE(dialog->isVisible());
    });
    ASSERT_EQ(m_viewer.messages.size(), 1);
    const QString preview = m_viewer.messages[0];
    EXPECT_TRUE(preview.contains("UTF-8、カンマ区切り")) << preview.toStdString();
    EXPECT_TRUE(preview.contains("最初の 3 件")) << preview.toStdString();
    EXPECT_TRUE(preview.contains("姓: 佐藤  名: 花子  会社名: ケルボ, 東京  メモ: 一行目"))
        << preview.toStdString();
    EXPECT_TRUE(preview.contains("会社名: 絵文字😀")) << "the whole text, kept beside the entry";
    EXPECT_FALSE(preview.contains("田中")) << "three records only";
    for (const std::string& call : m_viewer.Backend().Calls())
        EXPECT_TRUE(call.rfind("kvCopyText(", 0) == 0 || call.find("Address") != std::string::npos)
            << "the preview stores nothing: " << call;
    for (const char* write : {"kvAddAddress", "kvUpdateAddress", "kvBeginAddressUpdate"})
        EXPECT_EQ(m_viewer.Backend().Count(write), 0) << write;

    // Going on imports everything, then says what was replaced.
    m_viewer.messages.clear();
    Import(file.Path());
    EXPECT_EQ(m_viewer.Backend().addedAddresses.size(), 4u);
    ASSERT_EQ(m_viewer.messages.size(), 2);
    EXPECT_TRUE(m_viewer.messages[1].contains("追加 4 件")) << m_viewer.messages[1].toStdString();
    EXPECT_TRUE(m_viewer.messages[1].contains("4 行目: 1 文字を 〓 に置き換えました"))
        << m_viewer.messages[1].toStdString();
    const auto& posted = m_viewer.Backend().postedLines;
    ASSERT_GE(posted.size(), 3u);
    // The monitor gets the summary in Japanese, as the message shows it.
    EXPECT_EQ(CText::FromCp932(posted[0]),
              QStringLiteral("読み込みが終わりました（UTF-8、カンマ区切り）。"));
    EXPECT_TRUE(CText::FromCp932(posted[1]).startsWith(QStringLiteral("追加 4 件")));
    EXPECT_EQ(m_viewer.Frame().MessagePane()->text(), "4 件を読み込みました（追加 4・置換 0）")
        << "said in the status bar too";
}

TEST_F(AddressImport, ColumnsTheImportDoesNotKnowGoWhereThePersonSays) {
    QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    CImportFile file("名前X,よみ,携帯X,誕生日\n"
                     "山田 太郎,やまだ たろう,090-1,1980-01-01\n"
                     "佐藤 花子,さとう はなこ,090-2,1990-02-02\n",
                     false);
    auto choose = [&](bool firstTime) {
        m_viewer.WhenModal<CColumnMapDlg>([firstTime](CColumnMapDlg* dialog) {
            QTableWidget* table = dialog->Table();
            ASSERT_EQ(table->rowCount(), 4);
            EXPECT_EQ(table->item(0, CColumnMapDlg::kHeaderColumn)->text(), "名前X");
            EXPECT_EQ(table->item(1, CColumnMapDlg::kSampleColumn)->text(),
                      "やまだ たろう / さとう はなこ");
            auto target = [table](int row) {
                return static_cast<QComboBox*>(
                    table->cellWidget(row, CColumnMapDlg::kTargetColumn));
            };
            if (firstTime) {
                EXPECT_EQ(target(0)->currentText(), "読み込まない");
                target(0)->setCurrentText("氏名");
                target(1)->setCurrentText("フリガナ");
                target(2)->setCurrentText("携帯電話");
            } else {
                // The same header again: the choice made before.
                EXPECT_EQ(target(0)->currentText(), "氏名");
                EXPECT_EQ(target(2)->currentText(), "携帯電話");
                EXPECT_EQ(target(3)->currentText(), "読み込まない");
            }
            dialog->accept();
        });
    };
    for (bool firstTime : {true, false}) {
        m_viewer.answers = {CMessageBox::IDOK}; // the preview
        RunImport([&](CAddressImportDlg* dialog) {
            dialog->Item<QLineEdit>(D::IDC_FILE_NAME)->setText(QString::fromStdString(file.Path()));
            choose(firstTime);
            dialog->Item<QPushButton>(CDialog::IDOK)->click();
        });
    }
    ASSERT_EQ(m_viewer.Backend().addedAddresses.size(), 4u);
    const kvAddressRecord& taro = m_viewer.Backend().addedAddresses[2];
    EXPECT_EQ(CText::FromCp932(taro.lastName), "山田");
    EXPECT_EQ(CText::FromCp932(taro.nameReading), "たろう");
    EXPECT_EQ(CText::FromCp932(taro.mobilePhone), "090-1");
}
