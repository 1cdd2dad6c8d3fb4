#pragma once

#include "DefultListView.h"

// The bulletin board, every message a row in delivery order.
class CBoardView : public CDefultListView {
public:
    explicit CBoardView(CViewerSession& session);

    void OnInitialUpdate() override;
    void OnDestroy() override;
};
