#include "DavChannel.h"

#include <cerrno>
#include <cstdint>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// No field, and no message, is larger: a request's body is bounded well below.
constexpr uint64_t kMostBytes = 256u << 20;
constexpr uint64_t kMostFields = 4096;

} // namespace

bool CDavChannel::Write(const void* data, size_t size) const {
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t sent = send(m_fd, at, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        at += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

bool CDavChannel::Read(void* data, size_t size) const {
    char* at = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = read(m_fd, at, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        at += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

bool CDavChannel::Send(const std::vector<std::string>& fields) const {
    std::string message;
    auto number = [&message](uint64_t value) {
        for (int i = 0; i < 8; ++i)
            message += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    number(fields.size());
    for (const std::string& field : fields) {
        number(field.size());
        message += field;
    }
    return Write(message.data(), message.size());
}

bool CDavChannel::Receive(std::vector<std::string>& fields) const {
    auto number = [this](uint64_t& value) {
        unsigned char bytes[8];
        if (!Read(bytes, sizeof bytes))
            return false;
        value = 0;
        for (int i = 7; i >= 0; --i)
            value = (value << 8) | bytes[i];
        return true;
    };
    fields.clear();
    uint64_t count = 0, total = 0;
    if (!number(count) || count > kMostFields)
        return false;
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t size = 0;
        if (!number(size) || size > kMostBytes - total)
            return false;
        total += size;
        std::string field(size, '\0');
        if (!Read(field.data(), field.size()))
            return false;
        fields.push_back(std::move(field));
    }
    return true;
}

std::vector<std::string> CDavChannel::Fields(const CDavRequest& request) {
    return {request.method,  request.path,        request.depth,
            request.ifMatch, request.ifNoneMatch, request.body};
}

bool CDavChannel::Take(const std::vector<std::string>& fields, CDavRequest& request) {
    if (fields.size() != 6)
        return false;
    request.method = fields[0];
    request.path = fields[1];
    request.depth = fields[2];
    request.ifMatch = fields[3];
    request.ifNoneMatch = fields[4];
    request.body = fields[5];
    return true;
}

std::vector<std::string> CDavChannel::Fields(const CDavResponse& response) {
    std::vector<std::string> fields = {std::to_string(response.status), response.contentType,
                                       response.body};
    for (const auto& header : response.headers) {
        fields.push_back(header.first);
        fields.push_back(header.second);
    }
    return fields;
}

bool CDavChannel::Take(const std::vector<std::string>& fields, CDavResponse& response) {
    if (fields.size() < 3 || fields.size() % 2 == 0 || fields[0].empty() || fields[0].size() > 3 ||
        fields[0].find_first_not_of("0123456789") != std::string::npos)
        return false;
    response = CDavResponse();
    response.status = std::stoi(fields[0]);
    response.contentType = fields[1];
    response.body = fields[2];
    for (size_t i = 3; i + 1 < fields.size(); i += 2)
        response.headers.emplace_back(fields[i], fields[i + 1]);
    return true;
}
