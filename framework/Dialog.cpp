#include "Dialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTimerEvent>

#include "ControlFactory.h"
#include "DataExchange.h"
#include "MessageBox.h"

CDialog::CDialog(const CDialogTemplate& dialogTemplate, QWidget* parent) : QDialog(parent) {
    setWindowTitle(dialogTemplate.title);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QFont font(dialogTemplate.fontName, dialogTemplate.pointSize);
    setFont(font);
    m_base = CControlFactory::BaseUnits(font);
    setFixedSize(MapDialogRect(0, 0, dialogTemplate.width, dialogTemplate.height).size());
    CreateControls(dialogTemplate);
}

CDialog::~CDialog() = default;

QRect CDialog::MapDialogRect(int x, int y, int width, int height) const {
    return CControlFactory::Map(m_base, x, y, width, height);
}

void CDialog::CreateControls(const CDialogTemplate& dialogTemplate) {
    QWidget* previous = nullptr;
    for (const CControlDef& def : dialogTemplate.controls) {
        QWidget* control = CControlFactory::Create(def, m_base, this);
        int id = def.id;
        if (auto* button = qobject_cast<QPushButton*>(control))
            connect(button, &QPushButton::clicked, this, [this, id] { SendCommand(id); });
        else if (auto* check = qobject_cast<QCheckBox*>(control))
            connect(check, &QCheckBox::clicked, this, [this, id] { OnCmdMsg(id, nullptr); });
        if (id > 0)
            m_controls[id] = control;
        if (control->focusPolicy() & Qt::TabFocus) {
            if (previous != nullptr)
                setTabOrder(previous, control);
            previous = control;
        }
    }
}

QWidget* CDialog::GetDlgItem(int id) const {
    auto found = m_controls.find(id);
    return found != m_controls.end() ? found->second : nullptr;
}

int CDialog::DoModal() {
    const int result = exec();
    // The keyboard goes back to the window the dialog belongs to: a window
    // manager may leave it nowhere when a modal window closes.
    CMessageBox::GiveBackFocus(parentWidget());
    return result;
}

void CDialog::EndDialog(int result) {
    m_timers.KillAll(this);
    QDialog::done(result);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::PostCommand(int id) {
    QMetaObject::invokeMethod(
        this, [this, id] { SendCommand(id); }, Qt::QueuedConnection);
}

void CDialog::SendCommand(int id) {
    if (id == IDOK)
        OnOK();
    else if (id == IDCANCEL)
        OnCancel();
    else
        OnCmdMsg(id, nullptr);
}

void CDialog::timerEvent(QTimerEvent* event) {
    int id = m_timers.IdFor(event->timerId());
    if (id != 0)
        OnTimer(id);
    else
        QDialog::timerEvent(event);
}

void CDialog::reject() {
    OnCancel();
}

void CDialog::accept() {
    OnOK();
}

void CDialog::showEvent(QShowEvent* event) {
    if (!m_bInitialized) {
        m_bInitialized = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}
