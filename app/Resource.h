#pragma once

#include "CommandIds.h"
#include "ViewerCommands.h"

// Resource IDs of the viewer (its commands are in ViewerCommands.h, the
// framework's in CommandIds.h).
enum : int {
    IDR_MAINFRAME = 128,
    IDR_USERTYPE = 129,
    IDR_SCHADULETYPE = 132,
    IDR_ADDRESSTYPE = 133,
    IDR_BOARDTYPE = 134,
    IDR_MONITORTYPE = 135,

    IDD_ABOUTBOX = 100,
    IDD_LOGIN = 130,
};
