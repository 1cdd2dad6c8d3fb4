#include "BoardView.h"

#include "ViewerApp.h"

namespace {

const CColumnDef kColumns[] = {{"タイトル", 200},   {"ユーザー", 100}, {"日付", 100},
                               {"メッセージ", 300}, {"ID", 100},       {"コメント元ID", 100}};

} // namespace

CBoardView::CBoardView()
    : CDefultListView(KIND_BOARD, kColumns, static_cast<int>(std::size(kColumns))) {}
