#include "NewTypeDlg.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CNewTypeDlg::CNewTypeDlg(const QStringList& names, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("新規"));
    m_pList = new QListWidget(this);
    m_pList->addItems(names);
    m_pList->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pList);
    layout->addWidget(buttons);
}

int CNewTypeDlg::Selected() const {
    return m_pList->currentRow();
}
