#pragma once

#include <cstddef>
#include <ctime>
#include <deque>
#include <string>

// The lines the library reports about itself, oldest first. Bounded: when
// nobody drains it, the oldest lines make room for new ones.
class CMonitorQueue {
public:
    static constexpr size_t kCapacity = 10000;

    // Queues a line after the time (HH:MM:SS), cut at a character boundary
    // to fit a monitor line buffer.
    void Push(const std::string& text);
    // Copies the oldest line into buffer (size bytes, NUL included) and removes it.
    bool Pop(char* buffer, int size);
    size_t Size() const { return m_lines.size(); }
    void Clear() { m_lines.clear(); }

private:
    std::deque<std::string> m_lines;
    std::time_t m_lastSecond = 0;
    std::string m_strStamp;
};
