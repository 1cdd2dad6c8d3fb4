#include "FileDialog.h"

#include <QFileDialog>

namespace {

std::function<QString(CFileDialog::Mode)>& Hook() {
    static std::function<QString(CFileDialog::Mode)> hook;
    return hook;
}

} // namespace

QString CFileDialog::GetFileName(QWidget* parent, Mode mode, const QString& initialName,
                                 const QString& filter) {
    if (Hook())
        return Hook()(mode);
    if (mode == Open)
        return QFileDialog::getOpenFileName(parent, QString(), initialName, filter);
    // The overwrite question belongs to whoever writes; nothing here truncates.
    return QFileDialog::getSaveFileName(parent, QString(), initialName, QString(), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void CFileDialog::SetHook(std::function<QString(Mode)> hook) {
    Hook() = std::move(hook);
}
