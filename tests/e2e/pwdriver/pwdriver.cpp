// pwdriver: drives a running Pinwell from outside, for the end-to-end tests.
// Runs under the same Wine prefix as Pinwell.exe; every subcommand prints its
// answer on stdout and returns 0 on success, 1 on failure or timeout, 2 on a
// usage error.
#include "DriverCommon.h"

#include <shlobj.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace driver;

constexpr UINT kTrayCallback = WM_USER + 1;

int Usage() {
    std::fputs(
        "usage: pwdriver <command> [args]\n"
        "  appdata                    the per-user application-data folder\n"
        "  screen                     primary screen width and height\n"
        "  version                    the Windows version this prefix reports: major.minor\n"
        "  alpha <hwnd>               a layered window's alpha (0-255), or none when it has none\n"
        "  wait-main <ms>             wait for the main dialog to exist and finish starting\n"
        "  count-main                 unowned top-level windows captioned \"Pinwell\"\n"
        "  wait-gone <ms>             wait until no main dialog exists\n"
        "  notes                      hwnd visible left top width height title, one per note\n"
        "  wait-notes <n> <ms>        wait for at least n visible notes\n"
        "  wait-visible <n> <ms>      wait for exactly n visible notes\n"
        "  wait-note-count <n> <ms>   wait for exactly n notes (visible or not)\n"
        "  command <id>               post WM_COMMAND id to the main dialog\n"
        "  tray <mousemsg>            post the tray callback with lParam mousemsg\n"
        "  send-command <id> <ms>     send WM_COMMAND id and wait until the handler returns\n"
        "  ping <ms>                  wait until the main dialog's thread answers a sent message\n"
        "  child-rect <hwnd> <id>     screen rectangle of a child control: left top width height\n"
        "  child-text <hwnd> <id>     text of a child control\n"
        "  set-text <hwnd> <id> <text>  set the text of a control anywhere below hwnd (a file\n"
        "                             dialog's name field, say); prints the text it had\n"
        "  pixel <x> <y>              screen colour at (x, y) as RRGGBB\n"
        "  windows                    every top-level window: hwnd owner visible class title\n"
        "  body-text <hwnd>           a note's body text as the control answers WM_GETTEXT\n"
        "  post <hwnd> <msg> <wp> <lp>  post a message to a window\n"
        "  send <hwnd> <msg> <wp> <lp> <ms>  send a message, print the result\n"
        "  menus                      visible pop-up menus: hwnd left top width height\n"
        "  wait-menu <ms>             wait for a visible pop-up menu, print it as menus does\n"
        "  wait-no-menu <ms>          wait until no pop-up menu is visible\n"
        "  escape-menus               post Escape key presses to every visible pop-up menu\n"
        "  click <x> <y> <left|right> [down|up|both]  move the cursor there and send the button\n"
        "  key <vk>                   press and release a key (virtual-key code, or a letter or digit)\n"
        "  type-into <hwnd> <text> <ms>  post the characters of text to a note's body, one every ms,\n"
        "                             printing each once posted; 1 when the note went away first\n"
        "  memory                     Pinwell's process: windows-pid working-set peak-working-set private (bytes)\n"
        "  watch-visible <n> <ms>     poll every 10 ms; print the Unix time in ms at which the main\n"
        "                             dialog, the first visible note and n visible notes were first seen\n"
        "                             (a layered note at alpha 0 is not yet visible; the first may be a\n"
        "                             few polls late, the n-th is exact)\n",
        stderr);
    return 2;
}

// A sent message is handled only once the main dialog's thread is back in its
// message loop, that is, after the start-up sequence (or a command) finished.
bool Answers(HWND main, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

int CmdAppData() {
    char path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
        std::fputs("pwdriver: no application-data folder\n", stderr);
        return 1;
    }
    std::printf("%s\n", path);
    return 0;
}

DWORD Remaining(ULONGLONG deadline) {
    const ULONGLONG now = ::GetTickCount64();
    return now < deadline ? static_cast<DWORD>(deadline - now) : 1;
}

// The tray icon the main dialog adds for itself (identifier 1). Modifying
// nothing succeeds only while it exists.
bool TrayIconPresent(HWND main) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = main;
    data.uID = 1;
    return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// The main dialog exists from the start of its creation, long before its
