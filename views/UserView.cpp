#include "UserView.h"

#include "ViewerApp.h"

namespace {

const CColumnDef kColumns[] = {{"ユーザー名", 200}, {"よみ", 200}, {"グループ", 500}};

} // namespace

CUserView::CUserView()
    : CDefultListView(KIND_USER, kColumns, static_cast<int>(std::size(kColumns))) {}
