#include "CmdTarget.h"

#include "CmdUI.h"

bool CCmdTarget::OnCmdMsg(int id, CCmdUI* pUI) {
    auto handler = m_handlers.find(id);
    if (pUI == nullptr) {
        if (handler == m_handlers.end())
            return false;
        // Copy: the handler may replace itself or destroy its target's state.
        Handler run = handler->second;
        run();
        return true;
    }
    auto update = m_updates.find(id);
    if (update != m_updates.end()) {
        update->second(*pUI);
        return true;
    }
    if (handler == m_handlers.end())
        return false;
    pUI->Enable(true);
    return true;
}
