#include "DavHandler.h"

#include <algorithm>
#include <ctime>

#include "BackendTable.h"
#include "Cp932.h"
#include "ImportSession.h"
#include "TextFile.h"
#include "kelvo.h"

namespace {

const char kDav[] = "DAV:";
const char kCalDav[] = "urn:ietf:params:xml:ns:caldav";
const char kCardDav[] = "urn:ietf:params:xml:ns:carddav";
const char kServer[] = "http://calendarserver.org/ns/";

using CName = CDavXmlRequest::CName;
using CProperty = CDavMultiStatus::CProperty;

std::string Utf8(const std::string& cp932) {
    return CCp932::ToUtf8(cp932);
}

std::string LastError() {
    return Utf8(KvLastError());
}

// An iCalendar UTC time (20260101T000000Z) as seconds; false when it is not one.
bool ParseUtc(const std::string& text, std::time_t& seconds) {
    std::tm time{};
    if (text.size() != 16 || text[8] != 'T' || text[15] != 'Z')
        return false;
    for (size_t i = 0; i < 15; ++i)
        if (i != 8 && (text[i] < '0' || text[i] > '9'))
            return false;
    time.tm_year = std::stoi(text.substr(0, 4)) - 1900;
    time.tm_mon = std::stoi(text.substr(4, 2)) - 1;
    time.tm_mday = std::stoi(text.substr(6, 2));
    time.tm_hour = std::stoi(text.substr(9, 2));
    time.tm_min = std::stoi(text.substr(11, 2));
    time.tm_sec = std::stoi(text.substr(13, 2));
    seconds = timegm(&time);
    return true;
}

// Whether an If-Match or If-None-Match list names etag ("*": any).
bool Names(const std::string& list, const std::string& etag) {
    if (list.find('*') != std::string::npos)
        return true;
    return !etag.empty() && list.find(etag) != std::string::npos;
}

std::string FirstLine(const std::string& body) {
    size_t from = body.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    from = body.find_first_not_of("\r\n \t", from);
    if (from == std::string::npos)
        return std::string();
    std::string line = body.substr(from, body.find_first_of("\r\n", from) - from);
    std::transform(line.begin(), line.end(), line.begin(), ::toupper);
    return line;
}

// An href's path: some clients send the whole URL.
std::string PathOf(const std::string& href) {
    const size_t scheme = href.find("://");
    if (scheme == std::string::npos || href.find('/') < scheme)
        return href;
    const size_t path = href.find('/', scheme + 3);
    return path == std::string::npos ? "/" : href.substr(path);
}

// Whether the objects' texts are asked for.
bool WantsData(const CDavXmlRequest& asked) {
    for (const CName& property : asked.Properties())
        if ((property.first == kCalDav && property.second == "calendar-data") ||
            (property.first == kCardDav && property.second == "address-data"))
            return true;
    return false;
}

const char* ContentType(const CDavCollection& collection) {
    return collection.IsCalendar() ? "text/calendar; charset=utf-8" : "text/vcard; charset=utf-8";
}

} // namespace

bool CDavHandler::Unsigned(const CDavRequest& request, CDavResponse& response) {
    const std::string bare = request.path.substr(0, request.path.find('?'));
    if (bare == "/.well-known/caldav" || bare == "/.well-known/carddav" || bare == "/") {
        response = CDavResponse::Status(301);
        response.headers.emplace_back("Location", CDavPath::RootHref());
    } else if (request.method == "OPTIONS") {
        response = CDavResponse::Status(200);
        response.headers.emplace_back("DAV", "1, 3, calendar-access, addressbook");
        response.headers.emplace_back("Allow", "OPTIONS, GET, HEAD, PUT, DELETE, PROPFIND, REPORT");
    } else if (!request.hasCredentials) {
        response = Denied();
    } else {
        return false;
    }
    return true;
}

CDavResponse CDavHandler::Denied() {
    CDavResponse denied = CDavResponse::Status(401, "sign in with your groupware name");
    denied.headers.emplace_back("WWW-Authenticate", "Basic realm=\"kelvo\", charset=\"UTF-8\"");
    return denied;
}

