#include "ImportLog.h"

#include <map>
#include <memory>
#include <vector>

#include "Database.h"
#include "ErrorState.h"

namespace {

// "last first", or one of them: how the lists show a name.
std::string Name(const std::string& last, const std::string& first) {
    return last + (!last.empty() && !first.empty() ? " " : "") + first;
}

} // namespace

bool CImportLog::List(const char* owner, const std::function<void(const kvAdminImport&)>& visit) {
    const std::string filter = owner != nullptr ? owner : "";
    return Read(owner != nullptr ? " WHERE i.owner = ?1 OR i.user_name = ?1 ORDER BY i.id"
                                 : " ORDER BY i.id",
                owner != nullptr ? &filter : nullptr, visit);
}

bool CImportLog::Last(const std::string& userName,
                      const std::function<void(const kvAdminImport&)>& visit) {
    return Read(" WHERE i.user_name = ?1 AND i.undone = 0 ORDER BY i.id DESC LIMIT 1", &userName,
                visit);
}

bool CImportLog::Read(const std::string& condition, const std::string* filter,
                      const std::function<void(const kvAdminImport&)>& visit) {
    auto count = [](int action) {
        return "(SELECT coalesce(sum(e.last_id - e.entry_id + 1), 0) FROM import_entries e WHERE "
               "e.import_id = i.id AND e.action = " +
               std::to_string(action) + ")";
    };
    std::unique_ptr<CStatement> list = m_db.PrepareList(
        "SELECT i.id, i.kind, i.user_name, i.owner, i.started, i.file, i.size, i.hash, i.form, "
        "i.options, i.skipped, i.ended, i.undone, " +
        count(1) + ", " + count(2) + ", " + count(3) + " FROM imports i" + condition);
    if (!list)
        return false;
    if (filter != nullptr)
        list->BindBytes(1, filter->data(), filter->size());
    while (m_db.StepRow(*list, "the imports")) {
        const std::string user = list->ColumnText(2), whose = list->ColumnText(3),
                          file = list->ColumnText(5), hash = list->ColumnText(7),
                          form = list->ColumnText(8), options = list->ColumnText(9);
        kvAdminImport import{};
        import.number = static_cast<int>(list->ColumnInt64(0));
        import.kind = list->ColumnText(1) == "addresses" ? KV_KIND_ADDRESS : KV_KIND_SCHEDULE;
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
    std::unique_ptr<CStatement> import =
        m_db.Prepare("SELECT kind, owner FROM imports WHERE id = ?1");
    if (!import)
        return false;
    import->BindInt(1, number);
    if (!m_db.StepRow(*import, "the import")) {
        if (CErrorState::Get().empty())
            CErrorState::Set("there is no import " + std::to_string(number));
        return false;
    }
    const bool addresses = import->ColumnText(0) == "addresses";
    const std::string owner = import->ColumnText(1);
    import.reset();
    // Its runs of IDs, the owner's entries as they are, and those the import
    // replaced or removed as they were: each read once.
    struct CRun {
        int action;
        long long first, last;
    };
    std::vector<CRun> runs;
    std::map<long long, std::string> now, before;
    auto read = [&](const std::string& sql, const std::function<void(CStatement&)>& bind,
                    const char* what, const std::function<void(CStatement&)>& take) {
        std::unique_ptr<CStatement> list = m_db.PrepareList(sql);
        if (!list)
            return false;
        bind(*list);
        while (m_db.StepRow(*list, what))
            take(*list);
        return CErrorState::Get().empty();
    };
    auto byNumber = [number](CStatement& list) { list.BindInt(1, number); };
    auto byOwner = [&owner, number](CStatement& list) {
        list.BindBytes(1, owner.data(), owner.size());
        list.BindInt(2, number);
    };
    auto name = [](std::map<long long, std::string>& into) {
        return [&into](CStatement& row) {
            into[row.ColumnInt64(0)] = Name(row.ColumnText(1), row.ColumnText(2));
        };
    };
    const char* names = addresses ? "id, last_name, first_name" : "id, title, NULL";
    if (!read("SELECT action, entry_id, last_id FROM import_entries WHERE import_id = ?1 ORDER BY "
              "action, entry_id",
              byNumber, "the import's entries",
              [&runs](CStatement& row) {
                  runs.push_back({static_cast<int>(row.ColumnInt64(0)), row.ColumnInt64(1),
                                  row.ColumnInt64(2)});
              }) ||
        // Of the owner's entries, only those in the import's runs.
        !read(std::string("SELECT ") + names +
                  (addresses ? " FROM addresses t WHERE owner = ?1"
                             : " FROM schedules t WHERE owner_id = (SELECT id FROM owners WHERE "
                               "name = ?1)") +
                  " AND EXISTS (SELECT 1 FROM import_entries e WHERE e.import_id = ?2 AND t.id "
                  "BETWEEN e.entry_id AND e.last_id)",
              byOwner, "the entries", name(now)) ||
        !read(std::string("SELECT ") + names + " FROM import_" +
                  (addresses ? "addresses" : "schedules") + " WHERE import_id = ?1",
              byNumber, "the entries as they were", name(before)))
        return false;
    for (const CRun& run : runs)
        for (long long id = run.first; id <= run.last; ++id) {
            const auto is = now.find(id), was = before.find(id);
            visit(run.action, id, is != now.end() ? is->second : std::string(),
                  run.action != 1 && was != before.end() ? was->second : std::string());
        }
    return true;
}

bool CImportLog::Skips(int number,
                       const std::function<void(long long, const std::string&)>& visit) {
    std::unique_ptr<CStatement> skips = m_db.PrepareList(
        "SELECT line, reason FROM import_skips WHERE import_id = ?1 ORDER BY line");
    if (!skips)
        return false;
    skips->BindInt(1, number);
    while (m_db.StepRow(*skips, "the skipped records"))
        visit(skips->ColumnInt64(0), skips->ColumnText(1));
    return CErrorState::Get().empty();
}

bool CImportLog::Prune(long long olderThan, int keep, long long& pruned) {
    pruned = 0;
    if (olderThan <= 0 && keep <= 0)
        return false;
    // ?1 the time, ?2 how many a person keeps; both always named, so that
    // every engine knows each parameter.
    const std::string which =
        "(CAST(?1 AS BIGINT) > 0 AND started < ?1) OR (CAST(?2 AS BIGINT) > 0 AND id NOT IN "
        "(SELECT n.id FROM imports n WHERE n.user_name = imports.user_name ORDER BY n.id DESC "
        "LIMIT ?2))";
    return m_db.InTransaction("the imports' records cannot be pruned", [&] {
        for (const char* table :
             {"import_entries", "import_addresses", "import_schedules", "import_skips"}) {
            std::unique_ptr<CStatement> step =
                m_db.Prepare(std::string("DELETE FROM ") + table +
                             " WHERE import_id IN (SELECT id FROM imports WHERE " + which + ")");
            if (!step)
                return false;
            step->BindInt(1, olderThan);
            step->BindInt(2, keep);
            if (!step->Run())
                return false;
        }
        std::unique_ptr<CStatement> records = m_db.Prepare("DELETE FROM imports WHERE " + which);
        if (!records)
            return false;
        records->BindInt(1, olderThan);
        records->BindInt(2, keep);
        if (!records->Run())
            return false;
        pruned = records->Changes();
        return true;
    });
}
