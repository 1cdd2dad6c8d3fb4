#pragma once

#include <QString>

#include <memory>
#include <vector>

#include "CmdTarget.h"
#include "CommandIds.h"
#include "RecentFileList.h"

class CMissingQtTexts;
class QTranslator;
class QWidget;
class CDocTemplate;
class CDocument;
class CMDIFrameWnd;

// The application object: start, message loop and end, the document
// templates, the "新規" chooser, the open-file dialog and the recent-file list.
class CWinApp : public CCmdTarget {
public:
    // appName: the caption of the main window and the message boxes, and the
    // name of the program's INI file, kept in the folder settingsFolder of the
    // user's configuration folder.
    CWinApp(const QString& appName, const QString& settingsFolder);
    ~CWinApp() override;

    // Nonzero runs the program; false ends it at once (ExitInstance still runs).
    virtual bool InitInstance() { return true; }
    // Returns the exit code.
    virtual int ExitInstance();
    // InitInstance, the message loop, ExitInstance.
    int Run();

    void AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);
    const std::vector<std::unique_ptr<CDocTemplate>>& Templates() const { return m_templates; }
    // Opens a file as a document of the first template; its content is not read.
    CDocument* OpenDocumentFile(const QString& path);
    // The recent-file list of count entries, kept in the program's INI file.
    void LoadStdProfileSettings(int count);
    // Installs Qt's own translations for language (dialogs, buttons, the
    // child windows' system menu); false, with nothing installed, when the
    // system has none. Removed again when the application object goes.
    bool LoadQtTranslations(const QString& language);
    // Where the translations were loaded from, or empty.
    const QString& QtTranslationsFile() const { return m_strTranslations; }

    QWidget* MainWidget() const;
    // Called when a document's title changed, to retitle the main window.
    void OnDocumentTitlesChanged();

    const QString& AppName() const { return m_strAppName; }

    CMDIFrameWnd* m_pMainWnd = nullptr;

protected:
    void OnFileNew();
    void OnFileOpen();
    // Tears the main window and documents down before the templates go.
    void DestroyMainWindow();

private:
    QString m_strAppName;
    QString m_strSettingsFolder;
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    std::unique_ptr<CMDIFrameWnd> m_pOwnedMainWnd;
    std::unique_ptr<QTranslator> m_pTranslator;
    std::unique_ptr<CMissingQtTexts> m_pMissingTexts;
    QString m_strTranslations;

public:
    // Takes ownership of the main window; m_pMainWnd points to it.
    void SetMainWnd(std::unique_ptr<CMDIFrameWnd> mainWnd);
};

// The one application object of the running program, or null.
CWinApp* AfxGetApp();
