#include "note/NoteDialog.h"

#include <richedit.h>
#include <windowsx.h>

#include <ctime>

#include "app/OsLabel.h"
#include "note/BuiltInThemes.h"
#include "note/NoteGeometry.h"
#include "res/resource.h"
#include "store/SettingsStore.h"

namespace {

constexpr UINT_PTR kCheckTimer = 1;

BYTE ScreenCharSet() {
    HDC dc = ::GetDC(nullptr);
    const int cs = ::GetTextCharset(dc);
    ::ReleaseDC(nullptr, dc);
    return static_cast<BYTE>(cs);
}

Box ToBox(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

bool Has(const std::string& s, char c) { return s.find(c) != std::string::npos; }

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

CNoteDialog::CNoteDialog() : CDialog(IDD_NOTE) {
    NoteRecord theme;
    if (!ReadNoteRecord({}, kDefaultThemeId, theme)) {
        WriteBuiltInThemes(ScreenCharSet());
        ReadNoteRecord({}, kDefaultThemeId, theme);
    }
    m_body.fontName = theme.editFont;
    m_body.fontType = theme.editFontType;
    m_body.fontSize = theme.editFontSize;
    m_body.charSet = theme.editCharSet;
    m_body.textColor = static_cast<COLORREF>(theme.editTextColor);
    m_body.backColor = static_cast<COLORREF>(theme.editBackColor);
    m_titleFontName = theme.titleFont;
    m_titleFontType = theme.titleFontType;
    m_titleFontSize = theme.titleFontSize;
    m_titleCharSet = theme.titleCharSet;
    m_titleTextColor = static_cast<COLORREF>(theme.titleTextColor);
    m_titleBackColor = static_cast<COLORREF>(theme.titleBackColor);
}

BOOL CNoteDialog::CreateNote(HWND owner) { return Create(owner); }

BOOL CNoteDialog::OnInitDialog() {
    CSettingsStore settings;
    if (!settings.IsOn(Switch::ShowTaskBar)) {
        const LONG_PTR ex = ::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE);
        ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, ex & WS_EX_TOOLWINDOW);
    }

    m_body.Attach(GetDlgItem(IDC_NOTE_BODY), this);
    ::SendMessageA(m_body.m_hWnd, EM_GETEVENTMASK, 0, 0);
    ::SendMessageA(m_body.m_hWnd, EM_SETEVENTMASK, 0, 0x703);
    m_body.ApplyNoteFormat();

    m_bodyBrush.Reset(::CreateSolidBrush(m_body.backColor));
    m_titleBrush.Reset(::CreateSolidBrush(m_titleBackColor));

    RebuildTitleFont();
    SetDefaultTitle();

    const RECT wr = GetWindowRect();
    ::SetWindowPos(GetDlgItem(IDC_CLOSE), nullptr, (wr.right - wr.left) - 14, 5, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!settings.IsOn(Switch::ShowCloseButton)) ::ShowWindow(GetDlgItem(IDC_CLOSE), SW_HIDE);

    ::SetTimer(m_hWnd, kCheckTimer, 20000, nullptr);

    m_user32 = ::LoadLibraryA("USER32.dll");
    const LONG_PTR ex = ::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetAlpha(255);

    ::SendMessageA(m_body.m_hWnd, EM_AUTOURLDETECT, TRUE, 0);
    ApplyLayout();
    return FALSE;
}

void CNoteDialog::PostNcDestroy() {
    if (m_user32) ::FreeLibrary(m_user32);
    m_user32 = nullptr;
    delete this;
}

void CNoteDialog::SetAlpha(BYTE alpha) {
    // Only these systems draw a layered note reliably while it is laid out.
    const std::string& os = OsFamily();
    if (os != "Windows 2000/XP" && os != "Windows 7/8") return;
    if (!m_user32) return;
    using SetLayeredFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    auto fn = reinterpret_cast<SetLayeredFn>(
        reinterpret_cast<void*>(::GetProcAddress(m_user32, "SetLayeredWindowAttributes")));
    if (!fn) return;
    fn(m_hWnd, 0, alpha, LWA_ALPHA);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
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
    if (fileName.empty()) WriteNoteRecord({}, r);
}

std::string CNoteDialog::TitleText() const {
    char buf[4096] = {};
    ::GetDlgItemTextA(m_hWnd, IDC_NOTE_TITLE, buf, sizeof buf);
    return buf;
}

