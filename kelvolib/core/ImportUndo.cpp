#include "ImportUndo.h"

#include <ctime>
#include <memory>
#include <vector>

#include "AddressStore.h"
#include "Database.h"
#include "ErrorState.h"
#include "ScheduleStore.h"

bool CImportUndo::Undo(int number, bool force, std::string& summary) {
    const std::string what = "import " + std::to_string(number) + " cannot be taken back";
    return m_db.InTransaction(what, [&] {
        std::unique_ptr<CStatement> import =
            m_db.Prepare("SELECT kind, owner, undone FROM imports WHERE id = ?1");
        if (!import)
            return false;
        import->BindInt(1, number);
        if (!m_db.StepRow(*import, "the import")) {
            if (CErrorState::Get().empty())
                CErrorState::Set("there is no such import");
            return false;
        }
        size_t length = 0;
        const char* data = import->ColumnData(0, length);
        const std::string kind(data != nullptr ? data : "", length);
        data = import->ColumnData(1, length);
        const std::string owner(data != nullptr ? data : "", length);
        if (import->ColumnInt64(2) != 0) {
            CErrorState::Set("it was taken back before");
            return false;
        }
        import.reset();
        const bool addresses = kind == "addresses";
        const std::string table = addresses ? "addresses" : "schedules";
        const std::string columns =
            addresses ? CAddressStore::RowColumns() : CScheduleStore::RowColumns();
        // What a later import (not taken back) replaced or removed is its.
        const std::string later =
            "SELECT l.entry_id FROM import_entries l JOIN imports li ON li.id = l.import_id "
            "WHERE l.import_id > ?1 AND l.action IN (2, 3) AND li.undone = 0 AND li.kind = ?2";
        std::unique_ptr<CStatement> conflicts = m_db.Prepare(
            "SELECT DISTINCT entry_id FROM import_entries WHERE import_id = ?1 AND entry_id IN (" +
            later + ") ORDER BY entry_id");
        if (!conflicts)
            return false;
        conflicts->BindInt(1, number);
        conflicts->BindText(2, kind.c_str());
        std::vector<long long> changed;
        while (m_db.StepRow(*conflicts, "the later changes"))
            changed.push_back(conflicts->ColumnInt64(0));
        if (!CErrorState::Get().empty())
            return false;
        conflicts.reset();
        if (!changed.empty() && !force) {
            std::string ids;
            for (size_t i = 0; i < changed.size() && i < 20; ++i)
                ids += (i > 0 ? ", " : "") + std::to_string(changed[i]);
            if (changed.size() > 20)
                ids += ", ... (" + std::to_string(changed.size()) + " in all)";
            CErrorState::Set("a later import changed entries " + ids +
                             " (forced, it is taken back and those keep the later changes)");
            return false;
        }
        const std::string added =
            "SELECT entry_id FROM import_entries WHERE import_id = ?1 AND action = 1";
        // The added entries go; a replaced or removed one is put back as it
        // was (one the import added and then replaced itself only goes).
        const std::string steps[] = {
            "DELETE FROM " + table + " WHERE id IN (" + added + ") AND id NOT IN (" + later + ")",
            "DELETE FROM " + table + " WHERE id IN (SELECT id FROM import_" + table +
                " WHERE import_id = ?1) AND id NOT IN (" + added + ") AND id NOT IN (" + later +
                ")",
            "INSERT INTO " + table + "(" + columns + ") SELECT " + columns + " FROM import_" +
                table + " WHERE import_id = ?1 AND id NOT IN (" + added + ") AND id NOT IN (" +
                later + ")",
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
        std::unique_ptr<CStatement> mark =
            m_db.Prepare("UPDATE imports SET undone = ?2 WHERE id = ?1");
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
        summary = "removed " + std::to_string(changes[0]) + " added entries, put back " +
                  std::to_string(changes[2]) +
                  (changed.empty() ? std::string()
                                   : ", kept " + std::to_string(changed.size()) +
                                         " entries a later import changed");
        return true;
    });
}
