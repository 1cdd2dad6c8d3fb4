#pragma once

#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kelvo.h"

// One collection as a sync client sees it, read through the library: a
// person's schedules (a calendar), a person's private addresses, every
// person's public schedules, or the public addresses. Each object is a resource of its own: an
// address entry as a vCard, a schedule entry as an iCalendar object, and a recurring series (all
// its occurrences) as one object, as it came. An object is named by the UID its text carries; its
// ETag changes with every write of its entries, and the collection's tag with every change of its
// objects.
class CDavCollection {
public:
    // A person's schedules, their own addresses, every person's public
    // schedules, the public addresses.
    enum class Kind { Calendar, Contacts, PublicCalendar, PublicContacts };
    static bool IsCalendar(Kind kind) {
        return kind == Kind::Calendar || kind == Kind::PublicCalendar;
    }
    // Read only for people.
    static bool IsPublic(Kind kind) {
        return kind == Kind::PublicCalendar || kind == Kind::PublicContacts;
    }
    // How the entries of the collection of kind of owner stand: changes grow
    // with every change of them (kvEntriesState, over every person for the
    // public schedules). False, with failure set, when they cannot be read.
    static bool State(Kind kind, const std::string& owner, long long& changes, long long& entries,
                      std::string& failure);

    struct CObject {
        std::string uid;  // as the text says it (UTF-8); empty when none
        std::string name; // the resource's name in its collection, extension included
        std::string etag; // quoted
        std::vector<long long> ids;
        std::vector<long long> changes; // each entry's change count
        std::string data;               // the vCard or iCalendar text, once Fill wrote it
        bool fresh = false;             // new or changed since the read before: its text kept
        // When its entries take place (schedules): start, end (year 70: none), all day.
        struct CSpan {
            kvTimeBlock start, end;
            bool allDay;
        };
        std::vector<CSpan> spans;
        // Whether any of its entries takes place between start and end
        // (seconds since 1970, UTC; 0: open).
        bool Overlaps(std::time_t start, std::time_t end) const;
    };

    // Reads the collection of owner (code page 932; ignored for the public
    // ones): its objects' names and ETags, not yet their texts. False,
    // with failure set, when the library refuses.
    // before: the same collection as read before, whose changed objects'
    // texts are then written in the same read (and kept).
    bool Read(Kind kind, const std::string& owner, std::string& failure,
              const CDavCollection* before = nullptr);
    // Writes the texts of objects (of this collection), reading the entries
    // again: only what a request sends is written.
    bool Fill(const std::vector<const CObject*>& objects, std::string& failure);
    // Drops the texts Fill wrote (the names, tags and fresh texts stay).
    void ForgetTexts();
    // Fill asked for at least this many objects writes every object's text.
    static constexpr size_t kWholeFrom = 50;
    // Whether every object's text is written.
    bool HasAllTexts() const { return m_bWhole; }

    Kind GetKind() const { return m_kind; }
    bool IsCalendar() const { return IsCalendar(m_kind); }
    const std::vector<CObject>& Objects() const { return m_objects; }
    // The object whose resource name is name (percent-decoded), or null.
    const CObject* Find(const std::string& name) const;
    // Changes whenever any object changes, comes or goes (quoted).
    const std::string& Tag() const { return m_strTag; }
    // The objects' names and ETags, by name: what a sync token keeps of the
    // collection (shared, never changed once read).
    using CListing = std::vector<std::pair<std::string, std::string>>;
    const std::shared_ptr<const CListing>& Listing() const { return m_pListing; }
    // The name a new object of uid gets (percent-encoded UID and extension).
    std::string NameFor(const std::string& uid) const;
    const char* Extension() const { return IsCalendar() ? ".ics" : ".vcf"; }

private:
    // Steps through the entries: visit gets each record, its ID, change count
    // and original.
    template <typename Visit> bool Each(Visit&& visit, std::string& failure) const;
    // The names of every person (code page 932).
    static bool People(std::vector<std::string>& names, std::string& failure);
    // The object an entry of uid (empty: none) goes in: a series' entries
    // share one.
    CObject& Add(const std::string& uid, bool series, long long id, long long changed);
    // Names the objects by their UIDs (the first of a UID; the others by ID)
    // and tags them.
    void Finish();

    Kind m_kind = Kind::Calendar;
    std::vector<std::string> m_owners;      // whose schedules or addresses are read
    bool m_bWhole = false;                  // every object's text written
    std::map<std::string, size_t> m_byName; // decoded name -> object
    std::shared_ptr<const CListing> m_pListing;
    std::map<std::string, size_t> m_series; // a series' UID -> its object
    std::vector<CObject> m_objects;
    std::string m_strTag;
};
