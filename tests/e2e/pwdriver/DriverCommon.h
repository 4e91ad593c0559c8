// What every end-to-end driver (pwdriver, netdriver, traydriver) needs:
// reading arguments, naming windows, finding Pinwell's main dialog and its
// note windows, and polling. The drivers run under the same Wine prefix as
// Pinwell.exe and print for Unix tools.
#pragma once

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace driver {

constexpr char kMainCaption[] = "Pinwell";
// Controls every note window has (dialog template 130): the body and the
// title strip. They tell a note from any other window the main dialog owns
// (about box, wait window, message box).
constexpr int kNoteBodyId = 1001;
constexpr int kNoteTitleId = 1002;
constexpr DWORD kPollMs = 50;

// The scripts reading the drivers are Unix tools: no CR before the newlines.
inline void UnixStdout() { _setmode(_fileno(stdout), _O_BINARY); }

// A whole number in decimal, or hex with 0x; nothing else may follow.
inline bool ParseLong(const char* s, long long& out) {
    if (!s || !*s) return false;
    char* end = nullptr;
    out = std::strtoll(s, &end, 0);
    return end && *end == '\0';
}

// A window handle as the drivers print it; null when it is no number or 0.
inline HWND ParseHwnd(const char* s) {
    long long v = 0;
    if (!ParseLong(s, v) || v == 0) return nullptr;
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(v));
}

inline bool ParseTimeout(const char* s, DWORD& out) {
    long long v = 0;
    if (!ParseLong(s, v) || v < 0) return false;
    out = static_cast<DWORD>(v);
    return true;
}

inline unsigned long long Handle(HWND hwnd) {
    return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd));
}

inline std::string WindowText(HWND hwnd) {
    char buf[1024] = {};
    ::GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

inline std::string ClassName(HWND hwnd) {
    char buf[256] = {};
    ::GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

inline std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> all;
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

// Message boxes of the program are unowned and captioned "Pinwell" as well;
// they are visible, the main dialog never is.
inline std::vector<HWND> MainCandidates() {
    std::vector<HWND> found;
    for (HWND hwnd : TopLevelWindows())
        if (!::GetWindow(hwnd, GW_OWNER) && WindowText(hwnd) == kMainCaption) found.push_back(hwnd);
    return found;
}

// The main dialog, or with none hidden the first visible candidate, so that
// a caller waiting for the program sees it even while a message box is up.
inline HWND FindMain() {
    const std::vector<HWND> found = MainCandidates();
    for (HWND hwnd : found)
        if (!::IsWindowVisible(hwnd)) return hwnd;
    return found.empty() ? nullptr : found.front();
}

// Only the hidden dialog itself: a watcher that keeps the handle it found
// must not settle on a message box.
inline HWND FindHiddenMain() {
    for (HWND hwnd : MainCandidates())
        if (!::IsWindowVisible(hwnd) && ClassName(hwnd) == "#32770") return hwnd;
    return nullptr;
}

inline bool IsNote(HWND hwnd, HWND main) {
    return main && ::GetWindow(hwnd, GW_OWNER) == main && ::GetDlgItem(hwnd, kNoteBodyId) &&
           ::GetDlgItem(hwnd, kNoteTitleId);
}

inline std::vector<HWND> Notes(HWND main) {
    std::vector<HWND> notes;
    if (!main) return notes;
    for (HWND hwnd : TopLevelWindows())
        if (IsNote(hwnd, main)) notes.push_back(hwnd);
    return notes;
}

// The wall clock in the Unix epoch: the clock the scripts read with date,
// so the two can be subtracted.
inline long long UnixMs() {
    FILETIME ft{};
    ::GetSystemTimeAsFileTime(&ft);
    const unsigned long long t = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<long long>((t - 116444736000000000ULL) / 10000ULL);
}

// Polls cond every pollMs until it holds or timeoutMs passed; checks once
// more at the deadline so a zero timeout still looks.
template <class Cond>
bool WaitFor(DWORD timeoutMs, DWORD pollMs, Cond cond) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (cond()) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(pollMs);
    }
}

template <class Cond>
bool WaitFor(DWORD timeoutMs, Cond cond) {
    return WaitFor(timeoutMs, kPollMs, cond);
}

}  // namespace driver
