#include "app/Win32Seams.h"

#include <windows.h>

#include "base/Seams.h"
#include "win/WinApp.h"
#include "win/Wnd.h"

namespace {

class MessageBoxNotices : public INoticeSink {
public:
    void Show(const std::string& text, NoticeIcon icon) override {
        UINT type = MB_OK | MB_SETFOREGROUND;
        switch (icon) {
        case NoticeIcon::Information: type |= MB_ICONINFORMATION; break;
        case NoticeIcon::Warning: type |= MB_ICONEXCLAMATION; break;
        case NoticeIcon::Error:
        case NoticeIcon::Stop: type |= MB_ICONSTOP; break;
        case NoticeIcon::Question: type |= MB_ICONQUESTION; break;
        }
        CWinApp* app = CWinApp::Instance();
        HWND owner = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
        // A hidden owner would keep the box behind other windows.
        if (owner && !::IsWindowVisible(owner)) owner = nullptr;
        ::MessageBoxA(owner, text.c_str(), "Pinwell", type);
    }
};

MessageBoxNotices g_notices;

}  // namespace

void InstallWin32Seams() { SetNoticeSink(&g_notices); }
