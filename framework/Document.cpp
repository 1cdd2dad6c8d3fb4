#include "Document.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "DocTemplate.h"
#include "FileDialog.h"
#include "MDIChildWnd.h"
#include "View.h"
#include "WinApp.h"

CDocument::CDocument() {
    OnCommand(ID_FILE_SAVE, [this] { OnFileSave(); });
}

CDocument::~CDocument() = default;

bool CDocument::OnCmdMsg(int id, CCmdUI* pUI) {
    if (CCmdTarget::OnCmdMsg(id, pUI))
        return true;
    return m_pDocTemplate != nullptr && m_pDocTemplate->OnCmdMsg(id, pUI);
}

bool CDocument::OnOpenDocument(const QString& path) {
    QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

bool CDocument::OnSaveDocument(const QString& path) {
    QFile file(path);
    if (file.exists())
        return true;
    // NewOnly: never truncate a file that appeared in the meantime.
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

void CDocument::OnFileSave() {
    QString path = m_strPathName;
    if (path.isEmpty()) {
        QWidget* parent = AfxGetApp() != nullptr ? AfxGetApp()->MainWidget() : nullptr;
        path = CFileDialog::GetFileName(parent, CFileDialog::Save, m_strTitle);
        if (path.isEmpty())
            return;
    }
    if (OnSaveDocument(path))
        SetPathName(path);
}

void CDocument::SetTitle(const QString& title) {
    m_strTitle = title;
    UpdateFrameTitles();
}

void CDocument::SetPathName(const QString& path) {
    m_strPathName = path;
    SetTitle(QFileInfo(path).fileName());
}

void CDocument::AddView(CView* view) {
    m_views.push_back(view);
    view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
    view->m_pDocument = nullptr;
    if (m_views.empty() && m_pDocTemplate != nullptr)
        m_pDocTemplate->RemoveDocument(this); // deletes this
    else
        UpdateFrameTitles();
}

void CDocument::UpdateFrameTitles() {
    for (size_t i = 0; i < m_views.size(); ++i) {
        CMDIChildWnd* frame = m_views[i]->GetParentFrame();
        if (frame == nullptr)
            continue;
        QString title = m_strTitle;
        if (m_views.size() > 1)
            title += QStringLiteral(":%1").arg(i + 1);
        frame->setWindowTitle(title);
    }
    if (AfxGetApp() != nullptr)
        AfxGetApp()->OnDocumentTitlesChanged();
}
