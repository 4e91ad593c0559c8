// The flat look: which controls the skin engine takes over, the frames it
// draws (read back pixel by pixel), the hot look that follows the mouse, the
// flat buttons with their own check state, and the link label.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "base/OsLabel.h"
#include "dialogs/ImportExportDialog.h"
#include "note/OrganizeThemesDialog.h"
#include "res/resource.h"
#include "skin/FlatButton.h"
#include "skin/LinkLabel.h"
#include "skin/SkinEngine.h"
#include "skin/SkinFamily.h"

namespace {

// ---- an in-memory dialog template ---------------------------------------------------

struct Item {
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    WORD id;
    const wchar_t* cls;  // a class name
    const wchar_t* text;
};

class Template {
public:
    Template(short cx, short cy, const std::vector<Item>& items) {
        Align(4);
        DLGTEMPLATE header{};
        header.style = WS_POPUP | WS_VISIBLE | DS_SETFONT | WS_CAPTION;
        header.cdit = static_cast<WORD>(items.size());
        header.x = 10;
        header.y = 10;
        header.cx = cx;
        header.cy = cy;
        Put(&header, sizeof header);
        Word(0);  // menu
        Word(0);  // class
        Text(L"Skin test");
        Word(8);
        Text(L"MS Sans Serif");
        for (const Item& item : items) {
            Align(4);
            DLGITEMTEMPLATE t{};
            t.style = item.style | WS_CHILD | WS_VISIBLE;
            t.dwExtendedStyle = item.exStyle;
            t.x = item.x;
            t.y = item.y;
            t.cx = item.cx;
            t.cy = item.cy;
            t.id = item.id;
            Put(&t, sizeof t);
            Text(item.cls);
            Text(item.text);
            Word(0);
        }
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

private:
    void Put(const void* p, size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void Word(WORD w) { Put(&w, sizeof w); }
    void Text(const wchar_t* s) { Put(s, (std::wcslen(s) + 1) * sizeof(wchar_t)); }
    void Align(size_t a) {
        while (bytes_.size() % a) bytes_.push_back(0);
    }
    std::vector<unsigned char> bytes_;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

HWND MakeDialog(const Template& t) {
    HWND dlg = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), t.Get(), nullptr, PlainDialogProc, 0);
    ::SetWindowPos(dlg, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    return dlg;
}

HWND Child(HWND parent, const char* cls, DWORD style, int x, int y, int cx, int cy, DWORD exStyle = 0, int id = 0,
           const char* text = "") {
    return ::CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
}

// A plain dialog to put controls on by hand.
HWND EmptyDialog(short cx = 260, short cy = 160) {
    static const Template empty(cx, cy, {});
    return MakeDialog(empty);
}

void PumpNow() {
    MSG msg;
    for (int i = 0; i < 50 && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

COLORREF WindowPixel(HWND hwnd, int x, int y) {
    HDC dc = ::GetWindowDC(hwnd);
    const COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(hwnd, dc);
    return c;
}

SIZE WindowSize(HWND hwnd) {
    RECT r;
    ::GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// The picture a flat button paints, through its print-client path.
struct Picture {
    std::vector<COLORREF> pixels;
    int w = 0, h = 0;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * w + x]; }
};

Picture PaintOf(HWND button) {
    RECT rc;
    ::GetClientRect(button, &rc);
    Picture p;
    p.w = rc.right;
    p.h = rc.bottom;
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, p.w, p.h);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    ::SendMessageA(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) p.pixels.push_back(::GetPixel(dc, x, y));
    ::SelectObject(dc, old);
    ::DeleteObject(bmp);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return p;
}

class SkinTest : public WindowTest {
protected:
    void TearDown() override {
        for (HWND w : windows_)
            if (::IsWindow(w)) ::DestroyWindow(w);
        WindowTest::TearDown();
    }
    HWND Keep(HWND w) {
        windows_.push_back(w);
        return w;
    }
    std::vector<HWND> windows_;
};

template <typename T>
bool SkinnedAs(const CSkinEngine& engine, HWND hwnd) {
    CControlSkin* skin = engine.Find(hwnd);
    return skin && typeid(*skin) == typeid(T);
}

}  // namespace

TEST_F(SkinTest, EachControlGetsTheSkinOfItsKind) {
    CSkinEngine engine;
    HWND dlg = Keep(EmptyDialog(300, 200));
    HWND group = Child(dlg, "Button", BS_GROUPBOX, 0, 0, 80, 40);
    HWND ownerDraw = Child(dlg, "Button", BS_OWNERDRAW, 0, 40, 80, 20);
    HWND flat = Child(dlg, "Button", BS_PUSHBUTTON | BS_FLAT, 0, 60, 80, 20);
    HWND push = Child(dlg, "Button", BS_DEFPUSHBUTTON, 0, 80, 80, 20);
    HWND check = Child(dlg, "Button", BS_AUTOCHECKBOX, 0, 100, 80, 20);
    HWND radio = Child(dlg, "Button", BS_AUTORADIOBUTTON, 0, 120, 80, 20);
    HWND bareList = Child(dlg, "ListBox", WS_BORDER, 90, 0, 80, 40);
    HWND edgeList = Child(dlg, "ListBox", 0, 90, 40, 80, 40, WS_EX_CLIENTEDGE);
    HWND simple = Child(dlg, "ComboBox", CBS_SIMPLE, 180, 0, 100, 80);
    HWND dropDown = Child(dlg, "ComboBox", CBS_DROPDOWNLIST, 180, 90, 100, 80);
    HWND bareEdit = Child(dlg, "Edit", WS_BORDER, 90, 90, 80, 20);
    HWND edgeEdit = Child(dlg, "Edit", 0, 90, 115, 80, 20, WS_EX_CLIENTEDGE);
    HWND grip = Child(dlg, "ScrollBar", SBS_SIZEGRIP, 0, 150, 16, 16);
    HWND bar = Child(dlg, "ScrollBar", SBS_VERT, 20, 140, 16, 50);
    HWND list = Child(dlg, WC_LISTVIEWA, LVS_REPORT, 180, 120, 100, 60, WS_EX_CLIENTEDGE);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 60;
    column.pszText = const_cast<char*>("Name");
    ::SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));

