// traydriver: the few hands the tray cases need beyond pwdriver: finding a
// dialog by class and caption, typing into one of its controls and pressing
// its buttons. Runs under the same Wine prefix as Pinwell.exe; prints its
// answer on stdout, returns 0 on success, 1 on failure or timeout, 2 on a
// usage error.
#include "DriverCommon.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace driver;

int Usage() {
    std::fputs(
        "usage: traydriver <command> [args]\n"
        "  wait-window <class|*> <caption|*> <owner|*> <ms>\n"
        "                             wait for a visible top-level window; print its handle\n"
        "  wait-closed <hwnd> <ms>    wait until the window is gone or hidden\n"
        "  set-text <hwnd> <id> <text>  set a control's text (WM_SETTEXT)\n"
        "  press <hwnd> <id>          post the button's click notification to its dialog\n"
        "  click-button <hwnd> <id>   click a button or radio (BM_CLICK), wait until handled\n"
        "  combo-select <hwnd> <id> <index>  select a drop-down entry and notify the dialog\n"
        "  focus-id <hwnd>            control id that has the keyboard focus in the window's thread\n"
        "  checked <hwnd> <id>        1 when the button or radio is checked, else 0\n"
        "  enabled <hwnd> <id>        1 when the control is enabled, else 0\n"
        "  selection <hwnd> <id>      an edit control's selection: start end (EM_GETSEL)\n"
        "  children <hwnd>            child windows: hwnd class left top width height visible\n"
        "  cursor <x> <y>             move the mouse cursor\n",
        stderr);
    return 2;
}

struct WindowQuery {
    std::string cls, caption;
    bool anyOwner = true;
    HWND owner = nullptr;
    HWND found = nullptr;
};

HWND FindWindowMatching(WindowQuery& q) {
    q.found = nullptr;
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* q = reinterpret_cast<WindowQuery*>(lp);
            if (!::IsWindowVisible(hwnd)) return TRUE;
            if (q->cls != "*" && ClassName(hwnd) != q->cls) return TRUE;
            if (q->caption != "*" && WindowText(hwnd) != q->caption) return TRUE;
            if (!q->anyOwner && ::GetWindow(hwnd, GW_OWNER) != q->owner) return TRUE;
            q->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&q));
    return q.found;
}

// The control of a dialog; null, with the reason on stderr, when there is
// no dialog or it has no control of that id.
HWND DialogItem(HWND dialog, long long id) {
    HWND item = dialog ? ::GetDlgItem(dialog, static_cast<int>(id)) : nullptr;
    if (!item) std::fprintf(stderr, "traydriver: no control %lld\n", id);
    return item;
}

}  // namespace

