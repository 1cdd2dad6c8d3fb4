#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include "AboutDlg.h"
#include "DocTemplate.h"
#include "Document.h"
#include "MDIChildWnd.h"
#include "MainFrame.h"
#include "NewTypeDlg.h"
#include "Resource.h"
#include "TestRecords.h"
#include "View.h"
#include "ViewerApp.h"
#include "ViewerHarness.h"

namespace {

class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        m_viewer.Backend().users = {CTestRecords::User("alice", "", {}, "pw")};
        ASSERT_TRUE(m_viewer.StartAndLogin("alice", "pw"));
    }

    QAction* Action(int id) { return m_viewer.Frame().Action(id); }
    bool Enabled(int id) {
        m_viewer.Frame().UpdateCommandUI();
        return Action(id)->isEnabled();
    }
    void Command(int id) { ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(id)) << id; }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        m_viewer.Frame().UpdateCommandUI();
        // Shortcuts go to the active window only.
        m_viewer.Frame().activateWindow();
        QApplication::setActiveWindow(&m_viewer.Frame());
        QTest::keyClick(&m_viewer.Frame(), static_cast<Qt::Key>(key), modifiers);
        CViewerHarness::Settle(0);
    }
    void CloseAll() {
        m_viewer.Frame().MdiArea()->closeAllSubWindows();
        ASSERT_TRUE(CViewerHarness::WaitFor([&] { return m_viewer.SubWindows().isEmpty(); }));
    }

    CViewerHarness m_viewer;
};

} // namespace

TEST_F(Frame, MainMenuWithoutChildren) {
    CloseAll();
    EXPECT_EQ(m_viewer.Frame().CurrentMenu(), IDR_MAINFRAME);
    EXPECT_EQ(m_viewer.MenuTexts(),
              (QStringList{"ﾌｧｲﾙ(&F)/ログイン", "ﾌｧｲﾙ(&F)/アドレスインポート",
                           "ﾌｧｲﾙ(&F)/スケジュールインポート", "ﾌｧｲﾙ(&F)/インポートの取り消し",
                           "ﾌｧｲﾙ(&F)/-", "ﾌｧｲﾙ(&F)/ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", "表示(&V)/ユーザー一覧",
                           "表示(&V)/アドレス帳一覧", "表示(&V)/-", "表示(&V)/ﾂｰﾙ ﾊﾞｰ(&T)",
                           "表示(&V)/ｽﾃｰﾀｽ ﾊﾞｰ(&S)", "ﾍﾙﾌﾟ(&H)/ﾊﾞｰｼﾞｮﾝ情報(RuvView)(&A)..."}));
    EXPECT_EQ(m_viewer.Frame().windowTitle(), "kelvo-View");
}

TEST_F(Frame, MenusFollowTheActiveChild) {
    ASSERT_EQ(m_viewer.Frame().CurrentMenu(), IDR_USERTYPE);
    QStringList user = m_viewer.MenuTexts();
    EXPECT_TRUE(user.contains("編集(&E)/元に戻す(&U)\tCtrl+Z"));
    EXPECT_TRUE(user.contains("編集(&E)/パスワード変更"));
    EXPECT_FALSE(user.contains("ﾌｧｲﾙ(&F)/スケジュールインポート"));
    EXPECT_TRUE(user.contains("ﾌｧｲﾙ(&F)/インポートの取り消し"));
    EXPECT_TRUE(user.contains("ｳｨﾝﾄﾞｳ(&W)/&1 ユーザー一覧1")) << user.join("|").toStdString();
    EXPECT_TRUE(user.contains("ﾍﾙﾌﾟ(&H)/ﾊﾞｰｼﾞｮﾝ情報(RuvView) (&A)..."));
    EXPECT_EQ(m_viewer.Frame().windowTitle(), "kelvo-View - ユーザー一覧1");

    Command(ID_VIEW_MONITOR);
    EXPECT_EQ(m_viewer.Frame().CurrentMenu(), IDR_MONITORTYPE);
    QStringList monitor = m_viewer.MenuTexts();
    EXPECT_TRUE(monitor.contains("編集(&E)/パスワード変更"));
    EXPECT_TRUE(monitor.contains("表示(&V)/掲示板一覧"));
    EXPECT_FALSE(monitor.contains("ﾌｧｲﾙ(&F)/ログイン"));

    m_viewer.Frame().MdiArea()->setActiveSubWindow(
        m_viewer.App().m_pOpenView[KIND_USER]->GetParentFrame());
    EXPECT_EQ(m_viewer.Frame().CurrentMenu(), IDR_USERTYPE);
    Command(ID_VIEW_ADDRESS);
    EXPECT_EQ(m_viewer.Frame().CurrentMenu(), IDR_ADDRESSTYPE);
    EXPECT_TRUE(m_viewer.MenuTexts().contains("表示(&V)/モニター"));
}

