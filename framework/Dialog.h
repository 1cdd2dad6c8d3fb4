#pragma once

#include <QDialog>

#include <map>

#include "CmdTarget.h"
#include "DialogTemplate.h"
#include "TimerMap.h"

class CDataExchange;

// A modal dialog built from a template: controls by ID, data exchange with
// members, OnInitDialog / OnOK / OnCancel, posted commands and numbered timers.
// Button 1 is OK, button 2 Cancel; Esc and the close box are Cancel.
class CDialog : public QDialog, public CCmdTarget {
public:
    static constexpr int IDOK = 1;
    static constexpr int IDCANCEL = 2;

    CDialog(const CDialogTemplate& dialogTemplate, QWidget* parent);
    ~CDialog() override;

    // Runs the dialog; IDOK or IDCANCEL (or what EndDialog was given).
    int DoModal();
    void EndDialog(int result);

    QWidget* GetDlgItem(int id) const;
    template <typename T> T* Item(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }

    // Controls to members (true) or members to controls (false); false when
    // a control's text cannot be held in code page 932.
    bool UpdateData(bool saveAndValidate = true);

    // Queues command id to this dialog, like a posted WM_COMMAND.
    void PostCommand(int id);
    // Runs command id: OK, Cancel or a handler registered with OnCommand.
    void SendCommand(int id);

    void SetTimer(int id, int milliseconds) { m_timers.Set(this, id, milliseconds); }
    void KillTimer(int id) { m_timers.Kill(this, id); }

    // Dialog units to pixels, with the dialog font's base units.
    QRect MapDialogRect(int x, int y, int width, int height) const;

protected:
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange&) {}
    virtual void OnTimer(int) {}

    void timerEvent(QTimerEvent* event) override;
    void reject() override;
    void accept() override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls(const CDialogTemplate& dialogTemplate);

    std::map<int, QWidget*> m_controls;
    CTimerMap m_timers;
    bool m_bInitialized = false;
    QSize m_base;
};
