// The note window where the system meets it: the layered alpha on every
// Windows family, the sizing zones over the body as the system routes the
// mouse, the double-click that rolls, and a one-time alarm ringing between
// two ticks.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "WinTestSupport.h"
#include "base/Clock.h"
#include "base/OsLabel.h"
#include "note/AlarmSchedule.h"
#include "note/NoteDialog.h"
#include "res/resource.h"
#include "store/NoteRecord.h"

namespace {

class NoteEdgesTest : public WindowTest {
protected:
    void TearDown() override {
        SetOsFamilyLabel(family_);
        SetClock(previousClock_);
        WindowTest::TearDown();
    }

    CNoteDialog* NewNote(int width, int height) {
        auto* note = new CNoteDialog();
        EXPECT_TRUE(note->CreateNote(owner_));
        ::SetWindowPos(note->m_hWnd, HWND_TOP, 100, 100, width, height, SWP_NOACTIVATE);
        note->ShowWindow(SW_SHOWNOACTIVATE);
        Pump();
        return note;
    }

    // A window without a layer is drawn opaque.
    static int Alpha(HWND hwnd) {
        if (!(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED)) return 255;
        BYTE alpha = 0;
        DWORD flags = 0;
        if (!::GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags) || !(flags & LWA_ALPHA)) return -1;
        return alpha;
    }

    std::string family_ = OsFamily();
    CFixedClock clock_;
    IClock* previousClock_ = SetClock(&clock_);
};

// A layered window the program never gave an alpha is not drawn at all.
TEST_F(NoteEdgesTest, EveryFamilyGetsAnOpaqueNoteAtCreationAndAfterHideAndShowAll) {
    // The owner hears of every hide, so that "Show all notes" is offered again.
    static int hidesHeard = 0;
    hidesHeard = 0;
    SUBCLASSPROC hear = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
        if (msg == WM_NOTE_HIDDEN) ++hidesHeard;
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    };
    ::SetWindowSubclass(owner_, hear, 1, 0);
    for (const char* family : {"Windows 95/98/Me", "Windows 2000/XP", "Windows 7/8", "Windows 10", ""}) {
        SetOsFamilyLabel(family);
        CNoteDialog* note = NewNote(40, 24);  // a small note fades in 1.5 s like any other
        EXPECT_EQ(Alpha(note->m_hWnd), 255) << "created on '" << family << "'";
        note->HideNote();
        EXPECT_FALSE(::IsWindowVisible(note->m_hWnd));
        ::SendMessageA(note->m_hWnd, WM_NOTE_SHOWHIDE, 1, 0);
        EXPECT_TRUE(::IsWindowVisible(note->m_hWnd));
        EXPECT_EQ(Alpha(note->m_hWnd), 255) << "shown again on '" << family << "'";
        note->DestroyWindow();
    }
    ::RemoveWindowSubclass(owner_, hear, 1);
    EXPECT_EQ(hidesHeard, 5);
}

// The mouse goes to the window the system finds under it; the body must let
// the note's zones through and keep the rest.
TEST_F(NoteEdgesTest, SizingZonesOverTheBodyReachTheNote) {
    CNoteDialog* note = NewNote(300, 200);
    HWND body = note->Body().m_hWnd;
    const RECT w = note->GetWindowRect();
    struct Probe {
        int x, y;
        LRESULT hit;
    };
    const Probe probes[] = {
        {w.right - 3, w.bottom - 8, HTBOTTOMRIGHT}, {w.left + 4, w.top + 100, HTLEFT},
        {w.left + 150, w.bottom - 4, HTBOTTOM},     {w.right - 4, w.top + 100, HTRIGHT},
        {w.left + 8, w.bottom - 8, HTBOTTOMLEFT},
    };
    for (const Probe& p : probes) {
        const LPARAM at = MAKELPARAM(p.x, p.y);
        EXPECT_EQ(::SendMessageA(body, WM_NCHITTEST, 0, at), HTTRANSPARENT) << p.x - w.left << "," << p.y - w.top;
        HWND under = ::WindowFromPoint(POINT{p.x, p.y});
        EXPECT_EQ(under, note->m_hWnd) << p.x - w.left << "," << p.y - w.top;
        EXPECT_EQ(::SendMessageA(under, WM_NCHITTEST, 0, at), p.hit) << p.x - w.left << "," << p.y - w.top;
    }
    // Inside the zones the body is the body, text and scroll bar alike.
    const POINT inner{w.left + 150, w.top + 100};
    EXPECT_EQ(::WindowFromPoint(inner), body);
    EXPECT_EQ(::SendMessageA(body, WM_NCHITTEST, 0, MAKELPARAM(inner.x, inner.y)), HTCLIENT);
    // A point 7 below the top is the plain strip: the note drags from there.
    EXPECT_EQ(::SendMessageA(note->m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(w.left + 30, w.top + 7)), HTCLIENT);
}

