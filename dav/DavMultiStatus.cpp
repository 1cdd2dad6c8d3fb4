#include "DavMultiStatus.h"

#include <libxml/xmlwriter.h>

namespace {

const char kDav[] = "DAV:";

const xmlChar* X(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}
const xmlChar* X(const std::string& text) {
    return X(text.c_str());
}

// The prefixes a body declares once at its root.
const char* PrefixOf(const std::string& ns) {
    if (ns == kDav)
        return "d";
    if (ns == "urn:ietf:params:xml:ns:caldav")
        return "c";
    if (ns == "urn:ietf:params:xml:ns:carddav")
        return "card";
    if (ns == "http://calendarserver.org/ns/")
        return "cs";
    return nullptr;
}

} // namespace

CDavMultiStatus::CDavMultiStatus()
    : m_buffer(xmlBufferCreate(), xmlBufferFree),
      m_writer(xmlNewTextWriterMemory(m_buffer.get(), 0), xmlFreeTextWriter) {
    xmlTextWriterStartDocument(m_writer.get(), "1.0", "UTF-8", nullptr);
    xmlTextWriterStartElement(m_writer.get(), X("d:multistatus"));
    xmlTextWriterWriteAttribute(m_writer.get(), X("xmlns:d"), X(kDav));
    xmlTextWriterWriteAttribute(m_writer.get(), X("xmlns:c"), X("urn:ietf:params:xml:ns:caldav"));
    xmlTextWriterWriteAttribute(m_writer.get(), X("xmlns:card"),
                                X("urn:ietf:params:xml:ns:carddav"));
    xmlTextWriterWriteAttribute(m_writer.get(), X("xmlns:cs"), X("http://calendarserver.org/ns/"));
}

CDavMultiStatus::~CDavMultiStatus() = default;

void CDavMultiStatus::Start(const CDavXmlRequest::CName& name) {
    if (const char* prefix = PrefixOf(name.first)) {
        xmlTextWriterStartElement(m_writer.get(), X(std::string(prefix) + ":" + name.second));
    } else if (name.first.empty()) {
        // No namespace at all (a prefix may not be bound to none).
        xmlTextWriterStartElement(m_writer.get(), X(name.second));
        xmlTextWriterWriteAttribute(m_writer.get(), X("xmlns"), X(""));
    } else {
        // A namespace of no prefix of ours is declared where it is used.
        xmlTextWriterStartElement(m_writer.get(), X("x:" + name.second));
        xmlTextWriterWriteAttribute(m_writer.get(), X("xmlns:x"), X(name.first));
    }
}

void CDavMultiStatus::Write(const CProperty& property) {
    Start(property.name);
    if (property.isCollectionType) {
        xmlTextWriterStartElement(m_writer.get(), X("d:collection"));
        xmlTextWriterEndElement(m_writer.get());
    }
    for (const auto& child : property.empty) {
        Start(child);
        xmlTextWriterEndElement(m_writer.get());
    }
    if (!property.raw.empty())
        xmlTextWriterWriteRaw(m_writer.get(), X(property.raw));
    if (property.isHrefs)
        for (const std::string& href : property.hrefs)
            xmlTextWriterWriteElement(m_writer.get(), X("d:href"), X(href));
    else if (!property.text.empty())
        xmlTextWriterWriteString(m_writer.get(), X(property.text));
    xmlTextWriterEndElement(m_writer.get());
}

void CDavMultiStatus::Response(const std::string& href, const std::vector<CProperty>& found,
                               const std::vector<CDavXmlRequest::CName>& missing) {
    xmlTextWriterStartElement(m_writer.get(), X("d:response"));
    xmlTextWriterWriteElement(m_writer.get(), X("d:href"), X(href));
    auto propstat = [&](const std::string& status, auto&& body) {
        xmlTextWriterStartElement(m_writer.get(), X("d:propstat"));
        xmlTextWriterStartElement(m_writer.get(), X("d:prop"));
        body();
        xmlTextWriterEndElement(m_writer.get());
        xmlTextWriterWriteElement(m_writer.get(), X("d:status"), X(status));
        xmlTextWriterEndElement(m_writer.get());
    };
    if (!found.empty())
        propstat("HTTP/1.1 200 OK", [&] {
            for (const CProperty& property : found)
                Write(property);
        });
    if (!missing.empty())
        propstat("HTTP/1.1 404 Not Found", [&] {
            for (const auto& name : missing) {
                Start(name);
                xmlTextWriterEndElement(m_writer.get());
            }
        });
    xmlTextWriterEndElement(m_writer.get());
}

void CDavMultiStatus::Status(const std::string& href, const std::string& status) {
    xmlTextWriterStartElement(m_writer.get(), X("d:response"));
    xmlTextWriterWriteElement(m_writer.get(), X("d:href"), X(href));
    xmlTextWriterWriteElement(m_writer.get(), X("d:status"), X(status));
    xmlTextWriterEndElement(m_writer.get());
}

void CDavMultiStatus::SyncToken(const std::string& token) {
    xmlTextWriterWriteElement(m_writer.get(), X("d:sync-token"), X(token));
}

std::string CDavMultiStatus::Finish() {
    xmlTextWriterEndDocument(m_writer.get());
    xmlTextWriterFlush(m_writer.get());
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(m_buffer.get())),
                       static_cast<size_t>(xmlBufferLength(m_buffer.get())));
}
