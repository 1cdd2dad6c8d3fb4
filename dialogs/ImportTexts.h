#pragma once

#include <QString>

class CImportSummary;

// How the import dialogs name what an import read and did, in Japanese.
class CImportTexts {
public:
    // "UTF-8、カンマ区切り" and the like.
    static QString ReadAs(const CImportSummary& summary);
    // Why an import stopped (the session's failure, code page 932) as the
    // person reads it: the session's own phrases in Japanese, the library's
    // reason after them as the library said it.
    static QString Reason(const std::string& failure);
    // What the status bar says of a finished import:
    // "1,234 件を読み込みました（追加 1,200・置換 34）".
    static QString Done(const CImportSummary& summary);
    // The summary shown when something was replaced or not read as given:
    // its counts (SummaryCounts), then a line per note (SummaryNotes, each
    // beginning with a line end).
    // (cancelled: the person stopped it, and the first line says so).
    static QString Summary(const CImportSummary& summary, size_t listed = 20,
                           bool cancelled = false);
    static QString SummaryCounts(const CImportSummary& summary, bool cancelled = false);
    static QString SummaryNotes(const CImportSummary& summary, size_t listed = 20);
};
