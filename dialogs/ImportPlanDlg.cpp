#include "ImportPlanDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <map>
#include <string>

#include "Text.h"

namespace {

// The fields by their stored names, as a person knows them.
QString FieldLabel(const std::string& name, bool addresses) {
    if (!addresses && name == "title")
        return QStringLiteral("件名");
    static const std::map<std::string, const char*> labels = {
        {"owner", "所有者"},
        {"category", "分類"},
        {"title", "肩書き"},
        {"last_name", "姓"},
        {"last_name_reading", "姓ﾌﾘｶﾞﾅ"},
        {"first_name", "名"},
        {"name_reading", "名ﾌﾘｶﾞﾅ"},
        {"company", "会社名"},
        {"business_phone", "会社電話"},
        {"business_phone_2", "会社電話 2"},
        {"business_fax", "会社 FAX"},
        {"email", "電子ﾒｰﾙ ｱﾄﾞﾚｽ"},
        {"business_postal_code", "会社郵便番号"},
        {"business_prefecture", "会社所在地（都道府県）"},
        {"business_city", "会社所在地（市区町村）"},
        {"business_street", "会社所在地（番地）"},
        {"home_phone", "自宅電話"},
        {"home_phone_2", "自宅電話 2"},
        {"mobile_phone", "携帯電話"},
        {"home_fax", "自宅 FAX"},
        {"email_2", "電子ﾒｰﾙ 2 ｱﾄﾞﾚｽ"},
        {"web_page", "Web ﾍﾟｰｼﾞ"},
        {"home_prefecture", "自宅住所（都道府県）"},
        {"home_city", "自宅住所（市区町村）"},
        {"home_street", "自宅住所（番地）"},
        {"memo", "ﾒﾓ"},
        {"place", "場所"},
        {"start", "開始"},
        {"end", "終了"},
        {"all_day", "終日"},
        {"public", "公開"},
        {"alarm_lead", "ｱﾗｰﾑ（分前）"},
        {"comment", "内容"},
    };
    const auto found = labels.find(name);
    return found != labels.end() ? QString::fromUtf8(found->second) : QString::fromStdString(name);
}

// A value in a cell: on one line, "（空）" for none.
QString Value(const std::string& cp932) {
    const QString text = CText::FromCp932(cp932).simplified();
    return text.isEmpty() ? QStringLiteral("（空）") : text;
}

} // namespace

bool CImportPlanDlg::Worth(const CImportPlan& plan) {
    return plan.Count(CImportPlan::Action::Replace) + plan.Count(CImportPlan::Action::Skip) > 0;
}

QString CImportPlanDlg::Changes(const CImportPlan::CLine& line, bool addresses) {
    if (line.action == CImportPlan::Action::Skip)
        return CText::FromCp932(line.reason);
    if (line.changes.empty())
        return QStringLiteral("変更なし");
    QStringList changes;
    for (const CImportPlan::CChange& change : line.changes)
        changes.append(QStringLiteral("%1: %2 → %3")
                           .arg(FieldLabel(change.field, addresses), Value(change.before),
                                Value(change.after)));
    return changes.join(QStringLiteral("、"));
}

CImportPlanDlg::CImportPlanDlg(QWidget* parent, const QString& preview, const CImportPlan& plan,
                               bool addresses)
    : QDialog(parent), m_pTable(new QTableWidget(0, 4, this)) {
    using Action = CImportPlan::Action;
    setWindowTitle(QStringLiteral("読み込みの予定"));
    auto* layout = new QVBoxLayout(this);
    QString text = preview;
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    text +=
        QStringLiteral("重複チェックにより、追加 %1 件・置換 %2 件・読み飛ばし %3 件となります。\n"
                       "置き換えるデータと読み飛ばすデータは次のとおりです。")
            .arg(plan.Count(Action::Add))
            .arg(plan.Count(Action::Replace))
            .arg(plan.Count(Action::Skip));
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    layout->addWidget(label);
    m_pTable->setHorizontalHeaderLabels({QStringLiteral("行"), QStringLiteral("処理"),
                                         QStringLiteral("データ"),
                                         QStringLiteral("変わる項目（前 → 後）・理由")});
    m_pTable->verticalHeader()->hide();
    // Rows as high as a list's, not a form's.
    m_pTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_pTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    int listed = 0, left = 0;
    for (const CImportPlan::CLine& line : plan.Lines()) {
        if (line.action == Action::Add)
            continue;
        if (listed == kListed) {
            ++left;
            continue;
        }
        const int row = listed++;
        m_pTable->insertRow(row);
        auto* number = new QTableWidgetItem(QString::number(line.line));
        number->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_pTable->setItem(row, kLineColumn, number);
        m_pTable->setItem(row, kActionColumn,
                          new QTableWidgetItem(line.action == Action::Replace
                                                   ? QStringLiteral("置換")
                                                   : QStringLiteral("読み飛ばし")));
        m_pTable->setItem(row, kEntryColumn, new QTableWidgetItem(CText::FromCp932(line.entry)));
        const QString what = Changes(line, addresses);
        auto* changes = new QTableWidgetItem(what);
        changes->setToolTip(what.split(QStringLiteral("、")).join(QLatin1Char('\n')));
        m_pTable->setItem(row, kWhatColumn, changes);
    }
    m_pTable->resizeColumnsToContents();
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_pTable);
    if (left > 0)
        layout->addWidget(new QLabel(
            QStringLiteral("ほか %1 件").arg(QLocale(QLocale::Japanese).toString(left)), this));
    layout->addWidget(new QLabel(QStringLiteral("読み込みを続けますか？"), this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 200 + 26 * std::min(listed, 14));
}
