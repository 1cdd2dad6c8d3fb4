#include "MonitorQueue.h"

#include <cstdio>
#include <ctime>

#include "Cp932.h"
#include "kelvo.h"

void CMonitorQueue::Push(const std::string& text) {
    if (m_lines.size() >= kCapacity)
        m_lines.pop_front();
    // Each line says when: HH:MM:SS of the local time, worked out once a second.
    const std::time_t now = std::time(nullptr);
    if (now != m_lastSecond) {
        std::tm local{};
        localtime_r(&now, &local);
        char stamp[16];
        std::snprintf(stamp, sizeof(stamp), "%02d:%02d:%02d ", local.tm_hour, local.tm_min,
                      local.tm_sec);
        m_strStamp = stamp;
        m_lastSecond = now;
    }
    const std::string line = m_strStamp + text;
    size_t length = CCp932::CutLength(line.data(), line.size(), KV_MONITOR_LINE_SIZE - 1);
    // A NUL inside a name would end the line early; keep what precedes it.
    length = CCp932::FieldLength(line.data(), length);
    m_lines.emplace_back(line, 0, length);
}

bool CMonitorQueue::Pop(char* buffer, int size) {
    if (buffer == nullptr || size <= 0 || m_lines.empty())
        return false;
    kvCopyText(buffer, m_lines.front().c_str(), size);
    m_lines.pop_front();
    return true;
}
