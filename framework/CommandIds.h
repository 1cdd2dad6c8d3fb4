#pragma once

// Every command ID of the program, in one place: the framework's standard
// commands (which it handles itself) and the viewer's own. A QAction's object
// name is its ID.
enum : int {
    // The viewer's commands.
    ID_LOGIN = 32771,
    ID_VIEW_USER = 32772,
    ID_VIEW_SCHADULE = 32773,
    ID_VIEW_ADDRESS = 32774,
    ID_VIEW_BOARD = 32775,
    ID_CHANGE_PASSWORD = 32776,
    ID_VIEW_MONITOR = 32777,
    ID_IMPORT_ADDRESS = 32778,
    ID_IMPORT_SCHADULE = 32779,

    // The framework's standard commands.
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
