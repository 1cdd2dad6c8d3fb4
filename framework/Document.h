#pragma once

#include <QString>

#include <vector>

#include "CmdTarget.h"
#include "CommandIds.h"

class CDocTemplate;
class CView;

// A document of the document/view framework. The groupware's documents hold
// no content: loading reads nothing and saving writes nothing, so saving never
// empties a file.
class CDocument : public CCmdTarget {
public:
    CDocument();
    ~CDocument() override;

    virtual bool OnNewDocument() { return true; }
    // Opening needs a readable file; its content is not read.
    virtual bool OnOpenDocument(const QString& path);
    // Creates the file when it does not exist; an existing file is left as it is.
    virtual bool OnSaveDocument(const QString& path);

    bool OnCmdMsg(int id, CCmdUI* pUI) override;

    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);
    const QString& GetPathName() const { return m_strPathName; }
    void SetPathName(const QString& path);
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

    const std::vector<CView*>& Views() const { return m_views; }
    void AddView(CView* view);
    // Removes view; the template deletes the document when its last view goes.
    void RemoveView(CView* view);
    // Titles the frames: the document's title, with ":n" when it has several.
    void UpdateFrameTitles();

private:
    friend class CDocTemplate;
    void OnFileSave();

    CDocTemplate* m_pDocTemplate = nullptr;
    QString m_strTitle;
    QString m_strPathName;
    std::vector<CView*> m_views;
};
