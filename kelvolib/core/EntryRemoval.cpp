#include "EntryRemoval.h"

#include <ctime>
#include <memory>

#include "AddressStore.h"
#include "Database.h"
#include "ErrorState.h"
#include "ScheduleStore.h"

std::string CEntryRemoval::Condition(const CWhich& which, int first) {
    const std::string table = which.addresses ? "addresses" : "schedules";
    const std::string owner = "?" + std::to_string(first), key = "?" + std::to_string(first + 1);
    std::string where = which.addresses
                            ? "owner = " + owner
                            : "owner_id = (SELECT id FROM owners WHERE name = " + owner + ")";
    if (!which.ids.empty())
        where += " AND id = " + key;
    else if (which.import > 0)
        where += " AND EXISTS (SELECT 1 FROM import_entries e WHERE e.import_id = " + key +
                 " AND e.action = 1 AND " + table + ".id BETWEEN e.entry_id AND e.last_id)";
    return where;
}

void CEntryRemoval::Bind(const CWhich& which, CStatement& statement, int first, long long key) {
    statement.BindBytes(first, which.owner.data(), which.owner.size());
    if (!which.ids.empty())
        statement.BindInt(first + 1, key);
    else if (which.import > 0)
        statement.BindInt(first + 1, which.import);
}

const std::vector<long long>& CEntryRemoval::Keys(const CWhich& which) {
    static const std::vector<long long> one = {0};
    return which.ids.empty() ? one : which.ids;
}

bool CEntryRemoval::Count(const CWhich& which, long long& count) {
    const std::string table = which.addresses ? "addresses" : "schedules";
    std::unique_ptr<CStatement> counted =
        m_db.Prepare("SELECT count(*) FROM " + table + " WHERE " + Condition(which, 1));
    if (!counted)
        return false;
    for (long long key : Keys(which)) {
        Bind(which, *counted, 1, key);
        if (m_db.StepRow(*counted, "the entries"))
            count += counted->ColumnInt64(0);
        counted->Reset();
    }
    return CErrorState::Get().empty();
}

bool CEntryRemoval::Move(const CWhich& which, long long number) {
    const std::string table = which.addresses ? "addresses" : "schedules";
    const std::string columns =
        which.addresses ? CAddressStore::RowColumns() : CScheduleStore::RowColumns();
    // ?1 the record's number, then the entries: each entry's row as it was,
    // then the removal.
    const std::string steps[] = {
        "INSERT INTO import_" + table + "(import_id, " + columns + ") SELECT ?1, " + columns +
            " FROM " + table + " WHERE " + Condition(which, 2),
        "INSERT INTO import_entries(import_id, action, entry_id, last_id) SELECT ?1, 3, id, "
        "id FROM " +
            table + " WHERE " + Condition(which, 2),
    };
    for (const std::string& sql : steps) {
        std::unique_ptr<CStatement> step = m_db.Prepare(sql);
        if (!step)
            return false;
        for (long long key : Keys(which)) {
            step->BindInt(1, number);
            Bind(which, *step, 2, key);
            if (!step->Run())
                return false;
        }
    }
    std::unique_ptr<CStatement> removal =
        m_db.Prepare("DELETE FROM " + table + " WHERE " + Condition(which, 1));
    if (!removal)
        return false;
    for (long long key : Keys(which)) {
        Bind(which, *removal, 1, key);
        if (!removal->Run())
            return false;
    }
    // Every writer that kept the owner's duplicate keys reads them again.
    std::unique_ptr<CStatement> changed = m_db.Connection().PrepareChangeCount();
    if (!changed)
        return false;
    changed->BindText(1, table.c_str());
    changed->BindBytes(2, which.owner.data(), which.owner.size());
    changed->BindInt(3, 1);
    return changed->Run();
}

std::string CEntryRemoval::IdList(const CWhich& which) {
    std::string ids;
    for (long long id : which.ids)
        ids += (ids.empty() ? "" : ",") + std::to_string(id);
    return ids;
}

bool CEntryRemoval::Remove(const CWhich& which, bool dryRun, long long& count, int& number) {
    count = 0;
    number = 0;
    const std::string table = which.addresses ? "addresses" : "schedules";
    if (which.ids.empty() && which.import <= 0 && !which.all)
        return false;
    const std::string what = "the entries cannot be removed";
    if (which.person && !dryRun && !which.ids.empty())
        if (std::unique_ptr<CStatement> own = m_db.Connection().PrepareOwnEntriesRemoval())
            return m_db.InTransaction(what, [&] {
                own->BindText(1, table.c_str());
                own->BindText(2, IdList(which).c_str());
                if (!m_db.StepRow(*own, "the entries"))
                    return false;
                count = own->ColumnInt64(0);
                number = static_cast<int>(own->ColumnInt64(1));
                return true;
            });
    return m_db.InTransaction(what, [&] {
        if (!Count(which, count))
            return false;
        if (dryRun || count == 0)
            return true;
        // The record first, then the entries, then its end.
        CImportRecorder::CStart start;
        start.kind = table;
        start.owner = which.owner;
        start.userName = which.userName;
        start.form = "delete";
        start.options = which.all          ? "all"
                        : which.import > 0 ? "added by import " + std::to_string(which.import)
                                           : std::to_string(which.ids.size()) + " by ID";
        number = static_cast<int>(CImportRecorder::WriteStart(m_db, start));
        if (number <= 0 || !Move(which, number))
            return false;
        std::unique_ptr<CStatement> ended =
            m_db.Prepare("UPDATE imports SET ended = ?2 WHERE id = ?1");
        if (!ended)
            return false;
        ended->BindInt(1, number);
        ended->BindInt(2, static_cast<long long>(std::time(nullptr)));
        return ended->Run();
    });
}

bool CEntryRemoval::RemoveInImport(const CWhich& which, long long import, long long& count) {
    count = 0;
    if (which.ids.empty())
        return true;
    const std::string table = which.addresses ? "addresses" : "schedules";
    // In the import's own batch: committed, or forgotten, with its entries.
    if (!m_db.BeforeBatchedWrite())
        return false;
    if (std::unique_ptr<CStatement> own = m_db.Connection().PrepareOwnEntriesRemovalInImport()) {
        own->BindInt(1, import);
        own->BindText(2, table.c_str());
        own->BindText(3, IdList(which).c_str());
        if (!m_db.StepRow(*own, "the entries"))
            return false;
        count = own->ColumnInt64(0);
        return true;
    }
    return Count(which, count) && (count == 0 || Move(which, import));
}
