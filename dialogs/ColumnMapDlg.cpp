#include "ColumnMapDlg.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ColumnMapping.h"
#include "FileDialog.h"
#include "MessageBox.h"

namespace {

const char kNone[] = "読み込まない";

// The settings key of a header line: a hash of its names, in order.
QString HeaderKey(const std::vector<CRecordReader::CColumn>& columns) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const CRecordReader::CColumn& column : columns) {
        hash.addData(QByteArray::fromStdString(column.header));
        hash.addData(QByteArrayView("\t", 1));
    }
    return QStringLiteral("column-mappings/") + QString::fromLatin1(hash.result().toHex());
}

QSettings Settings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("kelvo"),
                     QStringLiteral("kelvo-view"));
}

} // namespace

CColumnMapDlg::CColumnMapDlg(QWidget* parent, const std::vector<CRecordReader::CColumn>& columns,
                             const std::vector<std::string>& targets)
    : QDialog(parent), m_pTable(new QTableWidget(static_cast<int>(columns.size()), 3, this)) {
    setWindowTitle(QStringLiteral("列の読み込み先"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("このファイルには読み込み先の分からない列があります。"
                                  "\n列ごとに読み込み先を選んでください。"),
                   this));
    m_pTable->setHorizontalHeaderLabels(
        {QStringLiteral("見出し"), QStringLiteral("最初の値"), QStringLiteral("読み込み先")});
    m_pTable->verticalHeader()->hide();
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setSelectionMode(QAbstractItemView::NoSelection);
    for (size_t row = 0; row < columns.size(); ++row) {
        const CRecordReader::CColumn& column = columns[row];
        m_headers.push_back(column.header);
        const int at = static_cast<int>(row);
        m_pTable->setItem(at, kHeaderColumn,
                          new QTableWidgetItem(QString::fromStdString(column.header)));
        QStringList samples;
        for (const std::string& sample : column.samples)
            samples.append(QString::fromStdString(sample).simplified());
        auto* sample = new QTableWidgetItem(samples.join(QStringLiteral(" / ")));
        sample->setToolTip(samples.join(QLatin1Char('\n')));
        m_pTable->setItem(at, kSampleColumn, sample);
        auto* target = new QComboBox(m_pTable);
        target->addItem(QString::fromUtf8(kNone));
        for (const std::string& name : targets)
            target->addItem(QString::fromStdString(name));
        const int chosen = target->findText(QString::fromStdString(column.target));
        target->setCurrentIndex(column.target.empty() || chosen < 0 ? 0 : chosen);
        m_pTable->setCellWidget(at, kTargetColumn, target);
    }
    m_pTable->resizeColumnsToContents();
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_pTable);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    QPushButton* save =
        buttons->addButton(QStringLiteral("対応を保存(&S)..."), QDialogButtonBox::ActionRole);
    connect(save, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 120 + 30 * std::min<int>(static_cast<int>(columns.size()), 12));
}

CRecordReader::CMapping CColumnMapDlg::Mapping() const {
    CRecordReader::CMapping mapping;
    for (size_t row = 0; row < m_headers.size(); ++row) {
        auto* target =
            static_cast<QComboBox*>(m_pTable->cellWidget(static_cast<int>(row), kTargetColumn));
        mapping.emplace_back(m_headers[row], target->currentIndex() == 0
                                                 ? std::string()
                                                 : target->currentText().toStdString());
    }
    return mapping;
}

void CColumnMapDlg::OnSave() {
    const QString path =
        CFileDialog::GetFileName(this, CFileDialog::Save, QStringLiteral("mapping.txt"),
                                 QStringLiteral("対応表 (*.txt);;すべてのファイル (*)"));
    if (path.isEmpty())
        return;
    QFile file(path);
    const QByteArray text = QByteArray::fromStdString(CColumnMapping::Text(Mapping()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        CMessageBox::Show(
            this,
            QStringLiteral("%1 に保存できませんでした。\n理由: %2").arg(path, file.errorString()));
}

CRecordReader::CMapping
CColumnMapDlg::Remembered(const std::vector<CRecordReader::CColumn>& columns) {
    CRecordReader::CMapping mapping;
    std::string why;
    const QString text = Settings().value(HeaderKey(columns)).toString();
    if (text.isEmpty() || !CColumnMapping::Parse(text.toStdString(), mapping, why))
        mapping.clear();
    return mapping;
}

void CColumnMapDlg::Remember(const std::vector<CRecordReader::CColumn>& columns,
                             const CRecordReader::CMapping& mapping) {
    QSettings settings = Settings();
    settings.setValue(HeaderKey(columns), QString::fromStdString(CColumnMapping::Text(mapping)));
}
