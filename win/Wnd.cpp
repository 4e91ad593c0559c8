#include "win/Wnd.h"

#include "win/WindowTable.h"

namespace {
// Never destroyed: windows may still go away while the program's statics are.
CWindowTable<CWnd*>& Objects() {
    static auto* table = new CWindowTable<CWnd*>;
    return *table;
}
}  // namespace

CWnd* CWnd::FromHandle(HWND hwnd) { return hwnd ? Objects().Find(hwnd) : nullptr; }

void CWnd::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    Objects().Bind(hwnd, this);
}

void CWnd::Detach() {
    if (m_hWnd) Objects().Unbind(m_hWnd);
    m_hWnd = nullptr;
}

bool CWnd::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (OnMessage(msg, wParam, lParam, result)) return true;
    switch (msg) {
    case WM_COMMAND:
        if (OnCommand(wParam, lParam)) {
            result = 0;
            return true;
        }
        return false;
    case WM_TIMER:
        OnTimer(wParam);
        result = 0;
        return true;
    case WM_DESTROY:
        OnDestroy();
        return false;
    default:
        return false;
    }
}
