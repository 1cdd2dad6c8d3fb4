#pragma once

#include <string>

class CView;

// Kind indexes: the slots of the open-view table.
enum : int { KIND_USER = 0, KIND_SCHADULE = 1, KIND_ADDRESS = 2, KIND_BOARD = 3, KIND_MONITOR = 4 };

// What the viewer's windows and dialogs share of the program: the logged-in
// user and the window registered for each kind. The application owns it and
// hands it to the views and dialogs it makes; nothing below the application
// reaches up for it.
class CViewerSession {
public:
    static constexpr int kKindCount = 5;

    // loginUser: the program-wide logged-in user name the session stands for.
    explicit CViewerSession(std::string& loginUser) : m_strLoginUser(loginUser) {}
    CViewerSession(const CViewerSession&) = delete;
    CViewerSession& operator=(const CViewerSession&) = delete;

    // The logged-in user's name (code page 932): empty at start, replaced on
    // every successful login, never cleared.
    const std::string& LoginUser() const { return m_strLoginUser; }
    void SetLoginUser(const std::string& name) { m_strLoginUser = name; }

    // The open-view table: the view registered for each kind, or null. It
    // refers to views only; the framework owns them.
    CView* m_pOpenView[kKindCount] = {};
    void Register(int kind, CView* view) { m_pOpenView[kind] = view; }
    // Clears the slot of kind, whichever window of the kind goes.
    void Unregister(int kind) { m_pOpenView[kind] = nullptr; }

private:
    std::string& m_strLoginUser;
};
