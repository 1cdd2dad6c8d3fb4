#pragma once

#include "View.h"

class CListCtrl;

// A view whose window is a report list control covering it.
class CListView : public CView {
public:
    explicit CListView(QWidget* parent = nullptr);

    CListCtrl& GetListCtrl() const { return *m_pList; }

private:
    CListCtrl* m_pList;
};
