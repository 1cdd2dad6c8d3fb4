#include "ImportTexts.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "ImportSummary.h"
#include "Text.h"
#include "TextFile.h"

namespace {

QString Note(const CRecordReader::CWarning& warning) {
    using Kind = CRecordReader::CWarning::Kind;
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
            .arg(value);
    case Kind::LongLine:
        return QStringLiteral("%1 MiB を超える長い行のため、そこで切りました")
            .arg(CTextFile::kMaxLine >> 20);
    case Kind::Malformed:
        if (warning.column.empty())
            return QStringLiteral("項目として読めない行「%1」を読み飛ばしました").arg(value);
        if (warning.value.compare(0, 4, "END:") == 0)
            return QStringLiteral("%1 に %2 がないため、読み込みませんでした").arg(column, value);
        return QStringLiteral("%1 を読めないため（%2）、読み込みませんでした").arg(column, value);
    case Kind::Skipped:
        return QStringLiteral("%1%2 は読み込む対象ではないため、読み飛ばしました")
            .arg(column, value.isEmpty() ? QString() : QStringLiteral(" (") + value + ")");
    case Kind::Cut:
        if (value.contains(QLatin1Char('-')))
            return QStringLiteral("繰り返しの予定は %1 の間の分だけを読み込みました")
                .arg(value.replace(QLatin1Char('-'), QStringLiteral("～")));
        return QStringLiteral("繰り返しの予定が多すぎるため、途中で打ち切りました（%1）")
            .arg(value);
    case Kind::SignInside:
        return QStringLiteral("%1「%2」は期間の中に符号があるため、先頭の符号として読みました")
            .arg(column, value);
    case Kind::Floating:
        return QStringLiteral("TZID=%1 のタイムゾーンがファイルにもシステムにもないため、"
                              "時刻をこのデスクトップの時刻として読みました")
            .arg(value);
    case Kind::Unfollowed: {
        if (value == QLatin1String("unread"))
            return QStringLiteral("%1 は読めない規則のため展開せず、最初の回だけを読み込みました")
                .arg(column);
        const QString why = value == QLatin1String("never") ? QStringLiteral("一度も当てはまらない")
                            : value == QLatin1String("unbounded")
                                ? QStringLiteral("時・分・秒単位で条件の付いた")
                                : QStringLiteral("展開に %1 秒を超えてかかる").arg(value);
        return QStringLiteral("%1 は%2規則のため展開せず、最初の回だけを読み込みました")
            .arg(column, why);
    }
    }
    return QString();
}

// A name the readers give what they kept or passed over (a property, and in
// brackets what of it), with the bracket said in Japanese.
QString Named(const std::string& cp932) {
    static const std::pair<const char*, const char*> kSaid[] = {
        {" (a value by URL)", "（URL で示された値）"},
        {" (not text)", "（文字でない値）"},
        {" (over 256 KiB)", "（256 KiB を超える値）"},
        {"(beyond what is kept beside an entry)", "（項目の横に保存できる量を超えた分）"},
        {" (beyond what is kept beside an entry)", "（項目の横に保存できる量を超えた分）"},
        {"(other)", "（その他）"},
        {"(outside a card)", "（カードの外）"},
        {" (the series whole)", "（繰り返しの全体）"},
        {" (after the start)", "（開始後の通知）"},
    };
    QString name = CText::FromCp932(cp932);
    for (const auto& [english, japanese] : kSaid)
        if (name.endsWith(QLatin1String(english)))
            return name.left(name.size() - static_cast<int>(std::strlen(english))) +
                   QString::fromUtf8(japanese);
    return name;
}

} // namespace

QString CImportTexts::ReadAs(const CImportSummary& summary) {
    using Encoding = CTextFile::Encoding;
    const std::pair<Encoding, const char*> japanese[] = {
        {Encoding::Cp932, "Shift-JIS"},
        {Encoding::Utf8Bom, "UTF-8（BOM 付き）"},
        {Encoding::Utf16Le, "UTF-16（リトルエンディアン）"},
        {Encoding::Utf16Be, "UTF-16（ビッグエンディアン）"}};
    QString encoding = QString::fromStdString(summary.encoding);
    for (const auto& [kind, name] : japanese)
        if (summary.encoding == CTextFile::EncodingName(kind))
            encoding = QString::fromUtf8(name);
    QString form;
    switch (summary.form) {
    case CRecordReader::Form::Comma:
        form = QStringLiteral("カンマ区切り");
        break;
    case CRecordReader::Form::Semicolon:
        form = QStringLiteral("セミコロン区切り");
        break;
    case CRecordReader::Form::Tab:
        form = QStringLiteral("タブ区切り");
        break;
    case CRecordReader::Form::VCard:
        form = QStringLiteral("vCard");
        break;
    case CRecordReader::Form::ICalendar:
        form = QStringLiteral("iCalendar");
        break;
    case CRecordReader::Form::VCalendar:
        form = QStringLiteral("vCalendar 1.0");
        break;
    case CRecordReader::Form::Ldif:
        form = QStringLiteral("LDIF");
        break;
    }
    return encoding + QStringLiteral("、") + form;
}

