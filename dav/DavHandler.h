#pragma once

#include <string>
#include <vector>

#include "DavCollection.h"
#include "DavMultiStatus.h"
#include "DavPath.h"
#include "DavRequest.h"
#include "DavResponse.h"
#include "DavSignIn.h"
#include "DavSyncTokens.h"

// Answers one request: signs its person in, finds where its path points and
// answers the method there. A person reaches only their own collections and
// the public address book (read only); every other path of the tree is
// forbidden, whoever it names. Requests are answered one at a time: the
// library has one person signed in at a time.
class CDavHandler {
public:
    CDavResponse Handle(const CDavRequest& request);

private:
    CDavResponse Options() const;
    CDavResponse PropFind(const CDavRequest& request, const CDavPath& path);
    CDavResponse Report(const CDavRequest& request, const CDavPath& path);
    CDavResponse Get(const CDavRequest& request, const CDavPath& path);
    CDavResponse Put(const CDavRequest& request, const CDavPath& path);
    CDavResponse Delete(const CDavRequest& request, const CDavPath& path);

    // True, with the refusal, where path is no object a person may write.
    static bool Unwritable(const CDavPath& path, CDavResponse& refusal);
    // Reads the collection path names; an error response when it cannot be.
    bool Read(const CDavPath& path, CDavCollection& collection, CDavResponse& error);
    // And the object it names; null, with the error (404 when none), when it cannot.
    const CDavCollection::CObject* ReadObject(const CDavPath& path, CDavCollection& collection,
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

    CDavSignIn m_signIn;
    CDavSyncTokens m_tokens;
    std::string m_strUser;  // the request's person (UTF-8)
    std::string m_strOwner; // and in code page 932
};
