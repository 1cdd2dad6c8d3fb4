#include "Terminal.h"

#include <iostream>
#include <iterator>
#include <termios.h>
#include <unistd.h>

#include "AdminError.h"
#include "ProgressLine.h"

std::string CTerminal::ReadLine(const char* what) {
    std::string line;
    if (!std::getline(m_in, line))
        throw CAdminError(std::string("no ") + what + " on standard input");
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string CTerminal::ReadSecret(const std::string& prompt) {
    // At a terminal: a prompt, and nothing echoed (nor left in the shell's
    // history or in ps, as an option would be).
    const bool terminal = &m_in == &std::cin && isatty(STDIN_FILENO);
    termios saved{};
    if (terminal && tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        std::cerr << prompt << std::flush;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        std::string line;
        bool read = static_cast<bool>(std::getline(m_in, line));
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::cerr << "\n";
        if (!read)
            throw CAdminError("no password was typed");
        return line;
    }
    return ReadLine("password");
}

std::string CTerminal::ReadAll() {
    return std::string(std::istreambuf_iterator<char>(m_in), std::istreambuf_iterator<char>());
}

bool CTerminal::ShowsProgress(bool quiet) const {
    return !quiet && &m_err == &std::cerr && CProgressLine::StandardErrorIsTerminal();
}
