#include "MonitorQueue.h"

#include "kelvo.h"

#include "Cp932.h"

void CMonitorQueue::Push(const std::string& line) {
    if (m_lines.size() >= kCapacity)
        m_lines.pop_front();
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
