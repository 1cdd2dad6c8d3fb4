#include "TimerMap.h"

#include <QObject>

void CTimerMap::Set(QObject* owner, int id, int milliseconds) {
    Kill(owner, id);
    int qtId = owner->startTimer(milliseconds);
    if (qtId != 0)
        m_timers[id] = qtId;
}

void CTimerMap::Kill(QObject* owner, int id) {
    auto found = m_timers.find(id);
    if (found == m_timers.end())
        return;
    owner->killTimer(found->second);
    m_timers.erase(found);
}

int CTimerMap::IdFor(int qtTimerId) const {
    for (const auto& [id, qtId] : m_timers)
        if (qtId == qtTimerId)
            return id;
    return 0;
}

void CTimerMap::KillAll(QObject* owner) {
    for (const auto& [id, qtId] : m_timers)
        owner->killTimer(qtId);
    m_timers.clear();
}