// start-up sequence has run. Neither going idle nor answering a sent message
// marks the end of that sequence: Wine reports the process idle long before
// it is, and the thread answers sent messages while it waits for the tray to
// take its icon. Once the icon is there, the only wait left is the
// main message loop, so a message sent after that is answered only when
// start-up is over. Without a tray (no Shell_TrayWnd) the icon is not
// waited for.
bool StartedUp(HWND main, ULONGLONG deadline) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) return false;
    const DWORD idle = ::WaitForInputIdle(process, Remaining(deadline));
    ::CloseHandle(process);
    if (idle != 0) return false;
    if (::FindWindowA("Shell_TrayWnd", nullptr) &&
        !WaitFor(Remaining(deadline), [&] { return TrayIconPresent(main); }))
        return false;
    // Twice: the first may still be answered inside the tray's wait.
    return Answers(main, Remaining(deadline)) && Answers(main, Remaining(deadline));
}

int CmdWaitMain(DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    HWND main = nullptr;
    if (!WaitFor(timeoutMs, [&] { return (main = FindMain()) != nullptr; })) {
        std::fputs("pwdriver: no main dialog\n", stderr);
        return 1;
    }
    if (!StartedUp(main, deadline)) {
        std::fputs("pwdriver: the main dialog did not finish starting\n", stderr);
        return 1;
    }
    std::printf("%llu\n", Handle(main));
    return 0;
}

int CmdNotes() {
    HWND main = FindMain();
    if (!main) {
        std::fputs("pwdriver: no main dialog\n", stderr);
        return 1;
    }
    for (HWND note : Notes(main)) {
        RECT r{};
        ::GetWindowRect(note, &r);
        std::printf("%llu %d %ld %ld %ld %ld %s\n", Handle(note), ::IsWindowVisible(note) ? 1 : 0, r.left, r.top,
                    r.right - r.left, r.bottom - r.top, WindowText(note).c_str());
    }
    return 0;
}

int CountVisibleNotes() {
    int n = 0;
    for (HWND note : Notes(FindMain()))
        if (::IsWindowVisible(note)) ++n;
    return n;
}

int CmdPost(UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND main = FindMain();
    if (!main) {
        std::fputs("pwdriver: no main dialog\n", stderr);
        return 1;
    }
    if (!::PostMessageA(main, msg, wParam, lParam)) {
        std::fprintf(stderr, "pwdriver: PostMessage failed (%lu)\n", ::GetLastError());
        return 1;
    }
    return 0;
}

int CmdChildRect(HWND parent, int id) {
    HWND child = ::GetDlgItem(parent, id);
    if (!child) {
        std::fprintf(stderr, "pwdriver: no control %d\n", id);
        return 1;
    }
    RECT r{};
    ::GetWindowRect(child, &r);
    std::printf("%ld %ld %ld %ld %d\n", r.left, r.top, r.right - r.left, r.bottom - r.top,
                ::IsWindowVisible(child) ? 1 : 0);
    return 0;
}

int CmdChildText(HWND parent, int id) {
    HWND child = ::GetDlgItem(parent, id);
    if (!child) {
        std::fprintf(stderr, "pwdriver: no control %d\n", id);
        return 1;
    }
    std::printf("%s\n", WindowText(child).c_str());
    return 0;
}

// Dialogs that host their controls in inner windows (the file dialogs) keep
// the id unique below the dialog, so the whole tree is searched. WM_SETTEXT
// is copied across processes by the system.
int CmdSetText(HWND parent, int id, const char* text) {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (::GetDlgCtrlID(hwnd) != s->id) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
        std::fprintf(stderr, "pwdriver: no control %d\n", id);
        return 1;
    }
    char before[1024] = {};
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(search.found, WM_GETTEXT, sizeof before, reinterpret_cast<LPARAM>(before), SMTO_NORMAL,
                               5000, &result)) {
        std::fputs("pwdriver: the control does not answer\n", stderr);
        return 1;
    }
    std::printf("%s\n", before);
    if (!::SendMessageTimeoutA(search.found, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                               &result) ||
        !result) {
        std::fputs("pwdriver: the control did not take the text\n", stderr);
        return 1;
    }
    return 0;
}