TEST_F(NoteEdgesTest, OnlyADoubleClickOnTheStripRolls) {
    CNoteDialog* note = NewNote(300, 200);
    ::SendMessageA(note->m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(1, 100));    // margin left of the body
    ::SendMessageA(note->m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(150, 199));  // margin below it
    ::SendMessageA(note->m_hWnd, WM_NCLBUTTONDBLCLK, HTRIGHT, MAKELPARAM(397, 200));   // the right edge
    EXPECT_FALSE(note->IsRolledUp());
    ::SendMessageA(note->m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(150, 10));
    EXPECT_TRUE(note->IsRolledUp());
    ::SendMessageA(note->m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(150, 10));
    EXPECT_FALSE(note->IsRolledUp());
}

// The tick that finds a one-time alarm due rings it and uses it up at once;
// the icon shows the ringing picture until the next tick.
TEST_F(NoteEdgesTest, AOneTimeAlarmRingsOnAVisibleIconThatGoesAtTheNextTick) {
    clock_.Set(MakeLocalTime(2025, 3, 14, 9, 29, 45));
    CNoteDialog* note = NewNote(300, 200);
    note->SetNoteId(4);
    note->m_alarm = "14032025-093000-0-0";
    note->UpdateAlarmIcon();
    HWND icon = ::GetDlgItem(note->m_hWnd, IDC_ALARM);
    const LRESULT normal = ::SendMessageA(icon, STM_GETIMAGE, IMAGE_BITMAP, 0);
    note->CheckAlarm();  // 09:29:45, not yet due
    EXPECT_FALSE(note->IsRinging());

    clock_.Set(MakeLocalTime(2025, 3, 14, 9, 30, 5));
    ::SendMessageA(note->m_hWnd, WM_TIMER, 1, 0);
    EXPECT_TRUE(note->IsRinging());
    EXPECT_TRUE(::IsWindowVisible(icon));
    EXPECT_NE(::SendMessageA(icon, STM_GETIMAGE, IMAGE_BITMAP, 0), normal);
    EXPECT_EQ(note->m_alarm, "");
    NoteRecord stored;
    ASSERT_TRUE(ReadNoteRecord({}, 4, stored));
    EXPECT_EQ(stored.alarm, "");

    clock_.Advance(20);
    ::SendMessageA(note->m_hWnd, WM_TIMER, 1, 0);
    EXPECT_FALSE(::IsWindowVisible(icon));
}

// The expire and alarm icons are made when first shown, possibly after the
// mouse has already made the tooltip: their tips must still be there.
TEST_F(NoteEdgesTest, IconsMadeAfterTheTooltipStillGetTheirTips) {
    clock_.Set(MakeLocalTime(2025, 3, 14, 9, 0, 0));
    CNoteDialog* note = NewNote(300, 200);
    EXPECT_EQ(::GetDlgItem(note->m_hWnd, IDC_ALARM), nullptr);
    MSG move{note->m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(150, 100)};
    static_cast<CWnd*>(note)->PreTranslateMessage(&move);  // what the message loop does
    HWND tip = nullptr;
    for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
        if (::GetWindow(w, GW_OWNER) == note->m_hWnd && ClassOf(w) == TOOLTIPS_CLASSA) tip = w;
    ASSERT_NE(tip, nullptr);

    note->m_alarm = "14032025-093000-0-0";
    note->UpdateAlarmTip();
    note->UpdateAlarmIcon();
    note->m_expiration = "15032025-090000-1";
    note->UpdateExpireTip();
    note->UpdateExpireIcon();
    EXPECT_EQ(ToolText(tip, note->m_hWnd, IDC_ALARM), AlarmTip(note->m_alarm));
    EXPECT_EQ(ToolText(tip, note->m_hWnd, IDC_EXPIRE), ExpireTip(note->m_expiration));
    EXPECT_NE(ToolText(tip, note->m_hWnd, IDC_ALARM), ToolText(tip, note->m_hWnd, IDC_EXPIRE));
}

}  // namespace
