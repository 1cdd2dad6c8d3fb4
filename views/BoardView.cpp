#include "BoardView.h"

#include <memory>

#include "BackendTable.h"
#include "ListCtrl.h"
#include "RecordText.h"
#include "ViewerSession.h"

namespace {

const CColumnDef kColumns[] = {{"タイトル", 200},   {"ユーザー", 100}, {"日付", 100},
                               {"メッセージ", 300}, {"ID", 100},       {"コメント元ID", 100}};

} // namespace

CBoardView::CBoardView(CViewerSession& session)
    : CDefultListView(session, KIND_BOARD, kColumns, static_cast<int>(std::size(kColumns))) {}

void CBoardView::OnInitialUpdate() {
    CDefultListView::OnInitialUpdate();
    const CBackendTable& backend = KvBackend();
    // Read as the person logged in, whom the monitor then names.
    if (!backend.kvOpenBoard(Session().LoginUser().c_str(), -1))
        CheckReadFailure();
    backend.kvRewindBoard();
    CListCtrl& list = GetListCtrl();
    auto record = std::make_unique<kvBoardMessage>();
    // Read shows the message at the position, next moves on: either ends the list with 0.
    int row = 0;
    bool more = backend.kvReadBoardMessage(record.get(), 0) != 0;
    while (more) {
        list.InsertItem(row, KV_FIELD_TEXT(*record, title));
        list.SetItemText(row, 1, KV_FIELD_TEXT(*record, userName));
        list.SetItemText(row, 2, CRecordText::DateTime(record->posted));
        list.SetItemText(row, 3, KV_FIELD_TEXT(*record, text));
        list.SetItemText(row, 4, CRecordText::Id(record->id));
        list.SetItemText(row, 5, CRecordText::Id(record->parentId));
        ++row;
        more =
            backend.kvNextBoardMessage() != 0 && backend.kvReadBoardMessage(record.get(), 0) != 0;
    }
    CheckReadFailure();
}

void CBoardView::OnDestroy() {
    CDefultListView::OnDestroy();
    KvBackend().kvCloseBoard();
}
