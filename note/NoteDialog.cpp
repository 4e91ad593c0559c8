#include "note/NoteDialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mmsystem.h>

#include "base/ProgramFlags.h"
#include "win/Program.h"
#include "base/OsLabel.h"
#include "base/ProgramFlags.h"
#include "base/Seams.h"
#include "dialogs/InputTextDialog.h"
#include "base/Clock.h"
#include "net/SendNoteDialog.h"
#include "net/Socket.h"
#include "note/BodyMenuSlots.h"
#include "note/BuiltInThemes.h"
#include "note/Delivery.h"
#include "note/AlarmDialog.h"
#include "note/ExpirationDialog.h"
#include "note/NoteFileCommands.h"
#include "note/NotePrint.h"
#include "note/NoteExchange.h"
#include "note/OrganizeThemesDialog.h"
#include "note/ThemeStore.h"
#include "note/NoteGeometry.h"
#include "res/resource.h"
#include "store/ExportFile.h"
#include "store/IniFile.h"
#include "store/SettingsStore.h"
#include "win/OnDemand.h"

namespace {

constexpr UINT_PTR kCheckTimer = 1;
// Restarted by every change; fires once the note has been still this long.
constexpr UINT_PTR kStoreTimer = 2;
constexpr UINT kStoreDelayMs = 1500;

Box ToBox(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

bool Has(const std::string& s, char c) { return s.find(c) != std::string::npos; }

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

const int kNoteIconIds[] = {IDB_STATUS_RECEIVED, IDB_STATUS_SENT,   IDB_STATUS_FAILED, IDB_EXPIRE,
                            IDB_ALARM,           IDB_ALARM_RINGING, IDB_ROLLDOWN,      IDB_CLOSE};
HBITMAP g_noteIcons[std::size(kNoteIconIds)] = {};

const int kStatusBitmaps[3] = {IDB_STATUS_RECEIVED, IDB_STATUS_SENT, IDB_STATUS_FAILED};

}  // namespace

void LoadNoteIconBitmaps() {
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    for (std::size_t i = 0; i < std::size(kNoteIconIds); ++i)
        if (!g_noteIcons[i]) g_noteIcons[i] = ::LoadBitmapA(inst, MAKEINTRESOURCEA(kNoteIconIds[i]));
}

HBITMAP NoteIconBitmap(int resourceId) {
    for (std::size_t i = 0; i < std::size(kNoteIconIds); ++i) {
        if (kNoteIconIds[i] != resourceId) continue;
        if (!g_noteIcons[i]) LoadNoteIconBitmaps();
        return g_noteIcons[i];
    }
    return nullptr;
}

CNoteDialog::CNoteDialog() : CDialog(IDD_NOTE) {
    NoteRecord theme;
    if (!ReadNoteRecord({}, kDefaultThemeId, theme)) {
        WriteBuiltInThemes(ScreenCharSet());
        ReadNoteRecord({}, kDefaultThemeId, theme);
    }
    TakeLook(theme, true);
}

void CNoteDialog::LoadNoteMenus() {
    if (m_titleMenu.GetSafeHmenu()) return;
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    m_titleMenu.LoadMenu(inst, IDR_TITLEMENU);
    m_closeMenu.LoadMenu(inst, IDR_CLOSEMENU);
    struct Picture { UINT command; int bitmap; };
    static const Picture kPictures[] = {
        {ID_TITLE_FONT, IDB_MENU_FONT},          {ID_TITLE_TEXT_COLOR, IDB_MENU_TEXT_COLOR},
        {ID_TITLE_COLOR, IDB_MENU_TITLE_COLOR},  {ID_TITLE_BOLD, IDB_MENU_BOLD},
        {ID_TITLE_ITALIC, IDB_MENU_ITALIC},      {ID_TITLE_UNDERLINE, IDB_MENU_UNDERLINE},
        {ID_TITLE_REGULAR, IDB_MENU_REGULAR},    {ID_TITLE_GROW, IDB_MENU_GROW_FONT},
        {ID_TITLE_SHRINK, IDB_MENU_SHRINK_FONT}, {ID_TITLE_LEFT, IDB_MENU_ALIGN_LEFT},
        {ID_TITLE_CENTER, IDB_MENU_ALIGN_CENTER}, {ID_TITLE_RIGHT, IDB_MENU_ALIGN_RIGHT},
        {ID_TITLE_UPPERCASE, IDB_MENU_UPPERCASE}, {ID_TITLE_LOWERCASE, IDB_MENU_LOWERCASE},
        {ID_TITLE_EDIT, IDB_MENU_EDIT_TITLE},    {ID_TITLE_DATE, IDB_MENU_DATE_TITLE},
        {ID_NOTE_ROLL, IDB_MENU_ROLL_UP},        {ID_NOTE_HIDE, IDB_MENU_HIDE_NOTE},
        {ID_NOTE_DELETE, IDB_MENU_DELETE_NOTE},
    };
    for (const Picture& p : kPictures) {
        m_titleMenu.SetPicture(p.command, MenuPicture(p.bitmap));
        m_closeMenu.SetPicture(p.command, MenuPicture(p.bitmap));
    }
}

namespace {

// Template 130 with the extended style a note without a taskbar button ends
// up with: changed after creation, it is a new frame for the window.
const DLGTEMPLATE* TemplateWithoutTaskbarButton() {
    static const std::vector<DWORD> copy = [] {
        std::vector<DWORD> out;
        const HMODULE module = ::GetModuleHandleA(nullptr);
        HRSRC info = ::FindResourceA(module, MAKEINTRESOURCEA(IDD_NOTE), RT_DIALOG);
        HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
        const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
        const DWORD size = info ? ::SizeofResource(module, info) : 0;
        // An extended template: version 1, signature 0xFFFF, the extended
        // style at byte 8.
        if (!bytes || size < 12 || static_cast<const WORD*>(bytes)[1] != 0xFFFF) return out;
        out.resize((size + 3) / 4);
        std::memcpy(out.data(), bytes, size);
        DWORD ex;
        std::memcpy(&ex, reinterpret_cast<const BYTE*>(out.data()) + 8, sizeof ex);
        ex &= WS_EX_TOOLWINDOW;
        std::memcpy(reinterpret_cast<BYTE*>(out.data()) + 8, &ex, sizeof ex);
        return out;
    }();
    return copy.empty() ? nullptr : reinterpret_cast<const DLGTEMPLATE*>(copy.data());
}

}  // namespace

BOOL CNoteDialog::CreateNote(HWND owner, bool fromRecord, bool settledByCaller) {
    m_fromRecord = fromRecord;
    m_layoutDeferred = fromRecord;
    m_settledByCaller = settledByCaller;
    // A note that will have no taskbar button is made without one.
    return Create(owner, CSettingsStore().IsOn(Switch::ShowTaskBar) ? nullptr : TemplateWithoutTaskbarButton());
}

BOOL CNoteDialog::OnInitDialog() {
    CSettingsStore settings;
    // The body is the note's first tab stop: the system hands it over.
    if (HWND focus = InitialFocus(); focus && ::GetDlgCtrlID(focus) == IDC_NOTE_BODY) m_controls[0] = focus;
    m_body.Attach(Control(IDC_NOTE_BODY), this);
    ::SendMessageA(m_body.m_hWnd, EM_GETEVENTMASK, 0, 0);
    ::SendMessageA(m_body.m_hWnd, EM_SETEVENTMASK, 0, 0x703);
    m_body.ApplyNoteFormat();

    m_bodyBrush.Reset(::CreateSolidBrush(m_body.backColor));
    m_titleBrush.Reset(::CreateSolidBrush(m_titleBackColor));

    // A note made from a record is titled and its title aligned by its
    // creator at once.
    RebuildTitleFont(!m_fromRecord);
    if (!m_fromRecord) SetDefaultTitle();

    ::SendMessageA(Control(IDC_CLOSE), STM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(NoteIconBitmap(IDB_CLOSE)));
    // A note from a record is laid out by its creator, which places the
    // button then.
    if (!m_fromRecord) {
        const RECT wr = GetWindowRect();
        ::SetWindowPos(Control(IDC_CLOSE), nullptr, (wr.right - wr.left) - 14, 5, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!settings.IsOn(Switch::ShowCloseButton)) ::ShowWindow(Control(IDC_CLOSE), SW_HIDE);

    m_user32 = ::LoadLibraryA("USER32.dll");
    // Normally made so from its template. The control-parent bit the system
    // gives every dialog stays: it only guides tabbing into nested dialogs.
    const LONG_PTR ex = ::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE);
    const LONG_PTR reduced = ex & (WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT);
    if (!settings.IsOn(Switch::ShowTaskBar) && reduced != ex) ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, reduced);
    SetRawAlpha(255);

