#pragma once

#include <QKeySequence>
#include <QString>

#include <map>
#include <utility>
#include <vector>

// One item of a menu: a command, a separator (id 0, no items) or a popup.
struct CMenuItem {
    QString text;
    int id = 0;
    std::vector<CMenuItem> items;
    // The popup to which the open child windows are appended.
    bool isWindowMenu = false;

    bool IsSeparator() const { return id == 0 && items.empty() && text.isEmpty(); }
};

// What a main frame is built from: menus by resource ID, command strings
// ("prompt\ntool tip"), accelerators, tool bar buttons (0 is a separator) and
// the status bar's key-state panes.
struct CFrameResources {
    std::map<int, std::vector<CMenuItem>> menus;
    std::map<int, QString> strings;
    std::vector<std::pair<QKeySequence, int>> accelerators;
    std::vector<int> toolBar;
    std::vector<int> indicators;
    QString idleText;
};
