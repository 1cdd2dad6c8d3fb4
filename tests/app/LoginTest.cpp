#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

#include <fstream>
#include <sstream>

#include "kelvo.h"

#include "LoginDlg.h"
#include "MDIChildWnd.h"
#include "MainFrame.h"
#include "View.h"
#include "TempDatabase.h"
#include "TestRecords.h"
#include "ViewerApp.h"
#include "ViewerHarness.h"

namespace {

const QString kWrong = QStringLiteral("ユーザー名またはパスワードが違います");

class Login : public ::testing::Test {
protected:
    void SetUp() override {
        m_viewer.Backend().users = {CTestRecords::User("alice", "", {}, "pw"),
                                    CTestRecords::User(CTestRecords::Sjis("山田"), "", {}, "")};
    }

    // Types into the open login dialog and presses OK; the dialog may stay open.
    static void Type(CLoginDlg* dialog, const QString& name, const QString& password) {
        dialog->Item<QLineEdit>(1004)->setText(name);
        dialog->Item<QLineEdit>(1005)->setText(password);
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
    }

    CViewerHarness m_viewer;
};

} // namespace

TEST_F(Login, AcceptedLoginKeepsTheNameAndOpensTheUserList) {
    ASSERT_TRUE(m_viewer.StartAndLogin("alice", "pw"));
    EXPECT_EQ(g_strLoginUser, "alice");
    EXPECT_EQ(m_viewer.SubWindowTitles(), QStringList{QStringLiteral("ユーザー一覧1")});
    EXPECT_TRUE(m_viewer.messages.isEmpty());
    // The dialog filled its hidden list with every user, then checked alice alone.
    std::vector<std::string> expected = {
        "kvOpenUsers(\"\", null, 0)", "kvNextUser(record, 1)", "kvNextUser(record, 1)",
        "kvNextUser(record, 1)",      "kvCloseUsers()",        "kvOpenUsers(null, \"alice\", 0)",
        "kvNextUser(record, 1)",      "kvCloseUsers()"};
    std::vector<std::string> calls = m_viewer.Backend().Calls();
    calls.resize(std::min(calls.size(), expected.size()));
    EXPECT_EQ(calls, expected);
}

TEST_F(Login, EmptyNameCallsNothingAndWrongLoginsStayOpen) {
    ASSERT_TRUE(m_viewer.Start());
    bool checked = false;
    m_viewer.WhenModal<CLoginDlg>([&](CLoginDlg* dialog) {
        CRecordingBackend& backend = m_viewer.Backend();
        backend.ClearCalls();
        Type(dialog, "", "pw");
        EXPECT_TRUE(backend.Calls().empty()) << "OK with an empty name calls nothing";
        EXPECT_TRUE(m_viewer.messages.isEmpty());
        EXPECT_TRUE(dialog->isVisible());

        // The backend delivers alice's record for "Alice": the case still decides.
        Type(dialog, "Alice", "pw");
        EXPECT_EQ(m_viewer.messages, QStringList{kWrong});
        EXPECT_EQ(backend.Count("kvCloseUsers"), 1);
        Type(dialog, "alice", "PW");
        Type(dialog, "alice", "pw ");
        EXPECT_EQ(m_viewer.messages.size(), 3);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->Item<QLineEdit>(1004)->text(), "alice") << "edits stay as typed";

        // An open by name that fails shows nothing and leaves the dialog open.
        backend.SetResult("kvOpenUsers", 0);
        Type(dialog, "alice", "pw");
        EXPECT_EQ(m_viewer.messages.size(), 3);
        backend.SetResult("kvOpenUsers", 1);
        Type(dialog, "alice", "pw");
        checked = true;
    });
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return !g_strLoginUser.empty(); }));
    EXPECT_TRUE(checked);
    EXPECT_EQ(g_strLoginUser, "alice");
}

TEST_F(Login, OnlyTheFirstDeliveredRecordDecides) {
    // Two records for one name: the first has another password.
    m_viewer.Backend().users = {CTestRecords::User("bob", "", {}, "first"),
                                CTestRecords::User("bob", "", {}, "second")};
    ASSERT_TRUE(m_viewer.Start());
    m_viewer.WhenModal<CLoginDlg>([&](CLoginDlg* dialog) {
        Type(dialog, "bob", "second");
        EXPECT_EQ(m_viewer.messages, QStringList{kWrong});
        Type(dialog, "bob", "first");
    });
    ASSERT_TRUE(CViewerHarness::WaitFor([] { return g_strLoginUser == "bob"; }));
}

