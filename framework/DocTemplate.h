#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

#include "CmdTarget.h"

class CDocument;
class CMDIChildWnd;
class CView;

// A multi-document template: joins a document class, the child frame and a
// view class under a resource ID, with the seven-field document string
// (window title, document name, short name, filter name, filter extension,
// file-type ID, file-type name). It owns its open documents.
class CDocTemplate : public CCmdTarget {
public:
    enum DocStringIndex {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName
    };

    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<CMDIChildWnd*()>;
    using ViewFactory = std::function<CView*()>;

    CDocTemplate(int resourceId, const QString& docString, DocumentFactory document,
                 FrameFactory frame, ViewFactory view);
    ~CDocTemplate() override;

    int ResourceId() const { return m_nResourceId; }
    QString GetDocString(DocStringIndex index) const;

    // A new document (path null: untitled, named document name + running
    // number) shown in a new frame and view. Returns null if it cannot be made.
    CDocument* OpenDocumentFile(const QString* path, bool makeVisible = true);
    // Another frame and view on document; the view's initial update runs.
    CMDIChildWnd* OpenNewWindow(CDocument* document);

    const std::vector<std::unique_ptr<CDocument>>& Documents() const { return m_documents; }
    void RemoveDocument(CDocument* document);

private:
    CMDIChildWnd* CreateNewFrame(CDocument* document);

    int m_nResourceId;
    QStringList m_docStrings;
    DocumentFactory m_documentFactory;
    FrameFactory m_frameFactory;
    ViewFactory m_viewFactory;
    int m_nUntitledCount = 0;
    std::vector<std::unique_ptr<CDocument>> m_documents;
};
