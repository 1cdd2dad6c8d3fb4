#pragma once

#include <QString>

#include "Dialog.h"

class COutlookTextFile;

// The options dialog of an Outlook import: a type (read, never examined), a
// file name typed or chosen with "参照(&B)", "公開" and a duplicate check.
// OK opens the file and hands it to the derived dialog's Import.
class COutlookImportDlg : public CDialog {
public:
    static constexpr int IDC_TYPE = 1006;
    static constexpr int IDC_FILE_NAME = 1007;
    static constexpr int IDC_BROWSE = 1008;
    static constexpr int IDC_PUBLIC = 1012;

    QString m_strType;
    QString m_strFileName;
    int m_bPublic = 0;
    int m_bDuplicateCheck = 0;

    // The duplicate check box of this dialog.
    int DuplicateCheckId() const { return m_nDuplicateCheckId; }

protected:
    COutlookImportDlg(int templateId, const QString& title, int duplicateCheckId,
                      const QString& duplicateCheckText, QWidget* parent);

    // Runs the import on the open file; the file is closed afterwards.
    virtual void Import(COutlookTextFile& file) = 0;

    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void OnBrowse();

    int m_nDuplicateCheckId;
};