QString CImportTexts::Summary(const CImportSummary& summary, size_t listed, bool cancelled) {
    return SummaryCounts(summary, cancelled) + SummaryNotes(summary, listed);
}

QString CImportTexts::SummaryCounts(const CImportSummary& summary, bool cancelled) {
    QString text = (cancelled ? QStringLiteral("読み込みを中止しました（%1）。\n")
                              : QStringLiteral("読み込みが終わりました（%1）。\n"))
                       .arg(ReadAs(summary));
    if (summary.form == CRecordReader::Form::VCard)
        text += QStringLiteral("読み込んだカード %1 枚\n").arg(summary.units);
    else if (summary.form == CRecordReader::Form::Ldif)
        text += QStringLiteral("読み込んだエントリ %1 件\n").arg(summary.units);
    else if (summary.form == CRecordReader::Form::ICalendar ||
             summary.form == CRecordReader::Form::VCalendar)
        text += QStringLiteral("読み込んだ予定 %1 件（繰り返しで増えた分 %2 件）\n")
                    .arg(summary.units)
                    .arg(summary.expanded);
    const bool lines = summary.form == CRecordReader::Form::Tab ||
                       summary.form == CRecordReader::Form::Comma ||
                       summary.form == CRecordReader::Form::Semicolon;
    text += QStringLiteral("追加 %1 件、重複として更新 %2 件、%3 %4 件\n")
                .arg(summary.added)
                .arg(summary.updated)
                .arg(lines ? QStringLiteral("空行") : QStringLiteral("読み飛ばし"))
                .arg(summary.skipped);
    text += QStringLiteral("〓 に置き換えた文字: %1 文字（%2 件）、読み取れなかった値: %3 件\n")
                .arg(summary.substitutes)
                .arg(summary.substitutedRecords)
                .arg(summary.warningCount);
    if (!summary.keptBeside.empty() || summary.keptFields > 0) {
        QStringList kept;
        if (summary.keptFields > 0)
            kept.append(QStringLiteral("欄に収まらない文字のある値 %1 件").arg(summary.keptFields));
        for (const auto& [name, count] : summary.keptBeside)
            kept.append(QStringLiteral("%1 %2 件").arg(Named(name)).arg(count));
        text += QStringLiteral("ファイルのとおりに項目の横へ保存したもの: %1\n")
                    .arg(kept.join(QStringLiteral("、")));
    }
    if (!summary.notCarried.empty()) {
        QStringList passed;
        for (const auto& [name, count] : summary.notCarried)
            passed.append(QStringLiteral("%1 %2 件").arg(Named(name)).arg(count));
        text += QStringLiteral("保存する欄がないため読み込まなかった項目: %1\n")
                    .arg(passed.join(QStringLiteral("、")));
    }
    return text;
}

QString CImportTexts::SummaryNotes(const CImportSummary& summary, size_t listed) {
    QString text;
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

QString CImportTexts::Reason(const std::string& failure) {
    static const std::pair<const char*, const char*> kPhrases[] = {
        {"the import cannot be recorded", "読み込みの記録を書けません"},
        {"what the import skipped cannot be recorded", "読み飛ばしたデータを記録できません"},
        {"the entries cannot be committed", "データを確定できません"},
        {"duplicates cannot be looked up", "重複を調べられません"},
        {"the category cannot be looked up", "分類を調べられません"},
        {"what the entry keeps beside it was refused", "項目の横に保存する内容を受け付けません"},
        {"the category was refused", "分類を受け付けません"},
        {"the entry was refused", "データを受け付けません"},
    };
    for (const auto& [english, japanese] : kPhrases) {
        const size_t length = std::strlen(english);
        if (failure.compare(0, length, english) == 0 &&
            (failure.size() == length || failure.compare(length, 2, ": ") == 0))
            return QString::fromUtf8(japanese) +
                   CText::FromCp932(failure.substr(std::min(failure.size(), length)));
    }
    return CText::FromCp932(failure);
}

QString CImportTexts::Done(const CImportSummary& summary) {
    const QLocale locale(QLocale::Japanese, QLocale::Japan);
    QString text = QStringLiteral("%1 件を読み込みました（追加 %2・置換 %3")
                       .arg(locale.toString(summary.added + summary.updated),
                            locale.toString(summary.added), locale.toString(summary.updated));
    if (summary.skipped > 0)
        text += QStringLiteral("・読み飛ばし %1").arg(locale.toString(summary.skipped));
    return text + QStringLiteral("）");
}
