#include "MessageBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>

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
    QWidget* owner = Owner(parent);
    QMessageBox box(QMessageBox::Warning, CaptionText(), text, QMessageBox::Ok, owner);
    box.exec();
    GiveBackFocus(owner);
    return IDOK;
}

int CMessageBox::Show(QWidget* parent, const QString& text, const QString& details) {
    if (details.trimmed().isEmpty())
        return Show(parent, text);
    if (Hook())
        return Hook()(text + details);
    QWidget* owner = Owner(parent);
    QMessageBox box(QMessageBox::Warning, CaptionText(), text.trimmed(), QMessageBox::Ok, owner);
    auto* list = new QPlainTextEdit(details.trimmed(), &box);
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    constexpr int kLines = 8;
    list->setFixedHeight(list->fontMetrics().lineSpacing() * kLines + 2 * list->frameWidth() +
                         static_cast<int>(2 * list->document()->documentMargin()));
    list->setMinimumWidth(list->fontMetrics().averageCharWidth() * 60);
    // Between the text and the buttons, under the text's column.
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    auto* buttons = box.findChild<QDialogButtonBox*>();
    if (grid != nullptr && buttons != nullptr) {
        grid->removeWidget(buttons);
        const int row = grid->rowCount();
        grid->addWidget(list, row, 1, 1, grid->columnCount() - 1);
        grid->addWidget(buttons, row + 1, 0, 1, grid->columnCount());
    }
    box.exec();
    GiveBackFocus(owner);
    return IDOK;
}

int CMessageBox::Question(QWidget* parent, const QString& text) {
    if (Hook())
        return Hook()(text);
    QWidget* owner = Owner(parent);
    QMessageBox box(QMessageBox::Question, CaptionText(), text,
                    QMessageBox::Ok | QMessageBox::Cancel, owner);
    box.setDefaultButton(QMessageBox::Ok);
    const int answer = box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
    GiveBackFocus(owner);
    return answer;
}

void CMessageBox::GiveBackFocus(QWidget* owner) {
    QWidget* window = owner != nullptr ? owner->window() : nullptr;
    if (window == nullptr || !window->isVisible())
        return;
    window->activateWindow();
    // The window manager unmaps the closed window after this, and may then
    // give the keyboard to none of ours (openbox to itself): ask again once
    // it has, while no window of the program has the keyboard.
    QPointer<QWidget> guard(window);
    for (int delay : {50, 250, 750})
        QTimer::singleShot(delay, window, [guard] {
            if (guard && guard->isVisible() && QApplication::activeModalWidget() == nullptr &&
                QApplication::activeWindow() == nullptr)
                guard->activateWindow();
        });
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
