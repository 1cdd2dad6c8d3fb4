#pragma once

// Shows the busy cursor over the whole program for its lifetime, for work
// that blocks the event loop (a backend call that may wait for a lock).
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
