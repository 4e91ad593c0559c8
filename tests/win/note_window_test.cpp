// The note window as a real window: layout, roll-up and what it stores.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "dialogs/WaitDialog.h"
#include "note/NoteDialog.h"
#include "res/resource.h"
#include "store/NoteRecord.h"

namespace {

RECT ChildRect(HWND parent, int id) {
    RECT r{};
    HWND child = ::GetDlgItem(parent, id);
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class NoteWindowTest : public WindowTest {
protected:
    CNoteDialog* NewNoteWindow(int width, int height) {
        auto* note = new CNoteDialog();
        EXPECT_TRUE(note->CreateNote(owner_));
        ::SetWindowPos(note->m_hWnd, nullptr, 100, 100, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        note->ShowWindow(SW_SHOWNOACTIVATE);
        Pump();
        return note;
    }
};

TEST_F(NoteWindowTest, LayoutOfA300By200NoteWithAndWithoutBorder) {
    CNoteDialog* note = NewNoteWindow(300, 200);
    // Without a border the client area is the whole window.
    RECT body = ChildRect(note->m_hWnd, IDC_NOTE_BODY);
    EXPECT_EQ(body.left, 2);
    EXPECT_EQ(body.top, 20);
    EXPECT_EQ(body.right - body.left, 296);
    EXPECT_EQ(body.bottom - body.top, 178);
    RECT close = ChildRect(note->m_hWnd, IDC_CLOSE);
    EXPECT_EQ(close.left, 286);
    EXPECT_EQ(close.top, 5);
    EXPECT_EQ(close.right - close.left, 10);  // the picture's own size
    RECT title = ChildRect(note->m_hWnd, IDC_NOTE_TITLE);
    EXPECT_EQ(title.right - title.left, 300);
    EXPECT_EQ(title.bottom - title.top, 20);

    note->SetBorder(true);
    Pump();
    EXPECT_NE(::GetWindowLongPtrA(note->m_hWnd, GWL_STYLE) & WS_BORDER, 0);
    // With the one-pixel border the client origin moves by one pixel; the
    // positions the layout asks for are client coordinates.
    body = ChildRect(note->m_hWnd, IDC_NOTE_BODY);
    EXPECT_EQ(body.left, 1);
    EXPECT_EQ(body.right - body.left, 296);
    EXPECT_EQ(body.bottom - body.top, 177);
    close = ChildRect(note->m_hWnd, IDC_CLOSE);
    EXPECT_EQ(close.left, 285);
    EXPECT_EQ(close.top, 4);
}

TEST_F(NoteWindowTest, RolledUpNoteIsTwentyHighHasNoSizingZoneAndStoresItsHeight) {
    CNoteDialog* note = NewNoteWindow(300, 200);
    note->SetNoteId(7);
    note->RollUp();
    Pump();
    const RECT wr = note->GetWindowRect();
    EXPECT_EQ(wr.bottom - wr.top, 20);
    EXPECT_EQ(wr.right - wr.left, 300);
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(note->m_hWnd, IDC_ROLLDOWN)));
    const LRESULT hit = ::SendMessageA(note->m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(wr.right - 3, wr.bottom - 2));
    EXPECT_EQ(hit, HTCLIENT);

    note->StoreNote();
    NoteRecord stored;
    ASSERT_TRUE(ReadNoteRecord({}, 7, stored));
    EXPECT_EQ(stored.minimized, "Yes");
    EXPECT_EQ(stored.height, 200);
    EXPECT_EQ(stored.width, 300);

    note->RollDown();
    Pump();
    const RECT back = note->GetWindowRect();
    EXPECT_EQ(back.bottom - back.top, 200);
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(note->m_hWnd, IDC_ROLLDOWN)));
    EXPECT_EQ(::SendMessageA(note->m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(back.right - 3, back.bottom - 8)),
              HTBOTTOMRIGHT);
}

