#include "DataExchange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "Dialog.h"
#include "Text.h"

namespace {

void ExchangeText(CDataExchange& dx, int id, std::string& value, QString text,
                  const std::function<void(const QString&)>& set) {
    if (!dx.m_bSaveAndValidate) {
        set(CText::FromCp932(value));
        return;
    }
    std::string cp932;
    if (CText::ToCp932(text, cp932))
        value = cp932;
    else
        dx.Fail(id);
}

} // namespace

void DDX_Text(CDataExchange& dx, int id, std::string& value) {
    auto* edit = dx.m_pDlgWnd->Item<QLineEdit>(id);
    if (edit == nullptr)
        return;
    ExchangeText(dx, id, value, edit->text(), [edit](const QString& text) { edit->setText(text); });
}

void DDX_CBString(CDataExchange& dx, int id, std::string& value) {
    auto* combo = dx.m_pDlgWnd->Item<QComboBox>(id);
    if (combo == nullptr)
        return;
    ExchangeText(dx, id, value, combo->currentText(), [combo](const QString& text) {
        int index = combo->findText(text);
        if (index >= 0)
            combo->setCurrentIndex(index);
        else if (combo->isEditable())
            combo->setEditText(text);
    });
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
    auto* check = dx.m_pDlgWnd->Item<QCheckBox>(id);
    if (check == nullptr)
        return;
    if (dx.m_bSaveAndValidate)
        value = check->isChecked() ? 1 : 0;
    else
        check->setChecked(value != 0);
}

void DDX_Text(CDataExchange& dx, int id, QString& value) {
    auto* edit = dx.m_pDlgWnd->Item<QLineEdit>(id);
    if (edit == nullptr)
        return;
    if (dx.m_bSaveAndValidate)
        value = edit->text();
    else
        edit->setText(value);
}

void DDX_CBString(CDataExchange& dx, int id, QString& value) {
    auto* combo = dx.m_pDlgWnd->Item<QComboBox>(id);
    if (combo == nullptr)
        return;
    if (dx.m_bSaveAndValidate) {
        value = combo->currentText();
        return;
    }
    int index = combo->findText(value);
    if (index >= 0)
        combo->setCurrentIndex(index);
    else if (combo->isEditable())
        combo->setEditText(value);
}
