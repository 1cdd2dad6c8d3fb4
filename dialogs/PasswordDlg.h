#pragma once

#include <string>

#include "Dialog.h"

// The password change dialog: the current password must be typed again; the
// new one must fit the record's password field and code page 932.
class CPasswordDlg : public CDialog {
public:
    static constexpr int IDD = 132;

    // maxNewLength: the most bytes the new password may take.
    CPasswordDlg(QWidget* parent, size_t maxNewLength);

    std::string m_strNewPassword;     // code page 932
    std::string m_strOldPassword;     // code page 932
    std::string m_strCurrentPassword; // set by the caller

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;

private:
    size_t m_nMaxNewLength;
};
