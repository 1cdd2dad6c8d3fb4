#pragma once

#include <QDialog>

#include "ImportPlan.h"

class QTableWidget;

// "読み込みの予定": what an import with the duplicate check would do, before
// anything is stored, when it would replace or skip something: the counts,
// and a list of each record it would replace (the fields that change, before
// and after) or skip (why), in the file's order. Added records are counted,
// not listed. OK goes on with the import; "キャンセル" returns to its dialog.
class CImportPlanDlg : public QDialog {
public:
    static constexpr int kLineColumn = 0, kActionColumn = 1, kEntryColumn = 2, kWhatColumn = 3;
    // At most this many rows are listed; the rest are counted.
    static constexpr int kListed = 1000;

    // preview: what the import says of the file first (may be empty).
    CImportPlanDlg(QWidget* parent, const QString& preview, const CImportPlan& plan,
                   bool addresses);

    QTableWidget* Table() const { return m_pTable; }

    // Whether the plan has anything beyond records added, to be shown.
    static bool Worth(const CImportPlan& plan);
    // What a replacement changes, as a cell says it ("メモ: 旧 → 新、...").
    static QString Changes(const CImportPlan::CLine& line, bool addresses);

private:
    QTableWidget* m_pTable;
};
