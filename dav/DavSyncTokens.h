#pragma once

#include <deque>
#include <map>
#include <string>

#include "DavCollection.h"

// The sync tokens handed out (RFC 6578): each names the state of a collection
// when it was given (its objects' names and ETags), kept in memory for the
// newest states of each collection, so that a sync-collection request answers
// with what changed since. A token of a state no longer kept (an older one, or
// one given before the server started) is refused, and the client syncs whole.
class CDavSyncTokens {
public:
    static constexpr size_t kStatesKept = 32;

    // The token of collection's state now (at href), kept for a later Changes.
    std::string Token(const std::string& href, const CDavCollection& collection);
    // What changed since token: the names of objects new or changed, and of
    // those gone. False for a token not known.
    bool Changes(const std::string& href, const std::string& token,
                 const CDavCollection& collection, std::vector<std::string>& changed,
                 std::vector<std::string>& gone) const;

private:
    using CState = std::shared_ptr<const CDavCollection::CListing>;
    std::map<std::string, std::deque<std::pair<std::string, CState>>> m_states;
};