TEST_F(Frame, EnablingFollowsTheHandlers) {
    // Nobody handles these: greyed in menus and on the tool bar.
    for (int id :
         std::initializer_list<int>{ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
                                    ID_FILE_PRINT, ID_NEXT_PANE, ID_PREV_PANE, ID_CHANGE_PASSWORD})
        EXPECT_FALSE(Enabled(id)) << id;
    for (int id : std::initializer_list<int>{
             ID_LOGIN, ID_VIEW_USER, ID_VIEW_SCHADULE, ID_VIEW_ADDRESS, ID_VIEW_BOARD,
             ID_VIEW_MONITOR, ID_APP_ABOUT, ID_APP_EXIT, ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE,
             ID_WINDOW_NEW, ID_WINDOW_CASCADE, ID_VIEW_TOOLBAR})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_TRUE(Action(ID_VIEW_TOOLBAR)->isChecked());
    Command(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(m_viewer.Frame().ToolBar()->isVisibleTo(&m_viewer.Frame()));
    EXPECT_FALSE(Enabled(ID_EDIT_CUT) || Action(ID_VIEW_TOOLBAR)->isChecked());

    CloseAll();
    EXPECT_FALSE(Enabled(ID_FILE_SAVE)) << "no document to save";
    EXPECT_FALSE(Enabled(ID_WINDOW_NEW));
}

TEST_F(Frame, ToolBarStatusBarAndPrompts) {
    QList<QAction*> buttons = m_viewer.Frame().ToolBar()->actions();
    QStringList names;
    for (QAction* button : buttons)
        names.append(button->isSeparator() ? "-" : button->objectName());
    EXPECT_EQ(names, (QStringList{"57635", "57634", "57637", "-", "57607", "57664"}));
    EXPECT_EQ(Action(ID_EDIT_COPY)->toolTip(), "ｺﾋﾟ-");
    EXPECT_EQ(Action(ID_APP_ABOUT)->statusTip(), "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示");
    EXPECT_EQ(Action(ID_VIEW_BOARD)->statusTip(), "掲示板一覧を表示する");
    EXPECT_TRUE(Action(ID_FILE_PRINT)->statusTip().isEmpty());

    QLabel* pane = m_viewer.Frame().MessagePane();
    EXPECT_EQ(pane->text(), "ﾚﾃﾞｨ");
    QStatusTipEvent hover(Action(ID_VIEW_USER)->statusTip());
    QApplication::sendEvent(&m_viewer.Frame(), &hover);
    EXPECT_EQ(pane->text(), "ユーザー一覧表示");
    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(&m_viewer.Frame(), &leave);
    EXPECT_EQ(pane->text(), "ﾚﾃﾞｨ");
    for (const char* indicator : {"59142", "59137", "59138", "59139"})
        EXPECT_NE(m_viewer.Frame().findChild<QLabel*>(indicator), nullptr) << indicator;
}

TEST_F(Frame, ViewCommandBringsTheRegisteredWindowBackWithoutOpening) {
    QMdiSubWindow* list = m_viewer.SubWindows().front();
    Command(ID_VIEW_SCHADULE);
    list->showMinimized();
    m_viewer.Backend().ClearCalls();
    Command(ID_VIEW_USER);
    EXPECT_FALSE(list->isMinimized());
    EXPECT_EQ(m_viewer.Frame().MdiArea()->activeSubWindow(), list);
    EXPECT_EQ(m_viewer.SubWindows().size(), 2);
    EXPECT_TRUE(m_viewer.Backend().Calls().empty());

    // Closed, the kind opens afresh with the next running number.
    list->close();
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return m_viewer.SubWindows().size() == 1; }));
    EXPECT_EQ(m_viewer.App().m_pOpenView[KIND_USER], nullptr);
    Command(ID_VIEW_USER);
    EXPECT_TRUE(m_viewer.SubWindowTitles().contains("ユーザー一覧2"));
    Command(ID_VIEW_MONITOR);
    m_viewer.SubWindows().back()->close();
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return m_viewer.SubWindows().size() == 2; }));
    Command(ID_VIEW_MONITOR);
    EXPECT_TRUE(m_viewer.SubWindowTitles().contains("モニター2"));
}

