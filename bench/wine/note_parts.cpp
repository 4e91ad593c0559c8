// What each part of a note window costs under Wine, beside the floor's
// window: a start-up with many notes is the sum of these. Each variant makes
// N hidden windows at their final size (create), then shows and paints them
// (show), then makes them again each shown and painted before the next is
// made, the way a start-up and the floor do (one by one); the windows are
// destroyed between rounds. Times are per window, min and median over the
// rounds. A measurement, not a test.
//
//   wine build/windows/bin/note_parts.exe [N=40] [ROUNDS=9]
//
// The note's dialog template is read from Pinwell.exe beside this program,
// with the extended style a note without a taskbar button has, and cut to
// its first k controls (title, body, close button, in template order).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kNoteTemplate = 130;
constexpr int kWidth = 200, kHeight = 160;

double Now() {
    LARGE_INTEGER f, t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The note's template with only its first `controls` controls.
std::vector<DWORD> NoteTemplate(HMODULE pinwell, WORD controls) {
    HRSRC info = ::FindResourceA(pinwell, MAKEINTRESOURCEA(kNoteTemplate), RT_DIALOG);
    const void* bytes = info ? ::LockResource(::LoadResource(pinwell, info)) : nullptr;
    const DWORD size = info ? ::SizeofResource(pinwell, info) : 0;
    if (!bytes || size < 18) return {};
    std::vector<DWORD> copy((size + 3) / 4);
    std::memcpy(copy.data(), bytes, size);
    auto* b = reinterpret_cast<BYTE*>(copy.data());
    const DWORD ex = WS_EX_TOOLWINDOW;
    std::memcpy(b + 8, &ex, sizeof ex);  // DLGTEMPLATEEX: exStyle at 8, cDlgItems at 16
    std::memcpy(b + 16, &controls, sizeof controls);
    return copy;
}

HWND Child(HWND parent, const char* cls, DWORD style, int x, int y, int w, int h) {
    return ::CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    ::LoadLibraryA("riched32.dll");
    HMODULE pinwell = ::LoadLibraryExA("Pinwell.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!pinwell || NoteTemplate(pinwell, 0).empty()) {
        std::fprintf(stderr, "Pinwell.exe with its note template must be beside this program\n");
        return 1;
    }
    const HINSTANCE self = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = self;
    wc.lpszClassName = "NotePartsPopup";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ::RegisterClassA(&wc);

    const DWORD noteBody = ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP;
    struct Variant {
        const char* name;
        int dialogControls;  // -1: a plain popup
        int popupChildren;   // 1: the floor's body; 2: the note's body; 3: title, note's body, close
    };
    const Variant variants[] = {
        {"popup + floor body (the floor)", -1, 1},
        {"popup + note body", -1, 2},
        {"popup + title, note body, close", -1, 3},
        {"note dialog, no controls", 0, 0},
        {"note dialog, title", 1, 0},
        {"note dialog, title and body", 2, 0},
        {"note dialog as shipped", 3, 0},
    };
    constexpr int kVariants = sizeof variants / sizeof variants[0];
    std::vector<double> create[kVariants], shown[kVariants], oneByOne[kVariants];
    std::vector<HWND> windows(n);
    for (int round = 0; round < rounds; ++round) {
        for (int v = 0; v < kVariants; ++v) {
            const Variant& var = variants[v];
            const std::vector<DWORD> tmpl = var.dialogControls >= 0 ? NoteTemplate(pinwell, var.dialogControls)
                                                                    : std::vector<DWORD>();
            auto make = [&](int i) {
                const int x = (i * 37) % 1000, y = (i * 53) % 800;
                if (var.dialogControls < 0) {
                    HWND h = ::CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "Note", WS_POPUP, x, y, kWidth,
                                               kHeight, nullptr, nullptr, self, nullptr);
                    if (var.popupChildren == 3) Child(h, "Static", SS_CENTER | SS_CENTERIMAGE, 0, 0, kWidth, 20);
                    Child(h, "RICHEDIT", var.popupChildren == 1 ? ES_MULTILINE | ES_AUTOVSCROLL : noteBody, 0, 20,
                          kWidth, kHeight - 20);
                    if (var.popupChildren == 3) Child(h, "Static", SS_BITMAP | SS_NOTIFY, kWidth - 14, 5, 10, 10);
                    return h;
                }
                HWND h = ::CreateDialogIndirectParamA(self, reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()),
                                                      nullptr, QuietDialog, 0);
                ::SetWindowPos(h, nullptr, x, y, kWidth, kHeight, SWP_NOZORDER | SWP_NOACTIVATE);
                return h;
            };
            auto show = [](HWND h) {
                ::SetWindowPos(h, nullptr, 0, 0, 0, 0,
                               SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                ::UpdateWindow(h);
            };
            auto clear = [&] {
                MSG msg;
                while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
                for (HWND h : windows) ::DestroyWindow(h);
                while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
            };
            const double t0 = Now();
            for (int i = 0; i < n; ++i) windows[i] = make(i);
            const double t1 = Now();
            for (HWND h : windows) show(h);
            const double t2 = Now();
            clear();
            // As a start-up makes them: each window whole before the next.
            const double t3 = Now();
            for (int i = 0; i < n; ++i) show(windows[i] = make(i));
            const double t4 = Now();
            clear();
            create[v].push_back((t1 - t0) / n);
            shown[v].push_back((t2 - t1) / n);
            oneByOne[v].push_back((t4 - t3) / n);
        }
    }
    std::printf("ms per window, %d windows, min / median of %d rounds\n", n, rounds);
    std::printf("%-34s %15s %15s %15s\n", "", "create", "show + paint", "one by one");
    for (int v = 0; v < kVariants; ++v) {
        std::printf("%-34s", variants[v].name);
        for (std::vector<double>* times : {&create[v], &shown[v], &oneByOne[v]}) {
            std::sort(times->begin(), times->end());
            std::printf(" %7.2f /%6.2f", times->front(), (*times)[times->size() / 2]);
        }
        std::printf("\n");
    }
    return 0;
}
