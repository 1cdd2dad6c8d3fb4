#pragma once

#include "DefultListView.h"

// The bulletin board, every message a row in delivery order.
class CBoardView : public CDefultListView {
public:
    CBoardView();

    void OnInitialUpdate() override;
    void OnDestroy() override;
};
