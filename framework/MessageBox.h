#pragma once

#include <QString>

#include <functional>

class QWidget;

// The program's message boxes: the application's name as caption (SetCaption,
// which the application object calls), an OK button.
// Tests replace the box with a hook that records the text and answers.
class CMessageBox {
public:
    static constexpr int IDOK = 1;
    static constexpr int IDCANCEL = 2;

    static int Show(QWidget* parent, const QString& text);
    // text, and under it details (a list of any length) in a scrolling area
    // of a few lines' height, so that the box never grows past the screen.
    // A hook gets text followed by details.
    static int Show(QWidget* parent, const QString& text, const QString& details);
    // Asks to go on or not: IDOK or IDCANCEL.
    static int Question(QWidget* parent, const QString& text);

    // Activates owner's window again after a modal window over it closed (a
    // window manager may otherwise leave the keyboard with no window).
    static void GiveBackFocus(QWidget* owner);

    // While set, Show and Question call the hook instead of opening a box;
    // what it returns is the answer.
    static void SetHook(std::function<int(const QString&)> hook);
    static const QString& Caption();
    static void SetCaption(const QString& caption);
};
