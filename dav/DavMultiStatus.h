#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DavXmlRequest.h"

struct _xmlBuffer;
struct _xmlTextWriter;

// A 207 Multi-Status body, written with libxml2's text writer: one response
// per resource, the properties found with their values and those not found
// under 404, and a sync-collection's token at the end.
class CDavMultiStatus {
public:
    // How a property's value is written: text, a list of hrefs, or XML the
    // caller wrote with the writer's own calls (Element).
    struct CProperty {
        CDavXmlRequest::CName name;
        std::string text;
        std::vector<std::string> hrefs;           // each written as <D:href>
        std::vector<CDavXmlRequest::CName> empty; // child elements without content
        bool isHrefs = false;
        bool isCollectionType = false; // resourcetype: collection, then the empty ones
        // XML of the server's own making (never a client's text), prefixes d:, c:, card:, cs:
        std::string raw;
    };

    CDavMultiStatus();
    ~CDavMultiStatus();
    CDavMultiStatus(const CDavMultiStatus&) = delete;
    CDavMultiStatus& operator=(const CDavMultiStatus&) = delete;

    // A resource with the properties found (200) and those missing (404).
    void Response(const std::string& href, const std::vector<CProperty>& found,
                  const std::vector<CDavXmlRequest::CName>& missing);
    // A resource that is gone or not there (a sync's removal, a multiget's miss).
    void Status(const std::string& href, const std::string& status);
    void SyncToken(const std::string& token);
    // Ends the document and gives it.
    std::string Finish();

private:
    void Start(const CDavXmlRequest::CName& name);
    void Write(const CProperty& property);

    std::unique_ptr<_xmlBuffer, void (*)(_xmlBuffer*)> m_buffer;
    std::unique_ptr<_xmlTextWriter, void (*)(_xmlTextWriter*)> m_writer;
};
