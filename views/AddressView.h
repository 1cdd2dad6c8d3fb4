#pragma once

#include "DefultListView.h"

// The logged-in user's address book, with the public entries.
class CAddressView : public CDefultListView {
public:
    explicit CAddressView(CViewerSession& session);

    void OnInitialUpdate() override;
    void OnDestroy() override;
};
