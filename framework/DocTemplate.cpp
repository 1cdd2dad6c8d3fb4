#include "DocTemplate.h"

#include <algorithm>

#include "Document.h"
#include "MDIChildWnd.h"
#include "MDIFrameWnd.h"
#include "View.h"
#include "WinApp.h"

CDocTemplate::CDocTemplate(int resourceId, const QString& docString, DocumentFactory document,
                           FrameFactory frame, ViewFactory view)
    : m_nResourceId(resourceId), m_docStrings(docString.split(QLatin1Char('\n'))),
      m_documentFactory(std::move(document)), m_frameFactory(std::move(frame)),
      m_viewFactory(std::move(view)) {}

CDocTemplate::~CDocTemplate() = default;

QString CDocTemplate::GetDocString(DocStringIndex index) const {
    return index < m_docStrings.size() ? m_docStrings[index] : QString();
}

CDocument* CDocTemplate::OpenDocumentFile(const QString* path, bool makeVisible) {
    std::unique_ptr<CDocument> document = m_documentFactory();
    document->m_pDocTemplate = this;
    if (path == nullptr) {
        document->SetTitle(GetDocString(docName) + QString::number(m_nUntitledCount + 1));
        if (!document->OnNewDocument())
            return nullptr;
        ++m_nUntitledCount;
    } else {
        if (!document->OnOpenDocument(*path))
            return nullptr;
        document->SetPathName(*path);
    }
    CDocument* raw = document.get();
    m_documents.push_back(std::move(document));
    CMDIChildWnd* frame = CreateNewFrame(raw);
    if (frame == nullptr) {
        RemoveDocument(raw);
        return nullptr;
    }
    frame->InitialUpdateFrame(makeVisible);
    return raw;
}

CMDIChildWnd* CDocTemplate::OpenNewWindow(CDocument* document) {
    CMDIChildWnd* frame = CreateNewFrame(document);
    if (frame != nullptr)
        frame->InitialUpdateFrame(true);
    return frame;
}

CMDIChildWnd* CDocTemplate::CreateNewFrame(CDocument* document) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr || app->m_pMainWnd == nullptr)
        return nullptr;
    CMDIChildWnd* frame = m_frameFactory();
    frame->m_pTemplate = this;
    CView* view = m_viewFactory();
    document->AddView(view);
    frame->SetView(view);
    app->m_pMainWnd->AddChild(frame);
    document->UpdateFrameTitles();
    return frame;
}

void CDocTemplate::RemoveDocument(CDocument* document) {
    auto found = std::find_if(m_documents.begin(), m_documents.end(),
                              [document](const auto& owned) { return owned.get() == document; });
    if (found != m_documents.end())
        m_documents.erase(found);
}