TEST_F(NoteWindowTest, ANewWindowTakesTheDefaultThemeWritingTheBuiltInsWhenMissing) {
    CNoteDialog* note = NewNoteWindow(200, 150);
    EXPECT_TRUE(ini::HasSection(MainDataFilePath(), "NOTE_ID_90011"));
    note->SetNoteId(1);
    note->StoreNote();
    EXPECT_TRUE(notices_.shown.empty());
    NoteRecord r;
    ASSERT_TRUE(ReadNoteRecord({}, 1, r));
    EXPECT_EQ(r.editBackColor, 0xFFCB97);
    EXPECT_EQ(r.titleBackColor, 0xE28E49);
    EXPECT_EQ(r.editFont, "Verdana");
    EXPECT_EQ(r.titleFontType, "C");
    EXPECT_EQ(r.editText.rfind("{\\rtf", 0), 0u);
}

TEST_F(WindowTest, WaitWindowSitsInTheBottomRightCornerOfTheWorkArea) {
    CWaitDialog wait;
    ASSERT_TRUE(wait.Open(owner_, "Checking for new email notes ...", "Note will appear on desktop if found ...", 6));
    Pump();
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const RECT r = wait.GetWindowRect();
    EXPECT_EQ(r.right, work.right - 6);
    EXPECT_EQ(r.bottom, work.bottom - 6);
    char text[128] = {};
    ::GetDlgItemTextA(wait.m_hWnd, IDC_WAIT_LINE1, text, sizeof text);
    EXPECT_STREQ(text, "Checking for new email notes ...");
    ::GetWindowTextA(wait.m_hWnd, text, sizeof text);
    EXPECT_STREQ(text, " Pinwell 3.lan Version Build 147");
    wait.DestroyWindow();
}

}  // namespace

