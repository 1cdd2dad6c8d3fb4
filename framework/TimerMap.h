#pragma once

#include <map>

class QObject;

// Numbered timers on a QObject, as SetTimer/KillTimer give them: starting a
// number that runs restarts it.
class CTimerMap {
public:
    void Set(QObject* owner, int id, int milliseconds);
    void Kill(QObject* owner, int id);
    void KillAll(QObject* owner);
    // The number of a Qt timer, or 0 when it is not one of ours.
    int IdFor(int qtTimerId) const;

private:
    std::map<int, int> m_timers; // number -> Qt timer ID
};
