#pragma once

#include <ctime>
#include <string>
#include <vector>

// One collection as a sync client sees it, read through the library: a
// person's schedules (a calendar), a person's private addresses, or the
// public addresses. Each object is a resource of its own: an address entry
// as a vCard, a schedule entry as an iCalendar object, and a recurring
// series (all its occurrences) as one object, as it came. An object is named
// by the UID its text carries; its ETag changes with every write of its
// entries, and the collection's tag with every change of its objects.
class CDavCollection {
public:
    enum class Kind { Calendar, Contacts, PublicContacts };

    struct CObject {
        std::string uid;  // as the text says it (UTF-8); empty when none
        std::string name; // the resource's name in its collection, extension included
        std::string etag; // quoted
        std::vector<long long> ids;
        std::string data; // the vCard or iCalendar text
        // When its entries take place (schedules): seconds since 1970, UTC.
        std::vector<std::pair<std::time_t, std::time_t>> spans;
    };

    // Reads the collection of owner (code page 932; ignored for the public
    // addresses). False, with failure set, when the library refuses.
    bool Read(Kind kind, const std::string& owner, std::string& failure);

    Kind GetKind() const { return m_kind; }
    bool IsCalendar() const { return m_kind == Kind::Calendar; }
    const std::vector<CObject>& Objects() const { return m_objects; }
    // The object whose resource name is name (percent-decoded), or null.
    const CObject* Find(const std::string& name) const;
    // Changes whenever any object changes, comes or goes (quoted).
    const std::string& Tag() const { return m_strTag; }
    // The name a new object of uid gets (percent-encoded UID and extension).
    std::string NameFor(const std::string& uid) const;
    const char* Extension() const { return IsCalendar() ? ".ics" : ".vcf"; }

private:
    bool ReadSchedules(const std::string& owner, std::string& failure);
    bool ReadAddresses(const std::string& owner, std::string& failure);
    // Names the objects by their UIDs (the first of a UID; the others by ID)
    // and tags them.
    void Finish(const std::vector<std::vector<long long>>& changes);

    Kind m_kind = Kind::Calendar;
    std::vector<CObject> m_objects;
    std::string m_strTag;
};
