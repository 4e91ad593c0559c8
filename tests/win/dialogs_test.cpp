// The paragraph, password and text-input dialogs driven like a user would:
// each modal dialog runs its own loop, so a thread timer does the typing and
// clicking from inside that loop and closes (and records) any message box.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "dialogs/InputTextDialog.h"
#include "dialogs/ParagraphDialog.h"
#include "dialogs/PasswordDialog.h"
#include "res/resource.h"

namespace {

std::string WindowText(HWND hwnd) {
    char buf[512] = {};
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

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> found;
    for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) found.push_back(c);
    return found;
}

// Texts of every child of a class, in template order.
std::vector<std::string> ChildTexts(HWND parent, const char* cls) {
    std::vector<std::string> texts;
    for (HWND c : Children(parent))
        if (ClassOf(c) == cls && !WindowText(c).empty()) texts.push_back(WindowText(c));
    return texts;
}

RECT ClientRectOf(HWND dlg, int id) {
    RECT r{};
    ::GetWindowRect(::GetDlgItem(dlg, id), &r);
    ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A rectangle in dialog units of this dialog, in pixels.
RECT Dlu(HWND dlg, int left, int top, int right, int bottom) {
    RECT r{left, top, right, bottom};
    ::MapDialogRect(dlg, &r);
    return r;
}

std::string FontFace(HWND dlg) {
    LOGFONTA lf{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(dlg, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf.lfFaceName;
}

void Click(HWND dlg, int id) { ::SendMessageA(::GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

void Type(HWND edit, const std::string& text) {
    for (char c : text) ::SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// Enter as the user presses it: through the dialog's own loop.
void PressEnterIn(HWND dlg, int id) {
    HWND edit = ::GetDlgItem(dlg, id);
    ::SetFocus(edit);
    ::PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    ::PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
}

bool Open(HWND dlg) { return ::IsWindow(dlg) && ::IsWindowVisible(dlg); }

struct Box {
    std::string text;
    bool stopIcon = false;
};

// Lets the dialog's windows run (paint, tooltip timers) from inside a step,
// leaving the driver's own ticks aside, until done() or ms have passed.
void PumpUntil(DWORD ms, const std::function<bool()>& done) {
    for (DWORD until = ::GetTickCount() + ms; ::GetTickCount() < until && !done();) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && msg.hwnd == nullptr) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

// With PINWELL_DIALOG_SHOTS set to a folder, the dialog is held open at this
// point while a screen grabber outside Wine takes its picture: the test leaves
// NAME.ready there and waits (painting) until the grabber removes it.
void Screenshot(const char* name) {
    const char* dir = std::getenv("PINWELL_DIALOG_SHOTS");
    if (!dir || !*dir) return;
    const std::string marker = std::string(dir) + "/" + name + ".ready";
    if (FILE* f = std::fopen(marker.c_str(), "w")) std::fclose(f);
    PumpUntil(15000, [&] { return ::GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

// Runs steps against the modal dialog owned by `owner` from a thread timer.
// A message box (caption "Pinwell") that shows up is recorded and closed
// first; a step runs only when no earlier step is still on the stack, so a
// step that clicks OK and raises a box finishes once the box is gone.
class ModalDriver {
public:
    using Step = std::function<void(HWND dlg)>;

    explicit ModalDriver(HWND owner) : owner_(owner) {}

    ModalDriver& Then(Step step) {
        steps_.push_back(std::move(step));
        return *this;
    }

    INT_PTR Run(const std::function<INT_PTR()>& modal) {
        current_ = this;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &ModalDriver::Tick);
        const INT_PTR result = modal();
        ::KillTimer(nullptr, timer);
        current_ = nullptr;
        EXPECT_FALSE(timedOut_) << "the dialog did not close by itself";
        EXPECT_EQ(next_, steps_.size()) << "not every step ran";
        return result;
    }

    std::vector<Box> boxes;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (current_) current_->OnTick();
    }

    HWND FindDialog() const {
        for (HWND w : ThreadWindows())
            if (ClassOf(w) == "#32770" && ::GetWindow(w, GW_OWNER) == owner_ && Open(w)) return w;
        return nullptr;
    }

    HWND FindBox() const {
        for (HWND w : ThreadWindows())
            if (ClassOf(w) == "#32770" && Open(w) && WindowText(w) == "Pinwell" && !closed_.count(w))
                return w;
        return nullptr;
    }

    void OnTick() {
        if (HWND box = FindBox()) {
            Box seen;
            const HICON stop = ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND));
            for (HWND c : Children(box)) {
                if (ClassOf(c) != "Static") continue;
                if (::GetWindowLongPtrA(c, GWL_STYLE) & SS_ICON)
                    seen.stopIcon |= reinterpret_cast<HICON>(::SendMessageA(c, STM_GETICON, 0, 0)) == stop;
                else if (!WindowText(c).empty())
                    seen.text += WindowText(c);
            }
            boxes.push_back(seen);
            closed_.insert(box);
            ::SendMessageA(box, WM_COMMAND, IDOK, 0);
            return;
        }
        if (++ticks_ > 500) {  // ten seconds: give up rather than hang the run
            timedOut_ = true;
            if (HWND dlg = FindDialog()) ::EndDialog(dlg, -2);
            return;
        }
        if (busy_ || next_ >= steps_.size()) return;
        HWND dlg = FindDialog();
        if (!dlg) return;
        busy_ = true;
        const size_t step = next_++;
        steps_[step](dlg);
        busy_ = false;
    }

    static inline ModalDriver* current_ = nullptr;
    HWND owner_;
    std::vector<Step> steps_;
    size_t next_ = 0;
    bool busy_ = false;
    bool timedOut_ = false;
    int ticks_ = 0;
    std::set<HWND> closed_;
};

class DialogTest : public WindowTest {
protected:
    ModalDriver Driver() { return ModalDriver(owner_); }
};

PARAFORMAT Format(WORD alignment, LONG start, LONG right, WORD numbering) {
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    pf.dwMask = PFM_ALIGNMENT | PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_NUMBERING | PFM_OFFSET;
    pf.wAlignment = alignment;
    pf.dxStartIndent = start;
    pf.dxRightIndent = right;
    pf.wNumbering = numbering;
    pf.dxOffset = 300;
    return pf;
}

bool Checked(HWND dlg, int id) { return ::IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

// ---- Paragraph ------------------------------------------------------------------

TEST_F(DialogTest, ParagraphDialogTemplateIconsAndTooltips) {
    CParagraphDialog dlg(Format(PFA_LEFT, 0, 0, 0));
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        EXPECT_EQ(d, dlg.m_hWnd);
        EXPECT_EQ(::GetActiveWindow(), d);
        EXPECT_EQ(WindowText(d), "Paragraph");
        EXPECT_EQ(FontFace(d), "MS Sans Serif");
        EXPECT_NE(::SendMessageA(d, WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_NE(::SendMessageA(d, WM_GETICON, ICON_SMALL, 0), 0);
        EXPECT_EQ(ItemText(d, IDC_PARA_LEFT), "Left");
        EXPECT_EQ(ItemText(d, IDC_PARA_CENTER), "Center");
        EXPECT_EQ(ItemText(d, IDC_PARA_RIGHT), "Right");
        EXPECT_EQ(ItemText(d, IDC_PARA_BULLET), "Bullet Style");
        EXPECT_EQ(ItemText(d, IDOK), "OK");
        EXPECT_EQ(ItemText(d, IDCANCEL), "Cancel");
        const std::vector<std::string> statics = ChildTexts(d, "Static");
        for (const char* label : {"Left :", "Right :"})
            EXPECT_NE(std::find(statics.begin(), statics.end(), label), statics.end()) << label;
        const std::vector<std::string> buttons = ChildTexts(d, "Button");
        for (const char* group : {"Alignment", "Indentation"})
            EXPECT_NE(std::find(buttons.begin(), buttons.end(), group), buttons.end()) << group;
        for (int id : {IDC_PARA_LEFT_INDENT, IDC_PARA_RIGHT_INDENT})
            EXPECT_NE(::GetWindowLongPtrA(::GetDlgItem(d, id), GWL_STYLE) & ES_NUMBER, 0) << id;
        for (int id : {IDC_PARA_LEFT_PICTURE, IDC_PARA_CENTER_PICTURE, IDC_PARA_RIGHT_PICTURE})
            EXPECT_NE(::SendDlgItemMessageA(d, id, STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << id;

        HWND tip = dlg.GetToolTip();
        ASSERT_TRUE(::IsWindow(tip));
        EXPECT_EQ(ClassOf(tip), TOOLTIPS_CLASSA);
        EXPECT_EQ(::SendMessageA(tip, TTM_GETTIPBKCOLOR, 0, 0), 0x00AFFFFF);
        EXPECT_EQ(::SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), 200);
        EXPECT_EQ(::SendMessageA(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 600);
        EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 8);
        Screenshot("paragraph");
    });
    driver.Then([&](HWND d) {
        // The mouse resting on a control brings up its tip, even though the
        // dialog's own loop never offers the message to the program.
        HWND bullet = ::GetDlgItem(d, IDC_PARA_BULLET);
        RECT r{};
        ::GetWindowRect(bullet, &r);
        ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::SendMessageA(bullet, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        HWND tip = dlg.GetToolTip();
        PumpUntil(5000, [&] { return ::IsWindowVisible(tip) != FALSE; });
        EXPECT_TRUE(::IsWindowVisible(tip));
        EXPECT_EQ(WindowText(tip), "Add bullet style to paragraph(s).");
        Screenshot("paragraph-tip");
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDCANCEL);
    EXPECT_FALSE(::IsWindow(dlg.GetToolTip())) << "the tooltip goes with the dialog";
}

TEST_F(DialogTest, ParagraphOpenedAndConfirmedUnchangedReachesTheRichEdit) {
    // A real body: what the dialog returns must be accepted as it stands.
    HWND body = ::CreateWindowExA(0, "RICHEDIT", "one\r\ntwo", WS_CHILD | ES_MULTILINE, 0, 0, 200, 100,
                                  owner_, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(body);
    ::SendMessageA(body, EM_SETSEL, 0, -1);
    PARAFORMAT start = Format(PFA_CENTER, 100, 1, PFN_BULLET);
    ASSERT_TRUE(::SendMessageA(body, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&start)));
    PARAFORMAT current{};
    current.cbSize = sizeof current;
    ::SendMessageA(body, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&current));

    CParagraphDialog dlg(current);
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        EXPECT_EQ(ItemText(d, IDC_PARA_LEFT_INDENT), "2");
        EXPECT_EQ(ItemText(d, IDC_PARA_RIGHT_INDENT), "1");
        EXPECT_FALSE(Checked(d, IDC_PARA_LEFT));
        EXPECT_TRUE(Checked(d, IDC_PARA_CENTER));
        EXPECT_FALSE(Checked(d, IDC_PARA_RIGHT));
        EXPECT_TRUE(Checked(d, IDC_PARA_BULLET));
        Click(d, IDOK);
    });
    ASSERT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    EXPECT_EQ(dlg.m_format.cbSize, 156u);
    EXPECT_EQ(dlg.m_format.dwMask, 43u);
    EXPECT_EQ(dlg.m_format.dxStartIndent, 113);
    EXPECT_EQ(dlg.m_format.dxRightIndent, 56);
    EXPECT_EQ(dlg.m_format.wAlignment, PFA_CENTER);
    EXPECT_EQ(dlg.m_format.wNumbering, PFN_BULLET);
    EXPECT_EQ(dlg.m_leftMillimetres, 2);
    EXPECT_TRUE(driver.boxes.empty());

    EXPECT_TRUE(::SendMessageA(body, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&dlg.m_format)));
    PARAFORMAT after{};
    after.cbSize = sizeof after;
    ::SendMessageA(body, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&after));
    EXPECT_EQ(after.dxStartIndent, 113);
    EXPECT_EQ(after.dxRightIndent, 56);
    EXPECT_EQ(after.wAlignment, PFA_CENTER);
    EXPECT_EQ(after.dxOffset, current.dxOffset) << "parts outside the mask stay";
    ::DestroyWindow(body);
}

TEST_F(DialogTest, ParagraphUnknownAlignmentIsKeptAndChangedFieldsApply) {
    CParagraphDialog keep(Format(4 /* justified */, 0, 0, PFN_BULLET));
    ModalDriver first = Driver();
    first.Then([](HWND d) {
        for (int id : {IDC_PARA_LEFT, IDC_PARA_CENTER, IDC_PARA_RIGHT}) EXPECT_FALSE(Checked(d, id)) << id;
        ::SetDlgItemTextA(d, IDC_PARA_LEFT_INDENT, "1");
        ::SetDlgItemTextA(d, IDC_PARA_RIGHT_INDENT, "3");
        Click(d, IDC_PARA_BULLET);  // off
        Click(d, IDOK);
    });
    ASSERT_EQ(first.Run([&] { return keep.DoModal(owner_); }), IDOK);
    EXPECT_EQ(keep.m_format.wAlignment, 4);
    EXPECT_EQ(keep.m_format.dxStartIndent, 56);
    EXPECT_EQ(keep.m_format.dxRightIndent, 170);
    EXPECT_EQ(keep.m_format.wNumbering, 0);

    CParagraphDialog change(Format(PFA_LEFT, 0, 0, 0));
    ModalDriver second = Driver();
    second.Then([](HWND d) {
        Click(d, IDC_PARA_RIGHT);
        EXPECT_FALSE(Checked(d, IDC_PARA_LEFT)) << "the radios are one group";
        Click(d, IDC_PARA_BULLET);
        Click(d, IDOK);
    });
    ASSERT_EQ(second.Run([&] { return change.DoModal(owner_); }), IDOK);
    EXPECT_EQ(change.m_format.wAlignment, PFA_RIGHT);
    EXPECT_EQ(change.m_format.wNumbering, PFN_BULLET);
}

TEST_F(DialogTest, ParagraphRefusesIndentsThatAreNoNumberOrTooLarge) {
    CParagraphDialog dlg(Format(PFA_LEFT, 567, 0, 0));
    ModalDriver driver = Driver();
    driver
        .Then([](HWND d) {
            ::SetDlgItemTextA(d, IDC_PARA_LEFT_INDENT, "");
            Click(d, IDOK);
        })
        .Then([](HWND d) {
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_PARA_LEFT_INDENT)) << "back to the bad entry";
            ::SetDlgItemTextA(d, IDC_PARA_LEFT_INDENT, "5");
            ::SetDlgItemTextA(d, IDC_PARA_RIGHT_INDENT, "99999999");
            Click(d, IDOK);
        })
        .Then([](HWND d) {
            ::SetDlgItemTextA(d, IDC_PARA_RIGHT_INDENT, "0");
            Click(d, IDOK);
        });
    ASSERT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    ASSERT_EQ(driver.boxes.size(), 2u);
    EXPECT_EQ(driver.boxes[0].text, "Please enter an integer.");
    EXPECT_EQ(driver.boxes[1].text, "Please enter an integer between -37874491 and 37874491.");
    EXPECT_EQ(dlg.m_format.dxStartIndent, 283);
    EXPECT_EQ(dlg.m_format.dxRightIndent, 0);
}

// ---- Password -------------------------------------------------------------------

TEST_F(DialogTest, PasswordTemplateLimitAndEnterMovesToTheSecondEntry) {
    CPasswordDialog dlg;
    ModalDriver driver = Driver();
    driver
        .Then([&](HWND d) {
            EXPECT_EQ(WindowText(d), "Enter password");
            EXPECT_EQ(FontFace(d), "Tahoma");
            EXPECT_EQ(::SendMessageA(d, WM_GETICON, ICON_BIG, 0), 0) << "the icon is inside only";
            bool icon = false;
            for (HWND c : Children(d))
                if ((::GetWindowLongPtrA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    icon = ::SendMessageA(c, STM_GETICON, 0, 0) != 0;
            EXPECT_TRUE(icon);
            const std::vector<std::string> statics = ChildTexts(d, "Static");
            EXPECT_NE(std::find(statics.begin(), statics.end(), "Password :"), statics.end());
            EXPECT_EQ(ItemText(d, IDC_PASSWORD_AGAIN_LABEL), "Type again :");
            EXPECT_EQ(ItemText(d, IDOK), "OK");
            EXPECT_EQ(ItemText(d, IDCANCEL), "Cancel");
            for (int id : {IDC_PASSWORD, IDC_PASSWORD_AGAIN}) {
                EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(d, id)));
                EXPECT_NE(::GetWindowLongPtrA(::GetDlgItem(d, id), GWL_STYLE) & ES_PASSWORD, 0);
            }
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_PASSWORD));
            RECT ok = ClientRectOf(d, IDOK);
            EXPECT_EQ(ok.top, Dlu(d, 0, 46, 0, 0).top) << "the buttons stay where the template puts them";

            // An eleventh character cannot be typed into either entry.
            Type(::GetDlgItem(d, IDC_PASSWORD), "abcdefghijk");
            Type(::GetDlgItem(d, IDC_PASSWORD_AGAIN), "abcdefghijk");
            EXPECT_EQ(ItemText(d, IDC_PASSWORD), "abcdefghij");
            EXPECT_EQ(ItemText(d, IDC_PASSWORD_AGAIN), "abcdefghij");
            Screenshot("password-new");
            PressEnterIn(d, IDC_PASSWORD);
        })
        .Then([](HWND d) {
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_PASSWORD_AGAIN)) << "Enter moves on";
            PressEnterIn(d, IDC_PASSWORD_AGAIN);
        });
    ASSERT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    EXPECT_EQ(dlg.m_password, "abcdefghij");
    EXPECT_TRUE(driver.boxes.empty());
}

