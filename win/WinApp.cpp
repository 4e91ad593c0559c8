#include "win/WinApp.h"

#include <algorithm>

#include "win/Wnd.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() { g_app = this; }
CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Instance() { return g_app; }

int CWinApp::Main(HINSTANCE instance) {
    m_hInstance = instance;
    if (!InitInstance()) {
        ExitInstance();
        return 1;
    }
    if (m_pMainWnd) m_exitCode = Run();
    return ExitInstance();
}

void CWinApp::AddModeless(HWND hwnd) {
    if (std::find(m_modeless.begin(), m_modeless.end(), hwnd) == m_modeless.end())
        m_modeless.push_back(hwnd);
}

void CWinApp::RemoveModeless(HWND hwnd) {
    m_modeless.erase(std::remove(m_modeless.begin(), m_modeless.end(), hwnd), m_modeless.end());
}

bool CWinApp::PreTranslate(MSG& msg) {
    if (!msg.hwnd) return false;
    HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
    if (!root || std::find(m_modeless.begin(), m_modeless.end(), root) == m_modeless.end())
        return false;
    if (CWnd* wnd = CWnd::FromHandle(root))
        if (wnd->PreTranslateMessage(&msg)) return true;
    return ::IsDialogMessageA(root, &msg) != FALSE;
}

int CWinApp::Run() {
    MSG msg;
    while (BOOL got = ::GetMessageA(&msg, nullptr, 0, 0)) {
        if (got == -1) break;
        if (PreTranslate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
