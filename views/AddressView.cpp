#include "AddressView.h"

#include <memory>

#include "BackendTable.h"
#include "ListCtrl.h"
#include "RecordText.h"
#include "ViewerSession.h"

namespace {

const CColumnDef kColumns[] = {{"タイトル", 100},     {"名前", 100},      {"読み", 100},
                               {"自宅電話番号", 100}, {"会社名", 100},    {"会社電話番号", 100},
                               {"個人メール", 100},   {"会社メール", 100}};

} // namespace

CAddressView::CAddressView(CViewerSession& session)
    : CDefultListView(session, KIND_ADDRESS, kColumns, static_cast<int>(std::size(kColumns))) {}

void CAddressView::OnInitialUpdate() {
    CDefultListView::OnInitialUpdate();
    const CBackendTable& backend = KvBackend();
    if (!backend.kvOpenAddressBook(Session().LoginUser().c_str(), -1, 0, 0, 0))
        CheckReadFailure();
    CListCtrl& list = GetListCtrl();
    auto record = std::make_unique<kvAddressRecord>();
    for (int row = 0; backend.kvNextAddress(record.get(), 1); ++row) {
        list.InsertItem(row, KV_FIELD_TEXT(*record, title));
        list.SetItemText(row, 1, KV_FIELD_TEXT(*record, lastName));
        list.SetItemText(row, 2, KV_FIELD_TEXT(*record, lastNameReading));
        list.SetItemText(row, 3, KV_FIELD_TEXT(*record, homePhone));
        list.SetItemText(row, 4, KV_FIELD_TEXT(*record, company));
        list.SetItemText(row, 5, KV_FIELD_TEXT(*record, businessPhone));
        list.SetItemText(row, 6, KV_FIELD_TEXT(*record, email2));
        list.SetItemText(row, 7, KV_FIELD_TEXT(*record, email));
        const kvAddressRecord& r = *record;
        ShowOriginal(row, KV_KIND_ADDRESS,
                     {{0, "title", r.title, sizeof(r.title)},
                      {1, "last_name", r.lastName, sizeof(r.lastName)},
                      {2, "last_name_reading", r.lastNameReading, sizeof(r.lastNameReading)},
                      {3, "home_phone", r.homePhone, sizeof(r.homePhone)},
                      {4, "company", r.company, sizeof(r.company)},
                      {5, "business_phone", r.businessPhone, sizeof(r.businessPhone)},
                      {6, "email_2", r.email2, sizeof(r.email2)},
                      {7, "email", r.email, sizeof(r.email)}});
    }
    CheckReadFailure();
}

void CAddressView::OnDestroy() {
    CDefultListView::OnDestroy();
    KvBackend().kvCloseAddressBook();
}