TEST_F(DialogTest, PasswordMismatchIsRefusedAndOuterBlanksDoNotCount) {
    CPasswordDialog dlg(CPasswordDialog::Mode::NewPassword);
    ModalDriver driver = Driver();
    driver
        .Then([](HWND d) {  // nothing entered: stays open without a word
            Click(d, IDOK);
        })
        .Then([](HWND d) {
            ::SetDlgItemTextA(d, IDC_PASSWORD, " secret");
            Click(d, IDOK);  // second entry empty: still nothing
        })
        .Then([](HWND d) {
            ::SetDlgItemTextA(d, IDC_PASSWORD_AGAIN, "Secret");
            Click(d, IDOK);
        })
        .Then([](HWND d) {
            EXPECT_EQ(ItemText(d, IDC_PASSWORD), "secret") << "the trimmed text is shown";
            EXPECT_EQ(ItemText(d, IDC_PASSWORD_AGAIN), "") << "the second entry is cleared";
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_PASSWORD_AGAIN));
            // Text put in from outside bypasses the typing limit.
            ::SetDlgItemTextA(d, IDC_PASSWORD_AGAIN, "secretsecret");
            Click(d, IDOK);
        })
        .Then([](HWND d) {
            ::SetDlgItemTextA(d, IDC_PASSWORD_AGAIN, "secret   ");
            Click(d, IDOK);
        });
    ASSERT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    EXPECT_EQ(dlg.m_password, "secret");
    ASSERT_EQ(driver.boxes.size(), 2u);
    EXPECT_EQ(driver.boxes[0].text, "Please retype password again. Both values must be identical.  ");
    EXPECT_TRUE(driver.boxes[0].stopIcon);
    EXPECT_EQ(driver.boxes[1].text, "A password can have at most 10 characters.");
}