    ::SendMessageA(m_body.m_hWnd, EM_AUTOURLDETECT, TRUE, 0);
    // A layout for the template's size would be undone at once.
    if (!m_fromRecord) ApplyLayout();
    // Arrives once the creator has placed, filled and shown the note.
    if (!m_settledByCaller) ::PostMessageA(m_hWnd, WM_NOTE_SETTLED, 0, 0);
    return FALSE;
}

void CNoteDialog::NoteChanged() {
    if (m_settled && !m_deleted) ::SetTimer(m_hWnd, kStoreTimer, kStoreDelayMs, nullptr);
}

void CNoteDialog::PostNcDestroy() {
    if (m_user32) ::FreeLibrary(m_user32);
    m_user32 = nullptr;
    delete this;
}

// Only these systems draw a layered note reliably while it is laid out.
bool CNoteDialog::AlphaFollowsSettings() {
    const std::string& os = OsFamily();
    return os == "Windows 2000/XP" || os == "Windows 7/8";
}

void CNoteDialog::SetAlpha(BYTE alpha) {
    if (!AlphaFollowsSettings()) return;
    // A transparent window shows nothing, so drawing it is wasted: the
    // redraw that makes it opaque again draws it whole. Start-up hides and
    // shows every note this way, and each full redraw costs milliseconds.
    if (alpha == 0) {
        if (m_alpha != 0) SetRawAlpha(0);
        return;
    }
    SetRawAlpha(alpha);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// Looked up at run time: systems without layered windows simply keep their
// notes opaque. The window is given its layer the first time it must be less
// than opaque: an opaque note looks the same without one, and a layer costs
// each note a new frame and a surface the system redirects its drawing
// through, a large part of what opening a stored note costs.
void CNoteDialog::SetRawAlpha(BYTE alpha) {
    if (!m_user32) return;
    const LONG_PTR ex = ::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE);
    if (alpha == 255 && !(ex & WS_EX_LAYERED)) {
        m_alpha = 255;
        return;
    }
    using SetLayeredFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    auto fn = reinterpret_cast<SetLayeredFn>(
        reinterpret_cast<void*>(::GetProcAddress(m_user32, "SetLayeredWindowAttributes")));
    if (!fn) return;
    // A layered window is not drawn at all until it has an alpha: the two
    // are given together.
    if (!(ex & WS_EX_LAYERED)) ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    if (fn(m_hWnd, 0, alpha, LWA_ALPHA)) m_alpha = alpha;
}

void CNoteDialog::FadeOut() {
    if (OsFamily() == "Windows 95/98/Me") return;
    const RECT wr = GetWindowRect();
    const FadeStep step = FadeStepFor(wr.right - wr.left, wr.bottom - wr.top);
    const DWORD sleep = static_cast<DWORD>(step.step * 15);
    for (double level = 100.0; level >= 0; level -= step.step) {
        SetRawAlpha(static_cast<BYTE>(static_cast<int>(level) * 255 / 100));
        ::UpdateWindow(m_hWnd);
        ::Sleep(sleep);
    }
}