CDavResponse CDavHandler::Serve(const CDavRequest& request, const std::string& user,
                                const std::string& owner) {
    m_strUser = user;
    m_strOwner = owner;
    const CDavPath path = CDavPath::Parse(request.path);
    if (path.GetWhere() == CDavPath::Where::Unknown)
        return CDavResponse::Status(404);
    // Only the person's own part of the tree.
    if (path.GetWhere() != CDavPath::Where::Root && path.User() != m_strUser)
        return CDavResponse::Status(403, "this is not yours");
    CDavResponse response;
    if (request.method == "PROPFIND")
        response = PropFind(request, path);
    else if (request.method == "REPORT")
        response = Report(request, path);
    else if (request.method == "GET" || request.method == "HEAD")
        response = Get(request, path);
    else if (request.method == "PUT")
        response = Put(request, path);
    else if (request.method == "DELETE")
        response = Delete(request, path);
    else {
        response = CDavResponse::Status(405);
        response.headers.emplace_back("Allow", "OPTIONS, GET, HEAD, PUT, DELETE, PROPFIND, REPORT");
    }
    // The names and tags of collections are kept for the next request, their
    // texts only where this request had them all written (the next multiget
    // of a first sync takes them): the rest are written again when asked.
    for (auto& cached : m_collections)
        if (cached.second.used != m_nUses || !cached.second.collection->HasAllTexts())
            cached.second.collection->ForgetTexts();
    return response;
}

CDavCollection* CDavHandler::Collection(const CDavPath& path, CDavResponse& error) {
    const CDavCollection::Kind kind = path.GetKind();
    const std::string owner = kind == CDavCollection::Kind::PublicContacts ? "" : m_strOwner;
    long long changes = 0, entries = 0;
    std::string failure;
    if (!CDavCollection::State(kind, owner, changes, entries, failure)) {
        error = CDavResponse::Status(500, "the entries cannot be read: " + Utf8(failure));
        return nullptr;
    }
    // The state is taken before the entries are read: a write in between
    // is read again at the next request.
    CCached& cached = m_collections[std::to_string(static_cast<int>(kind)) + '/' + owner];
    cached.used = ++m_nUses;
    if (!cached.collection || cached.changes != changes || cached.entries != entries) {
        auto collection = std::make_unique<CDavCollection>();
        if (!collection->Read(kind, owner, failure, cached.collection.get())) {
            m_collections.erase(std::to_string(static_cast<int>(kind)) + '/' + owner);
            error = CDavResponse::Status(500, "the entries cannot be read: " + Utf8(failure));
            return nullptr;
        }
        cached = CCached{changes, entries, std::move(collection), m_nUses};
    }
    CDavCollection* collection = cached.collection.get();
    // The least used of too many goes.
    if (m_collections.size() > kCollectionsKept) {
        auto oldest = m_collections.begin();
        for (auto at = m_collections.begin(); at != m_collections.end(); ++at)
            if (at->second.used < oldest->second.used)
                oldest = at;
        m_collections.erase(oldest);
    }
    return collection;
}

const CDavCollection::CObject*
CDavHandler::ReadObject(const CDavPath& path, CDavCollection*& collection, CDavResponse& error) {
    collection = Collection(path, error);
    if (collection == nullptr)
        return nullptr;
    const CDavCollection::CObject* object = collection->Find(path.Object());
    if (object == nullptr)
        error = CDavResponse::Status(404);
    return object;
}

