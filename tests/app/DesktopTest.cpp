#include <QAbstractFileIconProvider>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "ListCtrl.h"
#include "ListView.h"
#include "MDIChildWnd.h"
#include "MainFrame.h"
#include "MessageBox.h"
#include "PasswordDlg.h"
#include "Resource.h"
#include "TestRecords.h"
#include "ViewerApp.h"
#include "ViewerHarness.h"

// How the viewer looks and behaves as a desktop program: where windows go,
// titles, keys, Qt's own texts, lists without a stray menu.
namespace {

class Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        m_viewer.Backend().users = {CTestRecords::User("alice", "", {}, "pw"),
                                    CTestRecords::User("bob", "", {}, "pw")};
        ASSERT_TRUE(m_viewer.Start());
        m_viewer.Frame().resize(1000, 760);
        m_viewer.AnswerLogin("alice", "pw");
        ASSERT_TRUE(CViewerHarness::WaitFor([&] { return !m_viewer.SubWindows().isEmpty(); }));
    }

    CMainFrame& Frame() { return m_viewer.Frame(); }
    QMdiArea* Area() { return Frame().MdiArea(); }
    QRect Client() { return Area()->viewport()->rect(); }
    void Command(int id) { ASSERT_TRUE(Frame().ExecuteCommand(id)) << id; }
    void Key(int key, Qt::KeyboardModifiers modifiers) {
        QApplication::setActiveWindow(&Frame());
        QTest::keyClick(&Frame(), static_cast<Qt::Key>(key), modifiers);
        CViewerHarness::Settle(0);
    }
    QString ActiveTitle() {
        return Area()->activeSubWindow() != nullptr ? Area()->activeSubWindow()->windowTitle()
                                                    : QString();
    }

    CViewerHarness m_viewer;
};

} // namespace

TEST_F(Desktop, ChildrenCascadeInsideTheClientAreaAtAUsableSize) {
    for (int id : {ID_VIEW_MONITOR, ID_VIEW_BOARD, ID_VIEW_ADDRESS})
        Command(id);
    QList<QMdiSubWindow*> windows = Area()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(windows.size(), 4);
    auto check = [&](const char* when, double least) {
        int step = -1;
        for (int i = 0; i < windows.size(); ++i) {
            QRect placed = windows[i]->geometry();
            SCOPED_TRACE(std::string(when) + " " + windows[i]->windowTitle().toStdString());
            EXPECT_TRUE(Client().contains(placed)) << "inside the client area";
            EXPECT_GE(placed.width(), Client().width() * least);
            EXPECT_GE(placed.height(), Client().height() * least);
            if (i == 0)
                continue;
            QPoint moved = placed.topLeft() - windows[i - 1]->geometry().topLeft();
            EXPECT_EQ(moved.x(), moved.y()) << "down and right alike";
            // Each title bar stays visible below the one before.
            EXPECT_GE(moved.y(), windows[i]->widget()->geometry().top() - 8);
            if (step >= 0) {
                EXPECT_EQ(moved.y(), step) << "one step each";
            }
            step = moved.y();
        }
        EXPECT_EQ(windows.first()->geometry().topLeft(), QPoint(0, 0)) << "from the top left";
    };
    check("opened", 0.7);

    // Cascading rearranges at two thirds of the client area, the active on top.
    Area()->setActiveSubWindow(windows[1]);
    windows[0]->resize(200, 150);
    windows[2]->showMaximized();
    Area()->setActiveSubWindow(windows[1]);
    Command(ID_WINDOW_CASCADE);
    windows = Area()->subWindowList(QMdiArea::StackingOrder);
    EXPECT_EQ(windows.last()->windowTitle(), "モニター1") << "the active window ends on top";
    EXPECT_EQ(ActiveTitle(), "モニター1");
    for (QMdiSubWindow* window : windows) {
        EXPECT_FALSE(window->isMaximized());
        EXPECT_NEAR(window->width(), Client().width() * 2 / 3, 1);
        EXPECT_NEAR(window->height(), Client().height() * 2 / 3, 1);
    }
    check("cascaded", 0.6);
}

TEST_F(Desktop, MaximisedChildTitlesTheFrameOnce) {
    EXPECT_EQ(Frame().windowTitle(), "kelvo-View - ユーザー一覧1");
    Area()->activeSubWindow()->showMaximized();
    CViewerHarness::Settle(0);
    EXPECT_EQ(Frame().windowTitle(), "kelvo-View - [ユーザー一覧1]");

    Command(ID_WINDOW_NEW);
    CViewerHarness::Settle(0);
    ASSERT_EQ(ActiveTitle(), "ユーザー一覧1:2");
    Area()->activeSubWindow()->showMaximized();
    CViewerHarness::Settle(0);
    EXPECT_EQ(Frame().windowTitle(), "kelvo-View - [ユーザー一覧1:2]") << "with its number";

    Area()->activeSubWindow()->showNormal();
    CViewerHarness::Settle(0);
    EXPECT_EQ(Frame().windowTitle(), "kelvo-View - ユーザー一覧1");
}