    EXPECT_FALSE(engine.HoverTimerRunning()) << "no timer while nothing is skinned";
    for (HWND w : {group, ownerDraw, flat, push, check, radio, bareList, edgeList, simple, dropDown, bareEdit,
                   edgeEdit, grip, bar, list})
        engine.SkinControl(w);

    EXPECT_EQ(engine.Find(group), nullptr) << "group box";
    EXPECT_EQ(engine.Find(ownerDraw), nullptr) << "owner-drawn button";
    EXPECT_EQ(engine.Find(flat), nullptr) << "BS_FLAT button";
    EXPECT_TRUE(SkinnedAs<CPushButtonSkin>(engine, push));
    EXPECT_TRUE(SkinnedAs<CCheckBoxSkin>(engine, check));
    EXPECT_TRUE(SkinnedAs<CRadioSkin>(engine, radio));
    EXPECT_EQ(engine.Find(bareList), nullptr) << "list box without client edge";
    EXPECT_TRUE(SkinnedAs<CControlSkin>(engine, edgeList));
    EXPECT_EQ(engine.Find(simple), nullptr) << "a simple combo has no frame of its own";
    HWND simpleEdit = ::FindWindowExA(simple, nullptr, "Edit", nullptr);
    ASSERT_TRUE(simpleEdit);
    EXPECT_TRUE(SkinnedAs<CComboEditSkin>(engine, simpleEdit)) << "its edit is framed instead";
    EXPECT_TRUE(SkinnedAs<CComboSkin>(engine, dropDown));
    EXPECT_EQ(engine.Find(bareEdit), nullptr);
    EXPECT_TRUE(SkinnedAs<CEditSkin>(engine, edgeEdit));
    EXPECT_EQ(engine.Find(grip), nullptr) << "size grip";
    EXPECT_TRUE(SkinnedAs<CScrollBarSkin>(engine, bar));
    EXPECT_TRUE(SkinnedAs<CControlSkin>(engine, list));
    HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
    EXPECT_TRUE(SkinnedAs<CHeaderSkin>(engine, header)) << "the list's header is skinned with it";

    EXPECT_FALSE(engine.SkinControl(push)) << "never skinned twice";
    EXPECT_TRUE(engine.HoverTimerRunning());

    // Windows leave the tables as they go; the timer goes with the last one.
    ::DestroyWindow(dlg);
    EXPECT_EQ(engine.ControlCount(), 0u);
    EXPECT_FALSE(engine.HoverTimerRunning());
}

