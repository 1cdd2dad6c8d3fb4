#include "SchaduleView.h"

#include "ViewerApp.h"

namespace {

const CColumnDef kColumns[] = {
    {"タイトル", 200}, {"場所", 100}, {"開始", 150}, {"終了", 150}, {"コメント", 300}};

} // namespace

CSchaduleView::CSchaduleView()
    : CDefultListView(KIND_SCHADULE, kColumns, static_cast<int>(std::size(kColumns))) {}