void CDavHandler::Describe(CDavMultiStatus& status, const std::string& href, const CDavPath& path,
                           const CDavCollection* collection, const CDavXmlRequest& asked) {
    using Where = CDavPath::Where;
    const Where where = path.GetWhere();
    const bool isCollection = where == Where::Collection;
    const bool readOnly = isCollection && CDavCollection::IsPublic(path.GetKind());
    std::vector<CProperty> found;
    std::vector<CName> missing;
    auto wanted = [&](const char* ns, const char* name) {
        if (asked.AllProperties())
            return true;
        for (const CName& property : asked.Properties())
            if (property.first == ns && property.second == name)
                return true;
        return false;
    };
    auto text = [&](const char* ns, const char* name, std::string value) {
        CProperty property;
        property.name = {ns, name};
        property.text = std::move(value);
        found.push_back(std::move(property));
    };
    auto hrefs = [&](const char* ns, const char* name, std::string value) {
        CProperty property;
        property.name = {ns, name};
        property.isHrefs = true;
        property.hrefs.push_back(std::move(value));
        found.push_back(std::move(property));
    };
    auto raw = [&](const char* ns, const char* name, std::string value) {
        CProperty property;
        property.name = {ns, name};
        property.raw = std::move(value);
        found.push_back(std::move(property));
    };
    if (wanted(kDav, "resourcetype")) {
        CProperty property;
        property.name = {kDav, "resourcetype"};
        property.isCollectionType = where != Where::Principal;
        if (where == Where::Principal)
            property.empty.push_back({kDav, "principal"});
        if (isCollection)
            property.empty.push_back(CDavCollection::IsCalendar(path.GetKind())
                                         ? CName{kCalDav, "calendar"}
                                         : CName{kCardDav, "addressbook"});
        found.push_back(std::move(property));
    }
    for (const CName& property : asked.Properties()) {
        const std::string& ns = property.first;
        const std::string& name = property.second;
        if (ns == kDav && name == "resourcetype")
            continue;
        if (ns == kDav && name == "current-user-principal")
            hrefs(kDav, "current-user-principal", CDavPath::PrincipalHref(m_strUser));
        else if (ns == kDav && name == "principal-URL" && where == Where::Principal)
            hrefs(kDav, "principal-URL", CDavPath::PrincipalHref(m_strUser));
        else if (ns == kDav && name == "owner" && where != Where::Root)
            hrefs(kDav, "owner", CDavPath::PrincipalHref(m_strUser));
        else if (ns == kCalDav && name == "calendar-home-set" && where == Where::Principal)
            hrefs(kCalDav, "calendar-home-set", CDavPath::CalendarHomeHref(m_strUser));
        else if (ns == kCardDav && name == "addressbook-home-set" && where == Where::Principal)
            hrefs(kCardDav, "addressbook-home-set", CDavPath::AddressHomeHref(m_strUser));
        else if (ns == kDav && name == "displayname" && (isCollection || where == Where::Principal))
            text(kDav, "displayname",
                 where == Where::Principal                                ? m_strUser
                 : path.GetKind() == CDavCollection::Kind::Calendar       ? "スケジュール"
                 : path.GetKind() == CDavCollection::Kind::PublicCalendar ? "公開スケジュール"
                 : path.GetKind() == CDavCollection::Kind::PublicContacts ? "公開アドレス帳"
                                                                          : "アドレス帳");
        else if (ns == kServer && name == "getctag" && collection != nullptr)
            text(kServer, "getctag", collection->Tag());
        else if (ns == kDav && name == "getetag" && collection != nullptr)
            text(kDav, "getetag", collection->Tag());
        else if (ns == kDav && name == "sync-token" && collection != nullptr)
            text(kDav, "sync-token", m_tokens.Token(href, *collection));
        else if (ns == kCalDav && name == "supported-calendar-component-set" && isCollection &&
                 CDavCollection::IsCalendar(path.GetKind()))
            raw(kCalDav, "supported-calendar-component-set", "<c:comp name=\"VEVENT\"/>");
        else if (ns == kDav && name == "supported-report-set" && isCollection)
            raw(kDav, "supported-report-set",
                CDavCollection::IsCalendar(path.GetKind())
                    ? "<d:supported-report><d:report><c:calendar-multiget/></d:report>"
                      "</d:supported-report><d:supported-report><d:report><c:calendar-query/>"
                      "</d:report></d:supported-report><d:supported-report><d:report>"
                      "<d:sync-collection/></d:report></d:supported-report>"
                    : "<d:supported-report><d:report><card:addressbook-multiget/></d:report>"
                      "</d:supported-report><d:supported-report><d:report>"
                      "<card:addressbook-query/></d:report></d:supported-report>"
                      "<d:supported-report><d:report><d:sync-collection/></d:report>"
                      "</d:supported-report>");
        else if (ns == kDav && name == "current-user-privilege-set")
            raw(kDav, "current-user-privilege-set",
                readOnly || !isCollection
                    ? "<d:privilege><d:read/></d:privilege>"
                    : "<d:privilege><d:read/></d:privilege><d:privilege><d:write/></d:privilege>"
                      "<d:privilege><d:write-content/></d:privilege><d:privilege><d:bind/>"
                      "</d:privilege><d:privilege><d:unbind/></d:privilege>");
        else
            missing.push_back(property);
    }
    status.Response(href, found, missing);
}

