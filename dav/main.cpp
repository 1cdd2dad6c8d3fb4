// kelvo-dav: the groupware's calendars and address books for phones and mail
// programs, over CalDAV and CardDAV (HTTPS only), each person signed in as
// themselves. The groupware is the one the library finds ($KELVO_DATABASE or
// kelvo.conf), as for the viewer.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "DavConfig.h"
#include "DavServer.h"
#include "DavWorker.h"
#include "LinkedBackend.h"
#include "kelvo.h"

namespace {

const char kUsage[] =
    "usage: kelvo-dav [--config FILE] [--certificate FILE] [--key FILE] [--listen ADDRESS]\n"
    "                 [--port PORT]\n"
    "  Serves each person's schedules and addresses, and the public ones,\n"
    "  over CalDAV and CardDAV at https://ADDRESS:PORT/dav/ (default 127.0.0.1:8443;\n"
    "  port 0: any free one, printed). The certificate and key are PEM files; the\n"
    "  options say what the configuration file says, and win over it.\n";

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream read;
    read << file.rdbuf();
    text = read.str();
    return file.good() || file.eof();
}

} // namespace

int main(int argc, char** argv) {
    // The imports a client's objects go through call the library linked here.
    CLinkedBackend backend;
    if (argc == 2 && std::string(argv[1]) == "--worker")
        return CDavWorker::Run();
    CDavServer::COptions options;
    CDavConfig::CSettings given;
    std::string config;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool valued = i + 1 < argc;
        if (option == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (option == "--version") {
            std::cout << "kelvo-dav " KELVO_VERSION "\n";
            return 0;
        } else if (option == "--config" && valued) {
            config = argv[++i];
        } else if (option == "--certificate" && valued) {
            given.certificate = argv[++i];
        } else if (option == "--key" && valued) {
            given.key = argv[++i];
        } else if (option == "--listen" && valued) {
            given.address = argv[++i];
        } else if (option == "--port" && valued) {
            given.port = CDavConfig::Port(argv[++i]);
            if (given.port < 0) {
                std::cerr << "kelvo-dav: not a port: " << argv[i] << "\n";
                return 2;
            }
        } else {
            std::cerr << "kelvo-dav: unknown option or missing value: " << option << "\n" << kUsage;
            return 2;
        }
    }
    CDavConfig::CSettings settings;
    std::string error;
    if (!config.empty() && !CDavConfig::Read(config, settings, error)) {
        std::cerr << "kelvo-dav: " << error << "\n";
        return 2;
    }
    auto pick = [](const std::string& option, const std::string& file) {
        return option.empty() ? file : option;
    };
    const std::string certificate = pick(given.certificate, settings.certificate);
    const std::string key = pick(given.key, settings.key);
    options.address = pick(given.address, pick(settings.address, options.address));
    options.port = given.port >= 0 ? given.port : settings.port >= 0 ? settings.port : options.port;
    if (certificate.empty() || key.empty()) {
        std::cerr << "kelvo-dav: HTTPS only: give a certificate and its key\n" << kUsage;
        return 2;
    }
    if (!ReadFile(certificate, options.certificate) || options.certificate.empty() ||
        !ReadFile(key, options.key) || options.key.empty()) {
        std::cerr << "kelvo-dav: cannot read the certificate or the key\n";
        return 1;
    }
    // The signals that end the server are taken by this thread alone, before
    // the server's thread starts.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // The workers run this very program.
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::cerr << "kelvo-dav: cannot tell where kelvo-dav is\n";
        return 1;
    }
    options.program.assign(self, static_cast<size_t>(length));
    CDavServer server(options);
    std::string failure;
    if (!server.Start(failure)) {
        std::cerr << "kelvo-dav: " << failure << "\n";
        return 1;
    }
    const bool v6 = options.address.find(':') != std::string::npos;
    std::cout << "kelvo-dav: listening on https://" << (v6 ? "[" : "") << options.address
              << (v6 ? "]" : "") << ":" << server.Port() << "/dav/" << std::endl;
    int signal = 0;
    sigwait(&stop, &signal);
    kvShutdown();
    return 0;
}
