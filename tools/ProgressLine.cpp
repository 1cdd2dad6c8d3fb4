#include "ProgressLine.h"

#include <cstdio>
#include <ostream>
#include <unistd.h>

namespace {

// 1234567 as "1,234,567".
std::string Grouped(long long value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return (value < 0 ? "-" : "") + grouped;
}

std::string Duration(double seconds) {
    long long whole = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof(text), "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof(text), "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

} // namespace

CProgressLine::CProgressLine(std::ostream& out, bool shown, std::string noun, Clock clock)
    : m_out(out), m_bShown(shown), m_strNoun(std::move(noun)),
      m_clock(clock ? std::move(clock) : [] { return std::chrono::steady_clock::now(); }),
      m_start(m_clock()), m_last(m_start) {}

CProgressLine::~CProgressLine() {
    Finish();
}

bool CProgressLine::StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

std::string CProgressLine::Text(long long done, double fraction, double seconds,
                                const std::string& noun) {
    std::string text = Grouped(done) + " " + noun;
    if (fraction >= 0) {
        char percent[16];
        std::snprintf(percent, sizeof(percent), "  %3d%%",
                      static_cast<int>(fraction > 1 ? 100 : fraction * 100));
        text += percent;
    }
    if (seconds > 0)
        text += "  " + Grouped(static_cast<long long>(done / seconds)) + " " + noun + "/s";
    if (fraction > 0.001 && fraction < 1 && seconds > 0)
        text += "  " + Duration(seconds * (1 - fraction) / fraction) + " left";
    return text;
}

void CProgressLine::Update(long long done, double fraction) {
    if (!m_bShown)
        return;
    const auto now = m_clock();
    // At most ten times a second (the first time a tenth of a second in, so
    // that a short command shows nothing): a slow terminal does not slow the work.
    if (now - m_last < std::chrono::milliseconds(100))
        return;
    m_last = now;
    m_bDrawn = true;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    // \r back to the line's start, \e[K clears what a longer line left.
    m_out << '\r' << Text(done, fraction, seconds, m_strNoun) << "\x1b[K" << std::flush;
}

void CProgressLine::Finish() {
    if (!m_bDrawn)
        return;
    m_bDrawn = false;
    m_out << "\r\x1b[K" << std::flush;
}
