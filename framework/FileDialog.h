#pragma once

#include <QString>

#include <functional>

class QWidget;

// The system's file dialogs. Tests replace them with a hook that answers
// with a path (an empty path is a cancel).
class CFileDialog {
public:
    enum Mode { Open, Save };

    // The chosen path, or an empty text when the user cancelled. filter: the
    // file types offered, as QFileDialog takes them ("name (*.a *.b);;...").
    static QString GetFileName(QWidget* parent, Mode mode, const QString& initialName = QString(),
                               const QString& filter = QString());

    static void SetHook(std::function<QString(Mode)> hook);
};
