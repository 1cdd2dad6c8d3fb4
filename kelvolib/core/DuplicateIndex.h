#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Statement.h"

class CDatabase;

// The keys that duplicate lookups compare, per owner of one kind of entry,
// read once and kept: a lookup costs no round trip to a server. Every writer
// of an owner's entries takes the owner's lock in its batch, counts its
// batch in kv_changes and stamps each entry it writes with the count its
// batch makes (Stamp). So a count that moved since the keys were read means
// other writers came in between, and only the entries stamped since are read
// again; a writer that moved an entry to another key counts that too
// (kv_changes.moved), and then the keys are read again whole.
class CDuplicateIndex {
public:
    using Values = std::vector<long long>;
    using AddKey = std::function<void(const std::string& key, const Values& values)>;
    // Reads owner's entries in ID order (all when since < 0, else those stamped
    // after since), handing each one's key and values to add.
    using Loader =
        std::function<bool(const std::string& owner, long long since, const AddKey& add)>;

    CDuplicateIndex(CDatabase& db, std::string kind, Loader loader);
    ~CDuplicateIndex();
    CDuplicateIndex(const CDuplicateIndex&) = delete;
    CDuplicateIndex& operator=(const CDuplicateIndex&) = delete;

    // Inside a batch, before owner's entries are written or looked up: takes
    // the owner's lock (once per batch) and reads what other writers changed.
    bool Touch(const std::string& owner);
    // After Touch(owner): the stamp of the entries this batch writes for owner.
    long long Stamp(const std::string& owner) { return Kept(owner).version + 1; }
    // The values of the entry with key (the first by ID); false on a failure.
    bool Find(const std::string& owner, const std::string& key, Values& values, bool& found);
    // After a write of an entry of owner; key() gives its key (asked only when
    // owner's keys are kept), and the ID is values[idIndex].
    void Written(const std::string& owner, const std::function<std::string()>& key,
                 const Values& values, size_t idIndex);
    // After an update of the entry found under oldKey of oldOwner: it now has
    // newKey and values (same ID). A moved key makes both owners' keys be read again.
    void Updated(const std::string& oldOwner, const std::string& oldKey,
                 const std::string& newOwner, const std::string& newKey, const Values& values);
    // After entries of owner were removed: the keys of owner are read again
    // whole, here and by every other writer (a removal counts as a move).
    void Removed(const std::string& owner);
    // Where the entry's ID is among its values.
    void SetIdIndex(size_t idIndex) { m_nIdIndex = idIndex; }
    // Frees every kept key.
    void Clear() {
        m_owners.clear();
        m_pLast = nullptr;
        m_strTouched.clear();
    }

    // A key from its parts: texts and numbers kept apart unambiguously.
    static void AppendText(std::string& key, const char* text, size_t length);
    static void AppendNumber(std::string& key, long long number);

private:
    void Forget(const std::string& owner);

    struct COwner {
        long long version = -1; // the change count the keys reflect
        long long moved = -1;   // the count of moved keys they reflect
        bool loaded = false;
        bool written = false;  // in the open batch
        bool movedKey = false; // in the open batch
        std::unordered_map<std::string, Values> keys;
    };
    // Reads owner's entries stamped after since (all when since < 0) into kept.
    bool Load(const std::string& owner, COwner& kept, long long since, size_t idIndex);

    // The owner's entry, found once per run of writes to one owner.
    COwner& Kept(const std::string& owner);

    CDatabase& m_db;
    std::string m_strKind;
    // The owner last touched, and in which transaction: most writes repeat it.
    std::string m_strTouched;
    unsigned m_nTouchedIn = 0;
    COwner* m_pLast = nullptr;
    std::string m_strLast;
    Loader m_loader;
    size_t m_nIdIndex = 0;
    std::map<std::string, COwner> m_owners;
    std::unique_ptr<CStatement> m_readVersion;
    std::unique_ptr<CStatement> m_countWrite;
};
