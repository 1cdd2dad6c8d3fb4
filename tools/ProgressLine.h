#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>

// A long command's progress on a terminal: one line on standard error,
// redrawn in place at most ten times a second, with the records done, the
// share of the input, the records per second and the time left. Not shown
// (nothing written at all) when standard error is no terminal or --quiet was
// given, so that scripts and logs see only the result.
class CProgressLine {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // noun: what is counted ("records", "rows"). clock: for tests.
    CProgressLine(std::ostream& out, bool shown, std::string noun, Clock clock = nullptr);
    ~CProgressLine();
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

    // done so far; fraction of the whole from 0 to 1, or below 0 when the
    // whole is not known (a pipe, an export).
    void Update(long long done, double fraction);
    // Clears the line, so that what the command prints next stands alone.
    void Finish();

    // Whether standard error (file descriptor 2) is a terminal.
    static bool StandardErrorIsTerminal();
    // The line for done records at fraction after seconds (without \r).
    static std::string Text(long long done, double fraction, double seconds,
                            const std::string& noun);

private:
    std::ostream& m_out;
    bool m_bShown;
    std::string m_strNoun;
    Clock m_clock;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_last;
    bool m_bDrawn = false;
};