namespace {

class TitleStripTest : public NoteWindowTest {};

TEST_F(TitleStripTest, BoldTwiceIsRegularAgainAndLeavesNoB) {
    CNoteDialog* note = NewNoteWindow(300, 200);
    note->ToggleTitleStyle('B');
    EXPECT_NE(note->m_titleFontType.find('B'), std::string::npos);
    note->ToggleTitleStyle('B');
    EXPECT_EQ(note->m_titleFontType.find('B'), std::string::npos);
    LOGFONTA lf{};
    HFONT font = reinterpret_cast<HFONT>(::SendDlgItemMessageA(note->m_hWnd, IDC_NOTE_TITLE, WM_GETFONT, 0, 0));
    ASSERT_TRUE(font);
    ::GetObjectA(font, sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    note->ToggleTitleStyle('I');
    note->ToggleTitleStyle('U');
    note->ToggleTitleStyle(0);
    EXPECT_EQ(note->m_titleFontType, "C");
}

TEST_F(TitleStripTest, AlignmentMovesTheBlankAndTheLetter) {
    CNoteDialog* note = NewNoteWindow(300, 200);
    note->SetTitle("Shopping");
    note->AlignTitle('R');
    EXPECT_EQ(note->TitleText(), "Shopping ");
    EXPECT_EQ(note->m_titleFontType.back(), 'R');
    note->AlignTitle('L');
    EXPECT_EQ(note->TitleText(), " Shopping");
    EXPECT_EQ(note->m_titleFontType.back(), 'L');
    EXPECT_EQ(note->m_titleFontType.find('R'), std::string::npos);
    const LONG_PTR style = ::GetWindowLongPtrA(::GetDlgItem(note->m_hWnd, IDC_NOTE_TITLE), GWL_STYLE);
    EXPECT_EQ(style & SS_TYPEMASK, SS_LEFT);
    note->AlignTitle('C');
    EXPECT_EQ(note->TitleText(), "Shopping");
    // The window text (taskbar caption) keeps the text set before alignment.
    char caption[64] = {};
    ::GetWindowTextA(note->m_hWnd, caption, sizeof caption);
    EXPECT_STREQ(caption, "Shopping");
}

TEST_F(TitleStripTest, SizeStepsStopAtOneAndHaveNoUpperBound) {
    CNoteDialog* note = NewNoteWindow(300, 200);
    note->m_titleFontSize = 2;
    note->StepTitleFontSize(-1);
    note->StepTitleFontSize(-1);
    note->StepTitleFontSize(-1);
    EXPECT_EQ(note->m_titleFontSize, 1);
    note->m_titleFontSize = 72;
    note->StepTitleFontSize(+1);
    EXPECT_EQ(note->m_titleFontSize, 73);
}

TEST_F(TitleStripTest, DefaultTitleIsTodaysDateAndTheSettingBecomesDate) {
    ini::Write(MainDataFilePath(), "PINWELL", "DefaultDateFormat", "MM/DD/YYYY");
    CNoteDialog* note = NewNoteWindow(300, 200);
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%02d/%02d/%04d", now.wMonth, now.wDay, now.wYear);
    EXPECT_EQ(note->TitleText(), expected);
    EXPECT_EQ(ini::Read(MainDataFilePath(), "PINWELL", "DefaultTitle"), "Date");

    ini::Write(MainDataFilePath(), "PINWELL", "DefaultTitle", "To do");
    note->SetDefaultTitle();
    EXPECT_EQ(note->TitleText(), "To do");
    ini::Write(MainDataFilePath(), "PINWELL", "DefaultTitle", "Date");
    ini::Write(MainDataFilePath(), "PINWELL", "DefaultDateFormat", "D/M/Y");
    note->SetDefaultTitle();
    EXPECT_EQ(note->TitleText(), "");
}

TEST_F(NoteWindowTest, HitTestZonesOfARealWindow) {
    CNoteDialog* note = NewNoteWindow(300, 200);
    const RECT w = note->GetWindowRect();
    auto hit = [&](int x, int y) { return ::SendMessageA(note->m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(x, y)); };
    EXPECT_EQ(hit(w.right - 3, w.bottom - 8), HTBOTTOMRIGHT);
    EXPECT_EQ(hit(w.left + 30, w.top + 4), HTTOP);
    EXPECT_NE(hit(w.left + 30, w.top + 7), HTTOP);
    EXPECT_EQ(hit(w.left + 2, w.top + 100), HTLEFT);
}

TEST_F(NoteWindowTest, HideRequestStoresHiddenAndShowRequestBringsItBack) {
    CNoteDialog* note = NewNoteWindow(250, 180);
    note->SetNoteId(3);
    EXPECT_EQ(::SendMessageA(note->m_hWnd, WM_NOTE_SHOWHIDE, 0, 0), 0);
    EXPECT_FALSE(::IsWindowVisible(note->m_hWnd));
    NoteRecord r;
    ASSERT_TRUE(ReadNoteRecord({}, 3, r));
    EXPECT_EQ(r.hidden, "Yes");
    ::SendMessageA(note->m_hWnd, WM_NOTE_SHOWHIDE, 1, 0);
    EXPECT_TRUE(::IsWindowVisible(note->m_hWnd));
    EXPECT_FALSE(note->IsHiddenNote());
    ::SendMessageA(note->m_hWnd, WM_NOTE_SHOWHIDE, 7, 0);  // anything else: nothing
    EXPECT_TRUE(::IsWindowVisible(note->m_hWnd));
}

// The title and the close button are drawn by the note's paint, or by
// themselves when only they are out of date: both must give the same strip.
TEST_F(NoteWindowTest, TheStripLooksTheSameWhoeverPaintsIt) {
    CNoteDialog* note = NewNoteWindow(300, 200);
    note->SetTitle("Shopping");
    auto strip = [hwnd = note->m_hWnd] {
        std::vector<COLORREF> pixels;
        HDC dc = ::GetWindowDC(hwnd);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 300; ++x) pixels.push_back(::GetPixel(dc, x, y));
        ::ReleaseDC(hwnd, dc);
        return pixels;
    };
    ::RedrawWindow(note->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const std::vector<COLORREF> whole = strip();
    ASSERT_NE(std::count(whole.begin(), whole.end(), whole[0]), static_cast<long>(whole.size())) << "nothing drawn";
    for (int id : {IDC_NOTE_TITLE, IDC_CLOSE}) ::InvalidateRect(::GetDlgItem(note->m_hWnd, id), nullptr, TRUE);
    ::UpdateWindow(note->m_hWnd);
    EXPECT_TRUE(strip() == whole) << "drawn by the title and the button themselves";
    const RECT throughTheButton{150, 0, 291, 12};
    ::InvalidateRect(note->m_hWnd, &throughTheButton, TRUE);
    ::UpdateWindow(note->m_hWnd);
    EXPECT_TRUE(strip() == whole) << "a part drawn by the note";
}

// A note is ticked only once it has an alarm or an expiration.
TEST_F(NoteWindowTest, OnlyANoteWithAScheduleIsTicked) {
    CNoteDialog* note = NewNoteWindow(250, 180);
    EXPECT_FALSE(::KillTimer(note->m_hWnd, 1)) << "ticked without alarm or expiration";
    note->m_alarm = "01012031-120000-0";
    note->UpdateAlarmIcon();
    EXPECT_TRUE(::KillTimer(note->m_hWnd, 1)) << "not ticked once it has an alarm";
}

// Typing stores the note once it pauses; that store is not the 20-second
// check, which would have removed this expired note.
TEST_F(NoteWindowTest, TypingStoresTheNoteSoonWithoutRunningTheExpiryCheck) {
    CNoteDialog* note = NewNoteWindow(250, 180);
    note->SetNoteId(4);
    note->m_expiration = "01012001-120000-0";
    HWND hwnd = note->m_hWnd;
    EXPECT_FALSE(ini::HasSection(MainDataFilePath(), "NOTE_ID_4"));  // creating it stored nothing

    for (char c : std::string("typed"))
        ::SendMessageA(::GetDlgItem(hwnd, IDC_NOTE_BODY), WM_CHAR, static_cast<unsigned char>(c), 1);
    PumpFor(10000, [] { return ini::HasSection(MainDataFilePath(), "NOTE_ID_4"); });
    NoteRecord r;
    ASSERT_TRUE(ReadNoteRecord({}, 4, r)) << "the typed note was not stored";
    EXPECT_NE(r.editText.find("typed"), std::string::npos) << r.editText;
    EXPECT_EQ(r.expiration, "01012001-120000-0");
    ASSERT_TRUE(::IsWindow(hwnd));

    ::SendMessageA(hwnd, WM_TIMER, 1, 0);  // the 20-second check does remove it
    EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(NoteWindowTest, StatusIconShowsTheLatestMarkAndAfterARollTheFirst) {
    CNoteDialog* note = NewNoteWindow(300, 200);
    EXPECT_EQ(::GetDlgItem(note->m_hWnd, IDC_STATUS), nullptr) << "made when first shown";
    note->SetStatusIcon(CNoteDialog::kSent);
    HWND icon = ::GetDlgItem(note->m_hWnd, IDC_STATUS);
    const LRESULT sent = ::SendMessageA(icon, STM_GETIMAGE, IMAGE_BITMAP, 0);
    note->SetStatusIcon(CNoteDialog::kSendFailed);
    const LRESULT failed = ::SendMessageA(icon, STM_GETIMAGE, IMAGE_BITMAP, 0);
    EXPECT_NE(sent, failed);
    EXPECT_TRUE(::IsWindowVisible(icon));
    note->RollUp();
    EXPECT_EQ(::SendMessageA(icon, STM_GETIMAGE, IMAGE_BITMAP, 0), sent);
    EXPECT_EQ(ChildRect(note->m_hWnd, IDC_STATUS).left, 16);
    note->RollDown();
    EXPECT_EQ(::SendMessageA(icon, STM_GETIMAGE, IMAGE_BITMAP, 0), sent);
    EXPECT_EQ(ChildRect(note->m_hWnd, IDC_STATUS).left, 4);
}

TEST_F(NoteWindowTest, DeleteWithoutTheQuestionRemovesTheSectionAndTheWindow) {
    ini::Write(MainDataFilePath(), "PINWELL", "AskBeforeDelete", "No");
    CNoteDialog* note = NewNoteWindow(120, 80);
    note->SetNoteId(5);
    note->StoreNote();
    ASSERT_TRUE(ini::HasSection(MainDataFilePath(), "NOTE_ID_5"));
    HWND hwnd = note->m_hWnd;
    EXPECT_TRUE(note->DeleteNote(true));  // "No" is not exactly "Yes": no question
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(ini::HasSection(MainDataFilePath(), "NOTE_ID_5"));
}

}  // namespace
