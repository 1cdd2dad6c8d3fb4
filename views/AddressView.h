#pragma once

#include "DefultListView.h"

// The logged-in user's address book, with the public entries.
class CAddressView : public CDefultListView {
public:
    CAddressView();

    void OnInitialUpdate() override;
    void OnDestroy() override;
};
