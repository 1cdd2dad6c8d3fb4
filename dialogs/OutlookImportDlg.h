#pragma once

#include <QString>

#include <memory>
#include <string>

#include "Dialog.h"
#include "ImportSession.h"

// The options dialog of an Outlook import: a type (read, never examined), a
// file name typed or chosen with "参照(&B)", "公開" and a duplicate check.
// OK opens the file and an import session of the dialog's kind for the
// logged-in user, runs the derived dialog's load dialog on it, releases both,
// and says so when the import stopped on a failure. A file in a form older
// exports never wrote is previewed first; what was replaced or not read as
// given is shown at the end.
class COutlookLoadDlg;

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

protected:
    COutlookImportDlg(int templateId, const QString& title, CImportSession::Kind kind,
                      int duplicateCheckId, const QString& duplicateCheckText, QWidget* parent,
                      std::string owner);

    // The load dialog of this kind.
    virtual std::unique_ptr<COutlookLoadDlg> MakeLoadDlg() = 0;

    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void OnBrowse();
    void ReportFailure(const CImportSession& session);
    // The summary, a line each, on the monitor (cancelled: the person stopped it).
    void PostSummary(const CImportSummary& summary, bool cancelled);
    // Shows how a file will be read and its first records as they will be
    // stored, when it is not in the older tab-separated code page 932 form,
    // and with the duplicate check what would be replaced or skipped
    // (CImportPlanDlg); false when the user would rather not go on.
    bool ConfirmPreview(const std::string& path);
    // When a table has columns the import does not know, asks where they go
    // (CColumnMapDlg) and keeps the choice in m_mapping; false when the
    // person would rather not go on.
    bool ChooseColumns(const std::string& path);
    // A dry run of path with mapping (its first records read when sample):
    // the table's columns, the names they may go to, how the file began and
    // whether it is in a newer form.
    std::vector<CRecordReader::CColumn> ReadColumns(const std::string& path,
                                                    const CRecordReader::CMapping& mapping,
                                                    bool sample, std::vector<std::string>& targets,
                                                    CImportSession::Start& start, bool& modern);

    CImportSession::Kind m_kind;
    std::string m_strOwner;
    int m_nDuplicateCheckId;
    CRecordReader::CMapping m_mapping; // where the person said the columns go
};