int CmdPixel(int x, int y) {
    HDC dc = ::GetDC(nullptr);
    const COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(nullptr, dc);
    if (c == CLR_INVALID) {
        std::fputs("pwdriver: no pixel there\n", stderr);
        return 1;
    }
    std::printf("%02X%02X%02X\n", GetRValue(c), GetGValue(c), GetBValue(c));
    return 0;
}

int CmdWindows() {
    for (HWND hwnd : TopLevelWindows())
        std::printf("%llu %llu %d %s %s\n", Handle(hwnd), Handle(::GetWindow(hwnd, GW_OWNER)),
                    ::IsWindowVisible(hwnd) ? 1 : 0, ClassName(hwnd).c_str(), WindowText(hwnd).c_str());
    return 0;
}

// RichEdit keeps its text to itself: the window caption another process can
// read is not the body, so the text is asked for with WM_GETTEXT, which the
// system copies across processes.
int CmdBodyText(HWND note) {
    HWND body = ::GetDlgItem(note, kNoteBodyId);
    if (!body) {
        std::fputs("pwdriver: no body control\n", stderr);
        return 1;
    }
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutA(body, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length)) {
        std::fputs("pwdriver: the body does not answer\n", stderr);
        return 1;
    }
    std::vector<char> buf(length + 2, '\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutA(body, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), SMTO_NORMAL, 5000,
                               &copied)) {
        std::fputs("pwdriver: the body does not answer\n", stderr);
        return 1;
    }
    std::fwrite(buf.data(), 1, std::strlen(buf.data()), stdout);
    return 0;
}

bool IsMenuWindow(HWND hwnd) { return ClassName(hwnd) == "#32768" && ::IsWindowVisible(hwnd); }

std::vector<HWND> VisibleMenus() {
    std::vector<HWND> menus;
    for (HWND hwnd : TopLevelWindows())
        if (IsMenuWindow(hwnd)) menus.push_back(hwnd);
    return menus;
}

void PrintMenus(const std::vector<HWND>& menus) {
    for (HWND m : menus) {
        RECT r{};
        ::GetWindowRect(m, &r);
        std::printf("%llu %ld %ld %ld %ld\n", Handle(m), r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
}

bool SendButton(bool right, bool down) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                          : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    return ::SendInput(1, &in, sizeof in) == 1;
}

int CmdClick(int x, int y, const std::string& button, const std::string& phase) {
    if ((button != "left" && button != "right") || (phase != "down" && phase != "up" && phase != "both")) return Usage();
    if (!::SetCursorPos(x, y)) {
        std::fprintf(stderr, "pwdriver: SetCursorPos failed (%lu)\n", ::GetLastError());
        return 1;
    }
    const bool right = button == "right";
    bool ok = true;
    if (phase != "up") ok = SendButton(right, true) && ok;
    if (phase != "down") ok = SendButton(right, false) && ok;
    if (!ok) {
        std::fprintf(stderr, "pwdriver: SendInput failed (%lu)\n", ::GetLastError());
        return 1;
    }
    return 0;
}

int CmdKey(const char* arg) {
    long long vk = 0;
    if (std::strlen(arg) == 1 && std::isalnum(static_cast<unsigned char>(arg[0])))
        vk = std::toupper(static_cast<unsigned char>(arg[0]));
    else if (!ParseLong(arg, vk) || vk <= 0 || vk > 0xFE)
        return Usage();
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = static_cast<WORD>(vk);
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    if (::SendInput(2, in, sizeof(INPUT)) != 2) {
        std::fprintf(stderr, "pwdriver: SendInput failed (%lu)\n", ::GetLastError());
        return 1;
    }
    return 0;
}

// The figures the system's own process view gives; looked up by name so the
// driver needs no extra import library.
int CmdMemory() {
    HWND main = FindMain();
    if (!main) {
        std::fputs("pwdriver: no main dialog\n", stderr);
        return 1;
    }
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        std::fprintf(stderr, "pwdriver: cannot open process %lu (%lu)\n", pid, ::GetLastError());
        return 1;
    }
    struct Counters {
        DWORD cb;
        DWORD PageFaultCount;
        SIZE_T PeakWorkingSetSize, WorkingSetSize, QuotaPeakPagedPoolUsage, QuotaPagedPoolUsage,
            QuotaPeakNonPagedPoolUsage, QuotaNonPagedPoolUsage, PagefileUsage, PeakPagefileUsage;
    } c{};
    c.cb = sizeof c;
    using Fn = BOOL(WINAPI*)(HANDLE, Counters*, DWORD);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    const BOOL ok = fn && fn(process, &c, sizeof c);
    ::CloseHandle(process);
    if (!ok) {
        std::fputs("pwdriver: no memory counters\n", stderr);
        return 1;
    }
    std::printf("%lu %llu %llu %llu\n", pid, static_cast<unsigned long long>(c.WorkingSetSize),
                static_cast<unsigned long long>(c.PeakWorkingSetSize), static_cast<unsigned long long>(c.PagefileUsage));
    return 0;
}

