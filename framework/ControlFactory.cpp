#include "ControlFactory.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

#include "ListBox.h"

QSize CControlFactory::BaseUnits(const QFont& font) {
    QFontMetrics metrics(font);
    int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize(std::max(1, (letters / 26 + 1) / 2), std::max(1, metrics.height()));
}

QRect CControlFactory::Map(const QSize& base, int x, int y, int width, int height) {
    return QRect(x * base.width() / 4, y * base.height() / 8, width * base.width() / 4,
                 height * base.height() / 8);
}

QWidget* CControlFactory::Create(const CControlDef& def, const QSize& base, QWidget* parent) {
    QWidget* control = nullptr;
    switch (def.kind) {
    case CControlDef::Static:
        control = new QLabel(def.text, parent);
        break;
    case CControlDef::Icon: {
        auto* label = new QLabel(parent);
        label->setPixmap(QApplication::windowIcon().pixmap(32, 32));
        control = label;
        break;
    }
    case CControlDef::Edit: {
        auto* edit = new QLineEdit(def.text, parent);
        if (def.style & CControlDef::Password)
            edit->setEchoMode(QLineEdit::Password);
        control = edit;
        break;
    }
    case CControlDef::PushButton:
    case CControlDef::DefPushButton: {
        auto* button = new QPushButton(def.text, parent);
        button->setDefault(def.kind == CControlDef::DefPushButton);
        button->setAutoDefault(def.kind == CControlDef::DefPushButton);
        control = button;
        break;
    }
    case CControlDef::CheckBox:
        control = new QCheckBox(def.text, parent);
        break;
    case CControlDef::ComboBox: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(def.style & CControlDef::EditableCombo);
        combo->setInsertPolicy(QComboBox::NoInsert);
        control = combo;
        break;
    }
    case CControlDef::Progress: {
        auto* progress = new QProgressBar(parent);
        progress->setTextVisible(false);
        control = progress;
        break;
    }
    case CControlDef::ListBox:
        control = new CListBox(parent);
        break;
    }
    QRect rect = Map(base, def.x, def.y, def.width, def.height);
    if (def.kind == CControlDef::ComboBox) // the template height includes the drop-down list
        rect.setHeight(control->sizeHint().height());
    // Labels were measured in the original Japanese font, which is narrower than the
    // fonts here: a label may grow to its text rather than be clipped.
    if (def.kind == CControlDef::Static)
        rect.setWidth(std::max(rect.width(), control->sizeHint().width()));
    control->setGeometry(rect);
    if (def.style & CControlDef::NoTabStop)
        control->setFocusPolicy(Qt::ClickFocus);
    if (def.style & CControlDef::Hidden)
        control->hide();
    if (def.id > 0)
        control->setObjectName(QString::number(def.id));
    return control;
}
