#include "ImportTexts.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "ImportSummary.h"
#include "OutlookTextFile.h"
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
        return QStringLiteral(
            "この行で始まる引用符の中でファイルが終わっているため、値をそこまでとしました");
    case Kind::TooManyColumns:
        return QStringLiteral("列が %1 を超えています（エクスポートはこれほどの列を書きません）。"
                              "この行は読み込みませんでした")
            .arg(COutlookTabReader::kMaxColumns);
    case Kind::LongLine:
        return QStringLiteral("%1 MiB を超える長い行のため、そこで切りました")
            .arg(COutlookTextFile::kMaxLine >> 20);
    }
    return QString();
}

} // namespace

QString CImportTexts::ReadAs(const CImportSummary& summary) {
    using Encoding = COutlookTextFile::Encoding;
    const std::pair<Encoding, const char*> japanese[] = {
        {Encoding::Cp932, "Shift-JIS"},
        {Encoding::Utf8Bom, "UTF-8（BOM 付き）"},
        {Encoding::Utf16Le, "UTF-16（リトルエンディアン）"},
        {Encoding::Utf16Be, "UTF-16（ビッグエンディアン）"}};
    QString encoding = QString::fromStdString(summary.encoding);
    for (const auto& [kind, name] : japanese)
        if (summary.encoding == COutlookTextFile::EncodingName(kind))
            encoding = QString::fromUtf8(name);
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
                .arg(summary.substitutedRecords)
                .arg(summary.warningCount);
    std::vector<CImportSummary::CNote> notes = summary.Notes();
    for (size_t i = 0; i < notes.size() && i < listed; ++i)
        text +=
            QStringLiteral("\n%1 行目: %2")
                .arg(notes[i].line)
                .arg(notes[i].warning != nullptr ? Note(*notes[i].warning)
                                                 : QStringLiteral("%1 文字を 〓 に置き換えました")
                                                       .arg(notes[i].substitutes));
    const size_t all = static_cast<size_t>(summary.substitutedRecords + summary.warningCount);
    if (all > std::min(listed, notes.size()))
        text += QStringLiteral("\n…ほか %1 件").arg(all - std::min(listed, notes.size()));
    return text;
}