void CNoteDialog::SetTitle(const std::string& text) {
    ::SetDlgItemTextA(m_hWnd, IDC_NOTE_TITLE, text.c_str());
    ::SetWindowTextA(m_hWnd, text.c_str());
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
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

void CNoteDialog::RebuildTitleFont() {
    LOGFONTA lf{};
    HDC dc = ::GetDC(m_hWnd);
    lf.lfHeight = -::MulDiv(m_titleFontSize, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    ::ReleaseDC(m_hWnd, dc);
    lstrcpynA(lf.lfFaceName, m_titleFontName.c_str(), LF_FACESIZE);
    lf.lfCharSet = m_titleCharSet;
    lf.lfWeight = Has(m_titleFontType, 'B') ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = Has(m_titleFontType, 'I');
    lf.lfUnderline = Has(m_titleFontType, 'U');
    lf.lfStrikeOut = Has(m_titleFontType, 'S');
    if (Has(m_titleFontType, 'L')) AlignTitle('L');
    if (Has(m_titleFontType, 'C')) AlignTitle('C');
    if (Has(m_titleFontType, 'R')) AlignTitle('R');
    CFont font(::CreateFontIndirectA(&lf));
    ::SendDlgItemMessageA(m_hWnd, IDC_NOTE_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    m_titleFont = std::move(font);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CNoteDialog::AlignTitle(char letter) {
    HWND title = GetDlgItem(IDC_NOTE_TITLE);
    LONG_PTR style = ::GetWindowLongPtrA(title, GWL_STYLE) & ~static_cast<LONG_PTR>(SS_TYPEMASK);
    style |= letter == 'L' ? SS_LEFT : letter == 'R' ? SS_RIGHT : SS_CENTER;
    ::SetWindowLongPtrA(title, GWL_STYLE, style);
    std::string text = Trimmed(TitleText());
    if (letter == 'L') text = " " + text;
    if (letter == 'R') text += " ";
    ::SetWindowTextA(title, text.c_str());
    std::string type;
    for (char c : m_titleFontType)
        if (c != 'L' && c != 'C' && c != 'R') type += c;
    m_titleFontType = type + letter;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CNoteDialog::SetBodyBackColor(COLORREF colour) {
    m_bodyBrush.Reset(::CreateSolidBrush(colour));
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CNoteDialog::SetTitleBackColor(COLORREF colour) {
    m_titleBackColor = colour;
    m_titleBrush.Reset(::CreateSolidBrush(colour));
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CNoteDialog::SetTitleTextColor(COLORREF colour) {
    m_titleTextColor = colour;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
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
    if (!m_body.m_hWnd || m_rolledUp) return;
    const RECT wr = GetWindowRect();
    const NoteLayout l = ComputeNoteLayout(wr.right - wr.left, wr.bottom - wr.top, m_border);
    ::MoveWindow(m_body.m_hWnd, l.body.left, l.body.top, l.body.Width(), l.body.Height(), TRUE);
    RECT fmt{l.bodyFormat.left, l.bodyFormat.top, l.bodyFormat.right, l.bodyFormat.bottom};
    ::SendMessageA(m_body.m_hWnd, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&fmt));
    ::MoveWindow(GetDlgItem(IDC_NOTE_TITLE), l.title.left, l.title.top, l.title.Width(), l.title.Height(), TRUE);
    ::SetWindowPos(GetDlgItem(IDC_CLOSE), nullptr, l.closeX, l.closeY, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CNoteDialog::ForceLayout() {
    const RECT wr = GetWindowRect();
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    ::SetWindowPos(m_hWnd, nullptr, wr.left, wr.top, w + 20, h + 20, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(m_hWnd, nullptr, wr.left, wr.top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyLayout();
}

void CNoteDialog::RollUp() {
    m_savedFrame = GetWindowRect();
    ApplyFrameStyle(true);
    const int w = m_savedFrame.right - m_savedFrame.left;
    m_rolledUp = true;
    ::SetWindowPos(m_hWnd, nullptr, m_savedFrame.left, m_savedFrame.top, w, kRolledUpHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    HWND rollDown = GetDlgItem(IDC_ROLLDOWN);
    ::SetWindowPos(rollDown, nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(rollDown, SW_SHOW);
    ::SetWindowPos(GetDlgItem(IDC_CLOSE), nullptr, w - 15, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CNoteDialog::RollDown() {
    ApplyFrameStyle(m_border);
    const RECT wr = GetWindowRect();
    const int w = m_savedFrame.right - m_savedFrame.left, h = m_savedFrame.bottom - m_savedFrame.top;
    m_rolledUp = false;
    ::SetWindowPos(m_hWnd, nullptr, wr.left, wr.top, w + 20, h + 20, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(m_hWnd, nullptr, wr.left, wr.top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyLayout();
    ::ShowWindow(GetDlgItem(IDC_ROLLDOWN), SW_HIDE);
}

void CNoteDialog::ToggleRoll() {
    if (m_rolledUp)
        RollDown();
    else
        RollUp();
}

void CNoteDialog::RefreshFromSettings() {
    SetAlpha(0);
    ::ShowWindow(GetDlgItem(IDC_CLOSE), CSettingsStore().IsOn(Switch::ShowCloseButton) ? SW_SHOW : SW_HIDE);
    ForceLayout();
    SetAlpha(255);
}

void CNoteDialog::OnTimer(UINT_PTR) {}

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

bool CNoteDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCHITTEST:
        result = HitTest(lParam, ::DefWindowProcA(m_hWnd, msg, wParam, lParam));
        return true;
    case WM_LBUTTONDOWN:
        // Any press on the strip itself drags the note like a caption would.
        ::PostMessageA(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
        return false;
    case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDBLCLK:
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
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_ROLLDOWN && HIWORD(wParam) == STN_CLICKED) {
            RollDown();
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}
