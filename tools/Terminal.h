#pragma once

#include <iosfwd>
#include <string>

// Where a command reads and writes: standard input, output and error (or the
// streams a test gives), the prompt for a secret and whether progress is drawn.
class CTerminal {
public:
    CTerminal(std::istream& in, std::ostream& out, std::ostream& err)
        : m_in(in), m_out(out), m_err(err) {}

    std::ostream& Out() { return m_out; }
    std::ostream& Err() { return m_err; }

    // One line of standard input without its line end; what names what is
    // missing when there is none ("no <what> on standard input").
    std::string ReadLine(const char* what);
    // A password: at a terminal after prompt with echo off, else a line of
    // standard input.
    std::string ReadSecret(const std::string& prompt);
    // The rest of standard input.
    std::string ReadAll();
    // Whether a long command draws its progress: standard error is a
    // terminal, and --quiet was not given.
    bool ShowsProgress(bool quiet) const;

private:
    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
};
