#include "MessageBox.h"

#include <QMessageBox>

namespace {

std::function<int(const QString&)>& Hook() {
    static std::function<int(const QString&)> hook;
    return hook;
}

QString& CaptionText() {
    static QString caption = QStringLiteral("kelvo-View");
    return caption;
}

} // namespace

int CMessageBox::Show(QWidget* parent, const QString& text) {
    if (Hook())
        return Hook()(text);
    QMessageBox box(QMessageBox::Warning, CaptionText(), text, QMessageBox::Ok, parent);
    box.exec();
    return IDOK;
}

int CMessageBox::Question(QWidget* parent, const QString& text) {
    if (Hook())
        return Hook()(text);
    QMessageBox box(QMessageBox::Question, CaptionText(), text,
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
}

void CMessageBox::SetHook(std::function<int(const QString&)> hook) {
    Hook() = std::move(hook);
}

const QString& CMessageBox::Caption() {
    return CaptionText();
}

void CMessageBox::SetCaption(const QString& caption) {
    CaptionText() = caption;
}
