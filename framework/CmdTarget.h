#pragma once

#include <functional>
#include <map>

class CCmdUI;

// Something that handles commands by ID: a handler that runs the command and,
// optionally, one that decides whether it is enabled. Without an enabling
// handler a command with a handler is enabled.
class CCmdTarget {
public:
    using Handler = std::function<void()>;
    using UpdateHandler = std::function<void(CCmdUI&)>;

    virtual ~CCmdTarget() = default;

    // Runs the command (pUI null) or fills its enabling state; false when this
    // target does not handle id.
    virtual bool OnCmdMsg(int id, CCmdUI* pUI);

protected:
    void OnCommand(int id, Handler handler) { m_handlers[id] = std::move(handler); }
    void OnUpdateCommandUI(int id, UpdateHandler handler) { m_updates[id] = std::move(handler); }

private:
    std::map<int, Handler> m_handlers;
    std::map<int, UpdateHandler> m_updates;
};
