#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdint>

#include "Dialog.h"

class CImportSession;
class CTextFile;

// The progress dialog of an Outlook import: stores one record per posted
// command 1011, lets painting and input through after records 1, 11, 21, ...
// with a zero-delay timer, can be cancelled between records, and ends itself
// at the end of the file or at the first record the backend refuses.
class COutlookLoadDlg : public CDialog {
public:
    static constexpr int IDC_PROGRESS = 1010;
    static constexpr int ID_LOAD = 1011;

    ~COutlookLoadDlg() override;

    CTextFile* m_pFile = nullptr; // open at its start; not closed here
    QString m_strFileName;
    int m_bPublic = 0;
    int m_bDuplicateCheck = 0;

    // Runs the dialog on session, whose list is open, reading file (open at
    // its start, named fileName).
    int Run(CImportSession& session, CTextFile& file, const QString& fileName);

    int TimerSteps() const { return m_nTimerSteps; }
    // The person cancelled before the end of the file.
    bool WasCancelled() const { return m_bCancelled; }

protected:
    COutlookLoadDlg(int templateId, const QString& title, QWidget* parent);

    bool OnInitDialog() override;
    void OnOK() override {} // Enter does not end the import
    void OnCancel() override;
    void OnTimer(int id) override;

private:
    void OnLoadStep();
    // The import's own end (the file's end, a failure, nothing to read).
    void EndWithoutTheUser();
    // The bar and its count; now: whatever the time since the last redraw.
    void ShowProgress(int64_t bytes, bool now = false);

    CImportSession* m_pSession = nullptr;
    int64_t m_nFileSize = 0;
    int64_t m_nScale = 1;
    int m_nRecordsBegun = 0;
    int m_nTimerSteps = 0;
    int m_nStored = 0;
    QElapsedTimer m_shown; // since the bar was last redrawn
    bool m_bEnded = false; // the file's end or a failure ended the import
    bool m_bCancelled = false;
};
