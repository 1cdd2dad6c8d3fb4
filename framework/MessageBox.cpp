#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {

std::function<int(const QString&)>& Hook() {
    static std::function<int(const QString&)> hook;
    return hook;
}

// The application object's name (CWinApp), or until there is one the
// program's, as Qt knows it.
QString& CaptionText() {
    static QString caption;
    if (caption.isEmpty())
        caption = QCoreApplication::applicationName();
    return caption;
}

// The window a box belongs over: the active modal dialog or window, so that
// a box asked for by a dialog not yet shown still appears over what the user
// sees, never at the screen's corner.
QWidget* Owner(QWidget* parent) {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return parent != nullptr ? parent->window() : nullptr;
}

} // namespace

int CMessageBox::Show(QWidget* parent, const QString& text) {
    if (Hook())
        return Hook()(text);
    QMessageBox box(QMessageBox::Warning, CaptionText(), text, QMessageBox::Ok, Owner(parent));
    box.exec();
    return IDOK;
}

int CMessageBox::Question(QWidget* parent, const QString& text) {
    if (Hook())
        return Hook()(text);
    QMessageBox box(QMessageBox::Question, CaptionText(), text,
                    QMessageBox::Ok | QMessageBox::Cancel, Owner(parent));
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