TEST_F(Frame, NewChooserAndNewWindowOpenMoreWindowsOfAKind) {
    m_viewer.WhenModal<CNewTypeDlg>([](CNewTypeDlg* dialog) {
        auto* list = dialog->findChild<QListWidget*>();
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names.append(list->item(i)->text());
        EXPECT_EQ(names, (QStringList{"User", "Scha", "Add", "Bord", "Mon"}));
        list->setCurrentRow(0);
        dialog->accept();
    });
    Key(Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return m_viewer.SubWindows().size() == 2; }));
    EXPECT_TRUE(m_viewer.SubWindowTitles().contains("ユーザー一覧2"));
    CView* newest = m_viewer.App().m_pOpenView[KIND_USER];
    EXPECT_EQ(newest->GetDocument()->GetTitle(), "ユーザー一覧2");

    Command(ID_WINDOW_NEW);
    EXPECT_EQ(m_viewer.SubWindows().size(), 3);
    EXPECT_TRUE(m_viewer.SubWindowTitles().contains("ユーザー一覧2:2"));
    EXPECT_NE(m_viewer.App().m_pOpenView[KIND_USER], newest) << "the newest window registers";
    m_viewer.App().m_pOpenView[KIND_USER]->GetParentFrame()->close();
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return m_viewer.SubWindows().size() == 2; }));
    EXPECT_EQ(m_viewer.App().m_pOpenView[KIND_USER], nullptr) << "closing either clears the slot";
    EXPECT_TRUE(m_viewer.SubWindowTitles().contains("ユーザー一覧2")) << "no longer numbered";
}

TEST_F(Frame, DisabledCommandsIgnoreTheirAccelerators) {
    CloseAll();
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_viewer.fileDialogs, 0) << "save is disabled without a document";
    Command(ID_VIEW_USER);
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_viewer.fileDialogs, 1) << "with a document the same key saves";
}

TEST_F(Frame, OpenAndSaveNeverEmptyAFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath("notes.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();

    m_viewer.fileAnswers = {path};
    Key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(m_viewer.SubWindowTitles().contains("notes.txt"));
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_viewer.fileDialogs, 1) << "a named document is saved without asking";
    m_viewer.Frame().MdiArea()->setActiveSubWindow(m_viewer.SubWindows().front());
    m_viewer.fileAnswers = {path};
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_viewer.fileDialogs, 2);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "keep me");
    file.close();

    const QString fresh = folder.filePath("fresh.txt");
    m_viewer.fileAnswers = {fresh};
    Command(ID_VIEW_SCHADULE);
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(fresh));
    EXPECT_TRUE(m_viewer.SubWindowTitles().contains("fresh.txt"));
}

TEST_F(Frame, AboutBoxShowsTheVersion) {
    bool shown = false;
    m_viewer.WhenModal<CAboutDlg>([&](CAboutDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "ﾊﾞｰｼﾞｮﾝ情報(RuvView)");
        QStringList texts;
        for (QLabel* label : dialog->findChildren<QLabel*>())
            texts.append(label->text());
        EXPECT_TRUE(texts.contains("RuvView Version 1, 0, 3, 42"));
        shown = true;
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
    });
    Command(ID_APP_ABOUT);
    EXPECT_TRUE(shown);
}