TEST_F(Login, TextOutsideCodePage932IsRejectedWithTheUsualMessage) {
    m_viewer.Backend().users = {CTestRecords::User(CTestRecords::Sjis("山田"), "", {}, "")};
    ASSERT_TRUE(m_viewer.Start());
    m_viewer.WhenModal<CLoginDlg>([&](CLoginDlg* dialog) {
        m_viewer.Backend().ClearCalls();
        Type(dialog, QString::fromUtf8("alice\xF0\x9F\x98\x80"), "pw");
        Type(dialog, "alice", QString::fromUtf8("pw\xEC\x95\x88"));
        EXPECT_EQ(m_viewer.messages, (QStringList{kWrong, kWrong}));
        EXPECT_TRUE(m_viewer.Backend().Calls().empty()) << "nothing mangled is compared";
        Type(dialog, QStringLiteral("山田"), "");
    });
    ASSERT_TRUE(CViewerHarness::WaitFor([] { return !g_strLoginUser.empty(); }));
    EXPECT_EQ(g_strLoginUser, CTestRecords::Sjis("山田"))
        << "an empty password matches an empty one";
}

TEST_F(Login, CancelledFirstLoginEndsTheProgramWithOneShutdown) {
    ASSERT_TRUE(m_viewer.Start());
    m_viewer.WhenModal<CLoginDlg>(
        [](CLoginDlg* dialog) { dialog->Item<QPushButton>(CDialog::IDCANCEL)->click(); });
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return !m_viewer.App().m_pMainWnd->isVisible(); }));
    EXPECT_TRUE(m_viewer.SubWindows().isEmpty());
    m_viewer.Finish();
    EXPECT_EQ(m_viewer.Backend().Count("kvShutdown"), 1);
    EXPECT_EQ(m_viewer.Backend().Calls().back(), "kvShutdown()") << "the last call";
    EXPECT_EQ(m_viewer.Backend().Count("kvRewindUsers"), 0) << "no list window read anything";
    EXPECT_TRUE(g_strLoginUser.empty());
}

TEST_F(Login, SecondLoginReplacesTheUserAndBringsTheListToTheFront) {
    ASSERT_TRUE(m_viewer.StartAndLogin("alice", "pw"));
    m_viewer.Backend().users.push_back(CTestRecords::User("carol", "", {}, "c"));
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(32777));
    ASSERT_EQ(m_viewer.SubWindows().size(), 2);
    m_viewer.AnswerLogin("carol", "c");
    m_viewer.Frame().PostCommand(32771);
    ASSERT_TRUE(CViewerHarness::WaitFor([] { return g_strLoginUser == "carol"; }));
    ASSERT_TRUE(CViewerHarness::WaitFor([&] {
        return m_viewer.Frame().MdiArea()->activeSubWindow() ==
               m_viewer.App().m_pOpenView[KIND_USER]->GetParentFrame();
    }));
    EXPECT_EQ(m_viewer.SubWindows().size(), 2) << "no second user list";

    // Cancelling a later login ends the program as well.
    m_viewer.WhenModal<CLoginDlg>([](CLoginDlg* dialog) { dialog->close(); }); // the close box
    m_viewer.Frame().PostCommand(32771);
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return !m_viewer.App().m_pMainWnd->isVisible(); }));
    EXPECT_EQ(g_strLoginUser, "carol") << "never cleared";
}

// The real library on a file that is no database: the login stays silent on
// screen, as designed, but the reason reaches standard error and the monitor
// queue, and each login asks the database once, not once per call.
TEST(LoginOnAnUnusableDatabase, ReasonGoesToStandardErrorAndTheMonitorQueue) {
    CTempDatabase database;
    {
        std::ofstream junk(database.Path(), std::ios::binary);
        for (int i = 0; i < 4096; ++i)
            junk.put(static_cast<char>((i * 7919) & 0xFF));
    }
    std::ostringstream captured;
    std::streambuf* saved = std::cerr.rdbuf(captured.rdbuf());
    {
        CViewerHarness viewer(true);
        ASSERT_TRUE(viewer.Start());
        viewer.AnswerLogin("alice", "pw");
        ASSERT_TRUE(CViewerHarness::WaitFor([&] { return !viewer.App().m_pMainWnd->isVisible(); }));
        EXPECT_TRUE(viewer.messages.isEmpty());
        viewer.Finish();
    }
    std::cerr.rdbuf(saved);
    const std::string err = captured.str();
    EXPECT_NE(err.find("file is not a database"), std::string::npos) << err;

    int attempts = 0;
    char line[KV_MONITOR_LINE_SIZE];
    while (kvReadMonitorLine(line, sizeof(line)))
        if (std::string(line).find("file is not a database") != std::string::npos)
            ++attempts;
    EXPECT_EQ(attempts, 2) << "the dialog's list and the OK each tried once";
}
