#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "AddressImportDlg.h"
#include "DefultListView.h"
#include "ImportFile.h"
#include "ListCtrl.h"
#include "MainFrame.h"
#include "Resource.h"
#include "TempDatabase.h"
#include "Text.h"
#include "ViewerApp.h"
#include "ViewerHarness.h"
#include "kelvoadmin.h"

namespace {

using D = CAddressImportDlg;

// Bad files through the address import dialog, on the real library.
class BadFiles : public ::testing::Test {
protected:
    void SetUp() override {
        kvUserRecord user = CTestRecords::User("alice", "", {}, "pw");
        ASSERT_TRUE(kvAdminAddUser(&user));
        ASSERT_TRUE(m_viewer.StartAndLogin("alice", "pw"));
    }

    // Imports path; whether the dialog closed.
    bool Import(const std::string& path) {
        bool closed = false;
        m_viewer.WhenModal<CAddressImportDlg>([&](CAddressImportDlg* dialog) {
            dialog->Item<QLineEdit>(D::IDC_FILE_NAME)->setText(QString::fromStdString(path));
            dialog->Item<QPushButton>(CDialog::IDOK)->click();
            closed = !dialog->isVisible();
        });
        EXPECT_TRUE(m_viewer.Frame().ExecuteCommand(ID_IMPORT_ADDRESS));
        return closed;
    }

    int Stored() {
        int count = 0;
        kvOpenAddressBook("alice", -1, 0, 0, 0);
        kvAddressRecord record;
        while (kvNextAddress(&record, 1))
            ++count;
        kvCloseAddressBook();
        return count;
    }

    CTempDatabase m_database;
    CViewerHarness m_viewer{true};
};

} // namespace

TEST_F(BadFiles, EmptyDirectoryAndHeaderOnlyStoreNothing) {
    CImportFile empty("");
    EXPECT_TRUE(Import(empty.Path()));
    CImportFile headerOnly("姓\t名\r\n");
    EXPECT_TRUE(Import(headerOnly.Path()));
    EXPECT_FALSE(Import(m_database.Folder())) << "a folder cannot be opened: the dialog stays";
    EXPECT_EQ(Stored(), 0);
    EXPECT_TRUE(m_viewer.messages.isEmpty());
}

TEST_F(BadFiles, BrokenBytesLongLinesAndOpenValuesImportWhatTheyHold) {
    std::string nasty = CTestRecords::Sjis("姓\t名\tﾒﾓ\r\n") + std::string("ab\0cd", 5) +
                        "\tx\xff\x82\r\n" + std::string(1 << 20, 'w') + "\tlong\r\n" +
                        "open\tv\t\"never closed\r\nmore";
    CImportFile bad(nasty, false);
    EXPECT_TRUE(Import(bad.Path()));
    EXPECT_EQ(Stored(), 3);
    // The list shows them without trouble; a bad byte shows as a replacement.
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_VIEW_ADDRESS));
    auto* view = dynamic_cast<CDefultListView*>(m_viewer.App().m_pOpenView[KIND_ADDRESS]);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(CText::FromCp932(view->GetListCtrl().GetItemText(0, 1)), "ab");
    EXPECT_EQ(CText::FromCp932(view->GetListCtrl().GetItemText(2, 1)), "open");
}

TEST_F(BadFiles, TwoHundredThousandLines) {
    std::string lines = CTestRecords::Sjis("姓\r\n");
    for (int i = 0; i < 200000; ++i)
        lines += "n" + std::to_string(i) + "\r\n";
    CImportFile many(lines, false);
    EXPECT_TRUE(Import(many.Path()));
    EXPECT_EQ(Stored(), 200000);
}

TEST_F(BadFiles, FileDeletedBetweenChoosingAndOk) {
    CImportFile file("姓\r\n佐藤\r\n");
    bool stayed = false;
    m_viewer.WhenModal<CAddressImportDlg>([&](CAddressImportDlg* dialog) {
        m_viewer.fileAnswers = {QString::fromStdString(file.Path())};
        dialog->Item<QPushButton>(D::IDC_BROWSE)->click();
        std::remove(file.Path().c_str());
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
        stayed = dialog->isVisible();
    });
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_IMPORT_ADDRESS));
    EXPECT_TRUE(stayed) << "the file cannot be opened: the dialog stays, without a message";
    EXPECT_TRUE(m_viewer.messages.isEmpty());
    EXPECT_EQ(Stored(), 0);
}

TEST_F(BadFiles, UnreadableFileKeepsTheDialogOpen) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads any file; kelvo-admin's test covers this as nobody";
    CImportFile file("姓\r\n佐藤\r\n");
    ASSERT_EQ(chmod(file.Path().c_str(), 0), 0);
    EXPECT_FALSE(Import(file.Path()));
    EXPECT_EQ(Stored(), 0);
}
