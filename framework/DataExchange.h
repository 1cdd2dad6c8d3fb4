#pragma once

#include <QString>

#include <algorithm>
#include <string>
#include <vector>

class CDialog;

// One run of a dialog's data exchange: members to controls, or controls to
// members (m_bSaveAndValidate). A control whose text code page 932 cannot
// hold fails the exchange and leaves its member as it was.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    void Fail(int id) { m_failedIds.push_back(id); }
    bool Failed() const { return !m_failedIds.empty(); }
    bool FailedOn(int id) const {
        return std::find(m_failedIds.begin(), m_failedIds.end(), id) != m_failedIds.end();
    }

    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;
    std::vector<int> m_failedIds;
};

// Edit text as code page 932.
void DDX_Text(CDataExchange& dx, int id, std::string& value);
// Edit text as it is typed (a file name, say): never fails.
void DDX_Text(CDataExchange& dx, int id, QString& value);
// Combo box text as it is typed.
void DDX_CBString(CDataExchange& dx, int id, QString& value);
// Check box: 0 or 1.
void DDX_Check(CDataExchange& dx, int id, int& value);
// Combo box text as code page 932.
void DDX_CBString(CDataExchange& dx, int id, std::string& value);
