#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>

#include "LinkedBackend.h"
#include "RecordingBackend.h"

class CMainFrame;
class CViewerApp;
class QMdiSubWindow;

// One real viewer on the recording backend, for widget tests: message boxes
// are recorded instead of shown, file dialogs answer from a queue, and modal
// dialogs are answered by handlers that run inside their own event loop.
class CViewerHarness {
public:
    // The recording backend, or (linkedLibrary) the library the test links.
    explicit CViewerHarness(bool linkedLibrary = false);
    ~CViewerHarness();

    CRecordingBackend& Backend() { return *m_pBackend; }
    CViewerApp& App() { return *m_pApp; }
    CMainFrame& Frame();

    // Runs InitInstance; the login is then waiting in the event queue.
    bool Start();
    // Answers the next login dialog with name and password (UTF-8) and OK,
    // then cancels it if it is still open (pass cancelAfter = false to keep it).
    void AnswerLogin(const QString& name, const QString& password, bool cancelAfter = true);
    // Starts the viewer and logs in; true when the login was accepted.
    bool StartAndLogin(const QString& name, const QString& password);

    // Runs handler on the next modal dialog of type T, inside its event loop.
    // A dialog the handler leaves open is closed, so that no test hangs in it.
    template <typename T> void WhenModal(std::function<void(T*)> handler) {
        WhenModalWidget([handler](QWidget* widget) {
            if (auto* dialog = dynamic_cast<T*>(widget)) {
                handler(dialog);
                if (dialog->isVisible())
                    dialog->close();
                return true;
            }
            return false;
        });
    }
    void WhenModalWidget(std::function<bool(QWidget*)> handler);

    // Spins the event loop until condition holds or milliseconds pass.
    static bool WaitFor(const std::function<bool()>& condition, int milliseconds = 5000);
    // Lets queued events run for a moment.
    static void Settle(int milliseconds = 50);

    QList<QMdiSubWindow*> SubWindows();
    QStringList SubWindowTitles();
    // Texts of the menu bar's popups and their items, as "popup/item".
    QStringList MenuTexts();

    // Closes the main window and runs ExitInstance.
    int Finish();

    QStringList messages;    // message box texts, in order
    QList<int> answers;      // next message box answers; none left = IDOK
    QStringList fileAnswers; // next file dialog answers; empty answer = cancel
    int fileDialogs = 0;     // file dialogs asked for

private:
    std::unique_ptr<CRecordingBackend> m_pBackend;
    std::unique_ptr<CLinkedBackend> m_pLinked;
    // Owns the timers that wait for modal dialogs, so none outlives its test.
    std::unique_ptr<QObject> m_pTimers;
    std::unique_ptr<CViewerApp> m_pApp;
    bool m_bFinished = false;
};