TEST(SkinChoice, OnlyTheTwoFamiliesWithTheirOwnLookGoUnskinned) {
    EXPECT_FALSE(CSkinEngine::WantedFor("Windows 2000/XP"));
    EXPECT_FALSE(CSkinEngine::WantedFor("Windows 7/8"));
    EXPECT_TRUE(CSkinEngine::WantedFor("Windows 95/98/Me"));
    EXPECT_TRUE(CSkinEngine::WantedFor("Windows 10"));
    EXPECT_TRUE(CSkinEngine::WantedFor(""));
}

TEST_F(SkinTest, CheckBoxesGetAFlatBoxThatLightsUpWhenHot) {
    CSkinEngine engine;
    HWND dlg = Keep(EmptyDialog());
    HWND box = Child(dlg, "Button", BS_AUTOCHECKBOX, 10, 10, 120, 20, 0, 0, "Tick");
    ASSERT_TRUE(engine.SkinControl(box));
    ::UpdateWindow(dlg);
    PumpNow();
    CControlSkin* skin = engine.Find(box);
    skin->Redraw(true);
    // The 13-pixel box sits at the left, centred vertically.
    const int top = (20 - 13) / 2;
    EXPECT_EQ(WindowPixel(box, 0, top), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(WindowPixel(box, 1, top + 1), ::GetSysColor(COLOR_WINDOW)) << "flat: no dark inner edge";
    EXPECT_EQ(WindowPixel(box, 12, top + 12), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    skin->SetHot(true);
    skin->Redraw(true);
    EXPECT_EQ(WindowPixel(box, 0, top), ::GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(WindowPixel(box, 1, top + 1), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_FALSE(skin->State() & CControlSkin::kFocused) << "check boxes never count as focused";
}

TEST_F(SkinTest, HookSkinsDialogsAsTheyInitialiseAndChildrenAddedLater) {
    CSkinEngine engine;
    engine.Install(CSkinEngine::kCallingThread, CSkinEngine::kDialogMode);
    const Template t(200, 100,
                     {{ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 5, 5, 80, 12, 10, L"Edit", L""},
                      {BS_GROUPBOX, 0, 5, 20, 80, 40, 11, L"Button", L"Group"},
                      {BS_AUTOCHECKBOX, 0, 100, 5, 80, 12, 12, L"Button", L"Check"}});
    HWND dlg = Keep(MakeDialog(t));
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(engine.IsDialogSkinned(dlg));
    EXPECT_TRUE(SkinnedAs<CEditSkin>(engine, ::GetDlgItem(dlg, 10)));
    EXPECT_EQ(engine.Find(::GetDlgItem(dlg, 11)), nullptr);
    EXPECT_TRUE(SkinnedAs<CCheckBoxSkin>(engine, ::GetDlgItem(dlg, 12)));
    // Once shown, the edit wears the flat frame: a small control's inner
    // top-left line is the highlight, where the standard sunken edge has the
    // dark shadow.
    HWND edit10 = ::GetDlgItem(dlg, 10);
    ::SetFocus(edit10);
    ::UpdateWindow(dlg);
    PumpNow();
    EXPECT_EQ(WindowPixel(edit10, 1, WindowSize(edit10).cy / 2), ::GetSysColor(COLOR_3DDKSHADOW)) << "focused";
    ::SetFocus(::GetDlgItem(dlg, 12));
    PumpNow();
    EXPECT_GT(engine.Find(edit10)->DrawCount(), 0);
    EXPECT_EQ(WindowPixel(edit10, 1, WindowSize(edit10).cy / 2), ::GetSysColor(COLOR_BTNHIGHLIGHT));

    HWND later = Child(dlg, "Edit", 0, 5, 70, 80, 20, WS_EX_CLIENTEDGE);
    EXPECT_TRUE(SkinnedAs<CEditSkin>(engine, later)) << "a control created after start-up";

    // A window that is not a dialog is left alone in dialog mode.
    HWND plain = Keep(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr));
    HWND edit = Child(plain, "Edit", 0, 0, 0, 40, 20, WS_EX_CLIENTEDGE);
    EXPECT_EQ(engine.Find(edit), nullptr);

    ::DestroyWindow(dlg);
    EXPECT_FALSE(engine.IsDialogSkinned(dlg));

    // A pause leaves the dialogs made meanwhile plain, and the hook comes
    // back after it.
    {
        CSkinEngine::Pause pause;
        HWND paused = Keep(MakeDialog(t));
        EXPECT_FALSE(engine.IsDialogSkinned(paused));
    }
    HWND resumed = Keep(MakeDialog(t));
    EXPECT_TRUE(SkinnedAs<CEditSkin>(engine, ::GetDlgItem(resumed, 10))) << "skinned again after a pause";

    // After uninstalling, new dialogs stay as they are.
    engine.Uninstall(CSkinEngine::kCallingThread);
    HWND again = Keep(MakeDialog(t));
    EXPECT_FALSE(engine.IsDialogSkinned(again));
    EXPECT_EQ(engine.Find(::GetDlgItem(again, 10)), nullptr);
}

TEST_F(SkinTest, CommonControlsOfADialogAreDrawnFlat) {
    CSkinEngine engine;
    engine.Install(CSkinEngine::kCallingThread, CSkinEngine::kDialogMode);
    const Template t(260, 150,
                     {{ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 7, 7, 100, 12, 10, L"Edit", L"Text"},
                      {ES_AUTOHSCROLL | ES_NUMBER, WS_EX_CLIENTEDGE, 7, 24, 40, 12, 11, L"Edit", L"5"},
                      {UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_SETBUDDYINT, 0, 47, 24, 10, 12, 12, L"msctls_updown32", L""},
                      {CBS_DROPDOWNLIST | WS_VSCROLL, 0, 7, 41, 100, 60, 13, L"ComboBox", L""},
                      {LBS_NOTIFY | WS_VSCROLL, WS_EX_CLIENTEDGE, 7, 58, 100, 40, 14, L"ListBox", L""},
                      {BS_AUTOCHECKBOX, 0, 7, 102, 100, 12, 15, L"Button", L"Check box"},
                      {BS_AUTORADIOBUTTON, 0, 7, 116, 100, 12, 16, L"Button", L"Radio"},
                      {SBS_HORZ, 0, 120, 7, 130, 11, 17, L"ScrollBar", L""},
                      {TBS_HORZ, 0, 120, 24, 130, 20, 18, L"msctls_trackbar32", L""},
                      {0, 0, 120, 50, 130, 60, 19, L"SysTabControl32", L""},
                      {BS_DEFPUSHBUTTON, 0, 150, 128, 50, 14, IDOK, L"Button", L"OK"},
                      {BS_PUSHBUTTON, 0, 204, 128, 50, 14, IDCANCEL, L"Button", L"Cancel"}});
    HWND dlg = Keep(MakeDialog(t));
    ASSERT_TRUE(dlg);
    HWND tab = ::GetDlgItem(dlg, 19);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    for (const char* name : {"First", "Second"}) {
        item.pszText = const_cast<char*>(name);
        ::SendMessageA(tab, TCM_INSERTITEMA, 9, reinterpret_cast<LPARAM>(&item));
    }
    for (int i = 0; i < 12; ++i) ::SendDlgItemMessageA(dlg, 14, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Line"));
    ::SendDlgItemMessageA(dlg, 17, SBM_SETRANGE, 0, 100);

    EXPECT_TRUE(SkinnedAs<CEditSkin>(engine, ::GetDlgItem(dlg, 10)));
    EXPECT_TRUE(SkinnedAs<CUpDownSkin>(engine, ::GetDlgItem(dlg, 12)));
    EXPECT_TRUE(SkinnedAs<CComboSkin>(engine, ::GetDlgItem(dlg, 13)));
    EXPECT_TRUE(SkinnedAs<CControlSkin>(engine, ::GetDlgItem(dlg, 14)));
    EXPECT_TRUE(SkinnedAs<CScrollBarSkin>(engine, ::GetDlgItem(dlg, 17)));
    EXPECT_TRUE(SkinnedAs<CTrackbarSkin>(engine, ::GetDlgItem(dlg, 18)));
    EXPECT_TRUE(SkinnedAs<CTabSkin>(engine, tab));
    EXPECT_TRUE(SkinnedAs<CPushButtonSkin>(engine, ::GetDlgItem(dlg, IDOK)));

    ::SetFocus(::GetDlgItem(dlg, 10));
    ::RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpNow();
    // The list's own scroll bar is flat: its top arrow's outer top-left line
    // is the highlight.
    HWND list = ::GetDlgItem(dlg, 14);
    const SIZE ls = WindowSize(list);
    EXPECT_EQ(WindowPixel(list, ls.cx - 2 - ::GetSystemMetrics(SM_CXVSCROLL), 2), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    ::SetCursorPos(0, 0);
    Screenshot("skinned-controls");
    engine.Uninstall(CSkinEngine::kCallingThread);
}

TEST_F(SkinTest, CreationModeSkinsEveryChildButScrollBars) {
    CSkinEngine engine;
    engine.Install(CSkinEngine::kCallingThread, CSkinEngine::kCreationMode);
    HWND plain = Keep(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr));
    HWND edit = Child(plain, "Edit", 0, 0, 0, 80, 20, WS_EX_CLIENTEDGE);
    HWND push = Child(plain, "Button", BS_PUSHBUTTON, 0, 30, 80, 20);
    HWND bar = Child(plain, "ScrollBar", SBS_HORZ, 0, 60, 80, 16);
    EXPECT_TRUE(SkinnedAs<CEditSkin>(engine, edit));
    EXPECT_TRUE(SkinnedAs<CPushButtonSkin>(engine, push));
    EXPECT_EQ(engine.Find(bar), nullptr);
    EXPECT_EQ(engine.Find(plain), nullptr) << "only child windows";
    engine.Uninstall(CSkinEngine::kCallingThread);
}

TEST_F(SkinTest, SmallFramesUseAHighlightLineAndTallOnesLight) {
    ASSERT_NE(::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_3DLIGHT)) << "colours must differ to tell";
    CSkinEngine engine;
    HWND dlg = Keep(EmptyDialog());
    HWND small = Child(dlg, "Edit", 0, 10, 10, 120, 29, WS_EX_CLIENTEDGE);
    HWND tall = Child(dlg, "Edit", 0, 10, 50, 120, 30, WS_EX_CLIENTEDGE);
    HWND disabled = Child(dlg, "Edit", WS_DISABLED, 10, 90, 120, 30, WS_EX_CLIENTEDGE);
    ::SetFocus(dlg);
    for (HWND w : {small, tall, disabled}) ASSERT_TRUE(engine.SkinControl(w));
    ::UpdateWindow(dlg);
    PumpNow();
    for (HWND w : {small, tall, disabled}) engine.Find(w)->Redraw(true);

    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW), highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT),
                   light = ::GetSysColor(COLOR_3DLIGHT), face = ::GetSysColor(COLOR_BTNFACE);
    struct Expect {
        HWND w;
        COLORREF innerTl, innerBr;
        const char* what;
    };
    for (const Expect& e : {Expect{small, highlight, light, "29 pixels"}, Expect{tall, light, light, "30 pixels"},
                            Expect{disabled, face, face, "disabled"}}) {
        const SIZE s = WindowSize(e.w);
        EXPECT_EQ(WindowPixel(e.w, 0, 0), shadow) << e.what;
        EXPECT_EQ(WindowPixel(e.w, s.cx - 1, s.cy - 1), highlight) << e.what;
        EXPECT_EQ(WindowPixel(e.w, 1, s.cy / 2), e.innerTl) << e.what;
        EXPECT_EQ(WindowPixel(e.w, s.cx / 2, 1), e.innerTl) << e.what;
        EXPECT_EQ(WindowPixel(e.w, s.cx - 2, s.cy / 2), e.innerBr) << e.what;
    }
    EXPECT_TRUE(engine.Find(small)->State() & CControlSkin::kSmall);
    EXPECT_FALSE(engine.Find(tall)->State() & CControlSkin::kSmall);
}

TEST_F(SkinTest, HotLookFollowsTheMouseButNotWhileCaptured) {
    CSkinEngine engine;
    HWND dlg = Keep(EmptyDialog());
    HWND first = Child(dlg, "Edit", 0, 10, 10, 120, 30, WS_EX_CLIENTEDGE);
    HWND second = Child(dlg, "Edit", 0, 10, 60, 120, 30, WS_EX_CLIENTEDGE);
    ASSERT_TRUE(engine.SkinControl(first));
    ASSERT_TRUE(engine.SkinControl(second));
    ::UpdateWindow(dlg);
    PumpNow();
    auto centre = [](HWND w) {
        RECT r;
        ::GetWindowRect(w, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    auto moveTo = [](POINT p) {
        ::SetCursorPos(p.x, p.y);
        PumpNow();
    };
    POINT p1 = centre(first), p2 = centre(second);
    ASSERT_EQ(::WindowFromPoint(p1), first) << "the test window must be on top";

    moveTo(p1);
    engine.OnHoverTimer();
    EXPECT_EQ(engine.HotWindow(), first);
    EXPECT_TRUE(engine.Find(first)->IsHot());
    EXPECT_EQ(WindowPixel(first, 1, 15), ::GetSysColor(COLOR_3DDKSHADOW)) << "drawn hot";

    // From one control to the other between two polls: only the second ends hot.
    moveTo(centre(dlg));
    moveTo(p2);
    engine.OnHoverTimer();
    EXPECT_EQ(engine.HotWindow(), second);
    EXPECT_FALSE(engine.Find(first)->IsHot());
    EXPECT_TRUE(engine.Find(second)->IsHot());
    EXPECT_EQ(WindowPixel(first, 1, 15), ::GetSysColor(COLOR_3DLIGHT)) << "first drawn normal again";

    // While any window holds the mouse capture, nothing changes.
    ::SetCapture(dlg);
    moveTo(p1);
    engine.OnHoverTimer();
    EXPECT_EQ(engine.HotWindow(), second);
    EXPECT_FALSE(engine.Find(first)->IsHot());
    ::ReleaseCapture();
    engine.OnHoverTimer();
    EXPECT_EQ(engine.HotWindow(), first);

    // Off every skinned control: nothing is hot.
    RECT d;
    ::GetWindowRect(dlg, &d);
    moveTo({d.right + 50, d.bottom + 50});
    engine.OnHoverTimer();
    EXPECT_EQ(engine.HotWindow(), nullptr);
    EXPECT_FALSE(engine.Find(first)->IsHot());
}

TEST_F(SkinTest, FlatRadiosClearTheRestOfTheirGroup) {
    HWND dlg = Keep(EmptyDialog());
    HWND a = Child(dlg, "Button", BS_AUTORADIOBUTTON | WS_GROUP, 10, 10, 80, 20, 0, 101, "A");
    HWND b = Child(dlg, "Button", BS_AUTORADIOBUTTON, 10, 30, 80, 20, 0, 102, "B");
    HWND c = Child(dlg, "Button", BS_AUTORADIOBUTTON, 10, 50, 80, 20, 0, 103, "C");
    HWND other = Child(dlg, "Button", BS_AUTORADIOBUTTON | WS_GROUP, 10, 80, 80, 20, 0, 104, "Other");
    CFlatButton fa, fb, fc, fo;
    ASSERT_TRUE(fa.Attach(a));
    ASSERT_TRUE(fb.Attach(b));
    ASSERT_TRUE(fc.Attach(c));
    ASSERT_TRUE(fo.Attach(other));
    EXPECT_EQ(fa.GetKind(), CFlatButton::kRadio);
    EXPECT_FALSE(fa.HasBorder()) << "plain radios have no border";
    EXPECT_EQ(::GetWindowLongA(a, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);

    ::SendMessageA(other, BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageA(a, BM_SETCHECK, BST_CHECKED, 0);
    PumpNow();
    ::SendMessageA(b, BM_SETCHECK, BST_CHECKED, 0);
    PumpNow();
    EXPECT_EQ(::SendMessageA(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(::SendMessageA(b, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageA(other, BM_GETCHECK, 0, 0), BST_CHECKED) << "another group is not touched";

    ::SendMessageA(c, BM_CLICK, 0, 0);  // a click checks it
    PumpNow();
    EXPECT_EQ(::SendMessageA(c, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageA(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ::SendMessageA(c, BM_CLICK, 0, 0);  // and a second click leaves it checked
    PumpNow();
    EXPECT_EQ(::SendMessageA(c, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(SkinTest, FlatCheckBoxTogglesByClickAndSpaceAndSwapsItsTip) {
    HWND dlg = Keep(EmptyDialog());
    HWND box = Child(dlg, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, 10, 10, 100, 24, 0, 201, "Box");
    HWND push = Child(dlg, "Button", BS_PUSHBUTTON | WS_TABSTOP, 10, 40, 100, 24, 0, 202, "Push");
    CFlatButton flatBox, flatPush;
    ASSERT_TRUE(flatBox.Attach(box));
    ASSERT_TRUE(flatPush.Attach(push));
    EXPECT_FALSE(flatBox.Attach(push)) << "one window each";
    EXPECT_EQ(flatBox.GetKind(), CFlatButton::kCheck);
    EXPECT_EQ(CFlatButton::FromHandle(box), &flatBox);
    flatBox.SetTooltipText("Not ticked", "Ticked");

    Click(dlg, 201);
    EXPECT_EQ(::SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(ToolText(flatBox.GetToolTip(), dlg, 201), "Ticked");
    Click(dlg, 201);
    EXPECT_EQ(::SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(ToolText(flatBox.GetToolTip(), dlg, 201), "Not ticked");

    PressKeyIn(dlg, 201, VK_SPACE);
    PumpNow();
    EXPECT_EQ(::SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED) << "Space ticks";
    PressKeyIn(dlg, 201, VK_SPACE);
    PumpNow();
    EXPECT_EQ(::SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "and unticks";

    // Hovering lifts a bordered button; leaving flattens it again.
    const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT), shadow = ::GetSysColor(COLOR_BTNSHADOW);
    ::SendMessageA(push, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(flatPush.IsHovering());
    Picture lifted = PaintOf(push);
    EXPECT_EQ(lifted.At(0, 0), highlight);
    EXPECT_EQ(lifted.At(lifted.w - 1, lifted.h - 1), shadow);
    ::SendMessageA(push, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(flatPush.IsHovering());
    Picture flatAgain = PaintOf(push);
    EXPECT_NE(flatAgain.At(flatAgain.w - 1, flatAgain.h - 1), shadow);

    // A push button has no check state to keep.
    ::SendMessageA(push, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(::SendMessageA(push, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // Checked, the face is plain; unchecked it is the shaded texture, which
    // is lighter at the top than at the bottom.
    ::SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
    Picture checked = PaintOf(box);
    EXPECT_EQ(checked.At(checked.w / 2, 2), ::GetSysColor(COLOR_BTNFACE));
    ::SendMessageA(box, BM_SETCHECK, BST_UNCHECKED, 0);
    Picture shaded = PaintOf(box);
    auto brightness = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
    int top = 0, bottom = 0;
    for (int x = 0; x < shaded.w; ++x) {
        top += brightness(shaded.At(x, 0));
        bottom += brightness(shaded.At(x, shaded.h - 1));
    }
    EXPECT_GT(top, bottom);
}

TEST_F(SkinTest, DisabledFlatPictureButtonShowsItsPictureGreyed) {
    HWND dlg = Keep(EmptyDialog());
    HWND button = Child(dlg, "Button", BS_PUSHBUTTON | BS_BITMAP, 10, 10, 32, 26, 0, 301);
    HBITMAP picture = static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_ARROW_UP),
                                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_TRUE(picture) << "the arrow picture is linked in";
    CFlatButton flat;
    ASSERT_TRUE(flat.Attach(button));
    flat.SetIcons(CFlatButton::IconFromBitmap(picture));
    ::DeleteObject(picture);
    ::EnableWindow(button, FALSE);

    const Picture p = PaintOf(button);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    std::set<COLORREF> colours;
    int marked = 0;
    for (COLORREF c : p.pixels)
        if (c != face) {
            ++marked;
            colours.insert(c);
        }
    EXPECT_GT(marked, 10) << "not a plain grey square";
    EXPECT_GE(colours.size(), 2u) << "drawn embossed";
    EXPECT_EQ(p.At(0, 0), face) << "no border while disabled";
}

TEST_F(SkinTest, LinkLabelIsBlueUnderlinedWithAHandOverItsText) {
    HWND dlg = Keep(EmptyDialog());
    HWND label = Child(dlg, "Static", SS_LEFT, 10, 10, 220, 20, 0, 401, "Home page");
    struct Recording : ILinkOpener {
        void Open(const std::string& target) override { opened.push_back(target); }
        std::vector<std::string> opened;
    } recording;
    Replacing<ILinkOpener> opener(SetLinkOpener, &recording);
    std::vector<std::string>& opened = recording.opened;
    CLinkLabel link;
    ASSERT_TRUE(link.Attach(label));
    link.SetLink("https://pinwell.example.org/");
    EXPECT_NE(::GetWindowLongA(label, GWL_STYLE) & SS_NOTIFY, 0);
    LOGFONTA lf{};
    ::GetObjectA(link.GetFont(), sizeof lf, &lf);
    EXPECT_TRUE(lf.lfUnderline);
    const SIZE text = link.GetTextSize();
    ASSERT_GT(text.cx, 10);
    ASSERT_LT(text.cx, 200) << "the label is wider than its text";

    ::InvalidateRect(label, nullptr, TRUE);
    ::UpdateWindow(label);
    HDC dc = ::GetDC(label);
    // Smoothed text blends blue into the grey background: every pixel that
    // is not the background is a grey with more blue in it.
    int blue = 0, other = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 220; ++x) {
            const COLORREF c = ::GetPixel(dc, x, y);
            if (c == RGB(0, 0, 255)) ++blue;
            else if (c != ::GetSysColor(COLOR_BTNFACE) && !(GetRValue(c) == GetGValue(c) && GetBValue(c) > GetRValue(c)))
                ++other;
        }
    ::ReleaseDC(label, dc);
    EXPECT_GT(blue, 20) << "blue text";
    EXPECT_EQ(other, 0) << "nothing but the text on the dialog's background";

    const HCURSOR hand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    const HCURSOR arrow = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    ::SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(::GetCursor(), hand);
    ::SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(text.cx + 5, 2));
    EXPECT_EQ(::GetCursor(), arrow) << "right of the text";
    ::SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(text.cx - 1, text.cy - 1));
    EXPECT_EQ(::GetCursor(), hand) << "last pixel of the text";
    ::SendMessageA(label, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(::GetCursor(), arrow);

    ::SendMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(text.cx + 5, 2));
    EXPECT_TRUE(opened.empty()) << "a click beside the text opens nothing";
    ::SendMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(opened, (std::vector<std::string>{"https://pinwell.example.org/"}));
}

TEST_F(SkinTest, ProgramDialogsUseFlatButtons) {
    // With the engine installed as start-up installs it: the buttons the
    // dialogs draw flat are left to the flat button.
    std::printf("[ skin ] operating-system family label here: \"%s\"\n", [] {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        ::GetVersionExA(&info);
#pragma GCC diagnostic pop
        static std::string label = OsFamilyLabel(info.dwMajorVersion, info.dwMinorVersion);
        return label.c_str();
    }());
    CSkinEngine engine;
    engine.Install(CSkinEngine::kCallingThread, CSkinEngine::kDialogMode);

    COrganizeThemesDialog themes;
    ModalDriver driver = Driver();
    driver.Then([&](HWND d) {
        for (int id : {IDC_THEME_RENAME, IDC_THEME_DELETE, IDC_THEME_UP, IDC_THEME_DOWN, IDC_THEME_SORT, IDOK}) {
            EXPECT_TRUE(CFlatButton::FromHandle(::GetDlgItem(d, id))) << id;
            EXPECT_EQ(::GetWindowLongA(::GetDlgItem(d, id), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << id;
        }
        EXPECT_TRUE(engine.IsDialogSkinned(d));
        EXPECT_FALSE(Enabled(d, IDC_THEME_UP)) << "nothing selected";
        const Picture up = PaintOf(::GetDlgItem(d, IDC_THEME_UP));
        int marked = 0;
        for (COLORREF c : up.pixels) marked += c != ::GetSysColor(COLOR_BTNFACE);
        EXPECT_GT(marked, 10) << "the greyed arrow is drawn";
        ::SetCursorPos(0, 0);  // no tooltip over the picture
        Screenshot("organize-themes-flat");
        ::EnableWindow(::GetDlgItem(d, IDC_THEME_UP), TRUE);
        ::EnableWindow(::GetDlgItem(d, IDC_THEME_DOWN), TRUE);
        Screenshot("organize-themes-flat-arrows");
        Click(d, IDOK);
    });
    driver.Run([&] { return themes.DoModal(owner_); });

    CImportExportDialog exchange(CImportExportDialog::kExport);
    exchange.m_noteEntries = {"Shopping~3~No~", "Birthday ideas~7~Yes~"};
    ModalDriver second = Driver();
    second.Then([&](HWND d) {
        for (int id : {IDOK, IDCANCEL, IDC_EXCHANGE_CHECK_ALL, IDC_EXCHANGE_UNCHECK_ALL})
            EXPECT_TRUE(CFlatButton::FromHandle(::GetDlgItem(d, id))) << id;
        Click(d, IDC_EXCHANGE_CHECK_ALL);
        EXPECT_TRUE(Enabled(d, IDOK)) << "the flat buttons still command the dialog";
        ::SetFocus(::GetDlgItem(d, IDC_EXCHANGE_UNCHECK_ALL));
        ::SetCursorPos(0, 0);
        Screenshot("import-export-flat");
        Click(d, IDCANCEL);
    });
    second.Run([&] { return exchange.DoModal(owner_); });
    engine.Uninstall(CSkinEngine::kCallingThread);
}
