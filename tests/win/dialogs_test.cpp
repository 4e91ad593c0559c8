// The paragraph, password and text-input dialogs driven like a user would:
// each modal dialog runs its own loop, so a thread timer does the typing and
// clicking from inside that loop and closes (and records) any message box.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "dialogs/InputTextDialog.h"
#include "dialogs/ParagraphDialog.h"
#include "dialogs/PasswordDialog.h"
#include "res/resource.h"

namespace {

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

void Type(HWND edit, const std::string& text) {
    for (char c : text) ::SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

class DialogTest : public WindowTest {};

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

// ---- Paragraph ------------------------------------------------------------------

TEST_F(DialogTest, ParagraphDialogTemplateIconsAndTooltips) {
    CParagraphDialog dlg(Format(PFA_LEFT, 0, 0, 0));
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        EXPECT_EQ(d, dlg.m_hWnd);
        EXPECT_EQ(::GetActiveWindow(), d);
        EXPECT_EQ(WindowText(d), "Paragraph");
        EXPECT_EQ(FontFace(d), "MS Sans Serif");
        ExpectDialogIcons(d);
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
        PumpFor(5000, [&] { return ::IsWindowVisible(tip) != FALSE; });
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
    EXPECT_EQ(driver.boxes[0], "Please enter an integer.");
    EXPECT_EQ(driver.boxes[1], "Please enter an integer between -37874491 and 37874491.");
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
            PressKeyIn(d, IDC_PASSWORD, VK_RETURN);
        })
        .Then([](HWND d) {
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_PASSWORD_AGAIN)) << "Enter moves on";
            PressKeyIn(d, IDC_PASSWORD_AGAIN, VK_RETURN);
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
    EXPECT_EQ(driver.boxes[0], "Please retype password again. Both values must be identical.  ");
    EXPECT_EQ(driver.boxIcons[0], StopIcon());
    EXPECT_EQ(driver.boxes[1], "A password can have at most 10 characters.");
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
        PressKeyIn(d, IDC_PASSWORD, VK_RETURN);
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
            EXPECT_EQ(driver.boxes[0], "Sorry wrong password entered.");
            EXPECT_EQ(driver.boxIcons[0], StopIcon());
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
            ExpectDialogIcons(d);
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
            PressKeyIn(d, IDC_INPUT_TEXT, VK_RETURN);
        });
    ASSERT_EQ(driver.Run([&] { return dlg.DoModal(owner_); }), IDOK);
    EXPECT_EQ(dlg.m_text, "Team  Blue");
    EXPECT_TRUE(driver.boxes.empty());
}

}  // namespace