void CDavHandler::DescribeObject(CDavMultiStatus& status, const std::string& href,
                                 const CDavCollection& collection,
                                 const CDavCollection::CObject& object,
                                 const CDavXmlRequest& asked) {
    std::vector<CProperty> found;
    std::vector<CName> missing;
    auto add = [&](const char* ns, const char* name, std::string value) {
        CProperty property;
        property.name = {ns, name};
        property.text = std::move(value);
        found.push_back(std::move(property));
    };
    if (asked.AllProperties()) {
        add(kDav, "getetag", object.etag);
        add(kDav, "getcontenttype", ContentType(collection));
        add(kDav, "resourcetype", std::string());
    }
    for (const CName& property : asked.Properties()) {
        const std::string& ns = property.first;
        const std::string& name = property.second;
        if (ns == kDav && name == "getetag")
            add(kDav, "getetag", object.etag);
        else if (ns == kDav && name == "getcontenttype")
            add(kDav, "getcontenttype", ContentType(collection));
        else if (ns == kDav && name == "resourcetype")
            add(kDav, "resourcetype", std::string());
        else if ((ns == kCalDav && name == "calendar-data" && collection.IsCalendar()) ||
                 (ns == kCardDav && name == "address-data" && !collection.IsCalendar()))
            add(ns.c_str(), name.c_str(), object.data);
        else
            missing.push_back(property);
    }
    status.Response(href, found, missing);
}

CDavResponse CDavHandler::PropFind(const CDavRequest& request, const CDavPath& path) {
    CDavXmlRequest asked;
    if (!asked.Parse(request.body) || asked.Root() != CName{kDav, "propfind"})
        return CDavResponse::Status(400, "the body is no PROPFIND");
    using Where = CDavPath::Where;
    const bool deep = request.depth == "1" || request.depth == "infinity";
    CDavMultiStatus status;
    const std::string user = m_strUser;
    switch (path.GetWhere()) {
    case Where::Root:
        Describe(status, CDavPath::RootHref(), path, nullptr, asked);
        break;
    case Where::Principal:
        Describe(status, CDavPath::PrincipalHref(user), path, nullptr, asked);
        break;
    case Where::CalendarHome:
    case Where::AddressHome: {
        const bool calendars = path.GetWhere() == Where::CalendarHome;
        Describe(status,
                 calendars ? CDavPath::CalendarHomeHref(user) : CDavPath::AddressHomeHref(user),
                 path, nullptr, asked);
        if (!deep)
            break;
        const std::vector<CDavCollection::Kind> kinds =
            calendars ? std::vector<CDavCollection::Kind>{CDavCollection::Kind::Calendar,
                                                          CDavCollection::Kind::PublicCalendar}
                      : std::vector<CDavCollection::Kind>{CDavCollection::Kind::Contacts,
                                                          CDavCollection::Kind::PublicContacts};
        for (CDavCollection::Kind kind : kinds) {
            const std::string href = CDavPath::CollectionHref(user, kind);
            const CDavPath inside = CDavPath::Parse(href);
            CDavResponse error;
            CDavCollection* collectionRead = Collection(inside, error);
            if (collectionRead == nullptr)
                return error;
            CDavCollection& collection = *collectionRead;
            Describe(status, href, inside, &collection, asked);
        }
        break;
    }
    case Where::Collection:
    case Where::Object: {
        CDavResponse error;
        CDavCollection* collectionRead = Collection(path, error);
        if (collectionRead == nullptr)
            return error;
        CDavCollection& collection = *collectionRead;
        const std::string href = CDavPath::CollectionHref(user, path.GetKind());
        std::vector<const CDavCollection::CObject*> objects;
        if (path.GetWhere() == Where::Object) {
            objects.push_back(collection.Find(path.Object()));
            if (objects.back() == nullptr)
                return CDavResponse::Status(404);
        } else {
            Describe(status, href, path, &collection, asked);
            if (deep)
                for (const auto& object : collection.Objects())
                    objects.push_back(&object);
        }
        std::string failure;
        if (WantsData(asked) && !collection.Fill(objects, failure))
            return CDavResponse::Status(500, "the entries cannot be read: " + Utf8(failure));
        for (const CDavCollection::CObject* object : objects)
            DescribeObject(status, href + object->name, collection, *object, asked);
        break;
    }
    case Where::Unknown:
        return CDavResponse::Status(404);
    }
    CDavResponse response = CDavResponse::Status(207);
    response.contentType = "application/xml; charset=utf-8";
    response.body = status.Finish();
    return response;
}

