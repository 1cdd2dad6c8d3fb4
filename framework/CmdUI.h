#pragma once

// The enabling state of one command, filled by the handler that the command
// routing finds. Nobody handling the command leaves it disabled.
class CCmdUI {
public:
    explicit CCmdUI(int id) : m_nID(id) {}

    void Enable(bool enabled = true) {
        m_bEnabled = enabled;
        m_bHandled = true;
    }
    void SetCheck(bool checked = true) {
        m_bChecked = checked;
        m_bCheckSet = true;
    }

    int m_nID;
    bool m_bEnabled = false;
    bool m_bHandled = false;
    bool m_bChecked = false;
    bool m_bCheckSet = false;
};
