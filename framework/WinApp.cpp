#include "WinApp.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMdiArea>
#include <QStandardPaths>
#include <QTranslator>

#include "DocTemplate.h"
#include "Document.h"
#include "FileDialog.h"
#include "MDIChildWnd.h"
#include "MDIFrameWnd.h"
#include "MessageBox.h"
#include "MissingQtTexts.h"
#include "NewTypeDlg.h"
#include "View.h"

namespace {

CWinApp* s_pApp = nullptr;

} // namespace

CWinApp* AfxGetApp() {
    return s_pApp;
}

CWinApp::CWinApp(const QString& appName, const QString& settingsFolder)
    : m_strAppName(appName), m_strSettingsFolder(settingsFolder) {
    s_pApp = this;
    CMessageBox::SetCaption(appName);
    OnCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
}

CWinApp::~CWinApp() {
    DestroyMainWindow();
    if (m_pTranslator)
        QCoreApplication::removeTranslator(m_pTranslator.get());
    if (s_pApp == this)
        s_pApp = nullptr;
}

int CWinApp::ExitInstance() {
    return 0;
}

int CWinApp::Run() {
    if (!InitInstance())
        return ExitInstance();
    QApplication::exec();
    return ExitInstance();
}

void CWinApp::SetMainWnd(std::unique_ptr<CMDIFrameWnd> mainWnd) {
    m_pOwnedMainWnd = std::move(mainWnd);
    m_pMainWnd = m_pOwnedMainWnd.get();
}

void CWinApp::DestroyMainWindow() {
    // Children go first (their views close their lists), then the frame.
    if (m_pMainWnd != nullptr)
        m_pMainWnd->close();
    m_pOwnedMainWnd.reset();
    m_pMainWnd = nullptr;
}

QWidget* CWinApp::MainWidget() const {
    return m_pMainWnd;
}

void CWinApp::OnDocumentTitlesChanged() {
    if (m_pMainWnd != nullptr)
        m_pMainWnd->UpdateFrameTitle();
}

void CWinApp::AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate) {
    m_templates.push_back(std::move(docTemplate));
}

void CWinApp::LoadStdProfileSettings(int count) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QLatin1Char('/') + m_strSettingsFolder;
    QDir().mkpath(folder);
    m_pRecentFileList =
        std::make_unique<CRecentFileList>(folder + QLatin1Char('/') + m_strAppName + ".ini", count);
}

bool CWinApp::LoadQtTranslations(const QString& language) {
    auto translator = std::make_unique<QTranslator>();
    QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_") + language, folder))
        return false;
    if (m_pTranslator)
        QCoreApplication::removeTranslator(m_pTranslator.get());
    if (m_pMissingTexts)
        QCoreApplication::removeTranslator(m_pMissingTexts.get());
    m_pTranslator = std::move(translator);
    QCoreApplication::installTranslator(m_pTranslator.get());
    m_strTranslations = m_pTranslator->filePath();
    // What Qt's Japanese catalog lacks, asked before it.
    if (language == QLatin1String("ja")) {
        m_pMissingTexts = std::make_unique<CMissingQtTexts>();
        QCoreApplication::installTranslator(m_pMissingTexts.get());
    }
    return true;
}

void CWinApp::OnFileNew() {
    if (m_templates.empty())
        return;
    CDocTemplate* chosen = m_templates.front().get();
    if (m_templates.size() > 1) {
        QStringList names;
        for (const auto& docTemplate : m_templates)
            names.append(docTemplate->GetDocString(CDocTemplate::fileNewName));
        CNewTypeDlg dialog(names, MainWidget());
        if (dialog.exec() != QDialog::Accepted || dialog.Selected() < 0)
            return;
        chosen = m_templates[static_cast<size_t>(dialog.Selected())].get();
    }
    chosen->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
    QString path = CFileDialog::GetFileName(MainWidget(), CFileDialog::Open, QStringLiteral("*.*"));
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

CDocument* CWinApp::OpenDocumentFile(const QString& path) {
    if (m_templates.empty())
        return nullptr;
    // A file that is open already is brought to the front.
    for (const auto& docTemplate : m_templates) {
        for (const auto& document : docTemplate->Documents()) {
            if (document->GetPathName() != path || document->Views().empty())
                continue;
            CMDIChildWnd* frame = document->Views().front()->GetParentFrame();
            if (frame != nullptr && m_pMainWnd != nullptr)
                m_pMainWnd->MdiArea()->setActiveSubWindow(frame);
            return document.get();
        }
    }
    CDocument* document = m_templates.front()->OpenDocumentFile(&path);
    if (document != nullptr && m_pRecentFileList)
        m_pRecentFileList->Add(path);
    return document;
}
