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
    states.emplace_back(token, collection.Listing());
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
    const CDavCollection::CListing* before = nullptr;
    for (const auto& state : states->second)
        if (state.first == token)
            before = state.second.get();
    if (before == nullptr)
        return false;
    // Both by name: one walk through the two.
    const CDavCollection::CListing& now = *collection.Listing();
    auto was = before->begin();
    for (const auto& object : now) {
        while (was != before->end() && was->first < object.first)
            gone.push_back((was++)->first);
        if (was != before->end() && was->first == object.first) {
            if (was->second != object.second)
                changed.push_back(object.first);
            ++was;
        } else {
            changed.push_back(object.first);
        }
    }
    for (; was != before->end(); ++was)
        gone.push_back(was->first);
    return true;
}
