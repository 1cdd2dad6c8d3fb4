#include "DavWorker.h"

#include <openssl/crypto.h>
#include <string>
#include <vector>

#include "BackendTable.h"
#include "Cp932.h"
#include "DavChannel.h"
#include "DavHandler.h"
#include "kelvo.h"

namespace {

// "yes", "no" (a wrong name or password), or "error" with the reason the
// check could not be made.
std::vector<std::string> SignIn(const std::string& user, std::string& password,
                                std::string& owner) {
    std::string cp932Password;
    const bool said = CCp932::FromUtf8(user, owner) && CCp932::FromUtf8(password, cp932Password);
    OPENSSL_cleanse(password.data(), password.size());
    if (!said || owner.empty() || owner.size() >= 100 || cp932Password.size() >= KV_PASSWORD_SIZE)
        return {"no"};
    const bool signedIn = kvCheckPassword(owner.c_str(), cp932Password.c_str()) != 0;
    OPENSSL_cleanse(cp932Password.data(), cp932Password.size());
    if (signedIn)
        return {"yes"};
    const std::string reason = KvLastError();
    return reason.empty() ? std::vector<std::string>{"no"}
                          : std::vector<std::string>{"error", CCp932::ToUtf8(reason)};
}

} // namespace

int CDavWorker::Run() {
    const CDavChannel channel(kDescriptor);
    CDavHandler handler;
    std::string user, owner;
    std::vector<std::string> fields;
    while (channel.Receive(fields)) {
        if (fields.size() == 3 && fields[0] == "sign-in") {
            std::vector<std::string> verdict = SignIn(fields[1], fields[2], owner);
            // Signed in again or not: a refused password ends the person's session.
            user = verdict[0] == "yes" ? fields[1] : std::string();
            if (!channel.Send(verdict))
                break;
        } else if (!fields.empty() && fields[0] == "request" && !user.empty()) {
            fields.erase(fields.begin());
            CDavRequest request;
            const CDavResponse response =
                CDavChannel::Take(fields, request)
                    ? handler.Serve(request, user, owner)
                    : CDavResponse::Status(500, "the request did not reach the worker whole");
            if (!channel.Send(CDavChannel::Fields(response)))
                break;
        } else {
            break;
        }
    }
    kvShutdown();
    return 0;
}
