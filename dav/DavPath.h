#pragma once

#include <string>

#include "DavCollection.h"

// Where a request's path points in the server's tree, each segment
// percent-decoded on its own (an encoded slash stays inside its segment):
//   /dav/                                    the root
//   /dav/principals/USER/                    a person
//   /dav/calendars/USER/                     a person's calendars
//   /dav/calendars/USER/schedule/[NAME]      their schedules, and one object
//   /dav/calendars/USER/public/[NAME]        every person's public schedules
//   /dav/addressbooks/USER/                  a person's address books
//   /dav/addressbooks/USER/contacts/[NAME]   their own addresses
//   /dav/addressbooks/USER/public/[NAME]     the public addresses
// A path with an empty, "." or ".." segment, a NUL or a bad escape is Unknown.
class CDavPath {
public:
    enum class Where { Unknown, Root, Principal, CalendarHome, AddressHome, Collection, Object };

    static CDavPath Parse(const std::string& path);

    Where GetWhere() const { return m_where; }
    const std::string& User() const { return m_strUser; } // UTF-8, decoded
    CDavCollection::Kind GetKind() const { return m_kind; }
    const std::string& Object() const { return m_strObject; } // decoded
    bool IsCollection() const { return m_where == Where::Collection; }

    // The hrefs of the tree, encoded.
    static std::string RootHref() { return "/dav/"; }
    static std::string PrincipalHref(const std::string& user);
    static std::string CalendarHomeHref(const std::string& user);
    static std::string AddressHomeHref(const std::string& user);
    static std::string CollectionHref(const std::string& user, CDavCollection::Kind kind);

    // Percent-encodes all but the unreserved characters (and '@').
    static std::string Encode(const std::string& text);
    // False for a bad escape or an encoded NUL.
    static bool Decode(const std::string& text, std::string& decoded);
    static std::string Decode(const std::string& text);

private:
    Where m_where = Where::Unknown;
    std::string m_strUser;
    CDavCollection::Kind m_kind = CDavCollection::Kind::Calendar;
    std::string m_strObject;
};
