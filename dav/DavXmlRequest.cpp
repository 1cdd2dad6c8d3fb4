#include "DavXmlRequest.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <memory>

namespace {

const char kDav[] = "DAV:";
const char kCalDav[] = "urn:ietf:params:xml:ns:caldav";

CDavXmlRequest::CName NameOf(const xmlNode* node) {
    return {node->ns != nullptr ? reinterpret_cast<const char*>(node->ns->href) : "",
            reinterpret_cast<const char*>(node->name)};
}

bool Is(const xmlNode* node, const char* ns, const char* name) {
    const CDavXmlRequest::CName found = NameOf(node);
    return found.first == ns && found.second == name;
}

std::string TextOf(const xmlNode* node) {
    std::unique_ptr<xmlChar, void (*)(void*)> text(xmlNodeGetContent(node), xmlFree);
    return text ? reinterpret_cast<const char*>(text.get()) : "";
}

std::string Attribute(const xmlNode* node, const char* name) {
    std::unique_ptr<xmlChar, void (*)(void*)> value(
        xmlGetProp(node, reinterpret_cast<const xmlChar*>(name)), xmlFree);
    return value ? reinterpret_cast<const char*>(value.get()) : "";
}

} // namespace

bool CDavXmlRequest::Parse(const std::string& body) {
    *this = CDavXmlRequest();
    if (body.find_first_not_of(" \t\r\n") == std::string::npos) {
        m_root = {kDav, "propfind"};
        m_bAll = true;
        return true;
    }
    // No network, no entities expanded, no DTD loaded: a body names nothing
    // the server would read.
    std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> document(
        xmlReadMemory(body.data(), static_cast<int>(body.size()), "request.xml", nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                          XML_PARSE_NOBLANKS),
        xmlFreeDoc);
    const xmlNode* root = document ? xmlDocGetRootElement(document.get()) : nullptr;
    if (root == nullptr)
        return false;
    m_root = NameOf(root);
    // Walks the tree by hand (depth-first), as deep as the document is: the
    // parser itself bounds the depth.
    std::vector<const xmlNode*> pending = {root};
    while (!pending.empty()) {
        const xmlNode* node = pending.back();
        pending.pop_back();
        for (const xmlNode* child = node->last; child != nullptr; child = child->prev)
            if (child->type == XML_ELEMENT_NODE)
                pending.push_back(child);
        if (node == root)
            continue;
        if (Is(node, kDav, "allprop")) {
            m_bAll = true;
        } else if (Is(node, kDav, "prop") && node->parent == root) {
            for (const xmlNode* property = node->children; property != nullptr;
                 property = property->next)
                if (property->type == XML_ELEMENT_NODE)
                    m_properties.push_back(NameOf(property));
        } else if (Is(node, kDav, "href") && node->parent == root) {
            m_hrefs.push_back(TextOf(node));
        } else if (Is(node, kCalDav, "time-range")) {
            m_strStart = Attribute(node, "start");
            m_strEnd = Attribute(node, "end");
        } else if (Is(node, kDav, "sync-token") && node->parent == root) {
            m_strSyncToken = TextOf(node);
        }
    }
    if (m_properties.empty() && !m_bAll && m_root == CName{kDav, "propfind"})
        m_bAll = true; // propname, or nothing asked: the properties there are
    return true;
}
