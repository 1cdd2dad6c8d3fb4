#pragma once

#include <QString>

class CImportSummary;

// How the import dialogs name what an import read and did, in Japanese.
class CImportTexts {
public:
    // "UTF-8、カンマ区切り" and the like.
    static QString ReadAs(const CImportSummary& summary);
    // The summary shown when something was replaced or not read as given.
    static QString Summary(const CImportSummary& summary, size_t listed = 20);
};
