#include "ImportUndo.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "AddressStore.h"
#include "Database.h"
#include "ErrorState.h"
#include "ScheduleStore.h"

namespace {

// "3, 4, 9", or the first of them and how many: IDs as the refusal names them.
std::string Named(const std::vector<long long>& ids) {
    std::string named;
    for (long long id : ids) {
        if (named.size() > 200)
            return named + ", ... (" + std::to_string(ids.size()) + " in all)";
        named += (named.empty() ? "" : ", ") + std::to_string(id);
    }
    return named;
}

} // namespace

bool CImportUndo::Undo(int number, bool force, const std::string* person, CResult& result) {
    const std::string what = "import " + std::to_string(number) + " cannot be taken back";
    return m_db.InTransaction(what, [&] {
        std::unique_ptr<CStatement> import =
            m_db.Prepare("SELECT kind, owner, undone, user_name FROM imports WHERE id = ?1");
        if (!import)
            return false;
        import->BindInt(1, number);
        if (!m_db.StepRow(*import, "the import") ||
            (person != nullptr && import->ColumnText(3) != *person)) {
            if (CErrorState::Get().empty())
                CErrorState::Set("there is no such import");
            return false;
        }
        const std::string kind = import->ColumnText(0), owner = import->ColumnText(1);
        if (import->ColumnInt64(2) != 0) {
            CErrorState::Set("it was taken back before");
            return false;
        }
        import.reset();
        result = CResult();
        std::vector<long long> changed;
        if (std::unique_ptr<CStatement> function = m_db.Connection().PrepareImportUndo()) {
            function->BindInt(1, number);
            function->BindInt(2, force ? 1 : 0);
            if (!m_db.StepRow(*function, "the import"))
                return false;
            result.removed = function->ColumnInt64(0);
            result.restored = function->ColumnInt64(1);
            // The server names them as "1,2,...".
            std::istringstream ids(function->ColumnText(2));
            for (std::string id; std::getline(ids, id, ',');)
                changed.push_back(std::stoll(id));
        } else if (!Run(number, force, kind, owner, changed, result)) {
            return false;
        }
        if (!changed.empty() && !force) {
            CErrorState::Set("a later import changed entries " + Named(changed) +
                             " (forced, it is taken back and those keep the later changes)");
            return false;
        }
        result.kept = static_cast<long long>(changed.size());
        return true;
    });
}

std::string CImportUndo::Summary(const CResult& result) {
    return "removed " + std::to_string(result.removed) + " added entries, put back " +
           std::to_string(result.restored) +
           (result.kept == 0
                ? std::string()
                : ", kept " + std::to_string(result.kept) + " entries a later import changed");
}

bool CImportUndo::Run(int number, bool force, const std::string& kind, const std::string& owner,
                      std::vector<long long>& changed, CResult& result) {
    const bool addresses = kind == "addresses";
    const std::string table = addresses ? "addresses" : "schedules";
    const std::string columns =
        addresses ? CAddressStore::RowColumns() : CScheduleStore::RowColumns();
    // What a later import (not taken back) replaced or removed is its:
    // where its runs of IDs meet this import's.
    const std::string laterRuns =
        "SELECT 1 FROM import_entries l JOIN imports li ON li.id = l.import_id WHERE "
        "l.import_id > ?1 AND l.action IN (2, 3) AND li.undone = 0 AND li.kind = ?2";
    std::unique_ptr<CStatement> conflicts = m_db.Prepare(
        "SELECT e.entry_id, e.last_id, l.entry_id, l.last_id FROM import_entries e JOIN "
        "import_entries l ON l.entry_id <= e.last_id AND e.entry_id <= l.last_id JOIN "
        "imports li ON li.id = l.import_id WHERE e.import_id = ?1 AND l.import_id > ?1 AND "
        "l.action IN (2, 3) AND li.undone = 0 AND li.kind = ?2");
    if (!conflicts)
        return false;
    conflicts->BindInt(1, number);
    conflicts->BindText(2, kind.c_str());
    std::set<long long> ids;
    while (m_db.StepRow(*conflicts, "the later changes"))
        for (long long id = std::max(conflicts->ColumnInt64(0), conflicts->ColumnInt64(2));
             id <= std::min(conflicts->ColumnInt64(1), conflicts->ColumnInt64(3)); ++id)
            ids.insert(id);
    if (!CErrorState::Get().empty())
        return false;
    conflicts.reset();
    changed.assign(ids.begin(), ids.end());
    if (!changed.empty() && !force)
        return true;
    // Whether the entry whose ID is column is in a run of this import's
    // added entries, and in a later import's.
    auto added = [](const std::string& column) {
        return "EXISTS (SELECT 1 FROM import_entries e WHERE e.import_id = ?1 AND e.action = 1 "
               "AND " +
               column + " BETWEEN e.entry_id AND e.last_id)";
    };
    auto later = [&laterRuns](const std::string& column) {
        return "EXISTS (" + laterRuns + " AND " + column + " BETWEEN l.entry_id AND l.last_id)";
    };
    const std::string id = table + ".id";
    // The added entries go; a replaced or removed one is put back as it
    // was (one the import added and then replaced itself only goes).
    const std::string steps[] = {
        "DELETE FROM " + table + " WHERE " + added(id) + " AND NOT " + later(id),
        "DELETE FROM " + table + " WHERE id IN (SELECT b.id FROM import_" + table +
            " b WHERE b.import_id = ?1) AND NOT " + added(id) + " AND NOT " + later(id),
        "INSERT INTO " + table + "(" + columns + ") SELECT " + columns + " FROM import_" + table +
            " b WHERE b.import_id = ?1 AND NOT " + added("b.id") + " AND NOT " + later("b.id"),
    };
    long long changes[3] = {};
    for (size_t i = 0; i < std::size(steps); ++i) {
        std::unique_ptr<CStatement> step = m_db.Prepare(steps[i]);
        if (!step)
            return false;
        step->BindInt(1, number);
        step->BindText(2, kind.c_str());
        if (!step->Run())
            return false;
        changes[i] = step->Changes();
    }
    std::unique_ptr<CStatement> mark = m_db.Prepare("UPDATE imports SET undone = ?2 WHERE id = ?1");
    // Every writer that kept the owner's duplicate keys reads them again.
    std::unique_ptr<CStatement> count = m_db.Connection().PrepareChangeCount();
    if (!mark || !count)
        return false;
    mark->BindInt(1, number);
    mark->BindInt(2, static_cast<long long>(std::time(nullptr)));
    count->BindText(1, kind.c_str());
    count->BindBytes(2, owner.data(), owner.size());
    count->BindInt(3, 1);
    if (!mark->Run() || !count->Run())
        return false;
    result.removed = changes[0];
    result.restored = changes[2];
    return true;
}
