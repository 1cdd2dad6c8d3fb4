#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DavCollection.h"
#include "DavMultiStatus.h"
#include "DavPath.h"
#include "DavRequest.h"
#include "DavResponse.h"
#include "DavSyncTokens.h"

// Answers the requests of the person signed in (a worker's, CDavWorker):
// finds where a path points and answers the method there. A person reaches
// only their own collections and the public schedules and addresses (read
// only); every other path of the tree is forbidden, whoever it names.
class CDavHandler {
public:
    // What is answered before anyone signs in: the well-known addresses,
    // OPTIONS, and a request without credentials. False for any other.
    static bool Unsigned(const CDavRequest& request, CDavResponse& response);
    // The answer to a wrong name or password.
    static CDavResponse Denied();
    // A request of user (UTF-8; owner: the name in code page 932), who is
    // signed in to the library.
    CDavResponse Serve(const CDavRequest& request, const std::string& user,
                       const std::string& owner);

private:
    CDavResponse PropFind(const CDavRequest& request, const CDavPath& path);
    CDavResponse Report(const CDavRequest& request, const CDavPath& path);
    CDavResponse Get(const CDavRequest& request, const CDavPath& path);
    CDavResponse Put(const CDavRequest& request, const CDavPath& path);
    CDavResponse Delete(const CDavRequest& request, const CDavPath& path);

    // True, with the refusal, where path is no object a person may write.
    static bool Unwritable(const CDavPath& path, CDavResponse& refusal);
    // The collection path names, read again only when its entries changed
    // since it was read; null, with the error, when it cannot be read.
    CDavCollection* Collection(const CDavPath& path, CDavResponse& error);
    // And the object it names; null, with the error (404 when none), when it cannot.
    const CDavCollection::CObject* ReadObject(const CDavPath& path, CDavCollection*& collection,
                                              CDavResponse& error);
    // The properties of a resource that is not an object, and of an object.
    void Describe(CDavMultiStatus& status, const std::string& href, const CDavPath& path,
                  const CDavCollection* collection, const CDavXmlRequest& asked);
    void DescribeObject(CDavMultiStatus& status, const std::string& href,
                        const CDavCollection& collection, const CDavCollection::CObject& object,
                        const CDavXmlRequest& asked);
    // The answer for the objects a REPORT selected.
    CDavResponse Objects(const CDavPath& path, CDavCollection& collection,
                         const std::vector<const CDavCollection::CObject*>& objects,
                         const CDavXmlRequest& asked, const std::vector<std::string>& missing);

    // The collections read, by kind and owner, with the state of their
    // entries when read (kvEntriesState): the newest kCollectionsKept.
    struct CCached {
        long long changes = -1, entries = -1;
        std::unique_ptr<CDavCollection> collection;
        unsigned long long used = 0;
    };
    static constexpr size_t kCollectionsKept = 32;
    std::map<std::string, CCached> m_collections;
    unsigned long long m_nUses = 0;

    CDavSyncTokens m_tokens;
    std::string m_strUser;  // the request's person (UTF-8)
    std::string m_strOwner; // and in code page 932
};