bool CNoteDialog::DeleteNote(bool ask) {
    if (ask && CSettingsStore().ReadAskBeforeDelete() == "Yes") {
        char text[128];
        std::snprintf(text, sizeof text, "Delete note. %s  ", "Are you sure ? ");
        if (::MessageBoxA(m_hWnd, text, "Pinwell", MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    }
    m_deleted = true;
    DeleteNoteSection(m_noteId);
    FadeOut();
    DestroyWindow();
    return true;
}

void CNoteDialog::HideNote() {
    m_hidden = true;
    NoteChanged();
    FadeOut();
    ShowWindow(SW_HIDE);
    // The fade leaves the window transparent, and on the systems where
    // SetAlpha does nothing no later step would make it opaque again: undo
    // it now, while nobody sees it, so every way back (show all, a ringing
    // alarm) brings a drawn note.
    SetRawAlpha(255);
    if (HWND owner = ::GetWindow(m_hWnd, GW_OWNER)) ::SendMessageA(owner, WM_NOTE_HIDDEN, 0, 0);
}

void CNoteDialog::SetStatusIcon(int kind) {
    if (kind < 0 || kind > 2) return;
    HWND icon = StripIcon(IDC_STATUS);
    ::SendMessageA(icon, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(NoteIconBitmap(kStatusBitmaps[kind])));
    m_statusMarks[kind] = true;
    ::SetWindowPos(icon, nullptr, 4, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(icon, SW_SHOW);
    Repaint();
}

void CNoteDialog::CreateTooltip() {
    if (m_tooltip) return;
    m_tooltip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (!m_tooltip) return;
    for (int id : {IDC_ALARM, IDC_EXPIRE})
        if (HWND icon = Control(id)) SendIconTool(TTM_ADDTOOLA, id, icon);
    ::SendMessageA(m_tooltip, TTM_SETTIPBKCOLOR, 0x00AFFFFF, 0);
    ::SendMessageA(m_tooltip, TTM_SETMAXTIPWIDTH, 0, 200);
    ::SendMessageA(m_tooltip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 250);
    ::SendMessageA(m_tooltip, TTM_ACTIVATE, TRUE, 0);
}

NoteRecord CNoteDialog::BuildRecord() const {
    NoteRecord r;
    r.editTextColor = static_cast<std::int32_t>(m_body.textColor);
    r.editBackColor = static_cast<std::int32_t>(m_body.backColor);
    r.editFont = m_body.fontName;
    r.editFontType = m_body.fontType;
    r.editFontSize = m_body.fontSize;
    r.editCharSet = m_body.charSet;
    r.editText = m_body.GetBodyRtf();
    r.titleTextColor = static_cast<std::int32_t>(m_titleTextColor);
    r.titleBackColor = static_cast<std::int32_t>(m_titleBackColor);
    r.titleFont = m_titleFontName;
    r.titleFontType = m_titleFontType;
    r.titleFontSize = m_titleFontSize;
    r.titleCharSet = m_titleCharSet;
    r.titleText = TitleText();
    r.noteId = m_noteId;
    const RECT wr = GetWindowRect();
    r.top = wr.top;
    r.left = wr.left;
    r.width = wr.right - wr.left;
    r.height = m_rolledUp ? m_savedFrame.bottom - m_savedFrame.top : wr.bottom - wr.top;
    r.minimized = m_rolledUp ? "Yes" : "No";
    r.border = m_border ? "Yes" : "No";
    r.hidden = m_hidden ? "Yes" : "No";
    r.expiration = m_expiration;
    r.alarm = m_alarm;
    return r;
}

void CNoteDialog::StoreNote(const std::string& fileName) {
    if (m_deleted) return;
    NoteRecord r = BuildRecord();
    if (fileName.empty()) {
        ::KillTimer(m_hWnd, kStoreTimer);  // nothing is waiting to be stored any more
        WriteNoteRecord({}, r);
        return;
    }
    // Into an exported note file: appended there under the title shown now;
    // the note's own identifier and section stay as they are.
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    AppendNoteToExportFile(fileName, r, TitleText(),
                           ExportDateTime(t.wDay, t.wMonth, t.wYear, t.wHour, t.wMinute, t.wSecond));
}

std::string CNoteDialog::TitleText() const {
    char buf[4096] = {};
    ::GetWindowTextA(Control(IDC_NOTE_TITLE), buf, sizeof buf);
    return buf;
}

void CNoteDialog::SetTitle(const std::string& text) {
    ::SetWindowTextA(Control(IDC_NOTE_TITLE), text.c_str());
    ::SetWindowTextA(m_hWnd, text.c_str());
    Repaint();
    NoteChanged();
}

void CNoteDialog::SetDefaultTitle() {
    CSettingsStore settings;
    const std::string title = settings.ReadDefaultTitle();
    if (!title.empty() && title != "Date") {
        SetTitle(title);
        return;
    }
    SetDateTitle();
    if (title.empty()) settings.WriteDefaultTitle("Date");
}

void CNoteDialog::SetDateTitle() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    SetTitle(CSettingsStore().FormatDate(now.wDay, now.wMonth, now.wYear));
}

void CNoteDialog::RebuildTitleFont(bool align) {
    LOGFONTA lf{};
    lf.lfHeight = -::MulDiv(m_titleFontSize, ScreenPixelsPerInch(), 72);
    lstrcpynA(lf.lfFaceName, m_titleFontName.c_str(), LF_FACESIZE);
    lf.lfCharSet = m_titleCharSet;
    lf.lfWeight = Has(m_titleFontType, 'B') ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = Has(m_titleFontType, 'I');
    lf.lfUnderline = Has(m_titleFontType, 'U');
    lf.lfStrikeOut = Has(m_titleFontType, 'S');
    if (align) ApplyTitleAlignment();
    CFont font(::CreateFontIndirectA(&lf));
    // A note being built is drawn whole when it is shown.
    ::SendMessageA(Control(IDC_NOTE_TITLE), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), ::IsWindowVisible(m_hWnd));
    m_titleFont = std::move(font);
    Repaint();
    NoteChanged();
}

void CNoteDialog::ApplyTitleAlignment() {
    if (Has(m_titleFontType, 'L')) AlignTitle('L');
    if (Has(m_titleFontType, 'C')) AlignTitle('C');
    if (Has(m_titleFontType, 'R')) AlignTitle('R');
}

void CNoteDialog::AlignTitle(char letter) {
    HWND title = Control(IDC_NOTE_TITLE);
    // Only what changes is set: a note opened from its record is aligned as
    // it already is, and each set is a trip to the window system.
    const LONG_PTR oldStyle = ::GetWindowLongPtrA(title, GWL_STYLE);
    LONG_PTR style = oldStyle & ~static_cast<LONG_PTR>(SS_TYPEMASK);
    style |= letter == 'L' ? SS_LEFT : letter == 'R' ? SS_RIGHT : SS_CENTER;
    if (style != oldStyle) ::SetWindowLongPtrA(title, GWL_STYLE, style);
    const std::string current = TitleText();
    std::string text = Trimmed(current);
    if (letter == 'L') text = " " + text;
    if (letter == 'R') text += " ";
    if (text != current)
        ::SetWindowTextA(title, text.c_str());
    else if (style != oldStyle)
        ::InvalidateRect(title, nullptr, TRUE);
    std::string type;
    for (char c : m_titleFontType)
        if (c != 'L' && c != 'C' && c != 'R') type += c;
    m_titleFontType = type + letter;
    Repaint();
}

void CNoteDialog::SetBodyBackColor(COLORREF colour) {
    m_bodyBrush.Reset(::CreateSolidBrush(colour));
    Repaint();
    NoteChanged();
}

void CNoteDialog::SetTitleBackColor(COLORREF colour) {
    m_titleBackColor = colour;
    m_titleBrush.Reset(::CreateSolidBrush(colour));
    Repaint();
    NoteChanged();
}

void CNoteDialog::SetTitleTextColor(COLORREF colour) {
    m_titleTextColor = colour;
    Repaint();
    NoteChanged();
}

void CNoteDialog::ApplyFrameStyle(bool withBorder) {
    LONG_PTR style = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    if (withBorder)
        style |= WS_BORDER;
    else if (!m_border)
        style &= ~static_cast<LONG_PTR>(WS_BORDER);
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, style);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CNoteDialog::SetBorder(bool on) {
    m_border = on;
    ApplyFrameStyle(on);
    ApplyLayout();
}

void CNoteDialog::ApplyLayout() {
    if (!m_body.m_hWnd || m_rolledUp || m_layoutDeferred) return;
    const RECT wr = GetWindowRect();
    LayOut(wr.right - wr.left, wr.bottom - wr.top);
}

void CNoteDialog::LayOut(int width, int height) {
    // Creation, settings and show-all each ask for a layout of a note that
    // already has it; on a shown note every pass repaints the whole window.
    // The body's scroll bar follows its setting when the body is placed, so a
    // changed setting places it again.
    const bool scrollBar = g_showScrollBar;
    if (width == m_laidOutWidth && height == m_laidOutHeight && m_border == m_laidOutBorder &&
        scrollBar == m_scrollBarShown)
        return;
    m_laidOutWidth = width;
    m_laidOutHeight = height;
    m_laidOutBorder = m_border;
    const NoteLayout l = ComputeNoteLayout(width, height, m_border);
    ::MoveWindow(m_body.m_hWnd, l.body.left, l.body.top, l.body.Width(), l.body.Height(), TRUE);
    // Told to the control itself: a bar only taken off the window comes back
    // at the control's next layout of a body that does not fit. Only on a
    // change: Wine's control, once told to show it, lays a long paragraph out
    // many times over.
    if (scrollBar != m_scrollBarShown) {
        m_scrollBarShown = scrollBar;
        ::SendMessageA(m_body.m_hWnd, EM_SHOWSCROLLBAR, SB_VERT, m_scrollBarShown ? TRUE : FALSE);
    }
    RECT fmt{l.bodyFormat.left, l.bodyFormat.top, l.bodyFormat.right, l.bodyFormat.bottom};
    ::SendMessageA(m_body.m_hWnd, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&fmt));
    ::MoveWindow(Control(IDC_NOTE_TITLE), l.title.left, l.title.top, l.title.Width(), l.title.Height(), TRUE);
    // The button takes its picture's size here, in the one move: its style
    // keeps the picture from resizing it, a move of its own.
    BITMAP picture{};
    ::GetObjectA(NoteIconBitmap(IDB_CLOSE), sizeof picture, &picture);
    ::SetWindowPos(Control(IDC_CLOSE), nullptr, l.closeX, l.closeY, picture.bmWidth, picture.bmHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    Repaint();
}

// Resizing a shown window 20 pixels larger and back only to make the size
// handler run costs two full relayouts and repaints on screen; running the
// layout itself leaves the same window behind.
void CNoteDialog::ForceLayout() {
    m_layoutDeferred = false;
    ApplyLayout();
}

void CNoteDialog::ForceLayoutFor(SIZE frame) {
    m_layoutDeferred = false;
    if (m_body.m_hWnd && !m_rolledUp) LayOut(frame.cx, frame.cy);
}

void CNoteDialog::RollUp() {
    // The title keeps the width the full note gives it.
    if (m_layoutDeferred) ForceLayout();
    m_savedFrame = GetWindowRect();
    m_laidOutWidth = -1;  // the strip's controls move below: lay out afresh on the way down
    ApplyFrameStyle(true);
    const int w = m_savedFrame.right - m_savedFrame.left;
    m_rolledUp = true;
    ::SetWindowPos(m_hWnd, nullptr, m_savedFrame.left, m_savedFrame.top, w, kRolledUpHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    HWND rollDown = StripIcon(IDC_ROLLDOWN);
    ::SetWindowPos(rollDown, nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(rollDown, SW_SHOW);
    ::SetWindowPos(Control(IDC_CLOSE), nullptr, w - 15, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (int kind = 0; kind < 3; ++kind) {
        if (!m_statusMarks[kind]) continue;
        HWND icon = StripIcon(IDC_STATUS);
        ::SendMessageA(icon, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(NoteIconBitmap(kStatusBitmaps[kind])));
        ::SetWindowPos(icon, nullptr, 16, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::ShowWindow(icon, SW_SHOW);
        break;
    }
    UpdateExpireIcon();
    UpdateAlarmIcon();
}

void CNoteDialog::RollDown() {
    ApplyFrameStyle(m_border);
    const RECT wr = GetWindowRect();
    const int w = m_savedFrame.right - m_savedFrame.left, h = m_savedFrame.bottom - m_savedFrame.top;
    m_rolledUp = false;
    ::SetWindowPos(m_hWnd, nullptr, wr.left, wr.top, w + 20, h + 20, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(m_hWnd, nullptr, wr.left, wr.top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyLayout();
    ::ShowWindow(Control(IDC_ROLLDOWN), SW_HIDE);
    for (int kind = 0; kind < 3; ++kind) {
        if (m_statusMarks[kind]) {
            SetStatusIcon(kind);
            break;
        }
    }
    UpdateExpireIcon();
    UpdateAlarmIcon();
}

void CNoteDialog::ToggleRoll() {
    if (m_rolledUp)
        RollDown();
    else
        RollUp();
}

void CNoteDialog::RefreshFromSettings() {
    SetAlpha(0);
    ApplyRunTimeSettings();
    SetAlpha(255);
}

void CNoteDialog::HoldShow(const RECT* frame) {
    m_showHeld = true;
    m_heldWithFrame = frame != nullptr;
    if (frame) m_heldFrame = *frame;
}

// Shown before the settings are applied, so that a layout they force is
// done for the frame the note is shown with; nothing is drawn in between.
void CNoteDialog::ShowHeldNote() {
    if (!m_showHeld) return;
    m_showHeld = false;
    const RECT& f = m_heldFrame;
    ::SetWindowPos(m_hWnd, nullptr, f.left, f.top, f.right - f.left, f.bottom - f.top,
                   SWP_SHOWWINDOW | SWP_NOZORDER | SWP_NOACTIVATE | (m_heldWithFrame ? 0 : SWP_NOMOVE | SWP_NOSIZE));
    ApplyRunTimeSettings();
    ::UpdateWindow(m_hWnd);
    Settle();
}

void CNoteDialog::ApplyRunTimeSettings() {
    HWND close = Control(IDC_CLOSE);
    const bool showClose = CSettingsStore().IsOn(Switch::ShowCloseButton);
    if ((::IsWindowVisible(close) != FALSE) != showClose) ::ShowWindow(close, showClose ? SW_SHOW : SW_HIDE);
    ForceLayout();
    UpdateExpireTip();
    UpdateAlarmTip();
}

void CNoteDialog::OnTimer(UINT_PTR id) {
    if (id == kStoreTimer) {
        StoreNote();
        return;
    }
    if (!CheckExpiration()) CheckAlarm();
}

// The icon's tool, with its tip text, sent to the tooltip as message.
void CNoteDialog::SendIconTool(UINT message, int controlId, HWND icon) {
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = m_hWnd;
    ti.uId = reinterpret_cast<UINT_PTR>(icon);
    ti.lpszText = const_cast<char*>((controlId == IDC_ALARM ? m_alarmTip : m_expireTip).c_str());
    ::SendMessageA(m_tooltip, message, 0, reinterpret_cast<LPARAM>(&ti));
}

// A note that is not on screen is drawn whole when it is shown: marking it
// for drawing before then is a trip to the window system for nothing.
void CNoteDialog::Repaint() {
    if (::IsWindowVisible(m_hWnd)) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

HWND CNoteDialog::Control(int id) const {
    if (id < IDC_NOTE_BODY || id > IDC_ALARM) return ::GetDlgItem(m_hWnd, id);
    // A control lives as long as its note, so a handle once found stays good.
    // The strip icons are made by StripIcon alone, which keeps them here.
    HWND& slot = m_controls[id - IDC_NOTE_BODY];
    const bool stripIcon = id == IDC_ROLLDOWN || id == IDC_STATUS || id == IDC_EXPIRE || id == IDC_ALARM;
    if (!slot && !stripIcon) slot = ::GetDlgItem(m_hWnd, id);
    return slot;
}

HWND CNoteDialog::StripIcon(int controlId) {
    if (HWND icon = Control(controlId)) return icon;
    HWND icon = ::CreateWindowExA(0, "Static", "", WS_CHILD | SS_BITMAP | SS_NOTIFY, 0, 0, 0, 0, m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    if (!icon) return nullptr;
    m_controls[controlId - IDC_NOTE_BODY] = icon;
    // Below the title and the body, as the controls the template makes are.
    ::SetWindowPos(icon, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (controlId == IDC_ROLLDOWN)
        ::SendMessageA(icon, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(NoteIconBitmap(IDB_ROLLDOWN)));
    // A tool for an icon not made yet is added when the icon is.
    if (m_tooltip && (controlId == IDC_ALARM || controlId == IDC_EXPIRE))
        SendIconTool(TTM_ADDTOOLA, controlId, icon);
    return icon;
}

// ---- alarm and expiration ---------------------------------------------------

bool CNoteDialog::CheckExpiration() {
    if (m_deleted || !IsExpired(m_expiration, LocalNow())) return false;
    DeleteNote(false);
    return true;
}

void CNoteDialog::CheckAlarm() {
    if (m_deleted) return;
    const AlarmVerdict verdict = m_alarmState.Check(m_alarm, LocalNow());
    if (verdict.refreshIcon) UpdateAlarmIcon();
    if (verdict.clearAlarm) {
        m_alarm.clear();
        StoreNote();
        UpdateAlarmTip();
        // A one-time alarm that rings in this tick is used up by it, but the
        // ringing picture stays until the next tick takes the icon away.
        if (!verdict.ring) UpdateAlarmIcon();
    }
    if (verdict.ring) {
        HWND icon = StripIcon(IDC_ALARM);
        ::SendMessageA(icon, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(NoteIconBitmap(IDB_ALARM_RINGING)));
        ::ShowWindow(icon, SW_SHOW);
        ::InvalidateRect(icon, nullptr, TRUE);
        if (m_showHeld) {
            ShowHeldNote();
        } else if (!IsWindowVisible()) {
            // A ringing note is meant to be seen; it is no longer a hidden one.
            m_hidden = false;
            ShowWindow(SW_SHOW);
        }
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        if (verdict.playSound)
            ondemand::PlaySoundA(MAKEINTRESOURCEA(IDR_SOUND), ::GetModuleHandleA(nullptr), SND_RESOURCE | SND_ASYNC);
    }
}

int CNoteDialog::IconBaseX() const {
    int x = m_rolledUp ? 15 : 3;
    if (::IsWindowVisible(Control(IDC_STATUS))) x += 13;
    return x;
}

// A note is watched from the first time it has an alarm or an expiration
// (every change of either comes through its icon): the check of a note that
// has neither finds nothing, and a desktop of such notes would wake the
// program every few hundred milliseconds for it. Once started the watch
// goes on, so that a used-up alarm's picture is still taken away.
void CNoteDialog::WatchSchedule() {
    if (m_watching || (m_alarm.empty() && m_expiration.empty())) return;
    m_watching = ::SetTimer(m_hWnd, kCheckTimer, 20000, nullptr) != 0;
}

void CNoteDialog::UpdateExpireIcon() {
    WatchSchedule();
    const bool shown = IsExpirationSet(m_expiration);
    if (!shown && !Control(IDC_EXPIRE)) return;  // never shown: nothing to hide
    HWND icon = StripIcon(IDC_EXPIRE);
    ::SendMessageA(icon, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(NoteIconBitmap(IDB_EXPIRE)));
    ::SetWindowPos(icon, nullptr, IconBaseX(), 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(icon, shown ? SW_SHOW : SW_HIDE);
    Repaint();
}

void CNoteDialog::UpdateAlarmIcon() {
    WatchSchedule();
    const bool shown = IsAlarmSet(m_alarm);
    if (!shown && !Control(IDC_ALARM)) return;
    HWND icon = StripIcon(IDC_ALARM);
    ::SendMessageA(icon, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(NoteIconBitmap(IDB_ALARM)));
    const int x = IconBaseX() + (IsExpirationSet(m_expiration) ? 12 : 0);
    ::SetWindowPos(icon, nullptr, x, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(icon, shown ? SW_SHOW : SW_HIDE);
    Repaint();
}

void CNoteDialog::SetToolText(int controlId, const std::string& text) {
    (controlId == IDC_ALARM ? m_alarmTip : m_expireTip) = text;
    HWND icon = Control(controlId);
    if (m_tooltip && icon) SendIconTool(TTM_UPDATETIPTEXTA, controlId, icon);
}

void CNoteDialog::UpdateAlarmTip() { SetToolText(IDC_ALARM, AlarmTip(m_alarm)); }
void CNoteDialog::UpdateExpireTip() { SetToolText(IDC_EXPIRE, ExpireTip(m_expiration)); }

void CNoteDialog::SetAlarm() {
    CAlarmDialog dialog;
    if (IsAlarmSet(m_alarm)) dialog.m_caption = AlarmText(m_alarm);
    dialog.m_value = m_alarm;
    if (dialog.DoModal(m_hWnd) == IDOK) {
        m_alarm = dialog.m_value;
        StoreNote();
    }
    UpdateAlarmTip();
    UpdateExpireIcon();
    UpdateAlarmIcon();
}

void CNoteDialog::SetExpiration() {
    CExpirationDialog dialog;
    if (IsExpirationSet(m_expiration)) dialog.m_caption = ExpireText(m_expiration);
    dialog.m_value = m_expiration;
    if (dialog.DoModal(m_hWnd) == IDOK) {
        m_expiration = dialog.m_value;
        StoreNote();
    }
    UpdateExpireIcon();
    UpdateAlarmIcon();
    UpdateExpireTip();
}

// ---- sending ----------------------------------------------------------------

std::string CNoteDialog::PlainBodyText() const {
    const int length = ::GetWindowTextLengthA(m_body.m_hWnd);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    ::GetWindowTextA(m_body.m_hWnd, text.data(), length + 1);
    text.resize(std::strlen(text.c_str()));
    return text;
}

void CNoteDialog::OpenFileIntoNote() { ::OpenFileIntoNote(*this); }
void CNoteDialog::SaveNoteAs() { ::SaveNoteAs(*this); }
void CNoteDialog::SaveNoteAsPicture() { ::SaveNoteAsPicture(*this); }
void CNoteDialog::PrintNote(HWND body) { ::PrintNote(*this, body); }

void CNoteDialog::SendToGroup(const std::string& groupName) {
    if (groupName.empty()) return;
    net::WinsockSession winsock;
    if (!winsock.Ok()) {
        ::MessageBoxA(m_hWnd, "Windows Socket initialization failed. Wrong version ...", "Pinwell", MB_OK);
        return;
    }
    const std::string recipients = ini::Read(MainDataFilePath(), "RECIPIENTS_LIST", groupName);
    const std::string identity = CSettingsStore().ReadSentFrom();
    const std::string text = PlainBodyText();
    DeliveryReport report = DeliverNote(m_noteId, SplitRecipients(recipients), identity, text);
    report.errors += DeliverByEmail(*this, report.email, identity, text, true);
    ApplyDeliveryResult(*this, report.errors, report.errors);
}

void CNoteDialog::ReplyToSender() {
    const std::string address = m_body.replyTo;
    if (address.empty()) return;
    CSettingsStore settings;
    if (settings.IsOn(Switch::AskWhenReply)) {
        char text[512];
        std::snprintf(text, sizeof text, "Reply to option will send this note to : %s.  \nDo you want to continue ?",
                      address.c_str());
        if (::MessageBoxA(m_hWnd, text, "Pinwell", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    }
    net::WinsockSession winsock;
    const std::string identity = settings.ReadSentFrom();
    const std::string text = PlainBodyText();
    DeliveryReport report = DeliverNote(m_noteId, {address}, identity, text);
    report.errors += DeliverByEmail(*this, report.email, identity, text, true);
    ApplyDeliveryResult(*this, report.errors, report.errors);
}

void CNoteDialog::SendToOther() {
    const std::string text = PlainBodyText();
    CSendNoteDialog dialog(m_noteId, text);
    if (dialog.DoModal(m_hWnd) != IDOK || !dialog.m_sent) return;
    // The dialog has shown the computers' errors already; the mail goes out
    // once it has closed, under the identity exactly as chosen there.
    const std::string emailErrors =
        DeliverByEmail(*this, dialog.m_emailRecipients, dialog.m_identity, text, false);
    ApplyDeliveryResult(*this, dialog.m_errors + emailErrors, emailErrors);
}

// ---- themes -----------------------------------------------------------------

void CNoteDialog::ApplyTheme(std::int32_t themeId) {
    NoteRecord theme;
    if (!ReadNoteRecord({}, themeId, theme)) return;
    const bool coloursOnly = CSettingsStore().ReadOnChangeTheme() == "Colors";
    TakeLook(theme, !coloursOnly);
    SetBodyBackColor(m_body.backColor);
    m_body.ApplyNoteFormat();
    SetTitleBackColor(m_titleBackColor);
    SetTitleTextColor(m_titleTextColor);
    if (!coloursOnly) RebuildTitleFont();
    SetBorder(theme.border == "Yes");
}

void CNoteDialog::SaveThemeRecord(std::int32_t themeId) { WriteThemeRecord(themeId, BuildRecord()); }

void CNoteDialog::ApplyRandomTheme() {
    if (const std::int32_t theme = ChooseRandomTheme()) ApplyTheme(theme);
}

bool CNoteDialog::OnThemeCommand(UINT command) {
    for (const BuiltInTheme& theme : kBuiltInThemes) {
        if (static_cast<UINT>(theme.command) == command) {
            ApplyTheme(theme.noteId);
            return true;
        }
    }
    if (command >= ID_THEME_SAVED_FIRST && command < ID_THEME_SAVED_FIRST + kSavedThemeSlots) {
        ApplyTheme(kFirstSavedThemeId + static_cast<std::int32_t>(command - ID_THEME_SAVED_FIRST));
        return true;
    }
    switch (command) {
    case ID_THEME_SAVE_AS: {
        CInputTextDialog dialog(InputTextMode::ThemeName);
        if (dialog.DoModal(m_hWnd) == IDOK) SaveThemeAs(dialog.m_text, BuildRecord());
        return true;
    }
    case ID_THEME_SAVE_DEFAULT: SaveThemeRecord(kDefaultThemeId); return true;
    case ID_THEME_ORGANIZE: {
        COrganizeThemesDialog dialog;
        dialog.DoModal(m_hWnd);
        return true;
    }
    case ID_THEME_SAVE_SIZE: {
        const RECT wr = GetWindowRect();
        CSettingsStore().WriteDefaultSize(std::to_string(wr.right - wr.left), std::to_string(wr.bottom - wr.top));
        return true;
    }
    default: return false;
    }
}

// ---- title strip ------------------------------------------------------------

LOGFONTA CNoteDialog::TitleLogFont() const {
    LOGFONTA lf{};
    if (m_titleFont) ::GetObjectA(m_titleFont.Get(), sizeof lf, &lf);
    return lf;
}

void CNoteDialog::ApplyTitleLogFont(const LOGFONTA& lf) {
    CFont font(::CreateFontIndirectA(&lf));
    ::SendMessageA(Control(IDC_NOTE_TITLE), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    m_titleFont = std::move(font);
    Repaint();
    NoteChanged();
}

void CNoteDialog::ToggleTitleStyle(char letter) {
    LOGFONTA lf = TitleLogFont();
    auto drop = [&](char c) {
        std::string t;
        for (char x : m_titleFontType)
            if (x != c) t += x;
        m_titleFontType = t;
    };
    auto toggle = [&](BYTE& flag, char c) {
        drop(c);
        flag = flag ? 0 : 1;
        if (flag) m_titleFontType += c;
    };
    switch (letter) {
    case 'B':
        drop('B');
        if (lf.lfWeight == FW_BOLD) {
            lf.lfWeight = FW_NORMAL;
        } else {
            lf.lfWeight = FW_BOLD;
            m_titleFontType += 'B';
        }
        break;
    case 'I': toggle(lf.lfItalic, 'I'); break;
    case 'U': toggle(lf.lfUnderline, 'U'); break;
    case 'S': toggle(lf.lfStrikeOut, 'S'); break;
    default:
        for (char c : {'B', 'I', 'U', 'S'}) drop(c);
        lf.lfWeight = FW_NORMAL;
        lf.lfItalic = lf.lfUnderline = lf.lfStrikeOut = 0;
        break;
    }
    ApplyTitleLogFont(lf);
}

void CNoteDialog::StepTitleFontSize(int step) {
    if (step > 0)
        ++m_titleFontSize;
    else if (m_titleFontSize > 1)
        --m_titleFontSize;
    LOGFONTA lf = TitleLogFont();
    HDC dc = ::GetDC(m_hWnd);
    lf.lfHeight = -::MulDiv(m_titleFontSize, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    ::ReleaseDC(m_hWnd, dc);
    ApplyTitleLogFont(lf);
}

void CNoteDialog::ChooseTitleFont() {
    LOGFONTA lf = TitleLogFont();
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = m_hWnd;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (!ondemand::ChooseFontA(&cf)) return;
    m_titleFontName = lf.lfFaceName;
    m_titleFontSize = cf.iPointSize / 10;
    m_titleCharSet = lf.lfCharSet;
    std::string type;
    for (char c : m_titleFontType)
        if (c != 'B' && c != 'I' && c != 'U' && c != 'S') type += c;
    if (lf.lfWeight == FW_BOLD) type += 'B';
    if (lf.lfItalic) type += 'I';
    if (lf.lfUnderline) type += 'U';
    if (lf.lfStrikeOut) type += 'S';
    m_titleFontType = type;
    ApplyTitleLogFont(lf);
}

void CNoteDialog::EditTitle() {
    CInputTextDialog dialog(InputTextMode::NoteTitle, Trimmed(TitleText()));
    if (dialog.DoModal(m_hWnd) != IDOK) return;
    std::string text = dialog.m_text;
    if (Has(m_titleFontType, 'L')) text = " " + text;
    if (Has(m_titleFontType, 'R')) text += " ";
    SetTitle(text);
}

void CNoteDialog::ChangeTitleCase(bool upper) {
    std::string text = TitleText();
    if (text.empty()) return;
    if (upper)
        ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    else
        ::CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    SetTitle(text);
}

void CNoteDialog::ChooseColour(COLORREF& colour) { NoteEditDialogs().AskColour(m_hWnd, colour); }

// ---- menus ------------------------------------------------------------------

void CNoteDialog::PrepareRollItem(const CMenu& menu) {
    const bool up = m_rolledUp;
    ::ModifyMenuA(menu.GetSafeHmenu(), ID_NOTE_ROLL, MF_BYCOMMAND | MF_STRING, ID_NOTE_ROLL,
                  up ? "Roll down" : "Roll up");
    menu.SetPicture(ID_NOTE_ROLL, MenuPicture(up ? IDB_MENU_ROLL_DOWN : IDB_MENU_ROLL_UP));
}

void CNoteDialog::ShowCloseMenu() {
    StoreNote();
    LoadNoteMenus();
    PrepareRollItem(m_closeMenu);
    ::SetForegroundWindow(m_hWnd);
    m_closeMenu.TrackAtCursor(m_hWnd);
}

void CNoteDialog::ShowTitleMenu() {
    StoreNote();
    LoadNoteMenus();
    PrepareRollItem(m_titleMenu);
    ::SetForegroundWindow(m_hWnd);
    m_titleMenu.TrackAtCursor(m_hWnd);
}

BOOL CNoteDialog::OnCommand(WPARAM wParam, LPARAM) {
    const UINT id = LOWORD(wParam);
    if (id == IDC_NOTE_BODY && HIWORD(wParam) == EN_CHANGE) {
        NoteChanged();
        return TRUE;
    }
    if (id == IDC_CLOSE && HIWORD(wParam) == STN_CLICKED) {
        if (CSettingsStore().IsOn(Switch::DisableCloseMenu))
            DeleteNote(true);
        else
            ShowCloseMenu();
        return TRUE;
    }
    if (id == IDC_ROLLDOWN && HIWORD(wParam) == STN_CLICKED) {
        RollDown();
        return TRUE;
    }
    switch (id) {
    case ID_TITLE_FONT: ChooseTitleFont(); return TRUE;
    case ID_TITLE_TEXT_COLOR: {
        COLORREF c = m_titleTextColor;
        ChooseColour(c);
        SetTitleTextColor(c);
        return TRUE;
    }
    case ID_TITLE_COLOR: {
        COLORREF c = m_titleBackColor;
        ChooseColour(c);
        SetTitleBackColor(c);
        return TRUE;
    }
    case ID_TITLE_BOLD: ToggleTitleStyle('B'); return TRUE;
    case ID_TITLE_ITALIC: ToggleTitleStyle('I'); return TRUE;
    case ID_TITLE_UNDERLINE: ToggleTitleStyle('U'); return TRUE;
    case ID_TITLE_REGULAR: ToggleTitleStyle(0); return TRUE;
    case ID_TITLE_GROW: StepTitleFontSize(+1); return TRUE;
    case ID_TITLE_SHRINK: StepTitleFontSize(-1); return TRUE;
    case ID_TITLE_LEFT: AlignTitle('L'); return TRUE;
    case ID_TITLE_CENTER: AlignTitle('C'); return TRUE;
    case ID_TITLE_RIGHT: AlignTitle('R'); return TRUE;
    case ID_TITLE_UPPERCASE: ChangeTitleCase(true); return TRUE;
    case ID_TITLE_LOWERCASE: ChangeTitleCase(false); return TRUE;
    case ID_TITLE_EDIT: EditTitle(); return TRUE;
    case ID_TITLE_DATE: SetDateTitle(); return TRUE;
    case ID_NOTE_ROLL: ToggleRoll(); return TRUE;
    case ID_NOTE_HIDE: HideNote(); return TRUE;
    case ID_NOTE_DELETE: DeleteNote(true); return TRUE;
    case ID_BODY_ALARM: SetAlarm(); return TRUE;
    case ID_BODY_REPLY: ReplyToSender(); return TRUE;
    case ID_SEND_OTHER: SendToOther(); return TRUE;
    case ID_BODY_EXPIRATION: SetExpiration(); return TRUE;
    case ID_BODY_OPEN_FILE: OpenFileIntoNote(); return TRUE;
    case ID_BODY_SAVE_AS: SaveNoteAs(); return TRUE;
    case ID_BODY_SAVE_PICTURE: SaveNoteAsPicture(); return TRUE;
    case ID_BODY_PRINT: PrintNote(m_body.m_hWnd); return TRUE;
    case ID_BODY_EXPORT_NOTE: ::ExportNote(*this); return TRUE;
    case ID_BODY_IMPORT_NOTE: ::ImportIntoNote(*this); return TRUE;
    default:
        if (std::find(kGroupSlotCommands.begin(), kGroupSlotCommands.end(), id) != kGroupSlotCommands.end()) {
            SendToGroup(m_body.lastMenuItemText);
            return TRUE;
        }
        return OnThemeCommand(id) ? TRUE : FALSE;
    }
}

BOOL CNoteDialog::PreTranslateMessage(MSG* msg) {
    if (!m_tooltip && msg->message == WM_MOUSEMOVE) CreateTooltip();
    if (m_tooltip) ::SendMessageA(m_tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    if (msg->message == WM_KEYUP && msg->wParam == VK_CONTROL) m_controlDown = false;
    if (msg->message != WM_KEYDOWN) return FALSE;
    switch (msg->wParam) {
    case VK_CONTROL: m_controlDown = true; return FALSE;
    case VK_MENU: m_controlDown = false; return FALSE;
    case VK_ESCAPE: return TRUE;
    case VK_TAB: return !m_controlDown;
    default: break;
    }
    if (!m_controlDown) return FALSE;
    switch (msg->wParam) {
    case 'B': m_body.ToggleSelectionEffect(TextEffect::Bold); return TRUE;
    case 'I': m_body.ToggleSelectionEffect(TextEffect::Italic); return TRUE;
    case 'U': m_body.ToggleSelectionEffect(TextEffect::Underline); return TRUE;
    case 'S': m_body.ToggleSelectionEffect(TextEffect::Strikeout); return TRUE;
    case 'F':
        m_controlDown = false;
        m_body.OpenFind();
        return TRUE;
    default: return FALSE;
    }
}

void CNoteDialog::TakeLook(const NoteRecord& r, bool fonts) {
    m_body.textColor = static_cast<COLORREF>(r.editTextColor);
    m_body.backColor = static_cast<COLORREF>(r.editBackColor);
    m_titleTextColor = static_cast<COLORREF>(r.titleTextColor);
    m_titleBackColor = static_cast<COLORREF>(r.titleBackColor);
    if (!fonts) return;
    m_body.fontName = r.editFont;
    m_body.fontType = r.editFontType;
    m_body.fontSize = r.editFontSize;
    m_body.charSet = r.editCharSet;
    m_titleFontName = r.titleFont;
    m_titleFontType = r.titleFontType;
    m_titleFontSize = r.titleFontSize;
    m_titleCharSet = r.titleCharSet;
}

void CNoteDialog::LoadRecordIntoNote(const NoteRecord& r) {
    TakeLook(r, true);
    SetBodyBackColor(m_body.backColor);
    m_body.ApplyNoteFormat();
    SetTitleBackColor(m_titleBackColor);
    SetTitleTextColor(m_titleTextColor);
    RebuildTitleFont();
    SetTitle(r.titleText);
    m_body.SetBodyRtf(r.editText);
    const RECT wr = GetWindowRect();
    ::SetWindowPos(m_hWnd, nullptr, wr.left, wr.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    SetBorder(r.border == "Yes");
    ForceLayout();
    m_expiration.clear();
    m_alarm = r.alarm;
    UpdateExpireTip();
    UpdateExpireIcon();
    UpdateAlarmTip();
    UpdateAlarmIcon();
    CheckAlarm();
}

void CNoteDialog::OnNoteCommand(UINT command) {
    ::SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

LRESULT CNoteDialog::HitTest(LPARAM lParam, LRESULT defaultAnswer) const {
    switch (NoteHitTest(ToBox(GetWindowRect()), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), m_rolledUp)) {
    case NoteHit::BottomRight: return HTBOTTOMRIGHT;
    case NoteHit::BottomLeft: return HTBOTTOMLEFT;
    case NoteHit::TopRight: return HTTOPRIGHT;
    case NoteHit::TopLeft: return HTTOPLEFT;
    case NoteHit::Bottom: return HTBOTTOM;
    case NoteHit::Top: return HTTOP;
    case NoteHit::Left: return HTLEFT;
    case NoteHit::Right: return HTRIGHT;
    case NoteHit::Default: break;
    }
    return m_rolledUp ? HTCLIENT : defaultAnswer;
}

// The title and the close button are drawn with the note: every window
// that paints itself costs a round of trips to the window system, and a
// desktop of notes is painted at once. Only the part the note paints anyway
// is drawn and taken off the control's own update; the rest, and later
// changes, the control paints itself. The title, at the note's origin, is
// drawn by its own code; the button's code clips to where its window is,
// so its picture is copied here the way it copies it.
void CNoteDialog::Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    if (ps.fErase) ::FillRect(dc, &ps.rcPaint, m_bodyBrush.Get());
    // Taken off once all is drawn: each change of an update region makes
    // the next drawing ask the window system where it may draw.
    std::pair<HWND, RECT> drawn[2];
    int count = 0;
    for (const int id : {IDC_NOTE_TITLE, IDC_CLOSE}) {
        HWND child = Control(id);
        if (!child || !(::GetWindowLongPtrA(child, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT box;
        ::GetWindowRect(child, &box);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&box), 2);
        RECT part;
        if ((id == IDC_NOTE_TITLE && (box.left || box.top)) || !::IntersectRect(&part, &box, &ps.rcPaint)) continue;
        const int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, part.left, part.top, part.right, part.bottom);
        if (id == IDC_NOTE_TITLE) {
            ::SendMessageA(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        } else {
            // A copy of the picture stays selected into a DC of its own:
            // selecting a picture asks the window system each time, and the
            // button's own picture must stay free for the button.
            static const HDC pictures = ::CreateCompatibleDC(nullptr);
            static HBITMAP copiedFrom = nullptr;
            static HBITMAP copy = nullptr;
            auto picture = reinterpret_cast<HBITMAP>(::SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
            if (picture && picture != copiedFrom && pictures) {
                if (auto fresh = static_cast<HBITMAP>(::CopyImage(picture, IMAGE_BITMAP, 0, 0, 0))) {
                    ::SelectObject(pictures, fresh);
                    if (copy) ::DeleteObject(copy);
                    copy = fresh;
                    copiedFrom = picture;
                }
            }
            BITMAP bm{};
            if (!picture || picture != copiedFrom || !::GetObjectA(copy, sizeof bm, &bm)) {
                ::RestoreDC(dc, saved);
                continue;
            }
            ::StretchBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, pictures, 0, 0,
                         bm.bmWidth, bm.bmHeight, SRCCOPY);
        }
        ::RestoreDC(dc, saved);
        ::OffsetRect(&part, -box.left, -box.top);
        drawn[count++] = {child, part};
    }
    for (int i = 0; i < count; ++i) ::ValidateRect(drawn[i].first, &drawn[i].second);
    ::EndPaint(m_hWnd, &ps);
}

bool CNoteDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        // Left to Paint, which erases with the body's brush as the default
        // would; the default first asks the window system about themes.
        result = 0;
        return true;
    case WM_NCHITTEST:
        result = HitTest(lParam, ::DefWindowProcA(m_hWnd, msg, wParam, lParam));
        return true;
    case WM_LBUTTONDOWN:
        // Any press on the strip itself drags the note like a caption would.
        ::PostMessageA(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
        return false;
    case WM_LBUTTONDBLCLK:
        // Only the strip rolls: the margin beside the body is the note's
        // surface too, and the sizing zones answer with non-client codes.
        if (GET_Y_LPARAM(lParam) >= kTitleHeight) return false;
        StoreNote();
        ToggleRoll();
        StoreNote();
        result = 0;
        return true;
    case WM_MOVING: {
        RECT* proposed = reinterpret_cast<RECT*>(lParam);
        RECT work{};
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        const Box p = KeepDragOnWorkArea(ToBox(work), ToBox(GetWindowRect()), ToBox(*proposed));
        *proposed = RECT{p.left, p.top, p.right, p.bottom};
        result = TRUE;
        return true;
    }
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = kMinNoteWidth;
        info->ptMinTrackSize.y = m_rolledUp ? kRolledUpHeight : kMinNoteHeight;
        result = 0;
        return true;
    }
    case WM_SIZE:
        ApplyLayout();
        return false;
    case WM_WINDOWPOSCHANGED:
        if ((reinterpret_cast<const WINDOWPOS*>(lParam)->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
            NoteChanged();
        return false;  // the default turns it into WM_MOVE and WM_SIZE
    case WM_NOTE_SETTLED:
        m_settled = true;
        result = 0;
        return true;
    case WM_CTLCOLORDLG: {
        ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = reinterpret_cast<LRESULT>(m_bodyBrush.Get());
        return true;
    }
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, m_titleTextColor);
        ::SetBkColor(dc, m_titleBackColor);
        result = reinterpret_cast<LRESULT>(m_titleBrush.Get());
        return true;
    }
    case WM_NOTE_SHOWHIDE:
        if (wParam == 1) {
            SetAlpha(0);
            m_hidden = false;
            ShowWindow(SW_SHOW);
            RefreshFromSettings();
            SetAlpha(255);
        } else if (wParam == 0) {
            m_hidden = true;
            StoreNote();
            ShowWindow(SW_HIDE);
        }
        result = 0;
        return true;
    case WM_RBUTTONDOWN:
        ShowTitleMenu();
        return false;
    default:
        return false;
    }
}
