#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>

#include <cstring>
#include <gtest/gtest.h>

#include "DefultListView.h"
#include "ListBox.h"
#include "ListCtrl.h"
#include "MDIChildWnd.h"
#include "MainFrame.h"
#include "MonitorView.h"
#include "PasswordDlg.h"
#include "Resource.h"
#include "TestRecords.h"
#include "ViewerApp.h"
#include "ViewerHarness.h"

namespace {

class Viewer : public ::testing::Test {
protected:
    void SetUp() override {
        m_viewer.Backend().users = {CTestRecords::User("alice", "", {}, "pw")};
        ASSERT_TRUE(m_viewer.StartAndLogin("alice", "pw"));
    }

    void Lines(int count, const std::string& prefix) {
        for (int i = 0; i < count; ++i)
            m_viewer.Backend().monitorLines.push_back(prefix + std::to_string(i));
    }

    CMonitorView* OpenMonitor() {
        EXPECT_TRUE(m_viewer.Frame().ExecuteCommand(ID_VIEW_MONITOR));
        return dynamic_cast<CMonitorView*>(m_viewer.App().m_pOpenView[KIND_MONITOR]);
    }

    CViewerHarness m_viewer;
};

using Monitor = Viewer;

class Password : public Viewer {
protected:
    void SetUp() override {
        Viewer::SetUp();
        m_viewer.App().m_pOpenView[KIND_USER]->GetParentFrame()->close();
        CViewerHarness::Settle(0);
        kvUserRecord bob = CTestRecords::User("bob", "b", {"sales"}, "old");
        // Bytes the program does not interpret must come back as they went out.
        for (size_t i = 0; i < sizeof(bob.reserved); ++i)
            bob.reserved[i] = static_cast<unsigned char>(i * 7);
        bob.reserved1200[3] = 0x5A;
        m_bob = bob;
        m_viewer.Backend().users = {CTestRecords::User("alice"), bob, CTestRecords::User("")};
        m_viewer.Backend().usersByName["bob"] = bob;
        ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_VIEW_USER));
        m_list =
            &dynamic_cast<CDefultListView*>(m_viewer.App().m_pOpenView[KIND_USER])->GetListCtrl();
        CViewerHarness::Settle(0);
    }

    void Select(std::initializer_list<int> rows) {
        m_list->clearSelection();
        for (int row : rows)
            m_list->selectionModel()->select(m_list->model()->index(row, 0),
                                             QItemSelectionModel::Select |
                                                 QItemSelectionModel::Rows);
    }

    bool Enabled() {
        m_viewer.Frame().UpdateCommandUI();
        return m_viewer.Frame().Action(ID_CHANGE_PASSWORD)->isEnabled();
    }

    static void Type(CPasswordDlg* dialog, const QString& old, const QString& fresh) {
        dialog->Item<QLineEdit>(CPasswordDlg::IDC_OLD_PASSWORD)->setText(old);
        dialog->Item<QLineEdit>(CPasswordDlg::IDC_NEW_PASSWORD)->setText(fresh);
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
    }

    kvUserRecord m_bob;
    CListCtrl* m_list = nullptr;
};

} // namespace

TEST_F(Monitor, FirstDrainKeepsEverythingUntilAPollAppends) {
    Lines(2005, "start ");
    CMonitorView* view = OpenMonitor();
    ASSERT_NE(view, nullptr);
    CListBox* list = view->List();
    EXPECT_EQ(list->GetCount(), 2005) << "the first drain neither trims";
    EXPECT_EQ(list->GetCurSel(), -1) << "nor selects";
    EXPECT_EQ(list->geometry(), view->rect()) << "the list box covers the form";

    list->SetCurSel(3);
    view->OnTimer(CMonitorView::kPollTimer);
    EXPECT_EQ(list->GetCount(), 2005) << "a poll without lines changes nothing";
    EXPECT_EQ(list->GetCurSel(), 3);

    Lines(10, "poll ");
    view->OnTimer(CMonitorView::kPollTimer);
    EXPECT_EQ(list->GetCount(), 2000);
    EXPECT_EQ(list->GetText(0), "start 15") << "the oldest went";
    EXPECT_EQ(list->GetText(1999), "poll 9");
    EXPECT_EQ(list->GetCurSel(), 1999) << "the newest line replaces the user's selection";

    view->OnTimer(77); // another timer: nothing happens
    EXPECT_EQ(list->GetCount(), 2000);
}

TEST_F(Monitor, PollsEverySecondAndReopensAfterClosing) {
    CMonitorView* view = OpenMonitor();
    Lines(3, "tick ");
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return view->List()->GetCount() == 3; }, 3000))
        << "the timer polls by itself";
    EXPECT_EQ(view->List()->GetCurSel(), 2);

    view->GetParentFrame()->close();
    CViewerHarness::Settle(0);
    EXPECT_EQ(m_viewer.App().m_pOpenView[KIND_MONITOR], nullptr);
    Lines(1, "again ");
    CMonitorView* reopened = OpenMonitor();
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->List()->GetCount(), 1);
    EXPECT_EQ(reopened->List()->GetText(0), "again 0");
}

TEST_F(Password, EnabledOnlyWithASelectedRowOfTheActiveUserList) {
    EXPECT_FALSE(Enabled());
    Select({1});
    EXPECT_TRUE(Enabled());
    Select({});
    EXPECT_FALSE(Enabled()) << "the selected count follows the selection";
    Select({0, 2});
    EXPECT_EQ(m_list->GetSelectedCount(), 2);
    EXPECT_TRUE(Enabled());
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_VIEW_MONITOR));
    EXPECT_FALSE(Enabled()) << "another window is active";
}

