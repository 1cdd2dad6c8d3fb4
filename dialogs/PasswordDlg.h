#pragma once

#include <string>

#include "Dialog.h"

// The password change dialog, naming the user whose password it changes: the
// current password must be typed again and the backend changes the password
// only when it is right (the program never sees a stored password); the new
// one must have at least 8 characters, fit the record's password field and
// code page 932.
class CPasswordDlg : public CDialog {
public:
    static constexpr int IDD = 132;
    // The fewest characters of a new password, as the library asks of one.
    static constexpr int kMinimumCharacters = 8;
    enum : int { IDC_OLD_PASSWORD = 1001, IDC_NEW_PASSWORD = 1002, IDC_USER_NAME = 1003 };

    // userName: whose password changes (code page 932); maxNewLength: the
    // most bytes the new password may take.
    CPasswordDlg(QWidget* parent, const std::string& userName, size_t maxNewLength);

    std::string m_strNewPassword; // code page 932
    std::string m_strOldPassword; // code page 932

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;

private:
    std::string m_strUserName;
    size_t m_nMaxNewLength;
};
