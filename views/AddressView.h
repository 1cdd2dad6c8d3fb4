#pragma once

#include "DefultListView.h"

// The logged-in user's address book.
class CAddressView : public CDefultListView {
public:
    CAddressView();
};
