#pragma once

#include <QIcon>
#include <QImage>

// The program's own icons, drawn rather than loaded, so that they look the
// same on every desktop and need no files beside the program: the tool bar's
// fallbacks for when the desktop's icon theme lacks a freedesktop name, and
// the program icon (also written out at install time for the icon theme).
class CIconPainter {
public:
    enum class Kind { Program, Cut, Copy, Paste, Print, Help };

    // One square picture of kind, size pixels wide. The program icon is drawn
    // from shapes only, so it needs no fonts (and no application object).
    static QImage Paint(Kind kind, int size);
    // The icon in the sizes a tool bar or a title bar asks for.
    static QIcon Icon(Kind kind);
    // The desktop theme's icon of that freedesktop name, else the drawn one.
    static QIcon ThemeIcon(const char* themeName, Kind kind);
};