TEST_F(DialogTest, PasswordVerifyShowsOneEntryAndEnterConfirms) {
    CPasswordDialog dlg(CPasswordDialog::Mode::Verify);
    ModalDriver driver = Driver();
    driver.Then([](HWND d) {
        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(d, IDC_PASSWORD)));
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(d, IDC_PASSWORD_AGAIN)));
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(d, IDC_PASSWORD_AGAIN_LABEL)));
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_PASSWORD));
        for (int id : {IDOK, IDCANCEL}) {
            const RECT r = ClientRectOf(d, id);
            EXPECT_EQ(r.top, 55) << id;
            EXPECT_EQ(r.left, Dlu(d, id == IDOK ? 64 : 118, 0, 0, 0).left) << id;
        }
        RECT client{};
        ::GetClientRect(d, &client);
        EXPECT_EQ(client.bottom, Dlu(d, 0, 0, 176, 67).bottom - 20);
        Screenshot("password-verify");
        Type(::GetDlgItem(d, IDC_PASSWORD), " pw ");
        PressEnterIn(d, IDC_PASSWORD);
    });
    ASSERT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    EXPECT_EQ(dlg.m_password, "pw");
}

TEST_F(DialogTest, PasswordVerifyAgainstTheStoredOne) {
    struct Case { const char* typed; bool cancel; bool result; bool wrongBox; };
    const Case cases[] = {
        {"secret", false, true, false},
        {"Secret", false, false, true},
        {"  secret  ", false, true, false},
        {"secret", true, false, false},
    };
    for (const Case& c : cases) {
        ModalDriver driver = Driver();
        driver.Then([&](HWND d) {
            ::SetDlgItemTextA(d, IDC_PASSWORD, c.typed);
            Click(d, c.cancel ? IDCANCEL : IDOK);
        });
        bool result = !c.result;
        driver.Run([&] {
            result = CPasswordDialog::Verify(owner_, "secret");
            return INT_PTR{0};
        });
        EXPECT_EQ(result, c.result) << c.typed;
        ASSERT_EQ(driver.boxes.size(), c.wrongBox ? 1u : 0u) << c.typed;
        if (c.wrongBox) {
            EXPECT_EQ(driver.boxes[0].text, "Sorry wrong password entered.");
            EXPECT_TRUE(driver.boxes[0].stopIcon);
        }
    }
}

