#include "DavSyncTokens.h"

namespace {

const char kPrefix[] = "urn:kelvo:sync:";

} // namespace

std::string CDavSyncTokens::Token(const std::string& href, const CDavCollection& collection) {
    const std::string& tag = collection.Tag();
    const std::string token = kPrefix + tag.substr(1, tag.size() - 2);
    auto& states = m_states[href];
    for (const auto& state : states)
        if (state.first == token)
            return token;
    CState state;
    for (const auto& object : collection.Objects())
        state.emplace(object.name, object.etag);
    states.emplace_back(token, std::move(state));
    if (states.size() > kStatesKept)
        states.pop_front();
    return token;
}

bool CDavSyncTokens::Changes(const std::string& href, const std::string& token,
                             const CDavCollection& collection, std::vector<std::string>& changed,
                             std::vector<std::string>& gone) const {
    auto states = m_states.find(href);
    if (states == m_states.end())
        return false;
    const CState* before = nullptr;
    for (const auto& state : states->second)
        if (state.first == token)
            before = &state.second;
    if (before == nullptr)
        return false;
    CState now;
    for (const auto& object : collection.Objects()) {
        now.emplace(object.name, object.etag);
        auto was = before->find(object.name);
        if (was == before->end() || was->second != object.etag)
            changed.push_back(object.name);
    }
    for (const auto& was : *before)
        if (now.count(was.first) == 0)
            gone.push_back(was.first);
    return true;
}
