#pragma once

#include <string>

#include "Dialog.h"

// The login dialog: checks a user name and password against the backend's
// user records itself.
class CLoginDlg : public CDialog {
public:
    explicit CLoginDlg(QWidget* parent);

    std::string m_strUserName; // code page 932
    std::string m_strPassword;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
};
