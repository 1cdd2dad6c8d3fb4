#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "LoginDlg.h"
#include "MDIChildWnd.h"
#include "MainFrame.h"
#include "TempDatabase.h"
#include "TestRecords.h"
#include "View.h"
#include "ViewerApp.h"
#include "ViewerHarness.h"
#include "kelvo.h"

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
        dialog->Item<QLineEdit>(CLoginDlg::IDC_USER_NAME)->setText(name);
        dialog->Item<QLineEdit>(CLoginDlg::IDC_PASSWORD)->setText(password);
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
    // The dialog filled its hidden list with every user, then had the backend
    // check alice's password (the program never sees a stored one).
    std::vector<std::string> expected = {"kvOpenUsers(\"\", null, 0)",
                                         "kvNextUser(record, 1)",
                                         "kvNextUser(record, 1)",
                                         "kvNextUser(record, 1)",
                                         "kvCloseUsers()",
                                         "kvCheckPassword(\"alice\", \"pw\")"};
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

        // A refusal without a reason is a wrong name or password: one message for both.
        Type(dialog, "Alice", "pw");
        EXPECT_EQ(m_viewer.messages, QStringList{kWrong});
        Type(dialog, "alice", "PW");
        Type(dialog, "alice", "pw ");
        EXPECT_EQ(m_viewer.messages, (QStringList{kWrong, kWrong, kWrong}));
        EXPECT_EQ(backend.Count("kvCheckPassword"), 3);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->Item<QLineEdit>(CLoginDlg::IDC_USER_NAME)->text(), "alice")
            << "edits stay as typed";

        // A check that cannot be made is no wrong password: its reason is shown.
        backend.SetFailure("kvCheckPassword", "the server cannot be reached");
        Type(dialog, "alice", "pw");
        ASSERT_EQ(m_viewer.messages.size(), 4);
        EXPECT_TRUE(m_viewer.messages[3].startsWith(QStringLiteral("ログインできません")));
        EXPECT_TRUE(m_viewer.messages[3].contains("the server cannot be reached"));
        EXPECT_TRUE(dialog->isVisible());
        backend.SetFailure("kvCheckPassword", "");
        // The fifth wrong one in a row says that each check now takes longer.
        Type(dialog, "alice", "guess");
        Type(dialog, "alice", "guess again");
        ASSERT_EQ(m_viewer.messages.size(), 6);
        EXPECT_EQ(m_viewer.messages[4], kWrong);
        EXPECT_TRUE(m_viewer.messages[5].startsWith(kWrong));
        EXPECT_TRUE(m_viewer.messages[5].contains(QStringLiteral("5 回続けて")))
            << m_viewer.messages[5].toStdString();
        Type(dialog, "alice", "pw");
        checked = true;
    });
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return !g_strLoginUser.empty(); }));
    EXPECT_TRUE(checked);
    EXPECT_EQ(g_strLoginUser, "alice");
}

TEST_F(Login, GroupwareWithoutUsersNamesTheCommandThatMakesOne) {
    m_viewer.Backend().users.clear();
    ASSERT_TRUE(m_viewer.Start());
    m_viewer.WhenModal<CLoginDlg>([&](CLoginDlg* dialog) {
        Type(dialog, "alice", "pw");
        ASSERT_EQ(m_viewer.messages.size(), 1);
        EXPECT_TRUE(m_viewer.messages[0].contains("kelvo-admin user add"));
        EXPECT_EQ(m_viewer.Backend().Count("kvCheckPassword"), 0);
        dialog->Item<QPushButton>(CDialog::IDCANCEL)->click();
    });
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return !m_viewer.App().m_pMainWnd->isVisible(); }));
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

TEST_F(Login, ABareDeskIsToldWhereItsOwnGroupwareWouldBeBeforeTheLogin) {
    m_viewer.Backend().SetResult("kvDatabaseLocation", KV_LOCATION_DESK);
    m_viewer.Backend().location = "/nonexistent/kelvo/groupware.db";
    ASSERT_TRUE(m_viewer.StartAndLogin("alice", "pw"));
    ASSERT_EQ(m_viewer.messages.size(), 1);
    const QString told = m_viewer.messages[0];
    EXPECT_TRUE(told.contains("/nonexistent/kelvo/groupware.db")) << told.toStdString();
    EXPECT_TRUE(told.contains("~/.config/kelvo/kelvo.conf") && told.contains("KELVO_DATABASE") &&
                told.contains("kelvo-admin user add"))
        << "how to reach the office's, and how to make a user here";
    m_viewer.AnswerLogin("alice", "pw");
    m_viewer.Frame().PostCommand(32771);
    CViewerHarness::Settle(100);
    EXPECT_EQ(m_viewer.messages.size(), 1) << "said once";
}

TEST_F(Login, SecondLoginReplacesTheUserAndBringsTheListToTheFront) {
    ASSERT_TRUE(m_viewer.StartAndLogin("alice", "pw"));
    m_viewer.Backend().users.push_back(CTestRecords::User("carol", "", {}, "c"));
    m_viewer.Backend().users.push_back(CTestRecords::User("alice2", "", {}, "a"));
    for (int command : {32773, 32774, 32775, 32777})
        ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(command));
    ASSERT_EQ(m_viewer.SubWindows().size(), 5);
    // The same person again keeps every window.
    m_viewer.AnswerLogin("alice", "pw");
    m_viewer.Frame().PostCommand(32771);
    ASSERT_TRUE(CViewerHarness::WaitFor([&] {
        return m_viewer.Frame().MdiArea()->activeSubWindow() ==
               m_viewer.App().m_pOpenView[KIND_USER]->GetParentFrame();
    }));
    EXPECT_EQ(m_viewer.SubWindows().size(), 5);
    // Another person: the windows of alice's own entries close, the rest stay.
    m_viewer.AnswerLogin("carol", "c");
    m_viewer.Frame().PostCommand(32771);
    ASSERT_TRUE(CViewerHarness::WaitFor([] { return g_strLoginUser == "carol"; }));
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return m_viewer.SubWindows().size() == 3; }));
    EXPECT_EQ(m_viewer.App().m_pOpenView[KIND_SCHADULE], nullptr);
    EXPECT_EQ(m_viewer.App().m_pOpenView[KIND_ADDRESS], nullptr);
    EXPECT_NE(m_viewer.App().m_pOpenView[KIND_BOARD], nullptr);
    EXPECT_NE(m_viewer.App().m_pOpenView[KIND_MONITOR], nullptr);
    ASSERT_TRUE(CViewerHarness::WaitFor([&] {
        return m_viewer.Frame().MdiArea()->activeSubWindow() ==
               m_viewer.App().m_pOpenView[KIND_USER]->GetParentFrame();
    }));

    // Cancelling a later login ends the program as well.
    m_viewer.WhenModal<CLoginDlg>([](CLoginDlg* dialog) { dialog->close(); }); // the close box
    m_viewer.Frame().PostCommand(32771);
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return !m_viewer.App().m_pMainWnd->isVisible(); }));
    EXPECT_EQ(g_strLoginUser, "carol") << "never cleared";
}

// The real library on a file that is no database: the login says why it
// cannot sign anyone in (no "wrong password"), the reason reaches standard
// error and the monitor queue too, and each login asks the database once.
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
        ASSERT_EQ(viewer.messages.size(), 1);
        EXPECT_TRUE(viewer.messages[0].contains("file is not a database"))
            << viewer.messages[0].toStdString();
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
