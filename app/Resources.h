#pragma once

#include <QString>

#include "FrameResources.h"

// The viewer's resources as data: menus 128 to 135, the string table with its
// prompts and tool tips, the accelerator table and the tool bar.
class CResources {
public:
    static const CFrameResources& Frame();
    // The seven-field document string of a template.
    static QString DocString(int templateId);
};
