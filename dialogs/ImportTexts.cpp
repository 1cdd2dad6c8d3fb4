#include "ImportTexts.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "ImportSummary.h"
#include "Text.h"

namespace {

QString Note(const COutlookTabReader::CWarning& warning) {
    using Kind = COutlookTabReader::CWarning::Kind;
    QString column = CText::FromCp932(warning.column);
    QString value = CText::FromCp932(warning.value);
    switch (warning.kind) {
    case Kind::Date:
        return QStringLiteral("%1「%2」は日付として読めないため、空のままにしました")
            .arg(column, value);
    case Kind::Time:
        return QStringLiteral("%1「%2」は時刻として読めないため、空のままにしました")
            .arg(column, value);
    case Kind::OpenQuote:
        return QStringLiteral("引用符の中でファイルが終わっているため、値をそこまでとしました");
    }
    return QString();
}

} // namespace

QString CImportTexts::ReadAs(const CImportSummary& summary) {
    QString encoding = QString::fromStdString(summary.encoding);
    if (summary.encoding == "code page 932")
        encoding = QStringLiteral("Shift-JIS");
    else if (summary.encoding == "UTF-8 with a byte order mark")
        encoding = QStringLiteral("UTF-8（BOM 付き）");
    else if (summary.encoding == "UTF-16 (little-endian)")
        encoding = QStringLiteral("UTF-16（リトルエンディアン）");
    else if (summary.encoding == "UTF-16 (big-endian)")
        encoding = QStringLiteral("UTF-16（ビッグエンディアン）");
    QString form = summary.form == COutlookTabReader::Form::Comma ? QStringLiteral("カンマ区切り")
                                                                  : QStringLiteral("タブ区切り");
    return encoding + QStringLiteral("、") + form;
}

QString CImportTexts::Summary(const CImportSummary& summary, size_t listed) {
    QString text = QStringLiteral("読み込みが終わりました（%1）。\n").arg(ReadAs(summary));
    text += QStringLiteral("追加 %1 件、重複として更新 %2 件、空行 %3 件\n")
                .arg(summary.added)
                .arg(summary.updated)
                .arg(summary.skipped);
    text += QStringLiteral("〓 に置き換えた文字: %1 文字（%2 件）、読み取れなかった値: %3 件\n")
                .arg(summary.substitutes)
                .arg(summary.substituted.size())
                .arg(summary.warnings.size());
    std::vector<std::pair<int64_t, QString>> notes;
    for (const auto& record : summary.substituted)
        notes.emplace_back(record.first,
                           QStringLiteral("%1 文字を 〓 に置き換えました").arg(record.second));
    for (const auto& warning : summary.warnings)
        notes.emplace_back(warning.line, Note(warning));
    std::stable_sort(notes.begin(), notes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < notes.size() && i < listed; ++i)
        text += QStringLiteral("\n%1 行目: %2").arg(notes[i].first).arg(notes[i].second);
    if (notes.size() > listed)
        text += QStringLiteral("\n…ほか %1 件").arg(notes.size() - listed);
    return text;
}
