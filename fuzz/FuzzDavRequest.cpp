// What a client sends kelvo-dav before anyone reads the groupware: the path
// (the input's first line) and the XML body (the rest). A path names at most
// its own person's part of the tree (never a "." or ".." segment, never a NUL),
// and what the body asks is written back as a multistatus that parses again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "DavMultiStatus.h"
#include "DavPath.h"
#include "DavXmlRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t end = input.find('\n');
    const std::string path = input.substr(0, end);
    const std::string body = end == std::string::npos ? std::string() : input.substr(end + 1);

    const CDavPath parsed = CDavPath::Parse(path);
    if (parsed.GetWhere() != CDavPath::Where::Unknown) {
        const std::string& user = parsed.User();
        const std::string& object = parsed.Object();
        if (user.find('\0') != std::string::npos || object.find('\0') != std::string::npos ||
            user == "." || user == ".." || object == "." || object == "..")
            std::abort();
        // What the tree names again is the same place.
        if (parsed.GetWhere() == CDavPath::Where::Collection &&
            CDavPath::Parse(CDavPath::CollectionHref(user, parsed.GetKind())).User() != user)
            std::abort();
    }

    CDavXmlRequest request;
    if (!request.Parse(body))
        return 0;
    CDavMultiStatus status;
    std::vector<CDavMultiStatus::CProperty> found;
    for (const auto& name : request.Properties()) {
        CDavMultiStatus::CProperty property;
        property.name = name;
        property.text = request.SyncToken();
        found.push_back(property);
    }
    for (const std::string& href : request.Hrefs())
        status.Response(href, found, request.Properties());
    CDavXmlRequest again;
    if (!again.Parse(status.Finish()))
        std::abort();
    return 0;
}
