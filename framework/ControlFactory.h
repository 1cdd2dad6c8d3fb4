#pragma once

#include <QRect>

#include "DialogTemplate.h"

class QFont;
class QWidget;

// Makes the controls of a dialog template and places them by dialog units.
class CControlFactory {
public:
    // Dialog base units of font: average Latin letter width and height.
    static QSize BaseUnits(const QFont& font);
    static QRect Map(const QSize& base, int x, int y, int width, int height);
    // The control for def, placed on parent; buttons are not connected.
    static QWidget* Create(const CControlDef& def, const QSize& base, QWidget* parent);
};
