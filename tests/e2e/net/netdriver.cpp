// netdriver: what the network end-to-end cases need on top of pwdriver.
// Runs under the same Wine prefix as Pinwell.exe; prints its answer on
// stdout and returns 0 on success, 1 on failure or timeout, 2 on a usage
// error.
#include "DriverCommon.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace driver;

constexpr int kStatusIconId = 1014;
// The three pictures the status icon shows, in the program's resources.
constexpr int kReceivedBitmap = 181;
constexpr int kSentBitmap = 182;
constexpr int kFailedBitmap = 183;

int Usage() {
    std::fputs(
        "usage: netdriver <command> [args]\n"
        "  watch-new <n> <ms>          print \"ready <unix-ms>\", then one line \"<unix-ms> <hwnd> <title>\"\n"
        "                              for each note window that becomes visible after the start;\n"
        "                              ends after n of them\n"
        "  child <hwnd> <id>           handle of a child control\n"
        "  status-icon <note>          what the status icon shows on screen: none, received, sent,\n"
        "                              failed or other\n"
        "  wait-status <note> <what> <ms>  wait until status-icon answers what\n"
        "  wait-box <caption> <ms>     wait for a visible message box with that caption; prints its\n"
        "                              handle, then its text\n"
        "  box-icon <box>              which system icon a message box shows: stop, exclamation,\n"
        "                              information, question, none or other\n"
        "  menu-keys <key>...          post key presses (up down left right return escape) to the\n"
        "                              open pop-up menu, one every 150 ms\n",
        stderr);
    return 2;
}

// Every note that exists when the watch starts is old, visible or not; a
// new one counts from the moment it is first seen visible. Polls every
// 5 ms, which is well below the half-second tick that creates the notes.
// Each question about another process's window is a wineserver round trip
// the program being measured waits behind, so a window is classified once
// (only a dialog owned by the main dialog can be a note; its controls may
// come a moment after it), and then only new notes not yet visible are asked
// about again.
int CmdWatchNew(long long n, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    HWND main = FindHiddenMain();
    std::set<HWND> settled;  // old notes, reported notes and every other window
    std::set<HWND> pending;  // new notes not visible yet
    for (HWND hwnd : TopLevelWindows())
        if (IsNote(hwnd, main)) settled.insert(hwnd);
    std::printf("ready %lld\n", UnixMs());
    std::fflush(stdout);
    long long reported = 0;
    while (reported < n) {
        if (!main) main = FindHiddenMain();
        const long long now = UnixMs();
        for (HWND hwnd : TopLevelWindows()) {
            if (settled.count(hwnd)) continue;
            if (!pending.count(hwnd)) {
                if (!main) continue;
                if (ClassName(hwnd) != "#32770" || ::GetWindow(hwnd, GW_OWNER) != main) {
                    settled.insert(hwnd);
                    continue;
                }
                if (!IsNote(hwnd, main)) continue;
                pending.insert(hwnd);
            }
            if (!::IsWindowVisible(hwnd)) continue;
            pending.erase(hwnd);
            settled.insert(hwnd);
            ++reported;
            std::printf("%lld %llu %s\n", now, Handle(hwnd), WindowText(hwnd).c_str());
            std::fflush(stdout);
        }
        if (::GetTickCount64() >= deadline) {
            std::fprintf(stderr, "netdriver: %lld new notes, wanted %lld\n", reported, n);
            return 1;
        }
        ::Sleep(5);
    }
    return 0;
}

// ---- status icon ---------------------------------------------------------

struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> rgb;
};

// Draws a bitmap (or a piece of the screen) into a 32-bit image so that the
// two can be compared pixel by pixel whatever their depths.
Pixels Capture(HDC source, int x, int y, int width, int height) {
    Pixels p;
    p.width = width;
    p.height = height;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC mem = ::CreateCompatibleDC(source);
    HBITMAP dib = ::CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib || !bits) {
        ::DeleteDC(mem);
        return {};
    }
    HGDIOBJ old = ::SelectObject(mem, dib);
    ::BitBlt(mem, 0, 0, width, height, source, x, y, SRCCOPY);
    ::GdiFlush();
    const auto* px = static_cast<const DWORD*>(bits);
    p.rgb.assign(px, px + static_cast<size_t>(width) * height);
    for (COLORREF& c : p.rgb) c &= 0xFFFFFF;
    ::SelectObject(mem, old);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
    return p;
}

