#include "ProcessRunner.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void ClosePipe(int fds[2]) {
    close(fds[0]);
    close(fds[1]);
}

} // namespace

CProcessRunner::CResult CProcessRunner::Run(const std::string& program,
                                            const std::vector<std::string>& args,
                                            const std::string& input) {
    COptions options;
    options.input = input;
    return Run(program, args, options);
}

CProcessRunner::CResult CProcessRunner::Run(const std::string& program,
                                            const std::vector<std::string>& args,
                                            const COptions& options) {
    const std::string& input = options.input;
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
        throw std::runtime_error("pipe failed");
    std::signal(SIGPIPE, SIG_IGN);
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        ClosePipe(in);
        ClosePipe(out);
        ClosePipe(err);
        if (!options.directory.empty() && chdir(options.directory.c_str()) != 0)
            _exit(126);
        for (const auto& variable : options.setEnv)
            setenv(variable.first.c_str(), variable.second.c_str(), 1);
        for (const std::string& name : options.unsetEnv)
            unsetenv(name.c_str());
        if (options.inChild)
            options.inChild();
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);

    CResult result;
    size_t written = 0;
    int inFd = in[1];
    if (input.empty()) {
        close(inFd);
        inFd = -1;
    }
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {inFd, POLLOUT, 0}};
        fds[0].fd = outOpen ? out[0] : -1;
        fds[1].fd = errOpen ? err[0] : -1;
        if (poll(fds, 3, -1) < 0 && errno != EINTR)
            break;
        char buffer[4096];
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents == 0)
                continue;
            ssize_t count = read(fds[i].fd, buffer, sizeof(buffer));
            if (count <= 0) {
                (i == 0 ? outOpen : errOpen) = false;
                continue;
            }
            (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(count));
        }
        if (inFd >= 0 && fds[2].revents != 0) {
            ssize_t count = write(inFd, input.data() + written, input.size() - written);
            if (count > 0)
                written += static_cast<size_t>(count);
            if (count <= 0 || written == input.size()) {
                close(inFd);
                inFd = -1;
            }
        }
    }
    if (inFd >= 0)
        close(inFd);
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
