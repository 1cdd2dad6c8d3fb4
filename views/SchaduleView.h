#pragma once

#include "DefultListView.h"

// The logged-in user's schedules, one entry per row.
class CSchaduleView : public CDefultListView {
public:
    CSchaduleView();

    void OnInitialUpdate() override;
    void OnDestroy() override;
};
