#include "EntryWriter.h"

#include "Database.h"
#include "DuplicateIndex.h"
#include "MonitorQueue.h"
#include "MonitorText.h"

CEntryWriter::CEntryWriter(CDatabase& db, CMonitorQueue& monitor, CDuplicateIndex& index,
                           CKind kind, std::function<void()> forget)
    : m_db(db), m_monitor(monitor), m_index(index), m_kind(std::move(kind)),
      m_forget(std::move(forget)) {}

CEntryWriter::~CEntryWriter() = default;

std::string CEntryWriter::ColumnList() const {
    std::string list;
    for (const std::string& column : m_kind.columns)
        list += (list.empty() ? "" : ", ") + column;
    return list;
}

std::string CEntryWriter::RowColumns(const CKind& kind) {
    std::string list;
    for (const std::string& column : kind.columns)
        list += column + ", ";
    return list + "id, changed";
}

bool CEntryWriter::Touch(const std::string& owner) {
    return m_db.BeforeBatchedWrite() && m_index.Touch(owner);
}

CStatement* CEntryWriter::Append(const std::string& owner, long long& id) {
    // The new entry's ID and stamp follow the store's columns.
    if (!m_append)
        m_append = m_db.PrepareAppend(m_kind.table, ColumnList() + ", id, changed");
    if (!m_append || !Touch(owner) || !m_db.NextId(m_kind.table.c_str(), id))
        return nullptr;
    m_append->BindInt(Columns() + 1, id);
    m_append->BindInt(Columns() + 2, m_index.Stamp(owner));
    return m_append.get();
}

CStatement* CEntryWriter::Update(const std::string& owner, const std::string& foundOwner) {
    if (!m_update) {
        std::string sql = "UPDATE " + m_kind.table + " SET ";
        int parameter = 0;
        for (const std::string& column : m_kind.columns)
            sql += column + " = ?" + std::to_string(++parameter) + ", ";
        sql += "changed = ?" + std::to_string(++parameter) + " WHERE ";
        for (size_t i = 0; i < m_kind.key.size(); ++i)
            sql += (i > 0 ? " AND " : "") + m_kind.key[i] + " = ?" + std::to_string(++parameter);
        m_update = m_db.Prepare(sql);
    }
    if (!m_update || !Touch(owner) || !m_index.Touch(foundOwner))
        return nullptr;
    m_update->BindInt(Columns() + 1, m_index.Stamp(owner));
    return m_update.get();
}

bool CEntryWriter::Queue(CStatement& statement, const std::string& name, const char* what) {
    if (!statement.Queue()) {
        m_db.Fail(m_kind.noun + " " + name + " cannot be " + what);
        m_db.AfterFailedWrite();
        if (m_forget)
            m_forget();
        return false;
    }
    m_db.NoteBatchedWrite();
    m_monitor.Push(
        CMonitorText::Say(u8"%1を%2しました: %3", {m_kind.shown, CMonitorText::Verb(what), name}));
    return true;
}

void CEntryWriter::Close() {
    m_append.reset();
    m_update.reset();
}
