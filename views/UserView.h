#pragma once

#include "DefultListView.h"

// The user list: every user with reading and groups; the password change of
// the selected user starts here.
class CUserView : public CDefultListView {
public:
    explicit CUserView(CViewerSession& session);

    void OnInitialUpdate() override;
    void OnDestroy() override;

private:
    void Fill();
    void OnChangePassword();
};
