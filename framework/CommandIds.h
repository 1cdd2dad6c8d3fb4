#pragma once

// The framework's standard command IDs, which it handles itself (a program's
// own commands are its own: they start at 32768). A QAction's object name is
// its ID.
enum : int {
    // The standard commands.
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_PRINT = 57607,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_WINDOW_NEW = 57648,
    ID_WINDOW_ARRANGE = 57649,
    ID_WINDOW_CASCADE = 57650,
    ID_WINDOW_TILE_HORZ = 57651,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,

    // Status bar panes.
    ID_INDICATOR_CAPS = 59137,
    ID_INDICATOR_NUM = 59138,
    ID_INDICATOR_SCRL = 59139,
    ID_INDICATOR_KANA = 59142,
};
