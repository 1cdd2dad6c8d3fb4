#include "ImportLog.h"

#include <memory>

#include "Database.h"
#include "ErrorState.h"

namespace {

std::string Column(const CStatement& row, int column) {
    size_t length = 0;
    const char* data = row.ColumnData(column, length);
    return data != nullptr ? std::string(data, length) : std::string();
}

// "last first", or one of them: how the lists show a name.
std::string Name(const std::string& last, const std::string& first) {
    return last + (!last.empty() && !first.empty() ? " " : "") + first;
}

} // namespace

bool CImportLog::List(const char* owner, const std::function<void(const kvAdminImport&)>& visit) {
    auto count = [](int action) {
        return "(SELECT count(*) FROM import_entries e WHERE e.import_id = i.id AND e.action = " +
               std::to_string(action) + ")";
    };
    std::unique_ptr<CStatement> list = m_db.PrepareList(
        "SELECT i.id, i.kind, i.user_name, i.owner, i.started, i.file, i.size, i.hash, i.form, "
        "i.options, i.skipped, i.ended, i.undone, " +
        count(1) + ", " + count(2) + ", " + count(3) + " FROM imports i" +
        (owner != nullptr ? " WHERE i.owner = ?1 OR i.user_name = ?1" : "") + " ORDER BY i.id");
    if (!list)
        return false;
    const std::string filter = owner != nullptr ? owner : "";
    if (owner != nullptr)
        list->BindBytes(1, filter.data(), filter.size());
    while (m_db.StepRow(*list, "the imports")) {
        const std::string user = Column(*list, 2), whose = Column(*list, 3),
                          file = Column(*list, 5), hash = Column(*list, 7), form = Column(*list, 8),
                          options = Column(*list, 9);
        kvAdminImport import{};
        import.number = static_cast<int>(list->ColumnInt64(0));
        import.kind = Column(*list, 1) == "addresses" ? KV_KIND_ADDRESS : KV_KIND_SCHEDULE;
        import.userName = user.c_str();
        import.owner = whose.c_str();
        import.started = list->ColumnInt64(4);
        import.file = file.c_str();
        import.size = list->ColumnInt64(6);
        import.hash = hash.c_str();
        import.form = form.c_str();
        import.options = options.c_str();
        import.skipped = list->ColumnInt64(10);
        import.ended = list->ColumnInt64(11);
        import.undone = list->ColumnInt64(12);
        import.added = list->ColumnInt64(13);
        import.replaced = list->ColumnInt64(14);
        import.removed = list->ColumnInt64(15);
        visit(import);
    }
    return CErrorState::Get().empty();
}

bool CImportLog::Entries(
    int number,
    const std::function<void(int, long long, const std::string&, const std::string&)>& visit) {
    std::unique_ptr<CStatement> kind = m_db.Prepare("SELECT kind FROM imports WHERE id = ?1");
    if (!kind)
        return false;
    kind->BindInt(1, number);
    if (!m_db.StepRow(*kind, "the import")) {
        if (CErrorState::Get().empty())
            m_db.Fail("import " + std::to_string(number) + " cannot be shown", "there is none");
        return false;
    }
    const bool addresses = Column(*kind, 0) == "addresses";
    kind.reset();
    // The entry as it is (if it still is) and as the import found it (if it
    // replaced or removed it).
    std::unique_ptr<CStatement> entries = m_db.PrepareList(
        addresses ? "SELECT e.action, e.entry_id, a.last_name, a.first_name, b.last_name, "
                    "b.first_name FROM import_entries e LEFT JOIN addresses a ON a.id = "
                    "e.entry_id LEFT JOIN import_addresses b ON b.import_id = e.import_id AND "
                    "b.id = e.entry_id WHERE e.import_id = ?1 ORDER BY e.action, e.entry_id"
                  : "SELECT e.action, e.entry_id, s.title, NULL, b.title, NULL FROM "
                    "import_entries e LEFT JOIN schedules s ON s.id = e.entry_id LEFT JOIN "
                    "import_schedules b ON b.import_id = e.import_id AND b.id = e.entry_id WHERE "
                    "e.import_id = ?1 ORDER BY e.action, e.entry_id");
    if (!entries)
        return false;
    entries->BindInt(1, number);
    while (m_db.StepRow(*entries, "the import's entries"))
        visit(static_cast<int>(entries->ColumnInt64(0)), entries->ColumnInt64(1),
              Name(Column(*entries, 2), Column(*entries, 3)),
              Name(Column(*entries, 4), Column(*entries, 5)));
    return CErrorState::Get().empty();
}
