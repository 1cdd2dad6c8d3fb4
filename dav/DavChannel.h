#pragma once

#include <string>
#include <vector>

#include "DavRequest.h"
#include "DavResponse.h"

// The messages between kelvo-dav and its workers over a local socket pair:
// a message is a count of fields, then each field as its length and bytes
// (lengths as 8-byte little-endian numbers). Nothing else reads the socket.
class CDavChannel {
public:
    explicit CDavChannel(int fd) : m_fd(fd) {}

    // False when the other side is gone.
    bool Send(const std::vector<std::string>& fields) const;
    // False when the other side is gone, or a message is larger than the
    // bounds of a request (a worker never trusts more than that).
    bool Receive(std::vector<std::string>& fields) const;

    static std::vector<std::string> Fields(const CDavRequest& request);
    static bool Take(const std::vector<std::string>& fields, CDavRequest& request);
    static std::vector<std::string> Fields(const CDavResponse& response);
    static bool Take(const std::vector<std::string>& fields, CDavResponse& response);

private:
    bool Write(const void* data, size_t size) const;
    bool Read(void* data, size_t size) const;

    int m_fd;
};
