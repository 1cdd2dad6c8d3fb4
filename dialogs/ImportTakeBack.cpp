#include "ImportTakeBack.h"

#include <QDateTime>
#include <QLocale>

#include "BackendTable.h"
#include "MessageBox.h"
#include "Text.h"

namespace {

QString Count(long long count) {
    return QLocale().toString(count);
}

} // namespace

QString CImportTakeBack::Question(int kind, const QString& file, long long started, long long ended,
                                  long long added, long long replaced, long long removed) {
    QString did = QStringLiteral("追加 %1 件").arg(Count(added));
    if (replaced > 0)
        did += QStringLiteral("・置換 %1 件").arg(Count(replaced));
    if (removed > 0)
        did += QStringLiteral("・削除 %1 件").arg(Count(removed));
    return QStringLiteral("直前のインポートを取り消しますか？\n\n"
                          "ファイル: %1\n日時: %2%3\n%4: %5\n\n"
                          "追加したデータは削除され、置き換えたデータと削除したデータは"
                          "インポート前の内容に戻ります。")
        .arg(file,
             QDateTime::fromSecsSinceEpoch(started).toString(QStringLiteral("yyyy/MM/dd HH:mm")),
             ended == 0 ? QStringLiteral("（途中で終わったインポート）") : QString(),
             kind == KV_KIND_ADDRESS ? QStringLiteral("アドレス帳")
                                     : QStringLiteral("スケジュール"),
             did);
}

QString CImportTakeBack::Run(QWidget* parent) {
    kvImportInfo import{};
    if (!KvBackend().kvLastImport(&import)) {
        const std::string reason = KvLastError();
        CMessageBox::Show(parent, reason.empty()
                                      ? QStringLiteral("取り消せるインポートはありません。")
                                      : QStringLiteral("インポートの記録を読めませんでした。\n"
                                                       "理由: %1")
                                            .arg(CText::FromCp932(reason)));
        return QString();
    }
    const QString question = Question(import.kind, QString::fromUtf8(import.file), import.started,
                                      import.ended, import.added, import.replaced, import.removed);
    if (CMessageBox::Question(parent, question) != CMessageBox::IDOK)
        return QString();
    long long removed = 0, restored = 0;
    if (!KvBackend().kvUndoImport(import.number, &removed, &restored)) {
        CMessageBox::Show(parent, QStringLiteral("インポートを取り消せませんでした。\n理由: %1\n"
                                                 "データは変わっていません。")
                                      .arg(CText::FromCp932(KvLastError())));
        return QString();
    }
    return QStringLiteral("インポートを取り消しました（削除 %1 件・復元 %2 件）。"
                          "開いている一覧には、開き直すと表示されます。")
        .arg(Count(removed), Count(restored));
}
