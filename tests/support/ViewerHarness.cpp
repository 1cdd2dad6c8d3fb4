#include "ViewerHarness.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "FileDialog.h"
#include "LoginDlg.h"
#include "MainFrame.h"
#include "MessageBox.h"
#include "ViewerApp.h"

CViewerHarness::CViewerHarness(bool linkedLibrary) : m_pTimers(std::make_unique<QObject>()) {
    if (linkedLibrary)
        m_pLinked = std::make_unique<CLinkedBackend>();
    else
        m_pBackend = std::make_unique<CRecordingBackend>();
    CMessageBox::SetHook([this](const QString& text) {
        messages.append(text);
        return answers.isEmpty() ? CMessageBox::IDOK : answers.takeFirst();
    });
    CFileDialog::SetHook([this](CFileDialog::Mode) {
        ++fileDialogs;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    });
    g_strLoginUser.clear();
    m_pApp = std::make_unique<CViewerApp>();
}

CViewerHarness::~CViewerHarness() {
    if (!m_bFinished)
        Finish();
    m_pApp.reset();
    m_pTimers.reset();
    m_pBackend.reset();
    m_pLinked.reset();
    Settle(0);
    CMessageBox::SetHook(nullptr);
    CFileDialog::SetHook(nullptr);
}

CMainFrame& CViewerHarness::Frame() {
    return *static_cast<CMainFrame*>(m_pApp->m_pMainWnd);
}

bool CViewerHarness::Start() {
    return m_pApp->InitInstance();
}

void CViewerHarness::AnswerLogin(const QString& name, const QString& password, bool cancelAfter) {
    WhenModal<CLoginDlg>([name, password, cancelAfter](CLoginDlg* dialog) {
        dialog->Item<QLineEdit>(CLoginDlg::IDC_USER_NAME)->setText(name);
        dialog->Item<QLineEdit>(CLoginDlg::IDC_PASSWORD)->setText(password);
        dialog->Item<QPushButton>(CDialog::IDOK)->click();
        if (cancelAfter && dialog->isVisible())
            dialog->Item<QPushButton>(CDialog::IDCANCEL)->click();
    });
}

bool CViewerHarness::StartAndLogin(const QString& name, const QString& password) {
    if (!Start())
        return false;
    AnswerLogin(name, password);
    return WaitFor([] { return !g_strLoginUser.empty(); }) &&
           WaitFor([this] { return !SubWindows().isEmpty(); });
}

void CViewerHarness::WhenModalWidget(std::function<bool(QWidget*)> handler) {
    auto* timer = new QTimer(m_pTimers.get());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, handler] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        if (!handler(modal))
            ADD_FAILURE() << "unexpected modal widget " << modal->metaObject()->className();
    });
    timer->start();
}

bool CViewerHarness::WaitFor(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void CViewerHarness::Settle(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } while (clock.elapsed() < milliseconds);
}

QList<QMdiSubWindow*> CViewerHarness::SubWindows() {
    if (m_pApp->m_pMainWnd == nullptr)
        return {};
    QList<QMdiSubWindow*> open;
    for (QMdiSubWindow* window : m_pApp->m_pMainWnd->MdiArea()->subWindowList())
        if (window->isVisible())
            open.append(window);
    return open;
}

QStringList CViewerHarness::SubWindowTitles() {
    QStringList titles;
    for (QMdiSubWindow* window : SubWindows())
        titles.append(window->windowTitle());
    return titles;
}

QStringList CViewerHarness::MenuTexts() {
    QStringList texts;
    for (QAction* popup : Frame().menuBar()->actions()) {
        if (popup->menu() == nullptr)
            continue;
        emit popup->menu()->aboutToShow(); // the window menu fills itself here
        for (QAction* item : popup->menu()->actions())
            texts.append(popup->text() + "/" +
                         (item->isSeparator() ? QStringLiteral("-") : item->text()));
    }
    return texts;
}

int CViewerHarness::Finish() {
    m_bFinished = true;
    // A dialog still to come (a login posted but not yet run) is cancelled.
    WhenModalWidget([](QWidget* modal) {
        modal->close();
        return true;
    });
    if (m_pApp->m_pMainWnd != nullptr && m_pApp->m_pMainWnd->isVisible())
        m_pApp->m_pMainWnd->close();
    Settle(0);
    return m_pApp->ExitInstance();
}
