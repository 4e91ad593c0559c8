// What the dialog tests share: reading controls and driving a modal dialog
// from inside its own loop.
#include "WinTestSupport.h"

#include <commctrl.h>

#include <cstdlib>

#include "note/NoteDialog.h"
#include "res/resource.h"

std::string WindowText(HWND hwnd) {
    char buf[1024] = {};
    ::GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

std::string ClassOf(HWND hwnd) {
    char buf[64] = {};
    ::GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

std::string ItemText(HWND dlg, int id) { return WindowText(::GetDlgItem(dlg, id)); }

std::vector<HWND> ThreadWindows() {
    std::vector<HWND> found;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool Open(HWND w) { return ::IsWindow(w) && ::IsWindowVisible(w); }
bool Enabled(HWND dlg, int id) { return ::IsWindowEnabled(::GetDlgItem(dlg, id)) != FALSE; }
bool Checked(HWND dlg, int id) { return ::IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
void Click(HWND dlg, int id) { ::SendMessageA(::GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

std::string FontFace(HWND dlg) {
    LOGFONTA lf{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(dlg, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf.lfFaceName;
}

void ExpectDialogIcons(HWND dlg) {
    EXPECT_NE(::SendMessageA(dlg, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(::SendMessageA(dlg, WM_GETICON, ICON_SMALL, 0), 0);
}

HICON StopIcon() { return ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND)); }

Strings ComboItems(HWND dlg, int id) {
    Strings items;
    const int count = static_cast<int>(::SendDlgItemMessageA(dlg, id, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char buf[256] = {};
        ::SendDlgItemMessageA(dlg, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
        items.push_back(buf);
    }
    return items;
}

int ComboSelection(HWND dlg, int id) { return static_cast<int>(::SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0)); }

std::string ToolText(HWND tip, HWND dlg, int id) {
    char buf[512] = {};
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = dlg;
    ti.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(dlg, id));
    ti.lpszText = buf;
    ::SendMessageA(tip, TTM_GETTEXTA, sizeof buf, reinterpret_cast<LPARAM>(&ti));
    return buf;
}

void PressKeyIn(HWND dlg, int id, WPARAM key) {
    HWND control = ::GetDlgItem(dlg, id);
    ::SetFocus(control);
    ::PostMessageA(control, WM_KEYDOWN, key, 1);
    ::PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

void PumpFor(DWORD ms, const std::function<bool()>& done) {
    for (DWORD until = ::GetTickCount() + ms; ::GetTickCount() < until && !(done && done());) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 30, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && msg.hwnd == nullptr) continue;  // the driver's tick
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

void Screenshot(const std::string& name) {
    const char* dir = std::getenv("PINWELL_DIALOG_SHOTS");
    if (!dir || !*dir) return;
    for (HWND w : ThreadWindows())
        if (::IsWindowVisible(w))
            ::RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(600);
    std::string cmd = "/usr/bin/import -window root " + std::string(dir) + "/" + name + ".png";
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    const std::string file = "Z:" + std::string(dir) + "/" + name + ".png";
    ::DeleteFileA(file.c_str());
    if (::CreateProcessA("Z:\\usr\\bin\\import", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ::WaitForSingleObject(pi.hProcess, 20000);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        // A Unix program started from Wine may be reported ended before it
        // has done its work: keep the windows up until the picture is there.
        PumpFor(10000, [&] {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            return ::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow > 0;
        });
        PumpFor(300);
    } else {
        ADD_FAILURE() << "could not start import for " << name;
    }
}

// ---- ModalDriver ------------------------------------------------------------------

INT_PTR ModalDriver::Run(const std::function<INT_PTR()>& modal) {
    current_ = this;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &ModalDriver::Tick);
    const INT_PTR result = modal();
    ::KillTimer(nullptr, timer);
    current_ = nullptr;
    EXPECT_FALSE(timedOut_) << "the dialog did not close by itself";
    EXPECT_EQ(next_, steps_.size()) << "not every step ran";
    return result;
}

void CALLBACK ModalDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_) current_->OnTick();
}

HWND ModalDriver::FindDialog() const {
    for (HWND w : ThreadWindows())
        if (ClassOf(w) == "#32770" && ::GetWindow(w, GW_OWNER) == owner_ && Open(w)) return w;
    return nullptr;
}

HWND ModalDriver::FindUnhandled(const std::string& caption) const {
    for (HWND w : ThreadWindows())
        if (ClassOf(w) == "#32770" && Open(w) && WindowText(w) == caption && !handled_.count(w)) return w;
    return nullptr;
}

void ModalDriver::OnTick() {
    if (watch) watch();
    if (HWND box = FindUnhandled("Pinwell")) {
        std::string text;
        HICON icon = nullptr;
        for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            if (ClassOf(c) != "Static") continue;
            if (::GetWindowLongPtrA(c, GWL_STYLE) & SS_ICON) {
                if (!icon) icon = reinterpret_cast<HICON>(::SendMessageA(c, STM_GETICON, 0, 0));
            } else {
                text += WindowText(c);
            }
        }
        boxes.push_back(text);
        boxIcons.push_back(icon);
        handled_.insert(box);
        int answer = IDOK;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        ::PostMessageA(box, WM_COMMAND, answer, 0);
        return;
    }
    if (!inputCaption.empty()) {
        if (HWND input = FindUnhandled(inputCaption)) {
            handled_.insert(input);
            if (inputs.empty()) {
                ::PostMessageA(input, WM_COMMAND, IDCANCEL, 0);
            } else {
                ::SetDlgItemTextA(input, IDC_INPUT_TEXT, inputs.front().c_str());
                inputs.pop_front();
                ::PostMessageA(input, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(input, IDOK)));
            }
            return;
        }
    }
    if (++ticks_ > 750) {  // fifteen seconds: give up rather than hang the run
        timedOut_ = true;
        if (HWND dlg = FindDialog()) ::EndDialog(dlg, -2);
        return;
    }
    if (busy_ || next_ >= steps_.size()) return;
    HWND dlg = FindDialog();
    if (!dlg || !::IsWindowEnabled(dlg)) return;
    busy_ = true;
    const size_t step = next_++;
    steps_[step](dlg);
    busy_ = false;
}

CNoteDialog* WindowTest::NewNote(const std::string& title, const std::string& text, int width, int height,
                                  HWND after) const {
    auto* note = new CNoteDialog();
    EXPECT_TRUE(note->CreateNote(owner_));
    ::SetWindowPos(note->m_hWnd, after, 100, 100, width, height, SWP_NOACTIVATE | (after ? 0 : SWP_NOZORDER));
    note->ShowWindow(SW_SHOWNOACTIVATE);
    if (!title.empty()) note->SetTitle(title);
    if (!text.empty()) ::SetWindowTextA(note->Body().m_hWnd, text.c_str());
    Pump();
    return note;
}

Strings WindowTest::RunAnswering(const std::function<void()>& command, std::deque<int> answers) const {
    ModalDriver driver = Driver();
    driver.answers = std::move(answers);
    driver.Run([&] {
        command();
        return 0;
    });
    EXPECT_TRUE(driver.answers.empty()) << "a question that was expected did not come";
    return driver.boxes;
}
