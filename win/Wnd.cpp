#include "win/Wnd.h"

namespace {
const char kObjectProp[] = "Pinwell.CWnd";
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<CWnd*>(::GetPropA(hwnd, kObjectProp)) : nullptr;
}

void CWnd::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    ::SetPropA(hwnd, kObjectProp, this);
}

void CWnd::Detach() {
    if (m_hWnd) ::RemovePropA(m_hWnd, kObjectProp);
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
