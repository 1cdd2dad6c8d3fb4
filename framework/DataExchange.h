#pragma once

#include <string>

class CDialog;

// One run of a dialog's data exchange: members to controls, or controls to
// members (m_bSaveAndValidate). A control whose text code page 932 cannot
// hold fails the exchange and leaves its member as it was.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    void Fail(int id) {
        if (m_nFailedId == 0)
            m_nFailedId = id;
    }
    bool Failed() const { return m_nFailedId != 0; }

    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;
    int m_nFailedId = 0;
};

// Edit text as code page 932.
void DDX_Text(CDataExchange& dx, int id, std::string& value);
// Check box: 0 or 1.
void DDX_Check(CDataExchange& dx, int id, int& value);
// Combo box text as code page 932.
void DDX_CBString(CDataExchange& dx, int id, std::string& value);
