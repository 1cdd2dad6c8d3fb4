#pragma once

#include <QString>

#include <cstdint>
#include <memory>

#include "Dialog.h"

class COutlookTabReader;
class COutlookTextFile;

// The progress dialog of an Outlook import: stores one record per posted
// command 1011, lets painting and input through after records 1, 11, 21, ...
// with a zero-delay timer, can be cancelled between records, and ends itself
// at the end of the file. Derived dialogs make the reader.
class COutlookLoadDlg : public CDialog {
public:
    static constexpr int IDC_PROGRESS = 1010;
    static constexpr int ID_LOAD = 1011;

    ~COutlookLoadDlg() override;

    COutlookTextFile* m_pFile = nullptr; // open at its start; not closed here
    QString m_strFileName;
    int m_bPublic = 0;
    int m_bDuplicateCheck = 0;

    // Runs the dialog on file (open at its start, named fileName) with the options.
    int Run(COutlookTextFile& file, const QString& fileName, int isPublic, int duplicateCheck);

    int RecordsBegun() const { return m_nRecordsBegun; }
    int TimerSteps() const { return m_nTimerSteps; }

protected:
    COutlookLoadDlg(int templateId, const QString& title, QWidget* parent);

    virtual std::unique_ptr<COutlookTabReader> MakeReader() = 0;

    bool OnInitDialog() override;
    void OnOK() override {} // Enter does not end the import
    void OnTimer(int id) override;

private:
    void OnLoadStep();
    void ShowProgress(int64_t bytes);

    std::unique_ptr<COutlookTabReader> m_pReader;
    int64_t m_nFileSize = 0;
    int64_t m_nScale = 1;
    int m_nRecordsBegun = 0;
    int m_nTimerSteps = 0;
};
