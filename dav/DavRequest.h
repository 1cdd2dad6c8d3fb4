#pragma once

#include <string>

// A request as the handler sees it: the HTTP server has read it whole (within
// its bounds) and taken the credentials out of its Authorization header.
struct CDavRequest {
    std::string method;
    std::string path; // as sent, not yet decoded
    std::string depth;
    std::string ifMatch;
    std::string ifNoneMatch;
    std::string body;
    bool hasCredentials = false;
    std::string user; // UTF-8
    std::string password;
};
