#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "kelvo.h"

// What an import would do, record by record, worked out by a dry run before
// anything is stored: each record added, replacing an entry (the duplicate
// check's, with the fields that would change as they are and as they would
// be), or skipped with why. The entries a record could replace are read once
// through the backend's lists; a record the plan adds can itself be replaced
// by a later record of the same file, as the import would.
class CImportPlan {
public:
    enum class Action { Add, Replace, Skip };
    // A field that would change (code page 932): its stored name, before, after.
    struct CChange {
        std::string field, before, after;
    };
    struct CLine {
        Action action;
        int64_t line;       // of the file, where the record began
        std::string entry;  // the entry named as a list shows it (code page 932)
        std::string reason; // why it is skipped
        std::vector<CChange> changes;
    };

    // Reads the entries an import into owner's list (the public address book
    // when isPublic) could replace; false when the list cannot be read
    // (KvLastError says why).
    bool Load(bool addresses, const std::string& owner, bool isPublic);

    // The record as the import would store it (its owner written), read at line.
    void Address(const kvAddressRecord& record, bool duplicateCheck, int64_t line);
    void Schedule(const kvScheduleRecord& record, bool duplicateCheck, int64_t line);
    void Skip(int64_t line, std::string reason);

    const std::vector<CLine>& Lines() const { return m_lines; }
    size_t Count(Action action) const;

    // The stored names of an address's or a schedule's fields, in the order
    // Fields gives their values.
    static const std::vector<std::string>& FieldNames(bool addresses);

private:
    using CFields = std::vector<std::string>;
    static CFields Fields(const kvAddressRecord& record);
    static CFields Fields(const kvScheduleRecord& record);
    static std::string Key(const kvAddressRecord& record);
    static std::string Key(const kvScheduleRecord& record);
    void Plan(const std::string& key, CFields fields, std::string entry, bool duplicateCheck,
              bool addresses, int64_t line);

    // By duplicate key: the fields of the entry an import's lookup finds.
    std::unordered_map<std::string, CFields> m_entries;
    std::vector<CLine> m_lines;
};
