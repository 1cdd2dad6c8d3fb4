#include "DavPath.h"

#include <vector>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

const char* CollectionName(CDavCollection::Kind kind) {
    switch (kind) {
    case CDavCollection::Kind::Calendar:
        return "schedule";
    case CDavCollection::Kind::Contacts:
        return "contacts";
    case CDavCollection::Kind::PublicCalendar:
    case CDavCollection::Kind::PublicContacts:
        return "public";
    }
    return "";
}

} // namespace

bool CDavPath::Decode(const std::string& text, std::string& decoded) {
    decoded.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0))
            return false;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string CDavPath::Decode(const std::string& text) {
    std::string decoded;
    return Decode(text, decoded) ? decoded : std::string();
}

std::string CDavPath::Encode(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~' || c == '@')
            encoded += static_cast<char>(c);
        else
            encoded += std::string{'%', kHex[c >> 4], kHex[c & 15]};
    }
    return encoded;
}

std::string CDavPath::PrincipalHref(const std::string& user) {
    return "/dav/principals/" + Encode(user) + "/";
}
std::string CDavPath::CalendarHomeHref(const std::string& user) {
    return "/dav/calendars/" + Encode(user) + "/";
}
std::string CDavPath::AddressHomeHref(const std::string& user) {
    return "/dav/addressbooks/" + Encode(user) + "/";
}
std::string CDavPath::CollectionHref(const std::string& user, CDavCollection::Kind kind) {
    return (CDavCollection::IsCalendar(kind) ? CalendarHomeHref(user) : AddressHomeHref(user)) +
           CollectionName(kind) + "/";
}

CDavPath CDavPath::Parse(const std::string& path) {
    CDavPath result;
    // A query is no part of the resource.
    const std::string bare = path.substr(0, path.find('?'));
    if (bare.empty() || bare[0] != '/' || bare.find('\0') != std::string::npos)
        return result;
    std::vector<std::string> segments;
    size_t from = 1;
    while (from <= bare.size()) {
        size_t slash = bare.find('/', from);
        if (slash == std::string::npos)
            slash = bare.size();
        std::string segment;
        if (!Decode(bare.substr(from, slash - from), segment))
            return result;
        // Only the last segment may be empty (a trailing slash).
        if ((segment.empty() && slash != bare.size()) || segment == "." || segment == "..")
            return result;
        if (!segment.empty())
            segments.push_back(segment);
        from = slash + 1;
    }
    if (segments.empty() || segments[0] != "dav")
        return result;
    const size_t count = segments.size();
    if (count == 1) {
        result.m_where = Where::Root;
        return result;
    }
    if (count < 3)
        return result;
    result.m_strUser = segments[2];
    const std::string& area = segments[1];
    if (area == "principals") {
        if (count == 3)
            result.m_where = Where::Principal;
        return result;
    }
    if (area != "calendars" && area != "addressbooks")
        return result;
    const bool calendars = area == "calendars";
    if (count == 3) {
        result.m_where = calendars ? Where::CalendarHome : Where::AddressHome;
        return result;
    }
    if (count > 5)
        return result;
    const std::string& collection = segments[3];
    if (calendars && collection == "schedule")
        result.m_kind = CDavCollection::Kind::Calendar;
    else if (calendars && collection == "public")
        result.m_kind = CDavCollection::Kind::PublicCalendar;
    else if (!calendars && collection == "contacts")
        result.m_kind = CDavCollection::Kind::Contacts;
    else if (!calendars && collection == "public")
        result.m_kind = CDavCollection::Kind::PublicContacts;
    else
        return result;
    result.m_where = count == 4 ? Where::Collection : Where::Object;
    if (count == 5)
        result.m_strObject = segments[4];
    return result;
}
