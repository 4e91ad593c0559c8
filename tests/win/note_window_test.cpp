// The note window as a real window: layout, roll-up and what it stores.
#include <windows.h>

#include "WinTestSupport.h"
#include "app/WaitDialog.h"
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