int main(int argc, char** argv) {
    UnixStdout();
    if (argc < 2) return Usage();
    const std::string cmd = argv[1];
    const int nargs = argc - 2;
    char** a = argv + 2;
    long long n = 0, m = 0;

    if (cmd == "wait-window" && nargs == 4 && ParseLong(a[3], n) && n >= 0) {
        WindowQuery q;
        q.cls = a[0];
        q.caption = a[1];
        if (std::strcmp(a[2], "*") != 0) {
            long long owner = 0;
            if (!ParseLong(a[2], owner)) return Usage();
            q.anyOwner = false;
            q.owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(owner));
        }
        if (WaitFor(static_cast<DWORD>(n), [&] { return FindWindowMatching(q) != nullptr; })) {
            std::printf("%llu\n", Handle(q.found));
            return 0;
        }
        std::fprintf(stderr, "traydriver: no visible window of class %s captioned '%s'\n", a[0], a[1]);
        return 1;
    }
    if (cmd == "wait-closed" && nargs == 2 && ParseLong(a[1], n) && n >= 0) {
        HWND hwnd = ParseHwnd(a[0]);
        if (!hwnd) return Usage();
        if (WaitFor(static_cast<DWORD>(n), [&] { return !::IsWindow(hwnd) || !::IsWindowVisible(hwnd); }))
            return 0;
        std::fputs("traydriver: the window is still open\n", stderr);
        return 1;
    }
    if (cmd == "set-text" && nargs == 3 && ParseLong(a[1], n)) {
        HWND dialog = ParseHwnd(a[0]);
        if (!dialog) return Usage();
        HWND item = DialogItem(dialog, n);
        if (!item) return 1;
        // The system copies the text across to the program's process.
        DWORD_PTR ok = 0;
        if (!::SendMessageTimeoutA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[2]), SMTO_NORMAL, 5000, &ok) ||
            !ok) {
            std::fputs("traydriver: the control did not take the text\n", stderr);
            return 1;
        }
        return 0;
    }
    if (cmd == "press" && nargs == 2 && ParseLong(a[1], n)) {
        HWND dialog = ParseHwnd(a[0]);
        if (!dialog) return Usage();
        HWND button = DialogItem(dialog, n);
        if (!button) return 1;
        if (!::IsWindowEnabled(button)) {
            std::fprintf(stderr, "traydriver: control %lld is disabled\n", n);
            return 1;
        }
        const WPARAM wp = MAKEWPARAM(static_cast<WORD>(n), BN_CLICKED);
        if (!::PostMessageA(dialog, WM_COMMAND, wp, reinterpret_cast<LPARAM>(button))) {
            std::fprintf(stderr, "traydriver: PostMessage failed (%lu)\n", ::GetLastError());
            return 1;
        }
        return 0;
    }
    if (cmd == "enabled" && nargs == 2 && ParseLong(a[1], n)) {
        HWND item = DialogItem(ParseHwnd(a[0]), n);
        if (!item) return 1;
        std::printf("%d\n", ::IsWindowEnabled(item) ? 1 : 0);
        return 0;
    }
    if ((cmd == "click-button" || cmd == "checked") && nargs == 2 && ParseLong(a[1], n)) {
        HWND dialog = ParseHwnd(a[0]);
        if (!dialog) return Usage();
        HWND button = DialogItem(dialog, n);
        if (!button) return 1;
        DWORD_PTR result = 0;
        if (cmd == "checked") {
            if (!::SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_NORMAL, 5000, &result)) return 1;
            std::printf("%d\n", result == BST_CHECKED ? 1 : 0);
            return 0;
        }
        if (!::SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &result)) {
            std::fputs("traydriver: the button did not answer\n", stderr);
            return 1;
        }
        return 0;
    }
    if (cmd == "combo-select" && nargs == 3 && ParseLong(a[1], n) && ParseLong(a[2], m)) {
        HWND dialog = ParseHwnd(a[0]);
        if (!dialog) return Usage();
        HWND combo = DialogItem(dialog, n);
        if (!combo) return 1;
        DWORD_PTR result = 0;
        if (!::SendMessageTimeoutA(combo, CB_SETCURSEL, static_cast<WPARAM>(m), 0, SMTO_NORMAL, 5000, &result) ||
            static_cast<LONG_PTR>(result) != m) {
            std::fprintf(stderr, "traydriver: no entry %lld\n", m);
            return 1;
        }
        // A program selecting an entry gets no notification; a user would.
        ::SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(n), CBN_SELCHANGE),
                              reinterpret_cast<LPARAM>(combo), SMTO_NORMAL, 5000, &result);
        return 0;
    }
    if (cmd == "focus-id" && nargs == 1) {
        HWND window = ParseHwnd(a[0]);
        if (!window) return Usage();
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) || !info.hwndFocus) {
            std::fputs("traydriver: no focus\n", stderr);
            return 1;
        }
        std::printf("%d\n", ::GetDlgCtrlID(info.hwndFocus));
        return 0;
    }
    if (cmd == "selection" && nargs == 2 && ParseLong(a[1], n)) {
        HWND dialog = ParseHwnd(a[0]);
        if (!dialog) return Usage();
        HWND edit = ::GetDlgItem(dialog, static_cast<int>(n));
        DWORD_PTR result = 0;
        if (!edit || !::SendMessageTimeoutA(edit, EM_GETSEL, 0, 0, SMTO_NORMAL, 5000, &result)) {
            std::fprintf(stderr, "traydriver: no answer from control %lld\n", n);
            return 1;
        }
        std::printf("%u %u\n", LOWORD(result), HIWORD(result));
        return 0;
    }
    if (cmd == "children" && nargs == 1) {
        HWND parent = ParseHwnd(a[0]);
        if (!parent) return Usage();
        ::EnumChildWindows(
            parent,
            [](HWND hwnd, LPARAM) -> BOOL {
                RECT r{};
                ::GetWindowRect(hwnd, &r);
                std::printf("%llu %s %ld %ld %ld %ld %d\n", Handle(hwnd), ClassName(hwnd).c_str(), r.left, r.top,
                            r.right - r.left, r.bottom - r.top, ::IsWindowVisible(hwnd) ? 1 : 0);
                return TRUE;
            },
            0);
        return 0;
    }
    if (cmd == "cursor" && nargs == 2 && ParseLong(a[0], n) && ParseLong(a[1], m)) {
        if (::SetCursorPos(static_cast<int>(n), static_cast<int>(m))) return 0;
        std::fprintf(stderr, "traydriver: SetCursorPos failed (%lu)\n", ::GetLastError());
        return 1;
    }
    return Usage();
}
