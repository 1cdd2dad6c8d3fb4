#pragma once

#include <QString>

class QWidget;

// The import menu's "take back my last import": the newest import the person
// signed in ran (and did not take back yet) is named by its file, time and
// counts, and taken back when the person agrees. Open lists show the change
// when they are opened again, as after an import.
class CImportTakeBack {
public:
    // Asks and does it; what the status bar should say afterwards (empty when
    // nothing was done: none to take back, declined, or refused with a box).
    static QString Run(QWidget* parent);

    // The question that names the import (for the confirmation box).
    static QString Question(int kind, const QString& file, long long started, long long ended,
                            long long added, long long replaced, long long removed);
};
