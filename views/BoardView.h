#pragma once

#include "DefultListView.h"

// The bulletin board.
class CBoardView : public CDefultListView {
public:
    CBoardView();
};
