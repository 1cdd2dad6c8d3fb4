#include "DavServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <openssl/crypto.h>

#include "DavHandler.h"

struct CDavServer::CPending {
    std::string method;
    std::string path;
    std::string body;
    bool tooLarge = false;   // refused, answered
    bool overflowed = false; // grew over the bound on its way
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
};

namespace {

// Paths arrive as sent: the handler decodes each segment on its own.
size_t KeepEscapes(void*, MHD_Connection*, char* text) {
    return std::strlen(text);
}

std::string Header(MHD_Connection* connection, const char* name) {
    const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    return value != nullptr ? value : "";
}

MHD_Result Queue(MHD_Connection* connection, const CDavResponse& answer) {
    MHD_Response* response = MHD_create_response_from_buffer(
        answer.body.size(), const_cast<char*>(answer.body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr)
        return MHD_NO;
    if (!answer.contentType.empty())
        MHD_add_response_header(response, "Content-Type", answer.contentType.c_str());
    for (const auto& header : answer.headers)
        MHD_add_response_header(response, header.first.c_str(), header.second.c_str());
    const MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned>(answer.status), response);
    MHD_destroy_response(response);
    return queued;
}

} // namespace

CDavServer::CDavServer(COptions options)
    : m_options(std::move(options)), m_sessions(m_options.program),
      m_daemon(nullptr, MHD_stop_daemon) {}

CDavServer::~CDavServer() = default;

bool CDavServer::Start(std::string& failure) {
    sockaddr_storage address{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    unsigned flags = MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_TLS |
                     MHD_USE_ERROR_LOG;
    if (inet_pton(AF_INET, m_options.address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<uint16_t>(m_options.port));
    } else if (inet_pton(AF_INET6, m_options.address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(m_options.port));
        flags |= MHD_USE_IPv6;
    } else {
        failure = "the address to listen on is not a numeric address: " + m_options.address;
        return false;
    }
    m_daemon.reset(MHD_start_daemon(
        flags, static_cast<uint16_t>(m_options.port), nullptr, nullptr, &CDavServer::Access, this,
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&address), MHD_OPTION_HTTPS_MEM_KEY,
        m_options.key.c_str(), MHD_OPTION_HTTPS_MEM_CERT, m_options.certificate.c_str(),
        MHD_OPTION_CONNECTION_TIMEOUT, m_options.idleSeconds, MHD_OPTION_CONNECTION_LIMIT,
        m_options.connections, MHD_OPTION_UNESCAPE_CALLBACK, &KeepEscapes, nullptr,
        MHD_OPTION_NOTIFY_COMPLETED, &CDavServer::Completed, this, MHD_OPTION_END));
    if (!m_daemon) {
        failure = "cannot listen on " + m_options.address + " port " +
                  std::to_string(m_options.port) +
                  " (is it taken, or are the certificate and key not a pair?)";
        return false;
    }
    return true;
}

int CDavServer::Port() const {
    const MHD_DaemonInfo* info =
        m_daemon ? MHD_get_daemon_info(m_daemon.get(), MHD_DAEMON_INFO_BIND_PORT) : nullptr;
    return info != nullptr ? info->port : 0;
}

MHD_Result CDavServer::Access(void* self, MHD_Connection* connection, const char* url,
                              const char* method, const char*, const char* upload,
                              size_t* uploadSize, void** state) {
    auto& server = *static_cast<CDavServer*>(self);
    if (*state == nullptr) {
        // Owned by the connection from here; Completed deletes it.
        auto pending = std::make_unique<CPending>();
        pending->method = method != nullptr ? method : "";
        pending->path = url != nullptr ? url : "";
        *state = pending.release();
        // A body announced too large is refused before it is read.
        const std::string length = Header(connection, "Content-Length");
        if (!length.empty() && length.find_first_not_of("0123456789") == std::string::npos &&
            (length.size() > 12 || std::stoull(length) > server.m_options.maxBody))
            return server.Refuse(connection, *static_cast<CPending*>(*state));
        return MHD_YES;
    }
    CPending& pending = *static_cast<CPending*>(*state);
    if (*uploadSize > 0) {
        const size_t size = *uploadSize;
        *uploadSize = 0;
        // A body that trickles in, never idle long enough to time out, is cut
        // off: the connection closes.
        if (std::chrono::steady_clock::now() - pending.started >
            std::chrono::seconds(server.m_options.requestSeconds))
            return MHD_NO;
        // A body that grows over the bound on its way (sent in chunks) is
        // read to its end and dropped: the server takes no answer before.
        if (pending.body.size() + size > server.m_options.maxBody) {
            pending.overflowed = true;
            std::string().swap(pending.body);
        } else if (!pending.overflowed && !pending.tooLarge) {
            pending.body.append(upload, size);
        }
        return MHD_YES;
    }
    if (pending.tooLarge)
        return MHD_YES; // answered already
    if (pending.overflowed)
        return Refuse(connection, pending);
    return server.Answer(connection, pending);
}

MHD_Result CDavServer::Refuse(MHD_Connection* connection, CPending& pending) {
    // Announced too large, it is answered at once and the body is never read
    // (the connection closes after the answer).
    pending.tooLarge = true;
    std::string().swap(pending.body);
    return Queue(connection, CDavResponse::Status(413, "the request is too large"));
}

MHD_Result CDavServer::Answer(MHD_Connection* connection, CPending& pending) {
    CDavRequest request;
    request.method = pending.method;
    request.path = pending.path;
    request.body = std::move(pending.body);
    request.depth = Header(connection, "Depth");
    request.ifMatch = Header(connection, "If-Match");
    request.ifNoneMatch = Header(connection, "If-None-Match");
    char* password = nullptr;
    char* user = MHD_basic_auth_get_username_password(connection, &password);
    if (user != nullptr && password != nullptr) {
        request.hasCredentials = true;
        request.user = user;
        request.password = password;
    }
    if (password != nullptr) {
        OPENSSL_cleanse(password, std::strlen(password));
        MHD_free(password);
    }
    if (user != nullptr)
        MHD_free(user);
    CDavResponse answer;
    if (!CDavHandler::Unsigned(request, answer))
        answer = m_sessions.Answer(request);
    OPENSSL_cleanse(request.password.data(), request.password.size());
    std::fprintf(stderr, "%s %s %d %s\n", request.method.c_str(), request.path.c_str(),
                 answer.status, request.hasCredentials ? request.user.c_str() : "-");
    return Queue(connection, answer);
}

void CDavServer::Completed(void*, MHD_Connection*, void** state, MHD_RequestTerminationCode) {
    std::unique_ptr<CPending> pending(static_cast<CPending*>(*state));
    *state = nullptr;
}