Pixels ResourceBitmap(HMODULE program, int id) {
    HBITMAP bmp = static_cast<HBITMAP>(::LoadImageA(program, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    if (!bmp) return {};
    BITMAP info{};
    ::GetObjectA(bmp, sizeof info, &info);
    HDC screen = ::GetDC(nullptr);
    HDC src = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(src, bmp);
    Pixels p = Capture(src, 0, 0, info.bmWidth, info.bmHeight);
    ::SelectObject(src, old);
    ::DeleteDC(src);
    ::ReleaseDC(nullptr, screen);
    ::DeleteObject(bmp);
    return p;
}

// Pinwell.exe sits next to this program.
HMODULE OpenProgram() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (char* slash = std::strrchr(path, '\\')) slash[1] = '\0';
    std::strncat(path, "Pinwell.exe", MAX_PATH - std::strlen(path) - 1);
    return ::LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

// The icon as the screen shows it, matched against the three pictures.
std::string StatusIcon(HWND note, HMODULE program) {
    // A note that never showed a status has no status control at all.
    HWND icon = ::GetDlgItem(note, kStatusIconId);
    if (!icon || !::IsWindowVisible(icon)) return "none";
    RECT r{};
    ::GetWindowRect(icon, &r);
    HDC screen = ::GetDC(nullptr);
    const struct {
        int id;
        const char* name;
    } kinds[] = {{kReceivedBitmap, "received"}, {kSentBitmap, "sent"}, {kFailedBitmap, "failed"}};
    std::string answer = "other";
    for (const auto& k : kinds) {
        const Pixels want = ResourceBitmap(program, k.id);
        if (want.rgb.empty()) continue;
        const Pixels got = Capture(screen, r.left, r.top, want.width, want.height);
        if (!got.rgb.empty() && got.rgb == want.rgb) {
            answer = k.name;
            break;
        }
    }
    ::ReleaseDC(nullptr, screen);
    return answer;
}

int CmdStatus(HWND note, const char* want, DWORD timeoutMs) {
    HMODULE program = OpenProgram();
    if (!program) {
        std::fprintf(stderr, "netdriver: cannot open Pinwell.exe (%lu)\n", ::GetLastError());
        return 1;
    }
    std::string seen;
    // Painting lags behind showing: keep looking until the picture is there.
    const bool ok = WaitFor(timeoutMs, 100, [&] {
        seen = StatusIcon(note, program);
        return want ? seen == want : true;
    });
    ::FreeLibrary(program);
    std::printf("%s\n", seen.c_str());
    return ok ? 0 : 1;
}

// ---- message boxes and menus ----------------------------------------------

// The text of a message box: its static text control (identifier 0xFFFF).
int CmdWaitBox(const std::string& caption, DWORD timeoutMs) {
    HWND box = nullptr;
    const bool ok = WaitFor(timeoutMs, 50, [&] {
        for (HWND hwnd : TopLevelWindows())
            if (::IsWindowVisible(hwnd) && ClassName(hwnd) == "#32770" && WindowText(hwnd) == caption &&
                ::GetDlgItem(hwnd, 0xFFFF)) {
                box = hwnd;
                return true;
            }
        return false;
    });
    if (!ok) {
        std::fprintf(stderr, "netdriver: no message box captioned \"%s\"\n", caption.c_str());
        return 1;
    }
    std::printf("%llu\n%s\n", Handle(box), WindowText(::GetDlgItem(box, 0xFFFF)).c_str());
    return 0;
}

// The icon of a message box is a static control with SS_ICON; the icon it
// holds belongs to the other process, so what it shows is compared with the
// system icons drawn here. Only the icon's opaque pixels count: they come
// out the same on a black and on a white ground.
int CmdBoxIcon(HWND box) {
    HWND icon = nullptr;
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (ClassName(child) == "Static" && (::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            ::IsWindowVisible(child))
            icon = child;
    if (!icon) {
        std::printf("none\n");
        return 0;
    }
    RECT r{};
    ::GetWindowRect(icon, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    const Pixels shown = Capture(screen, r.left, r.top, w, h);
    const struct {
        LPCSTR id;
        const char* name;
    } kinds[] = {{IDI_HAND, "stop"}, {IDI_EXCLAMATION, "exclamation"}, {IDI_ASTERISK, "information"},
                 {IDI_QUESTION, "question"}};
    std::string answer = "other";
    for (const auto& k : kinds) {
        HICON hicon = ::LoadIconA(nullptr, k.id);
        Pixels ground[2];
        for (int g = 0; g < 2; ++g) {
            HDC mem = ::CreateCompatibleDC(screen);
            HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
            HGDIOBJ old = ::SelectObject(mem, bmp);
            RECT all{0, 0, w, h};
            ::FillRect(mem, &all, static_cast<HBRUSH>(::GetStockObject(g ? WHITE_BRUSH : BLACK_BRUSH)));
            ::DrawIconEx(mem, 0, 0, hicon, w, h, 0, nullptr, DI_NORMAL);
            ground[g] = Capture(mem, 0, 0, w, h);
            ::SelectObject(mem, old);
            ::DeleteObject(bmp);
            ::DeleteDC(mem);
        }
        size_t opaque = 0, differ = 0;
        for (size_t i = 0; i < shown.rgb.size() && i < ground[0].rgb.size(); ++i) {
            if (ground[0].rgb[i] != ground[1].rgb[i]) continue;
            ++opaque;
            if (ground[0].rgb[i] != shown.rgb[i]) ++differ;
        }
        if (opaque > 0 && differ == 0) {
            answer = k.name;
            break;
        }
    }
    ::ReleaseDC(nullptr, screen);
    std::printf("%s\n", answer.c_str());
    return 0;
}

HWND TopMenu() {
    // EnumWindows lists from the top of the z-order: an open sub-menu first.
    for (HWND hwnd : TopLevelWindows())
        if (ClassName(hwnd) == "#32768" && ::IsWindowVisible(hwnd)) return hwnd;
    return nullptr;
}

int CmdMenuKeys(int count, char** keys) {
    for (int i = 0; i < count; ++i) {
        const std::string k = keys[i];
        WPARAM vk = k == "up"       ? VK_UP
                    : k == "down"   ? VK_DOWN
                    : k == "left"   ? VK_LEFT
                    : k == "right"  ? VK_RIGHT
                    : k == "return" ? VK_RETURN
                    : k == "escape" ? VK_ESCAPE
                                    : 0;
        if (!vk) return Usage();
        HWND menu = TopMenu();
        if (!menu) {
            std::fprintf(stderr, "netdriver: no open menu for key %d (%s)\n", i + 1, k.c_str());
            return 1;
        }
        const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC)) << 16;
        ::PostMessageA(menu, WM_KEYDOWN, vk, scan | 1);
        ::PostMessageA(menu, WM_KEYUP, vk, scan | 0xC0000001);
        ::Sleep(150);
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
    long long n = 0, ms = 0;

    if (cmd == "watch-new" && nargs == 2 && ParseLong(a[0], n) && ParseLong(a[1], ms) && n > 0 && ms >= 0)
        return CmdWatchNew(n, static_cast<DWORD>(ms));
    if (cmd == "child" && nargs == 2 && ParseLong(a[1], n)) {
        HWND parent = ParseHwnd(a[0]);
        HWND child = parent ? ::GetDlgItem(parent, static_cast<int>(n)) : nullptr;
        if (!child) {
            std::fprintf(stderr, "netdriver: no control %lld\n", n);
            return 1;
        }
        std::printf("%llu\n", Handle(child));
        return 0;
    }
    if (cmd == "status-icon" && nargs == 1) {
        if (HWND note = ParseHwnd(a[0])) return CmdStatus(note, nullptr, 0);
    }
    if (cmd == "wait-status" && nargs == 3 && ParseLong(a[2], ms) && ms >= 0) {
        if (HWND note = ParseHwnd(a[0])) return CmdStatus(note, a[1], static_cast<DWORD>(ms));
    }
    if (cmd == "wait-box" && nargs == 2 && ParseLong(a[1], ms) && ms >= 0) return CmdWaitBox(a[0], static_cast<DWORD>(ms));
    if (cmd == "box-icon" && nargs == 1) {
        if (HWND box = ParseHwnd(a[0])) return CmdBoxIcon(box);
    }
    if (cmd == "menu-keys" && nargs >= 1) return CmdMenuKeys(nargs, a);
    return Usage();
}
