#pragma once

#include <QString>

#include <cstdint>
#include <memory>

#include "Dialog.h"

class COutlookAddressReader;
class COutlookTextFile;

// The progress dialog of the address import: stores one record per posted
// command 1011, lets painting and input through every tenth record with a
// zero-delay timer, and can be cancelled between records.
class CAddressLoadDlg : public CDialog {
public:
    static constexpr int IDC_PROGRESS = 1010;
    static constexpr int ID_LOAD = 1011;

    explicit CAddressLoadDlg(QWidget* parent);
    ~CAddressLoadDlg() override;

    COutlookTextFile* m_pFile = nullptr; // open at its start; not closed here
    QString m_strFileName;
    int m_bPublic = 0;
    int m_bDuplicateCheck = 0;

    int RecordsBegun() const { return m_nRecordsBegun; }
    int TimerSteps() const { return m_nTimerSteps; }

protected:
    bool OnInitDialog() override;
    void OnOK() override {} // Enter does not end the import
    void OnTimer(int id) override;

private:
    void OnLoadStep();
    void ShowProgress(int64_t bytes);

    std::unique_ptr<COutlookAddressReader> m_pReader;
    int64_t m_nFileSize = 0;
    int64_t m_nScale = 1;
    int m_nRecordsBegun = 0;
    int m_nTimerSteps = 0;
};
