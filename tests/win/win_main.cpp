// Entry point of the window tests: the rich-edit library and the common
// controls, as the program loads them at start.
#include <windows.h>
#include <commctrl.h>

#include <atomic>

#include "WinTestSupport.h"
#include "base/OsLabel.h"
#include "win/WinApp.h"

namespace {
class TestApp : public CWinApp {};
}

void WindowTest::SetUp() {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("pinwell-win-" + std::string(info->name()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    SetDataFolder(dir_.string());
    previousSink_ = SetNoticeSink(&notices_);
    owner_ = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               ::GetModuleHandleA(nullptr), nullptr);
}

void WindowTest::TearDown() {
    if (owner_) ::DestroyWindow(owner_);  // takes the owned note windows with it
    Pump();
    SetNoticeSink(previousSink_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void WindowTest::Pump() {
    MSG msg;
    for (int i = 0; i < 50 && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

int main(int argc, char** argv) {
    // Copied as Lanscout.exe, this program stands in for a slow network lister.
    char self[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length >= 12 && ::lstrcmpiA(self + length - 12, "Lanscout.exe") == 0) {
        ::Sleep(1500);
        return 0;
    }
    TestApp app;
    app.m_hInstance = ::GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_ANIMATE_CLASS |
                                             ICC_DATE_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    ::LoadLibraryA("riched32.dll");
    SetOsFamilyLabel("Windows 7/8");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
