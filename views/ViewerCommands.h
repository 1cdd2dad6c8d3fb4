#pragma once

// The viewer's own command IDs (the framework's standard ones are in
// CommandIds.h). A QAction's object name is its ID.
enum : int {
    ID_LOGIN = 32771,
    ID_VIEW_USER = 32772,
    ID_VIEW_SCHADULE = 32773,
    ID_VIEW_ADDRESS = 32774,
    ID_VIEW_BOARD = 32775,
    ID_CHANGE_PASSWORD = 32776,
    ID_VIEW_MONITOR = 32777,
    ID_IMPORT_ADDRESS = 32778,
    ID_IMPORT_SCHADULE = 32779,
    ID_UNDO_IMPORT = 32780,
};
