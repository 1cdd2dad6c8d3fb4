#pragma once

#include <string>
#include <utility>
#include <vector>

// What the body of a PROPFIND or REPORT asks, read with libxml2: the request's
// element, the properties asked for, the hrefs of a multiget, the time range
// of a calendar-query and the token of a sync-collection. Names are kept
// with their namespaces ("DAV:", "urn:ietf:params:xml:ns:caldav", ...).
class CDavXmlRequest {
public:
    using CName = std::pair<std::string, std::string>; // namespace, local name

    // False for a body that is not well-formed XML (an empty body is a
    // PROPFIND's allprop). Never fetches anything a document names.
    bool Parse(const std::string& body);

    const CName& Root() const { return m_root; }
    bool AllProperties() const { return m_bAll; }
    const std::vector<CName>& Properties() const { return m_properties; }
    const std::vector<std::string>& Hrefs() const { return m_hrefs; }
    // calendar-query's time-range as given (iCalendar UTC times), empty if none.
    const std::string& RangeStart() const { return m_strStart; }
    const std::string& RangeEnd() const { return m_strEnd; }
    const std::string& SyncToken() const { return m_strSyncToken; }

private:
    CName m_root;
    bool m_bAll = false;
    std::vector<CName> m_properties;
    std::vector<std::string> m_hrefs;
    std::string m_strStart;
    std::string m_strEnd;
    std::string m_strSyncToken;
};
