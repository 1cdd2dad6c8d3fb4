#pragma once

#include "Dialog.h"

// The About box.
class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(QWidget* parent);
};