TEST_F(Desktop, WindowKeysAndTheWindowMenu) {
    Command(ID_VIEW_MONITOR);
    Command(ID_VIEW_BOARD);
    ASSERT_EQ(ActiveTitle(), "掲示板一覧1");
    Key(Qt::Key_F6, Qt::ControlModifier);
    QString next = ActiveTitle();
    EXPECT_NE(next, "掲示板一覧1");
    Key(Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(ActiveTitle(), "掲示板一覧1") << "back to where it was";

    // The window menu checks the active window and gives the others no box.
    QMenu* windowMenu = nullptr;
    for (QAction* popup : Frame().menuBar()->actions())
        if (popup->text() == "ｳｨﾝﾄﾞｳ(&W)")
            windowMenu = popup->menu();
    ASSERT_NE(windowMenu, nullptr);
    emit windowMenu->aboutToShow();
    int checked = 0, boxes = 0;
    for (QAction* entry : windowMenu->actions()) {
        if (!entry->text().startsWith("&"))
            continue;
        boxes += entry->isCheckable() ? 1 : 0;
        checked += entry->isChecked() ? 1 : 0;
        if (entry->isChecked()) {
            EXPECT_TRUE(entry->text().endsWith("掲示板一覧1")) << entry->text().toStdString();
        }
    }
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(boxes, 1);

    Key(Qt::Key_F4, Qt::ControlModifier);
    ASSERT_TRUE(CViewerHarness::WaitFor([&] { return m_viewer.SubWindows().size() == 2; }));
    EXPECT_FALSE(m_viewer.SubWindowTitles().contains("掲示板一覧1")) << "Ctrl+F4 closed it";
}

TEST_F(Desktop, QtsOwnTextsAreJapanese) {
    EXPECT_FALSE(m_viewer.App().QtTranslationsFile().isEmpty());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "キャンセル");
    EXPECT_NE(QCoreApplication::translate("QMdiSubWindow", "&Restore"), "&Restore");
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");
    // What Qt's catalog lacks: the file dialog's type column.
    EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(QDir::tempPath())), "フォルダー");
}

TEST_F(Desktop, RightClickInAListSelectsAndOpensNoMenu) {
    auto* view = dynamic_cast<CListView*>(m_viewer.App().m_pOpenView[KIND_USER]);
    ASSERT_NE(view, nullptr);
    CListCtrl& list = view->GetListCtrl();
    ASSERT_EQ(list.GetItemCount(), 2);
    // The pointer passed the window's menu button on its way in (the child
    // window remembers that), then a right click lands on a row.
    QMdiSubWindow* child = view->GetParentFrame();
    QTest::mouseMove(child, QPoint(12, 10));
    QPoint row = list.visualRect(list.model()->index(1, 0)).center();
    QTest::mouseClick(list.viewport(), Qt::RightButton, Qt::NoModifier, row);
    bool popped = false;
    QTimer::singleShot(100, [&popped] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popped = true;
            popup->close();
        }
    });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, row, list.viewport()->mapToGlobal(row));
    QApplication::sendEvent(list.viewport(), &menu);
    CViewerHarness::Settle(150);
    EXPECT_FALSE(popped) << "no system menu over the rows";
    EXPECT_EQ(list.GetItemState(1, CListCtrl::LVIS_SELECTED), CListCtrl::LVIS_SELECTED);
}

TEST_F(Desktop, PasswordLabelsKeepClearOfTheirBoxes) {
    CPasswordDlg dialog(&Frame(), "guest", 99);
    QList<QLineEdit*> edits = dialog.findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 2);
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        int textEnd = label->geometry().left() + label->sizeHint().width();
        for (QLineEdit* edit : edits)
            if (std::abs(edit->geometry().center().y() - label->geometry().center().y()) < 12) {
                EXPECT_LE(textEnd + 4, edit->geometry().left()) << label->text().toStdString();
            }
    }
}

TEST_F(Desktop, AMessageWithALongListStaysOnTheScreen) {
    QString notes;
    for (int line = 1; line <= 300; ++line)
        notes += QStringLiteral("\n%1 行目: ").arg(line) + QString(200, QChar(0x3042));
    int height = 0;
    QString listed;
    CMessageBox::SetHook(nullptr); // the real box
    m_viewer.WhenModalWidget([&](QWidget* box) {
        height = box->sizeHint().height();
        if (auto* list = box->findChild<QPlainTextEdit*>())
            listed = list->toPlainText();
        box->close();
        return true;
    });
    CMessageBox::Show(&Frame(), QStringLiteral("読み込みが終わりました。\n追加 1 件"), notes);
    CMessageBox::SetHook([this](const QString& text) {
        m_viewer.messages.append(text);
        return CMessageBox::IDOK;
    });
    EXPECT_GT(height, 0);
    EXPECT_LT(height, 480) << "the counts, a bounded list and the buttons";
    EXPECT_TRUE(listed.endsWith(QString(200, QChar(0x3042)))) << "the whole list, scrolled";
}
