#include "ImportRecorder.h"

#include <algorithm>
#include <ctime>

#include "Database.h"

namespace {

enum Action { kAdded = 1, kReplaced = 2 };

} // namespace

CImportRecorder::CImportRecorder(CDatabase& db) : m_db(db) {
    m_db.SetBatchHooks(
        this,
        [this] {
            // A batch's added and replaced entries commit with it.
            if (m_nImport != 0)
                WriteEntries(kAdded, m_added) && WriteEntries(kReplaced, m_replaced);
        },
        [this](bool committed) {
            m_added.clear();
            m_replaced.clear();
            if (committed)
                m_bBegun = true;
            else if (!m_bBegun)
                m_nImport = 0; // the record went with the batch that began it
        });
}

CImportRecorder::~CImportRecorder() {
    m_db.RemoveBatchHooks(this);
}

bool CImportRecorder::Begin(const CStart& start, long long& number) {
    if (m_nImport != 0) {
        m_db.Fail("an import cannot begin", "another one is under way");
        return false;
    }
    if (!m_db.BeforeBatchedWrite())
        return false;
    number = WriteStart(m_db, start);
    if (number <= 0)
        return false;
    m_nImport = number;
    m_strKind = start.kind;
    m_bBegun = false;
    m_added.clear();
    m_replaced.clear();
    return true;
}

long long CImportRecorder::WriteStart(CDatabase& db, const CStart& start) {
    std::unique_ptr<CStatement> begin = db.Connection().PrepareImportBegin();
    if (!begin)
        return 0;
    begin->BindBytes(1, start.userName.data(), start.userName.size());
    begin->BindBytes(2, start.owner.data(), start.owner.size());
    begin->BindText(3, start.kind.c_str());
    begin->BindInt(4, static_cast<long long>(std::time(nullptr)));
    begin->BindBytes(5, start.file.data(), start.file.size());
    begin->BindInt(6, start.size);
    begin->BindText(7, start.hash.c_str());
    begin->BindText(8, start.form.c_str());
    begin->BindText(9, start.options.c_str());
    if (begin->Step() != CStatement::Result::Row || begin->ColumnInt64(0) <= 0) {
        // Settled before the statement goes: a server's failed transaction
        // takes no more of it.
        db.Fail("the import's record cannot be written");
        db.AfterFailedWrite();
        return 0;
    }
    return begin->ColumnInt64(0);
}

bool CImportRecorder::WriteEntries(int action, std::vector<long long>& ids) {
    if (ids.empty())
        return true;
    if (!m_entries)
        m_entries = m_db.Connection().PrepareImportEntries();
    if (!m_entries)
        return false;
    // Runs of consecutive IDs as a JSON array of [first, last] pairs, which
    // both engines take apart themselves.
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    std::string list = "[";
    for (size_t i = 0; i < ids.size();) {
        size_t last = i;
        while (last + 1 < ids.size() && ids[last + 1] == ids[last] + 1)
            ++last;
        list += (list.size() > 1 ? ",[" : "[") + std::to_string(ids[i]) + "," +
                std::to_string(ids[last]) + "]";
        i = last + 1;
    }
    list += "]";
    ids.clear();
    m_entries->BindInt(1, m_nImport);
    m_entries->BindInt(2, action);
    m_entries->BindText(3, list.c_str());
    if (m_entries->Queue())
        return true;
    m_db.Fail("the import's entries cannot be recorded");
    m_db.AfterFailedWrite();
    return false;
}

bool CImportRecorder::Replacing(const std::string& table, const std::string& columns,
                                const std::string& condition, long long id,
                                const std::function<void(CStatement&, int)>& bind) {
    if (!m_before || m_strBeforeTable != table) {
        m_before = m_db.Connection().PrepareImportBefore(table, columns, condition);
        m_strBeforeTable = table;
    }
    if (!m_before)
        return false;
    m_before->BindInt(1, m_nImport);
    bind(*m_before, 2);
    if (!m_before->Queue()) {
        m_db.Fail("what an entry was before the import cannot be kept");
        m_db.AfterFailedWrite();
        return false;
    }
    m_replaced.push_back(id);
    return true;
}

bool CImportRecorder::RemovingSeries(const std::string& columns, const std::string& owner,
                                     const std::string& series) {
    if (m_series.empty())
        m_series = m_db.Connection().PrepareImportSeriesBefore(columns);
    for (const auto& statement : m_series) {
        if (!statement)
            return false;
        statement->BindInt(1, m_nImport);
        statement->BindBytes(2, owner.data(), owner.size());
        statement->BindBytes(3, series.data(), series.size());
        if (!statement->Queue()) {
            m_db.Fail("what a series was before the import cannot be kept");
            m_db.AfterFailedWrite();
            return false;
        }
    }
    return true;
}

bool CImportRecorder::Skipped(long long line, const std::string& reason) {
    if (m_nImport == 0 || !m_db.BeforeBatchedWrite())
        return false;
    if (!m_skip)
        m_skip = m_db.Connection().PrepareImportSkip();
    if (!m_skip)
        return false;
    m_skip->BindInt(1, m_nImport);
    m_skip->BindInt(2, line);
    m_skip->BindBytes(3, reason.data(), reason.size());
    if (m_skip->Queue())
        return true;
    m_db.Fail("what the import skipped cannot be recorded");
    m_db.AfterFailedWrite();
    return false;
}

bool CImportRecorder::End(long long skipped) {
    if (m_nImport == 0)
        return false;
    // The last entries first: an ended record takes no more.
    if (!m_db.BeforeBatchedWrite() || !WriteEntries(kAdded, m_added) ||
        !WriteEntries(kReplaced, m_replaced))
        return false;
    std::unique_ptr<CStatement> end = m_db.Connection().PrepareImportEnd();
    if (!end)
        return false;
    end->BindInt(1, m_nImport);
    end->BindInt(2, skipped);
    end->BindInt(3, static_cast<long long>(std::time(nullptr)));
    const bool ended = end->Queue();
    if (!ended) {
        m_db.Fail("the import's record cannot be ended");
        m_db.AfterFailedWrite();
    }
    Forget();
    return ended;
}

void CImportRecorder::Forget() {
    m_nImport = 0;
    m_strKind.clear();
    m_added.clear();
    m_replaced.clear();
    m_before.reset();
    m_series.clear();
    m_entries.reset();
    m_skip.reset();
}
