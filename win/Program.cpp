#include "win/Program.h"

#include "base/Seams.h"
#include "win/WinApp.h"

namespace {

std::string g_programFolder;
Seam<const IMenuPictures> g_menuPictures;

std::string RegistryUserInfo(const char* value) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\MS Setup (ACME)\\User Info", 0, KEY_READ,
                        &key) != ERROR_SUCCESS)
        return {};
    char buf[256] = {};
    DWORD size = sizeof buf - 1;
    DWORD type = 0;
    std::string text;
    if (::RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ))
        text = buf;
    ::RegCloseKey(key);
    return text;
}

}  // namespace

std::string ProgramFolder() {
    if (!g_programFolder.empty()) return g_programFolder;
    char path[MAX_PATH + 1] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    const std::size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

void SetProgramFolder(const std::string& folder) { g_programFolder = folder; }

HINSTANCE ResourceInstance() {
    CWinApp* app = CWinApp::Instance();
    return app ? app->m_hInstance : ::GetModuleHandleA(nullptr);
}

BYTE ScreenCharSet() {
    HDC dc = ::GetDC(nullptr);
    const int cs = ::GetTextCharset(dc);
    ::ReleaseDC(nullptr, dc);
    return static_cast<BYTE>(cs);
}

bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string GetUserDisplayName() {
    char name[257] = {};
    DWORD size = sizeof name;
    if (::GetUserNameA(name, &size)) return name;
    return RegistryUserInfo("DefName");
}

std::string GetComputerLabel() {
    char name[18] = {};
    DWORD size = sizeof name;
    if (::GetComputerNameA(name, &size)) return name;
    return RegistryUserInfo("DefCompany");
}

bool PumpPendingMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return true;
}

const IMenuPictures* SetMenuPictures(const IMenuPictures* pictures) { return g_menuPictures.Install(pictures); }

HBITMAP MenuPicture(int resourceId) {
    const IMenuPictures* pictures = g_menuPictures.Installed();
    return pictures ? pictures->MenuPicture(resourceId) : nullptr;
}

std::string NotePictureFolder() {
    const std::string& data = DataFolder();
    return data.empty() ? ProgramFolder() : data;
}

std::string NotePicturePath(const char* name) { return NotePictureFolder() + "\\" + name; }
