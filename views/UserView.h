#pragma once

#include "DefultListView.h"

// The user list.
class CUserView : public CDefultListView {
public:
    CUserView();
};