CDavResponse CDavHandler::Objects(const CDavPath& path, CDavCollection& collection,
                                  const std::vector<const CDavCollection::CObject*>& objects,
                                  const CDavXmlRequest& asked,
                                  const std::vector<std::string>& missing) {
    const std::string href = CDavPath::CollectionHref(m_strUser, path.GetKind());
    std::string failure;
    if (WantsData(asked) && !collection.Fill(objects, failure))
        return CDavResponse::Status(500, "the entries cannot be read: " + Utf8(failure));
    CDavMultiStatus status;
    for (const CDavCollection::CObject* object : objects)
        DescribeObject(status, href + object->name, collection, *object, asked);
    for (const std::string& gone : missing)
        status.Status(gone, "HTTP/1.1 404 Not Found");
    if (asked.Root() == CName{kDav, "sync-collection"})
        status.SyncToken(m_tokens.Token(href, collection));
    CDavResponse response = CDavResponse::Status(207);
    response.contentType = "application/xml; charset=utf-8";
    response.body = status.Finish();
    return response;
}

CDavResponse CDavHandler::Report(const CDavRequest& request, const CDavPath& path) {
    CDavXmlRequest asked;
    if (!asked.Parse(request.body))
        return CDavResponse::Status(400, "the body is not XML");
    if (path.GetWhere() != CDavPath::Where::Collection)
        return CDavResponse::Status(403, "a report is made of a collection");
    CDavResponse error;
    CDavCollection* collectionRead = Collection(path, error);
    if (collectionRead == nullptr)
        return error;
    CDavCollection& collection = *collectionRead;
    const CName& report = asked.Root();
    std::vector<const CDavCollection::CObject*> objects;
    std::vector<std::string> missing;
    const bool calendar = collection.IsCalendar();
    if ((calendar && report == CName{kCalDav, "calendar-multiget"}) ||
        (!calendar && report == CName{kCardDav, "addressbook-multiget"})) {
        for (const std::string& href : asked.Hrefs()) {
            const std::string name = href.substr(href.rfind('/') + 1);
            const CDavCollection::CObject* object =
                PathOf(href).rfind(CDavPath::CollectionHref(m_strUser, path.GetKind()), 0) == 0
                    ? collection.Find(CDavPath::Decode(name))
                    : nullptr;
            if (object != nullptr)
                objects.push_back(object);
            else
                missing.push_back(href);
        }
    } else if ((calendar && report == CName{kCalDav, "calendar-query"}) ||
               (!calendar && report == CName{kCardDav, "addressbook-query"})) {
        std::time_t start = 0, end = 0;
        const bool ranged = !asked.RangeStart().empty() || !asked.RangeEnd().empty();
        if (ranged && ((!asked.RangeStart().empty() && !ParseUtc(asked.RangeStart(), start)) ||
                       (!asked.RangeEnd().empty() && !ParseUtc(asked.RangeEnd(), end))))
            return CDavResponse::Status(400, "a time range is of UTC times");
        for (const auto& object : collection.Objects())
            if (!ranged || object.Overlaps(start, end))
                objects.push_back(&object);
    } else if (report == CName{kDav, "sync-collection"}) {
        const std::string href = CDavPath::CollectionHref(m_strUser, path.GetKind());
        if (asked.SyncToken().empty()) {
            for (const auto& object : collection.Objects())
                objects.push_back(&object);
        } else {
            std::vector<std::string> changed, gone;
            if (!m_tokens.Changes(href, asked.SyncToken(), collection, changed, gone)) {
                CDavResponse refused = CDavResponse::Status(403);
                refused.contentType = "application/xml; charset=utf-8";
                refused.body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<d:error "
                               "xmlns:d=\"DAV:\"><d:valid-sync-token/></d:error>\n";
                return refused;
            }
            for (const std::string& name : changed)
                objects.push_back(collection.Find(CDavPath::Decode(name)));
            for (const std::string& name : gone)
                missing.push_back(href + name);
        }
    } else {
        return CDavResponse::Status(403, "that report is not made here");
    }
    return Objects(path, collection, objects, asked, missing);
}

CDavResponse CDavHandler::Get(const CDavRequest& request, const CDavPath& path) {
    if (path.GetWhere() != CDavPath::Where::Object)
        return CDavResponse::Status(path.GetWhere() == CDavPath::Where::Collection ? 405 : 404);
    CDavCollection* collection = nullptr;
    CDavResponse error;
    const CDavCollection::CObject* object = ReadObject(path, collection, error);
    if (object == nullptr)
        return error;
    std::string failure;
    if (request.method == "GET" && !collection->Fill({object}, failure))
        return CDavResponse::Status(500, "the entries cannot be read: " + Utf8(failure));
    CDavResponse response = CDavResponse::Status(200);
    response.contentType = ContentType(*collection);
    if (request.method == "GET")
        response.body = object->data;
    response.headers.emplace_back("ETag", object->etag);
    return response;
}

