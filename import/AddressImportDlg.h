#pragma once

#include <QString>

#include "Dialog.h"

// The address import: choose an Outlook tab-separated file and the options,
// then OK runs the load dialog with the file and the logged-in user's address
// book open, and releases both afterwards.
class CAddressImportDlg : public CDialog {
public:
    static constexpr int IDC_TYPE = 1006;
    static constexpr int IDC_FILE_NAME = 1007;
    static constexpr int IDC_BROWSE = 1008;
    static constexpr int IDC_PUBLIC = 1012;
    static constexpr int IDC_DUPLICATE_CHECK = 1013;

    explicit CAddressImportDlg(QWidget* parent);

    QString m_strType; // read, never examined
    QString m_strFileName;
    int m_bPublic = 0;
    int m_bDuplicateCheck = 0;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void OnBrowse();
};
