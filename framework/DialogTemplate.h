#pragma once

#include <QString>

#include <vector>

// One control of a dialog template, positioned in dialog units.
struct CControlDef {
    enum Kind {
        Static,
        Edit,
        PushButton,
        DefPushButton,
        CheckBox,
        ComboBox,
        Progress,
        ListBox,
        Icon
    };
    enum Style {
        None = 0,
        Password = 1, // shows a mask character for each character typed
        Hidden = 2,   // not visible
        NoTabStop = 4,
        Sorted = 8,        // combo box or list box keeps its items sorted
        EditableCombo = 16 // a drop-down combo box whose text can be typed
    };

    int id; // -1 for a static without an ID
    Kind kind;
    QString text;
    int x, y, width, height;
    int style = None;
};

// A dialog template: title, size in dialog units, font and controls in tab order.
struct CDialogTemplate {
    int id;
    QString title;
    int width, height;
    QString fontName;
    int pointSize;
    std::vector<CControlDef> controls;
};
