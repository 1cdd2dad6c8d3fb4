#pragma once

#include "DefultListView.h"

// The logged-in user's schedules, one entry per row.
class CSchaduleView : public CDefultListView {
public:
    explicit CSchaduleView(CViewerSession& session);

    void OnInitialUpdate() override;
    void OnDestroy() override;
};
