// The thin window layer: one C++ object per window we own, bound to its HWND,
// with the common messages unpacked into virtual handlers.
#pragma once

#include <windows.h>

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd() = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to a window of ours, or nullptr.
    static CWnd* FromHandle(HWND hwnd);

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
    RECT GetWindowRect() const {
        RECT r{};
        ::GetWindowRect(m_hWnd, &r);
        return r;
    }

    // Hooks for the message loop: a chance to consume a message before it
    // is translated and dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg) { return FALSE; }

    HWND m_hWnd = nullptr;

protected:
    // Binds this object to hwnd (called from the window's first message).
    void Attach(HWND hwnd);
    void Detach();

    // Called for every message. Return true with result set when handled;
    // false hands the message to the default processing.
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }
    // WM_COMMAND; return TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam) { return FALSE; }
    virtual void OnTimer(UINT_PTR id) {}
    virtual void OnDestroy() {}
    // After the window is gone (WM_NCDESTROY); objects that own themselves
    // delete themselves here.
    virtual void PostNcDestroy() {}

    // Shared dispatch of the unpacked messages; true when handled.
    bool Dispatch(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
};
