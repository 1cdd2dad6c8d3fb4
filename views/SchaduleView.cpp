#include "SchaduleView.h"

#include <memory>

#include "BackendTable.h"
#include "ListCtrl.h"
#include "RecordText.h"
#include "ViewerSession.h"

namespace {

const CColumnDef kColumns[] = {
    {"タイトル", 200}, {"場所", 100}, {"開始", 150}, {"終了", 150}, {"コメント", 300}};

// An end year of 1970 means the entry has no end.
constexpr int kNoEndYear = 70;

} // namespace

CSchaduleView::CSchaduleView(CViewerSession& session)
    : CDefultListView(session, KIND_SCHADULE, kColumns, static_cast<int>(std::size(kColumns))) {}

void CSchaduleView::OnInitialUpdate() {
    CDefultListView::OnInitialUpdate();
    const CBackendTable& backend = KvBackend();
    if (!backend.kvOpenSchedules(Session().LoginUser().c_str(), ""))
        CheckReadFailure();
    CListCtrl& list = GetListCtrl();
    auto record = std::make_unique<kvScheduleRecord>();
    CRecordText::CBuffer buffer;
    for (int row = 0; backend.kvNextSchedule(record.get(), 1); ++row) {
        // The all-day flag decides the form of both times.
        auto format = [&record, &buffer](const kvTimeBlock& time) {
            return record->allDay != 0 ? CRecordText::Date(time, buffer)
                                       : CRecordText::DateTime(time, buffer);
        };
        list.InsertItem(row, KV_FIELD_TEXT(*record, title));
        list.SetItemText(row, 1, KV_FIELD_TEXT(*record, place));
        list.SetItemText(row, 2, format(record->start)); // copied before the buffer is reused
        list.SetItemText(row, 3,
                         record->end.yearsSince1900 == kNoEndYear ? std::string_view()
                                                                  : format(record->end));
        list.SetItemText(row, 4, KV_FIELD_TEXT(*record, comment));
        const kvScheduleRecord& r = *record;
        ShowOriginal(row, KV_KIND_SCHEDULE,
                     {{0, "title", r.title, sizeof(r.title)},
                      {1, "place", r.place, sizeof(r.place)},
                      {4, "comment", r.comment, sizeof(r.comment)}});
    }
    CheckReadFailure();
}

void CSchaduleView::OnDestroy() {
    CDefultListView::OnDestroy();
    KvBackend().kvCloseSchedules();
}