TEST_F(Password, ChangesTheLowestSelectedUserKeepingEveryOtherByte) {
    Select({2, 1});
    m_viewer.WhenModal<CPasswordDlg>([&](CPasswordDlg* dialog) {
        // The keyboard comes once the dialog is activated, a moment after it shows.
        auto* ok = dialog->Item<QPushButton>(CDialog::IDOK);
        EXPECT_TRUE(
            CViewerHarness::WaitFor([ok] { return QApplication::focusWidget() == ok; }, 3000))
            << "the keyboard is on OK";
        EXPECT_EQ(dialog->windowTitle(), "パスワード変更");
        EXPECT_EQ(dialog->Item<QLabel>(CPasswordDlg::IDC_USER_NAME)->text(), "ユーザー: bob")
            << "whose password it is, when another user is selected";
        Type(dialog, "OLD", "new-password");
        EXPECT_EQ(m_viewer.messages, QStringList{"パスワードが違います"});
        EXPECT_TRUE(dialog->isVisible());
        Type(dialog, "old", "new-password");
    });
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_CHANGE_PASSWORD));
    EXPECT_EQ(m_viewer.Backend().CallsTo("kvGetUser"),
              std::vector<std::string>{"kvGetUser(\"bob\", record)"});
    // The backend checks the old password and changes it; the program never
    // compares passwords itself.
    EXPECT_EQ(m_viewer.Backend().CallsTo("kvChangePassword"),
              (std::vector<std::string>{"kvChangePassword(\"bob\", \"OLD\", \"new-password\")",
                                        "kvChangePassword(\"bob\", \"old\", \"new-password\")"}));
    ASSERT_EQ(m_viewer.Backend().updatedUsers.size(), 1u);
    const kvUserRecord& written = m_viewer.Backend().updatedUsers[0];
    EXPECT_EQ(0, std::memcmp(&m_bob, &written, sizeof(written)))
        << "the record goes back exactly as it was delivered";
    EXPECT_EQ(m_viewer.Backend().CallsTo("kvUpdateUser"),
              std::vector<std::string>{"kvUpdateUser(\"bob\", record)"});
    EXPECT_EQ(m_viewer.Frame().MessagePane()->text(), "bob のパスワードを変更しました")
        << "said in the status bar, not in a box";
}

TEST_F(Password, CancelEmptyAndRefusedPasswords) {
    Select({1});
    m_viewer.WhenModal<CPasswordDlg>([&](CPasswordDlg* dialog) {
        Type(dialog, "wrong", "xxxxxxxx");
        dialog->Item<QPushButton>(CDialog::IDCANCEL)->click();
    });
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_CHANGE_PASSWORD));
    EXPECT_TRUE(m_viewer.Backend().updatedUsers.empty()) << "cancel writes nothing";

    m_viewer.WhenModal<CPasswordDlg>([&](CPasswordDlg* dialog) {
        Type(dialog, "old", QString(256, 'x'));
        Type(dialog, "old", QString::fromUtf8("\xF0\x9F\x98\x80"));
        EXPECT_EQ(m_viewer.messages.size(), 3);
        EXPECT_TRUE(dialog->isVisible());
        Type(dialog, "old", QString(255, 'y'));
    });
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_CHANGE_PASSWORD));
    ASSERT_EQ(m_viewer.Backend().changedPasswords.size(), 1u);
    EXPECT_EQ(m_viewer.Backend().changedPasswords[0].second, std::string(255, 'y'));
    EXPECT_EQ(m_viewer.Backend().Count("kvChangePassword"), 2)
        << "the wrong old one and the change: refused new passwords never reach the backend";

    // Fewer than eight characters (not bytes) are refused before the backend.
    m_viewer.messages.clear();
    m_viewer.WhenModal<CPasswordDlg>([&](CPasswordDlg* dialog) {
        Type(dialog, QString(255, 'y'), "");
        Type(dialog, QString(255, 'y'), QString::fromUtf8("七文字のパスワ"));
        EXPECT_EQ(m_viewer.messages, (QStringList{"新しいパスワードは 8 文字以上にしてください",
                                                  "新しいパスワードは 8 文字以上にしてください"}));
        Type(dialog, QString(255, 'y'), QString::fromUtf8("八文字のパスワド"));
    });
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_CHANGE_PASSWORD));
    ASSERT_EQ(m_viewer.Backend().changedPasswords.size(), 2u);
    EXPECT_EQ(m_viewer.Backend().changedPasswords[1].second,
              CTestRecords::Sjis("八文字のパスワド"));

    // A change the backend cannot make shows its reason and keeps the dialog.
    m_viewer.Backend().SetFailure("kvChangePassword", "the server cannot be reached");
    m_viewer.messages.clear();
    m_viewer.WhenModal<CPasswordDlg>([&](CPasswordDlg* dialog) {
        Type(dialog, "", "zzzzzzzz");
        ASSERT_EQ(m_viewer.messages.size(), 1);
        EXPECT_TRUE(m_viewer.messages[0].contains("the server cannot be reached"));
        EXPECT_TRUE(dialog->isVisible());
        dialog->Item<QPushButton>(CDialog::IDCANCEL)->click();
    });
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_CHANGE_PASSWORD));
}

TEST_F(Password, UnknownOrUnnamedUserDoesNothing) {
    Select({0}); // alice is listed but kvGetUser does not find her
    m_viewer.Backend().ClearCalls();
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_CHANGE_PASSWORD));
    EXPECT_EQ(m_viewer.Backend().Calls(), std::vector<std::string>{"kvGetUser(\"alice\", record)"});
    Select({2}); // an empty name
    m_viewer.Backend().ClearCalls();
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_CHANGE_PASSWORD));
    EXPECT_TRUE(m_viewer.Backend().Calls().empty());
    EXPECT_TRUE(m_viewer.messages.isEmpty());
}
