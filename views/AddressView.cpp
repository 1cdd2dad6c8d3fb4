#include "AddressView.h"

#include "ViewerApp.h"

namespace {

const CColumnDef kColumns[] = {{"タイトル", 100},     {"名前", 100},      {"読み", 100},
                               {"自宅電話番号", 100}, {"会社名", 100},    {"会社電話番号", 100},
                               {"個人メール", 100},   {"会社メール", 100}};

} // namespace

CAddressView::CAddressView()
    : CDefultListView(KIND_ADDRESS, kColumns, static_cast<int>(std::size(kColumns))) {}