bool CDavHandler::Unwritable(const CDavPath& path, CDavResponse& refusal) {
    if (path.GetWhere() != CDavPath::Where::Object)
        refusal = CDavResponse::Status(405);
    else if (CDavCollection::IsPublic(path.GetKind()))
        refusal = CDavResponse::Status(403, "the public collections are read only");
    else
        return false;
    return true;
}

CDavResponse CDavHandler::Put(const CDavRequest& request, const CDavPath& path) {
    CDavResponse refusal;
    if (Unwritable(path, refusal))
        return refusal;
    const bool calendar = path.GetKind() == CDavCollection::Kind::Calendar;
    if (FirstLine(request.body) != (calendar ? "BEGIN:VCALENDAR" : "BEGIN:VCARD"))
        return CDavResponse::Status(415, calendar ? "a calendar takes iCalendar objects"
                                                  : "an address book takes vCards");
    CDavResponse error;
    CDavCollection* collectionRead = Collection(path, error);
    if (collectionRead == nullptr)
        return error;
    CDavCollection& collection = *collectionRead;
    const CDavCollection::CObject* existing = collection.Find(path.Object());
    if ((!request.ifNoneMatch.empty() && existing != nullptr &&
         Names(request.ifNoneMatch, existing->etag)) ||
        (!request.ifMatch.empty() &&
         (existing == nullptr || !Names(request.ifMatch, existing->etag))))
        return CDavResponse::Status(412);
    const int kind = calendar ? KV_KIND_SCHEDULE : KV_KIND_ADDRESS;
    const bool replaced = existing != nullptr;
    const std::vector<long long> ids = replaced ? existing->ids : std::vector<long long>();
    CTextFile file;
    file.OpenText(request.body);
    CImportSession::COptions options;
    options.kind = calendar ? CImportSession::Kind::Schedules : CImportSession::Kind::Addresses;
    options.owner = m_strOwner;
    options.file = "dav:" + CDavPath::CollectionHref(m_strUser, path.GetKind()) +
                   CDavPath::Encode(path.Object());
    options.userName = m_strOwner;
    // What the object was goes in the import's own batch, recorded with it:
    // one record says what the phone did, and takes it back whole.
    int import = 0;
    options.recordBegun = [&](int number) {
        import = number;
        return ids.empty() ||
               kvRemoveEntries(kind, ids.data(), static_cast<int>(ids.size()), nullptr, nullptr);
    };
    CImportSession session(file, options);
    std::string failure;
    bool stored = false;
    if (!session.Open()) {
        failure = LastError();
    } else if (session.Begin() != CImportSession::Start::Ready) {
        failure = "the object cannot be read";
    } else {
        for (CImportSession::Step step = session.Next();
             step != CImportSession::Step::End && step != CImportSession::Step::Failed;
             step = session.Next()) {
        }
        const bool closed = session.Close();
        stored = closed && !session.Failed() && session.Committed() > 0;
        failure = session.Failed() ? Utf8(session.Failure()) : "nothing in it could be stored";
    }
    if (!stored) {
        // A failed import's batch went with its removal; one that stored
        // nothing but committed the removal is taken back: nothing is lost.
        if (import != 0)
            kvUndoImport(import, nullptr, nullptr);
        return CDavResponse::Status(400, "the object was not stored: " + failure);
    }
    // Read again: the objects of the read before are gone with it.
    CDavCollection* after = Collection(path, error);
    if (after == nullptr)
        return error;
    CDavResponse response = CDavResponse::Status(replaced ? 204 : 201);
    if (const CDavCollection::CObject* object = after->Find(path.Object()))
        response.headers.emplace_back("ETag", object->etag);
    return response;
}

CDavResponse CDavHandler::Delete(const CDavRequest& request, const CDavPath& path) {
    CDavResponse refusal;
    if (Unwritable(path, refusal))
        return refusal;
    CDavCollection* collection = nullptr;
    CDavResponse error;
    const CDavCollection::CObject* object = ReadObject(path, collection, error);
    if (object == nullptr)
        return error;
    if (!request.ifMatch.empty() && !Names(request.ifMatch, object->etag))
        return CDavResponse::Status(412);
    const int kind = collection->IsCalendar() ? KV_KIND_SCHEDULE : KV_KIND_ADDRESS;
    if (kvRemoveEntries(kind, object->ids.data(), static_cast<int>(object->ids.size()), nullptr,
                        nullptr) == 0)
        return CDavResponse::Status(500, "the object cannot be removed: " + LastError());
    return CDavResponse::Status(204);
}
