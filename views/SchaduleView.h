#pragma once

#include "DefultListView.h"

// The logged-in user's schedules.
class CSchaduleView : public CDefultListView {
public:
    CSchaduleView();
};
