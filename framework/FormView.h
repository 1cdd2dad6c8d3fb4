#pragma once

#include <map>

#include "DialogTemplate.h"
#include "View.h"

// A view whose window is a form: the controls of a dialog template.
class CFormView : public CView {
public:
    explicit CFormView(const CDialogTemplate& form, QWidget* parent = nullptr);

    QWidget* GetDlgItem(int id) const;

private:
    std::map<int, QWidget*> m_controls;
};