// ---- Text input -------------------------------------------------------------------

TEST_F(DialogTest, InputTextCaptionsByModeAndPresetText) {
    const std::pair<int, const char*> modes[] = {
        {0, "Change default title text"},
        {1, "Edit title text"},
        {2, "Save this recipients list as group"},
        {3, "Save note theme as"},
        {7, ""},
    };
    for (const auto& [mode, caption] : modes) {
        CInputTextDialog dlg(static_cast<CInputTextDialog::Mode>(mode), "Note Title");
        ModalDriver driver = Driver();
        driver.Then([&](HWND d) {
            EXPECT_EQ(WindowText(d), caption);
            EXPECT_EQ(FontFace(d), "Tahoma");
            EXPECT_EQ(ItemText(d, IDC_INPUT_TEXT), "Note Title");
            EXPECT_EQ(ItemText(d, IDOK), "OK");
            EXPECT_EQ(ItemText(d, IDCANCEL), "Cancel");
            EXPECT_NE(::SendMessageA(d, WM_GETICON, ICON_BIG, 0), 0);
            EXPECT_NE(::SendMessageA(d, WM_GETICON, ICON_SMALL, 0), 0);
            Screenshot(("input-text-" + std::to_string(mode)).c_str());
            Click(d, IDCANCEL);
        });
        EXPECT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDCANCEL) << mode;
    }
}

TEST_F(DialogTest, InputTextIsTrimmedAndNeverEmpty) {
    CInputTextDialog dlg(CInputTextDialog::Mode::GroupName);
    ModalDriver driver = Driver();
    driver
        .Then([](HWND d) {
            ::SetDlgItemTextA(d, IDC_INPUT_TEXT, "    ");
            Click(d, IDOK);
        })
        .Then([](HWND d) {
            EXPECT_EQ(ItemText(d, IDC_INPUT_TEXT), "") << "blanks only: the edit is emptied, the dialog stays";
            Type(::GetDlgItem(d, IDC_INPUT_TEXT), "  Team  Blue  ");
            PressEnterIn(d, IDC_INPUT_TEXT);
        });
    ASSERT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    EXPECT_EQ(dlg.m_text, "Team  Blue");
    EXPECT_TRUE(driver.boxes.empty());
}

}  // namespace
