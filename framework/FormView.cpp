#include "FormView.h"

#include "ControlFactory.h"

CFormView::CFormView(const CDialogTemplate& form, QWidget* parent) : CView(parent) {
    QFont font(form.fontName, form.pointSize);
    setFont(font);
    QSize base = CControlFactory::BaseUnits(font);
    resize(CControlFactory::Map(base, 0, 0, form.width, form.height).size());
    for (const CControlDef& def : form.controls) {
        QWidget* control = CControlFactory::Create(def, base, this);
        if (def.id > 0)
            m_controls[def.id] = control;
    }
}

QWidget* CFormView::GetDlgItem(int id) const {
    auto found = m_controls.find(id);
    return found != m_controls.end() ? found->second : nullptr;
}