// What the user can see: a layered window at alpha 0 is shown but not
// there for the eye (notes are built that way before they are made opaque).
bool IsSeen(HWND hwnd) {
    if (!::IsWindowVisible(hwnd)) return false;
    if (!(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED)) return true;
    BYTE alpha = 255;
    DWORD flags = 0;
    if (!::GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags)) return true;
    return !(flags & LWA_ALPHA) || alpha != 0;
}

// Light enough not to slow the start it measures. Every question about
// another process's window is a round trip through the wineserver that the
// program being measured needs too, and asking about a hundred windows every
// 10 ms took a quarter of a start-up. So each window is classified once
// (only a dialog may still become the main dialog or a note: its caption
// and controls come after its creation), and of the notes not yet seen only
// the oldest is asked about, with the next ones only once it is seen. Start-
// up hides none, so "all seen" is found at the same poll as with a full scan.
// One more note, in turn, is asked about per poll so that the first visible
// note is noticed even when it is not the oldest (then up to a few polls
// late; the moment of the last note is exact).
int CmdWatchVisible(long long n, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    long long seenMain = -1, seenFirst = -1;
    HWND main = nullptr;
    std::set<HWND> settled;        // classified for good: a note or nothing of interest
    std::vector<HWND> pending;     // notes not yet seen, oldest first
    std::size_t seen = 0, probe = 0;
    // Tells the caller the driver is running before the program is started.
    std::printf("ready %lld\n", UnixMs());
    std::fflush(stdout);
    for (;;) {
        const long long now = UnixMs();
        for (HWND hwnd : TopLevelWindows()) {
            if (settled.count(hwnd)) continue;
            if (ClassName(hwnd) != "#32770") {
                settled.insert(hwnd);
                continue;
            }
            if (!main) {
                if (!::GetWindow(hwnd, GW_OWNER) && !::IsWindowVisible(hwnd) && WindowText(hwnd) == kMainCaption) {
                    main = hwnd;
                    seenMain = now;
                    settled.insert(hwnd);
                }
                continue;
            }
            if (::GetWindow(hwnd, GW_OWNER) != main) {
                settled.insert(hwnd);
            } else if (IsNote(hwnd, main)) {
                settled.insert(hwnd);
                pending.push_back(hwnd);
            }
        }
        while (!pending.empty() && IsSeen(pending.front())) {
            pending.erase(pending.begin());
            ++seen;
        }
        if (seenFirst < 0 && !pending.empty()) {
            probe = (probe + 1) % pending.size();
            if (IsSeen(pending[probe])) seenFirst = now;
        }
        if (seen > 0 && seenFirst < 0) seenFirst = now;
        if (static_cast<long long>(seen) >= n) {
            std::printf("main %lld\nfirst %lld\nall %lld\n", seenMain, seenFirst, now);
            return 0;
        }
        if (::GetTickCount64() >= deadline) {
            std::fprintf(stderr, "pwdriver: %zu visible notes, wanted %lld\n", seen, n);
            return 1;
        }
        ::Sleep(10);
    }
}

