#pragma once

#include <string>

#include "Dialog.h"

// The login dialog: the backend checks the user name and password (the
// program never sees a stored password).
class CLoginDlg : public CDialog {
public:
    enum : int { IDC_USER_LIST = 1000, IDC_USER_NAME = 1004, IDC_PASSWORD = 1005 };

    explicit CLoginDlg(QWidget* parent);

    std::string m_strUserName; // code page 932
    std::string m_strPassword;

private:
    // After this many wrong names or passwords in a row the person is told
    // that each check now takes longer.
    static constexpr int kFailuresToWarnOf = 5;

    // The groupware could be read and holds no user at all.
    bool m_bNoUsers = false;
    int m_nFailures = 0;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
};
