#include "DuplicateIndex.h"

#include "Cp932.h"
#include "Database.h"
#include "MonitorQueue.h"
#include "MonitorText.h"

CDuplicateIndex::CDuplicateIndex(CDatabase& db, std::string kind, Loader loader)
    : m_db(db), m_strKind(std::move(kind)), m_loader(std::move(loader)) {
    m_db.SetBatchHooks(
        this,
        [this] {
            // The writes of this batch are counted with it.
            for (auto& entry : m_owners) {
                if (!entry.second.written)
                    continue;
                if (!m_countWrite)
                    m_countWrite = m_db.Connection().PrepareChangeCount();
                if (!m_countWrite)
                    return;
                m_countWrite->BindText(1, m_strKind.c_str());
                m_countWrite->BindBytes(2, entry.first.data(), entry.first.size());
                m_countWrite->BindInt(3, entry.second.movedKey ? 1 : 0);
                m_countWrite->Queue();
            }
        },
        [this](bool committed) {
            for (auto& entry : m_owners) {
                COwner& owner = entry.second;
                if (!owner.written)
                    continue;
                owner.written = false;
                if (committed && owner.version >= 0 && owner.moved >= 0) {
                    ++owner.version;
                    owner.moved += owner.movedKey ? 1 : 0;
                } else {
                    owner.version = -1;
                    owner.loaded = false;
                    owner.keys.clear();
                }
                owner.movedKey = false;
            }
        });
}

CDuplicateIndex::~CDuplicateIndex() {
    m_db.RemoveBatchHooks(this);
}

void CDuplicateIndex::AppendText(std::string& key, const char* text, size_t length) {
    key += std::to_string(length);
    key += ':';
    // The same character written with either of its codes is one key.
    CCp932::AppendCanonical(key, text != nullptr ? text : "", text != nullptr ? length : 0);
}

void CDuplicateIndex::AppendNumber(std::string& key, long long number) {
    key += std::to_string(number);
    key += ';';
}

CDuplicateIndex::COwner& CDuplicateIndex::Kept(const std::string& owner) {
    if (m_pLast == nullptr || m_strLast != owner) {
        m_pLast = &m_owners[owner]; // map entries stay where they are
        m_strLast = owner;
    }
    return *m_pLast;
}

bool CDuplicateIndex::Touch(const std::string& owner) {
    if (m_nTouchedIn == m_db.TransactionNumber() && m_strTouched == owner && m_db.InBatch())
        return true;
    bool takenNow = false;
    if (!m_db.LockOwner(m_strKind, owner, takenNow))
        return false;
    if (!takenNow)
        return true;
    if (!m_readVersion)
        m_readVersion = m_db.Prepare("SELECT coalesce(max(version), 0), coalesce(max(moved), 0) "
                                     "FROM kv_changes WHERE kind = ?1 AND owner = ?2");
    if (!m_readVersion)
        return false;
    m_readVersion->BindText(1, m_strKind.c_str());
    m_readVersion->BindBytes(2, owner.data(), owner.size());
    bool read = m_db.StepRow(*m_readVersion, "the change count");
    long long version = read ? m_readVersion->ColumnInt64(0) : -1;
    long long moved = read ? m_readVersion->ColumnInt64(1) : -1;
    m_readVersion->Reset();
    if (!read)
        return false;
    COwner& kept = Kept(owner);
    if (kept.loaded && kept.moved == moved && kept.version >= 0 && kept.version < version) {
        // Others added or changed entries: only theirs are read.
        if (!Load(owner, kept, kept.version, m_nIdIndex))
            return false;
    } else if (kept.version != version || kept.moved != moved) {
        kept.loaded = false;
        kept.keys.clear();
    }
    kept.version = version;
    kept.moved = moved;
    m_strTouched = owner;
    m_nTouchedIn = m_db.TransactionNumber();
    return true;
}

bool CDuplicateIndex::Load(const std::string& owner, COwner& kept, long long since,
                           size_t idIndex) {
    if (since < 0)
        kept.keys.clear();
    size_t read = 0;
    bool loaded = m_loader(owner, since, [&](const std::string& entryKey, const Values& entry) {
        ++read;
        auto found = kept.keys.find(entryKey);
        if (found == kept.keys.end())
            kept.keys.emplace(entryKey, entry);
        // The first by ID stays; a changed entry replaces what was kept of it.
        else if (since >= 0 && idIndex < entry.size() && entry[idIndex] <= found->second[idIndex])
            found->second = entry;
    });
    if (!loaded) {
        kept.keys.clear();
        kept.loaded = false;
        return false;
    }
    kept.loaded = true;
    m_db.Monitor().Push(CMonitorText::Say(
        since < 0 ? u8"%1 の%2の重複キーを読みました: %3 件（すべて）"
                  : u8"%1 の%2の重複キーを読みました: %3 件（ほかの書き込みの分）",
        {owner,
         m_strKind == "addresses" ? CMonitorText::Say(u8"アドレス")
                                  : CMonitorText::Say(u8"スケジュール"),
         std::to_string(read)}));
    return true;
}

bool CDuplicateIndex::Find(const std::string& owner, const std::string& key, Values& values,
                           bool& found) {
    found = false;
    COwner& kept = Kept(owner);
    if (!kept.loaded && !Load(owner, kept, -1, m_nIdIndex))
        return false;
    auto entry = kept.keys.find(key);
    if (entry == kept.keys.end())
        return true;
    values = entry->second;
    found = true;
    return true;
}

void CDuplicateIndex::Written(const std::string& owner, const std::function<std::string()>& key,
                              const Values& values, size_t idIndex) {
    COwner& kept = Kept(owner);
    kept.written = true;
    if (!kept.loaded)
        return;
    std::string entryKey = key();
    auto entry = kept.keys.find(entryKey);
    if (entry == kept.keys.end())
        kept.keys.emplace(std::move(entryKey), values);
    else if (idIndex < values.size() && values[idIndex] < entry->second[idIndex])
        entry->second = values;
}

void CDuplicateIndex::Updated(const std::string& oldOwner, const std::string& oldKey,
                              const std::string& newOwner, const std::string& newKey,
                              const Values& values) {
    Kept(oldOwner).written = true;
    Kept(newOwner).written = true;
    if (oldOwner != newOwner || oldKey != newKey) {
        // Other writers' kept keys of both owners must be read again whole.
        Kept(oldOwner).movedKey = true;
        Kept(newOwner).movedKey = true;
        Forget(oldOwner);
        Forget(newOwner);
        return;
    }
    COwner& kept = Kept(oldOwner);
    if (kept.loaded)
        kept.keys[oldKey] = values;
}

void CDuplicateIndex::Removed(const std::string& owner) {
    COwner& kept = Kept(owner);
    kept.written = true;
    kept.movedKey = true;
    Forget(owner);
}

void CDuplicateIndex::Forget(const std::string& owner) {
    COwner& kept = Kept(owner);
    kept.loaded = false;
    kept.keys.clear();
}
