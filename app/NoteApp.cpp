#include <winsock2.h>

#include "app/NoteApp.h"

#include <commctrl.h>
#include <shlobj.h>

#include "app/MainDialog.h"
#include "base/OsLabel.h"
#include "base/Seams.h"
#include "app/Win32Seams.h"
#include "note/NoteDialog.h"
#include "res/resource.h"
#include "skin/SkinEngine.h"

CNoteApp& TheApp() { return *static_cast<CNoteApp*>(CWinApp::Instance()); }

namespace {

// GetVersionEx is deprecated but it is what the system reports to a program
// without a compatibility manifest, which is what the label is about.
void ReportedVersion(unsigned& major, unsigned& minor) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ::GetVersionExA(&info);
#pragma GCC diagnostic pop
    major = info.dwMajorVersion;
    minor = info.dwMinorVersion;
}

// The first instance's main dialog. Notes are captioned with their titles,
// so a note called "Pinwell" must not be mistaken for it: the main dialog is
// the one without an owner.
HWND FindFirstInstance() {
    HWND hwnd = nullptr;
    while ((hwnd = ::FindWindowExA(nullptr, hwnd, nullptr, kMainCaption)) != nullptr)
        if (!::GetWindow(hwnd, GW_OWNER)) return hwnd;
    return ::FindWindowA(nullptr, kMainCaption);
}

// The pictures are palette bitmaps whose first entry is their background:
// give it the menu colour of this system so the pictures sit on the menu.
HBITMAP LoadMenuPicture(HINSTANCE instance, int id) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        ::LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) return nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    const COLORREF menu = ::GetSysColor(COLOR_MENU);
    RGBQUAD background{GetBValue(menu), GetGValue(menu), GetRValue(menu), 0};
    ::SetDIBColorTable(dc, 0, 1, &background);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return bitmap;
}

}  // namespace

BOOL CNoteApp::InitInstance() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_ANIMATE_CLASS |
                                             ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);

    char folder[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    SetProgramFolder(folder);

    char appData[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData);
    SetDataFolder(appData);

    unsigned major = 0, minor = 0;
    ReportedVersion(major, minor);
    SetOsFamilyLabel(OsFamilyLabel(major, minor));

    InstallWin32Seams();

    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(1, 1), &wsa) != 0) {
        char text[256] = {};
        ::LoadStringA(m_hInstance, IDS_WSA_FAILED, text, sizeof text);
        ::MessageBoxA(nullptr, text, kProductName, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }

    ::LoadLibraryA("riched32.dll");

    if (CSkinEngine::WantedFor(OsFamily()))
        CSkinEngine::Program().Install(CSkinEngine::kCallingThread, CSkinEngine::kDialogMode);

    for (int i = 0; i < IDB_MENU_COUNT; ++i) m_menuBitmaps.emplace_back(LoadMenuPicture(m_hInstance, IDB_MENU_FIRST + i));
    SetMenuPictures(this);
    LoadNoteIconBitmaps();

    m_mutex.Reset(::CreateMutexA(nullptr, FALSE, kMutexName));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND first = FindFirstInstance()) ::SetForegroundWindow(first);
        return TRUE;
    }

    // Only the instance that runs loads the mail system: a second start just
    // brings the first one forward and has no use for it.
    m_mapi.Load();
    SetProgramMail(&m_mapi);

    m_mainDialog = new CMainDialog();
    m_pMainWnd = m_mainDialog;
    if (!m_mainDialog->Create(nullptr)) {
        m_pMainWnd = nullptr;
        delete m_mainDialog;
        m_mainDialog = nullptr;
    }
    return TRUE;
}

int CNoteApp::ExitInstance() {
    delete m_mainDialog;
    m_mainDialog = nullptr;
    SetProgramMail(nullptr);
    SetMenuPictures(nullptr);
    m_menuBitmaps.clear();
    ::WSACleanup();
    return m_exitCode;
}

HBITMAP CNoteApp::MenuPicture(int resourceId) const {
    const int index = resourceId - IDB_MENU_FIRST;
    if (index < 0 || index >= static_cast<int>(m_menuBitmaps.size())) return nullptr;
    return m_menuBitmaps[index].Get();
}
