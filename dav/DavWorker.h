#pragma once

// A worker of kelvo-dav: one process per person signed in, started by the
// server (kelvo-dav --worker) with a socket to it as its descriptor 3. It
// signs the library in as the person (on the office's server: a connection
// as the person's role, which the server's policies answer) and answers that
// person's requests, one at a time, until the server closes the socket.
class CDavWorker {
public:
    static constexpr int kDescriptor = 3;
    // Serves until the socket closes; the process's exit code.
    static int Run();
};
