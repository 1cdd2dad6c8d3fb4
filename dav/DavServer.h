#pragma once

#include <cstddef>
#include <memory>
#include <microhttpd.h>
#include <string>

#include "DavSessions.h"

// The HTTPS side of kelvo-dav, on libmicrohttpd (TLS by GnuTLS): requests
// read whole within their bounds (body size, idle time, connections), each
// connection on a thread of its own, and handed to the person's session.
class CDavServer {
public:
    struct COptions {
        std::string address = "127.0.0.1"; // numeric, IPv4 or IPv6
        int port = 8443;                   // 0: any free port (Port() tells)
        std::string certificate;           // PEM texts
        std::string key;
        std::string program; // kelvo-dav itself, which its workers run
        size_t maxBody = 4 << 20;
        unsigned idleSeconds = 30;
        unsigned requestSeconds = 120; // the most a request's body may take
        unsigned connections = 64;
    };

    explicit CDavServer(COptions options);
    ~CDavServer();
    CDavServer(const CDavServer&) = delete;
    CDavServer& operator=(const CDavServer&) = delete;

    // False, with failure set, when the server cannot listen.
    bool Start(std::string& failure);
    int Port() const;

private:
    struct CPending; // a request being read

    static MHD_Result Access(void* self, MHD_Connection* connection, const char* url,
                             const char* method, const char* version, const char* upload,
                             size_t* uploadSize, void** state);
    static void Completed(void* self, MHD_Connection* connection, void** state,
                          MHD_RequestTerminationCode reason);
    MHD_Result Answer(MHD_Connection* connection, CPending& pending);
    // Answers 413 for a body over the bound, announced or on its way.
    static MHD_Result Refuse(MHD_Connection* connection, CPending& pending);

    COptions m_options;
    CDavSessions m_sessions;
    std::unique_ptr<MHD_Daemon, void (*)(MHD_Daemon*)> m_daemon;
};
