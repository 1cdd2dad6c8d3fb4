#pragma once

#include <QListView>
#include <QStringList>

class CLineListModel;

// A single-selection list box of text lines in arrival order (not sorted).
class CListBox : public QListView {
public:
    explicit CListBox(QWidget* parent = nullptr);

    int GetCount() const;
    QString GetText(int index) const;
    // Appends lines at the end, in one batch.
    void AddStrings(const QStringList& lines);
    // Deletes the first count lines, in one batch.
    void DeleteFirst(int count);
    // Selects line index and scrolls it into view; -1 clears the selection.
    void SetCurSel(int index);
    int GetCurSel() const;

private:
    CLineListModel* m_pModel;
};
