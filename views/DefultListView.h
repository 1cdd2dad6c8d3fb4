#pragma once

#include <cstddef>
#include <initializer_list>

#include "ListView.h"

class CViewerSession;

// One column of a list window: header text and initial width in pixels.
struct CColumnDef {
    const char* title; // UTF-8
    int width;
};

// The common base of the four list windows: a report list with a fixed set of
// columns that registers itself in the application's open-view table while
// its window exists.
class CDefultListView : public CListView {
public:
    CDefultListView(CViewerSession& session, int kind, const CColumnDef* columns, int columnCount);

    // Registers the view in its slot and inserts the columns.
    void OnInitialUpdate() override;
    // Clears the view's slot.
    void OnDestroy() override;

protected:
    CViewerSession& Session() const { return m_session; }

    // Right after a backend call of this list returned 0: when that was a
    // failure rather than the end, says so in a message box, once per window.
    // The rows read before it stay shown.
    void CheckReadFailure();

    // A cell of a record's field: which column shows it, the field's stored
    // name, and the field.
    struct COriginalCell {
        int subItem;
        const char* column;
        const char* field;
        size_t width;
    };
    // For the record the list (kind: KV_KIND_*) delivered last, shown in
    // row: the cells whose fields could not hold their whole text show the
    // text the entry keeps beside it. Asks the backend once a row, and only
    // reads an original where the entry has one.
    void ShowOriginal(int row, int kind, std::initializer_list<COriginalCell> cells);

private:
    CViewerSession& m_session;
    bool m_bFailureShown = false;
    int m_nKind = 0;
    const CColumnDef* m_pColumns = nullptr;
    int m_nColumnCount = 0;
};