// Typing that never pauses long enough for the note to store itself: what
// is in the file afterwards was stored by whatever ended the typing.
int CmdTypeInto(HWND note, const std::string& text, DWORD everyMs) {
    HWND body = ::GetDlgItem(note, 1001);
    if (!body) {
        std::fputs("pwdriver: no note body\n", stderr);
        return 1;
    }
    for (char c : text) {
        if (!::PostMessageA(body, WM_CHAR, static_cast<unsigned char>(c), 1)) return 1;
        std::printf("%c\n", c);
        std::fflush(stdout);
        ::Sleep(everyMs);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    UnixStdout();
    if (argc < 2) return Usage();
    const std::string cmd = argv[1];
    const int nargs = argc - 2;
    char** a = argv + 2;
    DWORD timeout = 0;
    long long n = 0, m = 0;

    if (cmd == "appdata" && nargs == 0) return CmdAppData();
    if (cmd == "screen" && nargs == 0) {
        std::printf("%d %d\n", ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
        return 0;
    }
    if (cmd == "alpha" && nargs == 1) {
        HWND hwnd = ParseHwnd(a[0]);
        if (!hwnd) return Usage();
        BYTE alpha = 0;
        DWORD flags = 0;
        if (::GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags) && (flags & LWA_ALPHA))
            std::printf("%u\n", alpha);
        else
            std::printf("none\n");
        return 0;
    }
    if (cmd == "version" && nargs == 0) {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!::GetVersionExA(&info)) return 1;
#pragma GCC diagnostic pop
        std::printf("%lu.%lu\n", info.dwMajorVersion, info.dwMinorVersion);
        return 0;
    }
    if (cmd == "wait-main" && nargs == 1 && ParseTimeout(a[0], timeout)) return CmdWaitMain(timeout);
    if (cmd == "count-main" && nargs == 0) {
        std::printf("%zu\n", MainCandidates().size());
        return 0;
    }
    if (cmd == "wait-gone" && nargs == 1 && ParseTimeout(a[0], timeout)) {
        if (WaitFor(timeout, [] { return FindMain() == nullptr; })) return 0;
        std::fputs("pwdriver: the main dialog is still there\n", stderr);
        return 1;
    }
    if (cmd == "notes" && nargs == 0) return CmdNotes();
    if (cmd == "wait-notes" && nargs == 2 && ParseLong(a[0], n) && ParseTimeout(a[1], timeout)) {
        int seen = 0;
        if (WaitFor(timeout, [&] { return (seen = CountVisibleNotes()) >= n; })) {
            std::printf("%d\n", seen);
            return 0;
        }
        std::fprintf(stderr, "pwdriver: %d visible notes, wanted %lld\n", seen, n);
        return 1;
    }
    if (cmd == "wait-visible" && nargs == 2 && ParseLong(a[0], n) && ParseTimeout(a[1], timeout)) {
        int seen = 0;
        if (WaitFor(timeout, [&] { return (seen = CountVisibleNotes()) == n; })) return 0;
        std::fprintf(stderr, "pwdriver: %d visible notes, wanted exactly %lld\n", seen, n);
        return 1;
    }
    if (cmd == "wait-note-count" && nargs == 2 && ParseLong(a[0], n) && ParseTimeout(a[1], timeout)) {
        size_t seen = 0;
        if (WaitFor(timeout, [&] { return (seen = Notes(FindMain()).size()) == static_cast<size_t>(n); })) return 0;
        std::fprintf(stderr, "pwdriver: %zu notes, wanted %lld\n", seen, n);
        return 1;
    }
    if (cmd == "command" && nargs == 1 && ParseLong(a[0], n))
        return CmdPost(WM_COMMAND, static_cast<WPARAM>(n), 0);
    if (cmd == "tray" && nargs == 1 && ParseLong(a[0], n)) return CmdPost(kTrayCallback, 1, static_cast<LPARAM>(n));
    if (cmd == "send-command" && nargs == 2 && ParseLong(a[0], n) && ParseTimeout(a[1], timeout)) {
        HWND main = FindMain();
        DWORD_PTR ignored = 0;
        if (main && ::SendMessageTimeoutA(main, WM_COMMAND, static_cast<WPARAM>(n), 0, SMTO_NORMAL, timeout, &ignored))
            return 0;
        std::fputs(main ? "pwdriver: the command did not return in time\n" : "pwdriver: no main dialog\n", stderr);
        return 1;
    }
    if (cmd == "ping" && nargs == 1 && ParseTimeout(a[0], timeout)) {
        HWND main = FindMain();
        if (main && Answers(main, timeout)) return 0;
        std::fputs("pwdriver: the main dialog does not answer\n", stderr);
        return 1;
    }
    if (cmd == "child-rect" && nargs == 2 && ParseLong(a[1], n)) {
        if (HWND h = ParseHwnd(a[0])) return CmdChildRect(h, static_cast<int>(n));
    }
    if (cmd == "child-text" && nargs == 2 && ParseLong(a[1], n)) {
        if (HWND h = ParseHwnd(a[0])) return CmdChildText(h, static_cast<int>(n));
    }
    if (cmd == "set-text" && nargs == 3 && ParseLong(a[1], n)) {
        if (HWND h = ParseHwnd(a[0])) return CmdSetText(h, static_cast<int>(n), a[2]);
    }
    if (cmd == "pixel" && nargs == 2 && ParseLong(a[0], n) && ParseLong(a[1], m))
        return CmdPixel(static_cast<int>(n), static_cast<int>(m));
    if (cmd == "windows" && nargs == 0) return CmdWindows();
    if (cmd == "body-text" && nargs == 1) {
        if (HWND h = ParseHwnd(a[0])) return CmdBodyText(h);
    }
    long long wp = 0, lp = 0;
    if (cmd == "post" && nargs == 4 && ParseLong(a[1], n) && ParseLong(a[2], wp) && ParseLong(a[3], lp)) {
        if (HWND h = ParseHwnd(a[0])) {
            if (::PostMessageA(h, static_cast<UINT>(n), static_cast<WPARAM>(wp), static_cast<LPARAM>(lp))) return 0;
            std::fprintf(stderr, "pwdriver: PostMessage failed (%lu)\n", ::GetLastError());
            return 1;
        }
    }
    if (cmd == "send" && nargs == 5 && ParseLong(a[1], n) && ParseLong(a[2], wp) && ParseLong(a[3], lp) &&
        ParseTimeout(a[4], timeout)) {
        if (HWND h = ParseHwnd(a[0])) {
            DWORD_PTR result = 0;
            if (::SendMessageTimeoutA(h, static_cast<UINT>(n), static_cast<WPARAM>(wp), static_cast<LPARAM>(lp),
                                      SMTO_NORMAL, timeout, &result)) {
                std::printf("%lld\n", static_cast<long long>(result));
                return 0;
            }
            std::fputs("pwdriver: the window did not answer in time\n", stderr);
            return 1;
        }
    }
    if (cmd == "menus" && nargs == 0) {
        PrintMenus(VisibleMenus());
        return 0;
    }
    if (cmd == "wait-menu" && nargs == 1 && ParseTimeout(a[0], timeout)) {
        std::vector<HWND> menus;
        if (WaitFor(timeout, [&] { return !(menus = VisibleMenus()).empty(); })) {
            PrintMenus(menus);
            return 0;
        }
        std::fputs("pwdriver: no pop-up menu showed\n", stderr);
        return 1;
    }
    if (cmd == "wait-no-menu" && nargs == 1 && ParseTimeout(a[0], timeout)) {
        if (WaitFor(timeout, [] { return VisibleMenus().empty(); })) return 0;
        std::fputs("pwdriver: a pop-up menu is still open\n", stderr);
        return 1;
    }
    if (cmd == "escape-menus" && nargs == 0) {
        for (HWND m : VisibleMenus()) {
            ::PostMessageA(m, WM_KEYDOWN, VK_ESCAPE, 1);
            ::PostMessageA(m, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        }
        return 0;
    }
    if (cmd == "click" && (nargs == 3 || nargs == 4) && ParseLong(a[0], n) && ParseLong(a[1], m))
        return CmdClick(static_cast<int>(n), static_cast<int>(m), a[2], nargs == 4 ? a[3] : "both");
    if (cmd == "key" && nargs == 1) return CmdKey(a[0]);
    if (cmd == "type-into" && nargs == 3 && ParseTimeout(a[2], timeout))
        if (HWND h = ParseHwnd(a[0])) return CmdTypeInto(h, a[1], timeout);
    if (cmd == "memory" && nargs == 0) return CmdMemory();
    if (cmd == "watch-visible" && nargs == 2 && ParseLong(a[0], n) && ParseTimeout(a[1], timeout))
        return CmdWatchVisible(n, timeout);
    return Usage();
}
