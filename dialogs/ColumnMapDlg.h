#pragma once

#include <QDialog>

#include <vector>

#include "RecordReader.h"

class QTableWidget;

// Where a table's columns go, chosen by the person before an import: each
// column of the file's header with its first values and the field it goes
// to ("読み込まない" for none: kept beside the entry), picked from the
// import's known names. "対応を保存(&S)..." writes the choice as a file that
// kelvo-admin import --map reads. The choice for a header line is remembered
// (Remembered, Remember) for the next file with the same header.
class CColumnMapDlg : public QDialog {
public:
    static constexpr int kHeaderColumn = 0, kSampleColumn = 1, kTargetColumn = 2;

    // columns: as the import session tells them; targets: the known names.
    CColumnMapDlg(QWidget* parent, const std::vector<CRecordReader::CColumn>& columns,
                  const std::vector<std::string>& targets);

    // The choice: every column's header and field ("" for none).
    CRecordReader::CMapping Mapping() const;
    QTableWidget* Table() const { return m_pTable; }

    // The choice remembered for a header line (its names in order), or none.
    static CRecordReader::CMapping Remembered(const std::vector<CRecordReader::CColumn>& columns);
    static void Remember(const std::vector<CRecordReader::CColumn>& columns,
                         const CRecordReader::CMapping& mapping);

private:
    void OnSave();

    QTableWidget* m_pTable;
    std::vector<std::string> m_headers;
};
