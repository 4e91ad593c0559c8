#include "note/NoteEdit.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>
#include <initializer_list>

#include "base/ProgramFlags.h"
#include "base/Seams.h"
#include "dialogs/ParagraphDialog.h"
#include "note/BodyMenuSlots.h"
#include "note/RtfFilter.h"
#include "res/resource.h"
#include "win/WinApp.h"
#include "win/OnDemand.h"
#include "win/Program.h"
#include "win/WindowTable.h"


namespace {


// Mask of the note font as the default character format: bold, italic,
// underline, size, colour, face and character set (no strikeout: "S" is
// kept in the style letters but not shown in the body).
constexpr DWORD kNoteFormatMask =
    CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET;
// The selected-font command leaves the colour alone.
constexpr DWORD kSelectionFontMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT |
                                     CFM_SIZE | CFM_FACE | CFM_CHARSET;
constexpr DWORD kEffectsMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;

UINT FindMessage() {
    static const UINT message = ::RegisterWindowMessageA(FINDMSGSTRINGA);
    return message;
}

class CSystemEditDialogs : public INoteEditDialogs {
public:
    bool AskFont(HWND owner, LOGFONTA& font, int& pointSizeTenths) override;
    bool AskColour(HWND owner, COLORREF& colour) override;
    bool AskParagraph(HWND owner, PARAFORMAT& format) override;
};

Seam<INoteEditDialogs> g_editDialogs;

bool CSystemEditDialogs::AskFont(HWND owner, LOGFONTA& font, int& pointSizeTenths) {
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;
    cf.lpLogFont = &font;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (!ondemand::ChooseFontA(&cf)) return false;
    pointSizeTenths = cf.iPointSize;
    return true;
}

bool CSystemEditDialogs::AskColour(HWND owner, COLORREF& colour) {
    static COLORREF custom[16] = {};
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = colour;
    cc.lpCustColors = custom;
    cc.Flags = CC_ANYCOLOR | CC_RGBINIT;
    if (!ondemand::ChooseColorA(&cc)) return false;
    colour = cc.rgbResult;
    return true;
}

bool CSystemEditDialogs::AskParagraph(HWND owner, PARAFORMAT& format) {
    CParagraphDialog dialog(format);
    if (dialog.DoModal(owner) != IDOK) return false;
    format = dialog.m_format;
    return true;
}

// The system font's description, the base of what the font dialog shows.
LOGFONTA SystemFontDescription() {
    LOGFONTA lf{};
    ::GetObjectA(::GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
    return lf;
}

std::string MenuText(HMENU menu, UINT command) {
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_STRING;
    if (!::GetMenuItemInfoA(menu, command, FALSE, &mi)) return {};
    std::string text(mi.cch + 1, '\0');
    mi.dwTypeData = text.data();
    mi.cch = static_cast<UINT>(text.size());
    if (!::GetMenuItemInfoA(menu, command, FALSE, &mi)) return {};
    text.resize(std::strlen(text.c_str()));
    return text;
}

void SetMenuText(HMENU menu, UINT command, const char* text) {
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_STRING;
    mi.dwTypeData = const_cast<char*>(text);
    ::SetMenuItemInfoA(menu, command, FALSE, &mi);
}

void Enable(HMENU menu, UINT command, bool enabled) {
    ::EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void Check(HMENU menu, UINT command, bool checked) {
    ::CheckMenuItem(menu, command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// Item pictures sit where the check mark goes. Items that can be checked show
// their picture only while unchecked, so that the check mark stays visible.
void SetPicture(HMENU menu, UINT item, UINT byFlag, int bitmapId, bool checkable = false) {
    HBITMAP picture = bitmapId ? MenuPicture(bitmapId) : nullptr;
    ::SetMenuItemBitmaps(menu, item, byFlag, picture, checkable ? nullptr : picture);
}

// The pop-up that holds command, and its position in parent.
HMENU SubMenuWith(HMENU parent, UINT command, int* position = nullptr) {
    const int count = ::GetMenuItemCount(parent);
    for (int i = 0; i < count; ++i) {
        HMENU sub = ::GetSubMenu(parent, i);
        if (sub && ::GetMenuState(sub, command, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
            if (position) *position = i;
            return sub;
        }
    }
    return nullptr;
}

int PositionOf(HMENU menu, UINT command) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (::GetMenuItemID(menu, i) == command) return i;
    return -1;
}

bool IsSeparatorAt(HMENU menu, int position) {
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE;
    return position >= 0 && ::GetMenuItemInfoA(menu, position, TRUE, &mi) && (mi.fType & MFT_SEPARATOR);
}

bool IsBuiltInTheme(UINT command) {
    switch (command) {
    case ID_THEME_DEFAULT: case ID_THEME_PINK: case ID_THEME_BLUE: case ID_THEME_GRAY:
    case ID_THEME_BROWN: case ID_THEME_GREEN: case ID_THEME_YELLOW: case ID_THEME_ORANGE:
    case ID_THEME_DARK_PINK: case ID_THEME_DARK_BLUE: case ID_THEME_DARK_GREEN:
    case ID_THEME_DARK_ORANGE:
        return true;
    default:
        return false;
    }
}

// Commands that concern the whole note: the note window carries them out.
bool IsNoteCommand(UINT command) {
    if (IsBuiltInTheme(command)) return true;
    if (command >= kFirstSavedThemeCommand && command < kFirstSavedThemeCommand + kSavedThemeSlots)
        return true;
    if (std::find(kGroupSlotCommands.begin(), kGroupSlotCommands.end(), command) != kGroupSlotCommands.end())
        return true;
    switch (command) {
    case ID_THEME_SAVE_AS: case ID_THEME_SAVE_DEFAULT: case ID_THEME_ORGANIZE: case ID_THEME_SAVE_SIZE:
    case ID_BODY_OPEN_FILE: case ID_BODY_SAVE_AS: case ID_BODY_SAVE_PICTURE:
    case ID_BODY_EXPORT_NOTE: case ID_BODY_IMPORT_NOTE:
    case ID_BODY_ALARM: case ID_BODY_EXPIRATION:
    case ID_SEND_OTHER: case ID_BODY_REPLY:
    case ID_BODY_PRINT: case ID_BODY_HIDE_NOTE: case ID_BODY_DELETE_NOTE:
        return true;
    default:
        return false;
    }
}

DWORD EffectBit(TextEffect effect) {
    switch (effect) {
    case TextEffect::Bold: return CFE_BOLD;
    case TextEffect::Italic: return CFE_ITALIC;
    case TextEffect::Underline: return CFE_UNDERLINE;
    case TextEffect::Strikeout: return CFE_STRIKEOUT;
    }
    return 0;
}

bool IsTopmost(HWND window) { return (::GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// Makes a top-level window topmost or not. Wine leaves the state unchanged
// for a window that owns pop-ups (the note's tooltip) or is owned itself: it
// places the window next to them and keeps their state. Without owners for
// the moment of the change it takes; the owners are put back at once.
void SetTopmost(HWND window, bool on) {
    const auto apply = [&] {
        ::SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return IsTopmost(window) == on;
    };
    if (apply()) return;
    struct Owned {
        HWND owner;
        std::vector<HWND> windows;
    } owned{window, {}};
    ::EnumThreadWindows(
        ::GetWindowThreadProcessId(window, nullptr),
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* o = reinterpret_cast<Owned*>(data);
            if (::GetWindow(hwnd, GW_OWNER) == o->owner) o->windows.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&owned));
    HWND owner = ::GetWindow(window, GW_OWNER);
    for (HWND hwnd : owned.windows) ::SetWindowLongPtrA(hwnd, GWLP_HWNDPARENT, 0);
    if (owner) ::SetWindowLongPtrA(window, GWLP_HWNDPARENT, 0);
    apply();
    if (owner) ::SetWindowLongPtrA(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    for (HWND hwnd : owned.windows)
        ::SetWindowLongPtrA(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(window));
}

struct StreamState {
    std::string* out = nullptr;
    const std::string* in = nullptr;
    size_t pos = 0;
};

DWORD CALLBACK StreamOutCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
    auto* state = reinterpret_cast<StreamState*>(cookie);
    state->out->append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
    *done = count;
    return 0;
}

DWORD CALLBACK StreamInCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
    auto* state = reinterpret_cast<StreamState*>(cookie);
    const size_t left = state->in->size() - state->pos;
    const size_t n = left < static_cast<size_t>(count) ? left : static_cast<size_t>(count);
    std::memcpy(buffer, state->in->data() + state->pos, n);
    state->pos += n;
    *done = static_cast<LONG>(n);
    return 0;
}

}  // namespace

INoteEditDialogs* SetNoteEditDialogs(INoteEditDialogs* dialogs) { return g_editDialogs.Install(dialogs); }

INoteEditDialogs& NoteEditDialogs() {
    static CSystemEditDialogs system;
    return g_editDialogs.Or(system);
}

CNoteEdit::CNoteEdit() = default;

// Loaded when first opened: a hundred notes at start-up would otherwise each
// build a menu of some sixty pictured items that most are never asked for.
HMENU CNoteEdit::BodyMenu() {
    if (!m_menu.GetSafeHmenu()) {
        m_menu.LoadMenu(::GetModuleHandleA(nullptr), IDR_BODYMENU);
        SetPictures();
    }
    return m_menu.GetSafeHmenu();
}

CNoteEdit::~CNoteEdit() { Detach(); }

void CNoteEdit::SetPictures() {
    HMENU popup = m_menu.Popup();
    if (!popup) return;
    static const struct {
        UINT command;
        int picture;
    } kPictures[] = {
        {ID_BODY_FONT, IDB_MENU_FONT}, {ID_BODY_TEXT_COLOR, IDB_MENU_TEXT_COLOR},
        {ID_BODY_NOTE_COLOR, IDB_MENU_NOTE_COLOR}, {ID_BODY_OPEN_FILE, IDB_MENU_OPEN_FILE},
        {ID_BODY_SAVE_AS, IDB_MENU_SAVE}, {ID_BODY_SAVE_PICTURE, IDB_MENU_SAVE_PICTURE},
        {ID_BODY_EXPORT_NOTE, IDB_MENU_EXPORT_NOTE}, {ID_BODY_IMPORT_NOTE, IDB_MENU_IMPORT_NOTE},
        {ID_BODY_UNDO, IDB_MENU_UNDO}, {ID_BODY_REDO, IDB_MENU_REDO}, {ID_BODY_CUT, IDB_MENU_CUT},
        {ID_BODY_COPY, IDB_MENU_COPY}, {ID_BODY_PASTE, IDB_MENU_PASTE},
        {ID_BODY_CLEAR, IDB_MENU_DELETE_TEXT}, {ID_BODY_SELECT_ALL, IDB_MENU_SELECT_ALL},
        {ID_BODY_FIND, IDB_MENU_FIND}, {ID_BODY_BOLD, IDB_MENU_BOLD}, {ID_BODY_ITALIC, IDB_MENU_ITALIC},
        {ID_BODY_UNDERLINE, IDB_MENU_UNDERLINE}, {ID_BODY_REGULAR, IDB_MENU_REGULAR},
        {ID_BODY_GROW, IDB_MENU_GROW_FONT}, {ID_BODY_SHRINK, IDB_MENU_SHRINK_FONT},
        {ID_BODY_LEFT, IDB_MENU_ALIGN_LEFT}, {ID_BODY_CENTER, IDB_MENU_ALIGN_CENTER},
        {ID_BODY_RIGHT, IDB_MENU_ALIGN_RIGHT}, {ID_BODY_PARAGRAPH, IDB_MENU_PARAGRAPH},
        {ID_BODY_UPPERCASE, IDB_MENU_UPPERCASE}, {ID_BODY_LOWERCASE, IDB_MENU_LOWERCASE},
        {ID_THEME_SAVE_AS, IDB_MENU_SAVE_THEME}, {ID_THEME_SAVE_DEFAULT, IDB_MENU_THEME_DEFAULT},
        {ID_THEME_ORGANIZE, IDB_MENU_ORGANIZE_THEMES}, {ID_THEME_SAVE_SIZE, IDB_MENU_SIZE_DEFAULT},
        {ID_BODY_ALARM, IDB_MENU_ALARM}, {ID_BODY_EXPIRATION, IDB_MENU_EXPIRE},
        {ID_SEND_OTHER, IDB_MENU_SEND_OTHER}, {ID_BODY_REPLY, IDB_MENU_REPLY},
        {ID_BODY_PRINT, IDB_MENU_PRINT}, {ID_BODY_HIDE_NOTE, IDB_MENU_HIDE_NOTE},
        {ID_BODY_DELETE_NOTE, IDB_MENU_DELETE_NOTE},
    };
    for (const auto& p : kPictures) SetPicture(popup, p.command, MF_BYCOMMAND, p.picture);
    for (UINT command : {ID_THEME_DEFAULT, ID_THEME_PINK, ID_THEME_BLUE, ID_THEME_GRAY, ID_THEME_BROWN,
                         ID_THEME_GREEN, ID_THEME_YELLOW, ID_THEME_ORANGE, ID_THEME_DARK_PINK,
                         ID_THEME_DARK_BLUE, ID_THEME_DARK_GREEN, ID_THEME_DARK_ORANGE})
        SetPicture(popup, command, MF_BYCOMMAND, IDB_MENU_THEME);
    for (UINT command : {ID_BODY_BULLETS, ID_BODY_BORDER, ID_BODY_STAY_ON_TOP}) {
        const int picture = command == ID_BODY_BULLETS ? IDB_MENU_BULLETS
                            : command == ID_BODY_BORDER ? IDB_MENU_BORDER
                                                        : IDB_MENU_STAY_ON_TOP;
        SetPicture(popup, command, MF_BYCOMMAND, picture, true);
    }
    // The sub-menus themselves, found by one command each.
    static const struct {
        UINT member;
        int picture;
    } kSubMenus[] = {{ID_BODY_OPEN_FILE, IDB_MENU_OPEN_FILE}, {ID_BODY_UNDO, IDB_MENU_EDIT_TITLE},
                     {ID_BODY_BOLD, IDB_MENU_REGULAR}, {ID_THEME_SAVE_AS, IDB_MENU_THEME},
                     {ID_SEND_OTHER, IDB_MENU_SEND}};
    for (const auto& s : kSubMenus) {
        int position = -1;
        if (SubMenuWith(popup, s.member, &position))
            SetPicture(popup, static_cast<UINT>(position), MF_BYPOSITION, s.picture);
    }
}

namespace {
// The body's own window procedure and the object that answers for it. The
// object is gone (null) when it let go of a window that another subclass
// has since been put over; the procedure then only passes messages on.
struct BodyHook {
    CNoteEdit* self = nullptr;
    WNDPROC previous = nullptr;
};
CWindowTable<BodyHook>& BodyHooks() {
    static auto* table = new CWindowTable<BodyHook>;
    return *table;
}
}  // namespace

// Subclassed directly rather than through SetWindowSubclass, which finds its
// data through a window property for every message: under Wine a round trip
// to the window server, dozens of times for each note that is opened. The
// procedure is a Unicode one, as the common controls' subclass procedure is.
void CNoteEdit::Attach(HWND hwnd, INoteWindowForBody* host) {
    Detach();
    m_hWnd = hwnd;
    m_host = host;
    if (!m_hWnd) return;
    const auto previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC));
    BodyHooks().Bind(m_hWnd, BodyHook{this, previous});
    m_previousProc = previous;
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BodyProc));
}

void CNoteEdit::Detach() {
    CloseFind();
    if (m_hWnd) {
        if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC)) == BodyProc) {
            ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
            BodyHooks().Unbind(m_hWnd);
        } else {
            BodyHooks().Bind(m_hWnd, BodyHook{nullptr, m_previousProc});
        }
    }
    m_hWnd = nullptr;
}

LRESULT CNoteEdit::CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) const {
    return ::CallWindowProcW(m_previousProc, m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CNoteEdit::BodyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const BodyHook hook = BodyHooks().Find(hwnd);
    if (!hook.previous) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        BodyHooks().Unbind(hwnd);
        if (hook.self) {
            hook.self->CloseFind();
            hook.self->m_hWnd = nullptr;
        }
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook.previous));
        return ::CallWindowProcW(hook.previous, hwnd, msg, wParam, lParam);
    }
    bool handled = false;
    // The object may be gone when a command returns (the note deleted):
    // only the copy of the hook is used after it.
    const LRESULT result = hook.self ? hook.self->OnMessage(msg, wParam, lParam, handled) : 0;
    return handled ? result : ::CallWindowProcW(hook.previous, hwnd, msg, wParam, lParam);
}

LRESULT CNoteEdit::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (msg == FindMessage()) {
        handled = true;
        if (lParam) OnFindMessage(*reinterpret_cast<const FINDREPLACEA*>(lParam));
        return 0;
    }
    switch (msg) {
    case WM_GETDLGCODE:
        // Without this the dialog selects the whole body whenever the note
        // is activated, and the next key replaces all of the note's text.
        handled = true;
        return CallPrevious(msg, wParam, lParam) & ~static_cast<LRESULT>(DLGC_HASSETSEL);
    case WM_NCHITTEST: {
        // The body reaches to within two pixels of the note's edges, over the
        // note's sizing zones: there the note answers, so the zones keep
        // their width and the system offers the sizing cursors.
        const LRESULT zone = ::SendMessageA(::GetParent(m_hWnd), WM_NCHITTEST, wParam, lParam);
        if (zone < HTLEFT || zone > HTBOTTOMRIGHT) return 0;
        handled = true;
        return HTTRANSPARENT;
    }
    case WM_RBUTTONDOWN: {
        BuildBodyMenu();
        return 0;  // not handled: default processing follows
    }
    case WM_COMMAND:
        if (lParam == 0 && HIWORD(wParam) == 0) {
            // The note may be gone when a forwarded command returns (delete,
            // send with "delete after send"): nothing of this object is
            // touched afterwards.
            handled = ExecuteCommand(LOWORD(wParam));
        }
        return 0;
    case WM_KILLFOCUS: {
        const LRESULT result = CallPrevious(msg, wParam, lParam);
        handled = true;
        if (m_host) m_host->StoreNote();
        return result;
    }
    case WM_WINDOWPOSCHANGED: {
        const LRESULT result = CallPrevious(msg, wParam, lParam);
        handled = true;
        if (!g_showScrollBar) ::ShowScrollBar(m_hWnd, SB_VERT, FALSE);
        return result;
    }
    default:
        return 0;
    }
}

// ---- Body content -------------------------------------------------------------

std::string CNoteEdit::GetBodyRtf() const {
    std::string rtf;
    StreamState state;
    state.out = &rtf;
    EDITSTREAM es{};
    es.dwCookie = reinterpret_cast<DWORD_PTR>(&state);
    es.pfnCallback = StreamOutCallback;
    ::SendMessageA(m_hWnd, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&es));
    // Some RichEdit versions deliver a terminating NUL with the last chunk;
    // it is not part of the text and no data file could hold it.
    const auto nul = rtf.find('\0');
    if (nul != std::string::npos) rtf.resize(nul);
    return rtf;
}

bool CNoteEdit::SetBodyRtf(const std::string& text) {
    // Every body passes the filter on its way into the control, a stored one
    // too: a note that came in before there was a filter must not end the
    // program at every start. Only outside text is cut to a size.
    const std::string rtf = FilterOutsideRtf(text, SIZE_MAX);
    StreamState state;
    state.in = &rtf;
    EDITSTREAM es{};
    es.dwCookie = reinterpret_cast<DWORD_PTR>(&state);
    es.pfnCallback = StreamInCallback;
    // Text that is not RTF (a damaged record, a plain-text note) still shows
    // as text rather than as nothing.
    const bool isRtf = rtf.compare(0, 5, "{\\rtf") == 0;
    ::SendMessageA(m_hWnd, EM_STREAMIN, isRtf ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&es));
    return es.dwError == 0;
}

// The system's resolution, the same for every window of this program and
// fixed for the session: asked once, not twice for every note built.
int ScreenPixelsPerInch() {
    static const int ppi = [] {
        HDC dc = ::GetDC(nullptr);
        const int value = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc) ::ReleaseDC(nullptr, dc);
        return value > 0 ? value : 96;
    }();
    return ppi;
}

int CNoteEdit::PixelsPerInch() const { return ScreenPixelsPerInch(); }

void CNoteEdit::ApplyNoteFormat(bool coloursOnly) {
    if (!coloursOnly) {
        CHARFORMATA cf{};
        cf.cbSize = sizeof cf;
        ::SendMessageA(m_hWnd, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
        cf.dwMask = kNoteFormatMask;
        std::transform(fontType.begin(), fontType.end(), fontType.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        auto has = [&](char c) { return fontType.find(c) != std::string::npos; };
        cf.dwEffects = 0;
        if (has('B')) cf.dwEffects |= CFE_BOLD;
        if (has('I')) cf.dwEffects |= CFE_ITALIC;
        if (has('U')) cf.dwEffects |= CFE_UNDERLINE;
        cf.yHeight = PointsThroughPixels(fontSize, PixelsPerInch()) * 20;
        cf.crTextColor = textColor;
        cf.bCharSet = charSet;
        cf.bPitchAndFamily = 0;
        // Face names longer than 31 characters are cut to what the format holds.
        lstrcpynA(cf.szFaceName, fontName.c_str(), LF_FACESIZE);
        ::SendMessageA(m_hWnd, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    }
    ::SendMessageA(m_hWnd, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(backColor));
}

bool CNoteEdit::HasSelection() const {
    return ::SendMessageA(m_hWnd, EM_SELECTIONTYPE, 0, 0) != SEL_EMPTY;
}

bool CNoteEdit::IsStayOnTop() const {
    HWND root = m_hWnd ? ::GetAncestor(m_hWnd, GA_ROOT) : nullptr;
    return root && IsTopmost(root);
}

// ---- The body menu --------------------------------------------------------------

HMENU CNoteEdit::PrepareBodyMenu() {
    BodyMenu();
    HMENU popup = m_menu.Popup();
    if (!popup) return nullptr;

    if (m_host) m_host->StoreNote();

    // The check mark shows the note window's real z-order.
    m_stayOnTop = IsStayOnTop();
    Check(popup, ID_BODY_STAY_ON_TOP, m_stayOnTop);

    const bool border = m_host && m_host->HasBorder();
    SetMenuText(popup, ID_BODY_BORDER, border ? "Remove border" : "Set border");
    Check(popup, ID_BODY_BORDER, border);

    const bool selection = HasSelection();
    SetMenuText(popup, ID_BODY_FONT, selection ? "Selected Font" : "Font");
    SetMenuText(popup, ID_BODY_TEXT_COLOR, selection ? "Selected Text color" : "Text color");

    int sendPosition = -1;
    HMENU sendMenu = SubMenuWith(popup, ID_SEND_OTHER, &sendPosition);
    const bool hasReply = ::GetMenuState(popup, ID_BODY_REPLY, MF_BYCOMMAND) != static_cast<UINT>(-1);
    if (replyOffered) {
        const std::string text = "Reply to " + replyTo;
        if (!hasReply && sendPosition >= 0) {
            ::InsertMenuA(popup, static_cast<UINT>(sendPosition + 1), MF_BYPOSITION | MF_STRING,
                          ID_BODY_REPLY, text.c_str());
            SetPicture(popup, ID_BODY_REPLY, MF_BYCOMMAND, IDB_MENU_REPLY);
        }
        SetMenuText(popup, ID_BODY_REPLY, text.c_str());
    } else if (hasReply) {
        ::DeleteMenu(popup, ID_BODY_REPLY, MF_BYCOMMAND);
    }

    if (sendMenu) RebuildGroupSlots(sendMenu);
    if (HMENU themeMenu = SubMenuWith(popup, ID_THEME_SAVE_AS)) RebuildThemeSlots(themeMenu);

    const bool mailCheck = g_emailCheckRunning;
    if (sendPosition >= 0)
        ::EnableMenuItem(popup, static_cast<UINT>(sendPosition),
                         MF_BYPOSITION | (mailCheck ? MF_GRAYED : MF_ENABLED));
    if (replyOffered) Enable(popup, ID_BODY_REPLY, !mailCheck);

    Enable(popup, ID_BODY_UNDO, ::SendMessageA(m_hWnd, EM_CANUNDO, 0, 0) != 0);
    Enable(popup, ID_BODY_REDO, m_redoAvailable);
    for (UINT command : {ID_BODY_CUT, ID_BODY_COPY, ID_BODY_CLEAR, ID_BODY_UPPERCASE, ID_BODY_LOWERCASE})
        Enable(popup, command, selection);
    Enable(popup, ID_BODY_PASTE, ::SendMessageA(m_hWnd, EM_CANPASTE, 0, 0) != 0);

    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    ::SendMessageA(m_hWnd, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    const bool bullets = pf.wNumbering == PFN_BULLET;
    SetMenuText(popup, ID_BODY_BULLETS, bullets ? "Remove bullet style" : "Bullet style");
    Check(popup, ID_BODY_BULLETS, bullets);

    Enable(popup, ID_SEND_OTHER, g_networkAvailable);
    return popup;
}

void CNoteEdit::RebuildGroupSlots(HMENU sendMenu) {
    ::DeleteMenu(sendMenu, kGroupPlaceholderCommand, MF_BYCOMMAND);
    for (auto it = kGroupSlotCommands.rbegin(); it != kGroupSlotCommands.rend(); ++it)
        ::DeleteMenu(sendMenu, *it, MF_BYCOMMAND);
    ::AppendMenuA(sendMenu, MF_STRING, kGroupPlaceholderCommand, "List 21");

    const GroupSlots groups = ReadGroupSlots();
    if (!groups.anyGroup) {
        SetMenuText(sendMenu, kGroupPlaceholderCommand, "Saved group");
        Enable(sendMenu, kGroupPlaceholderCommand, false);
        return;
    }
    for (const GroupSlot& slot : groups.slots) {
        ::InsertMenuA(sendMenu, kGroupPlaceholderCommand, MF_BYCOMMAND | MF_STRING, slot.command,
                      slot.name.c_str());
        const int picture = slot.picture == GroupPicture::Recipient ? IDB_MENU_RECIPIENT
                            : slot.picture == GroupPicture::Group   ? IDB_MENU_GROUP
                                                                    : 0;
        SetPicture(sendMenu, slot.command, MF_BYCOMMAND, picture);
    }
    ::DeleteMenu(sendMenu, kGroupPlaceholderCommand, MF_BYCOMMAND);
}

void CNoteEdit::RebuildThemeSlots(HMENU themeMenu) {
    for (UINT command = kThemePlaceholderCommand; command >= kFirstSavedThemeCommand; --command)
        ::DeleteMenu(themeMenu, command, MF_BYCOMMAND);
    // The separator that ends the theme list goes and comes back after the
    // saved themes.
    const int saveAs = PositionOf(themeMenu, ID_THEME_SAVE_AS);
    if (IsSeparatorAt(themeMenu, saveAs - 1))
        ::DeleteMenu(themeMenu, static_cast<UINT>(saveAs - 1), MF_BYPOSITION);
    ::InsertMenuA(themeMenu, ID_THEME_SAVE_AS, MF_BYCOMMAND | MF_STRING, kThemePlaceholderCommand, "Theme 21");
    ::InsertMenuA(themeMenu, ID_THEME_SAVE_AS, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);

    for (const ThemeSlot& slot : ReadThemeSlots()) {
        ::InsertMenuA(themeMenu, kThemePlaceholderCommand, MF_BYCOMMAND | MF_STRING, slot.command,
                      slot.name.c_str());
        SetPicture(themeMenu, slot.command, MF_BYCOMMAND, IDB_MENU_THEME);
    }
    ::DeleteMenu(themeMenu, kThemePlaceholderCommand, MF_BYCOMMAND);
}

void CNoteEdit::BuildBodyMenu() {
    HMENU popup = PrepareBodyMenu();
    if (!popup) return;
    HWND root = ::GetAncestor(m_hWnd, GA_ROOT);
    ::SetForegroundWindow(root ? root : m_hWnd);
    POINT pt{};
    ::GetCursorPos(&pt);
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
}

bool CNoteEdit::ExecuteCommand(UINT command) {
    switch (command) {
    case ID_BODY_FONT:
        HasSelection() ? ChooseSelectionFont() : ChooseNoteFont();
        return true;
    case ID_BODY_TEXT_COLOR:
        HasSelection() ? ChooseSelectionTextColor() : ChooseNoteTextColor();
        return true;
    case ID_BODY_NOTE_COLOR:
        ChooseNoteColor();
        return true;
    case ID_BODY_UNDO:
        ::SendMessageA(m_hWnd, EM_UNDO, 0, 0);
        m_redoAvailable = true;
        return true;
    case ID_BODY_REDO:
        // A control with one undo step takes the undo back with a second
        // undo; one with an undo history needs the redo request for that.
        if (::SendMessageA(m_hWnd, EM_CANREDO, 0, 0))
            ::SendMessageA(m_hWnd, EM_REDO, 0, 0);
        else
            ::SendMessageA(m_hWnd, EM_UNDO, 0, 0);
        m_redoAvailable = false;
        return true;
    case ID_BODY_CUT:
        ::SendMessageA(m_hWnd, WM_CUT, 0, 0);
        return true;
    case ID_BODY_COPY:
        ::SendMessageA(m_hWnd, WM_COPY, 0, 0);
        return true;
    case ID_BODY_PASTE:
        ::SendMessageA(m_hWnd, WM_PASTE, 0, 0);
        return true;
    case ID_BODY_CLEAR:
        ::SendMessageA(m_hWnd, WM_CLEAR, 0, 0);
        return true;
    case ID_BODY_SELECT_ALL: {
        CHARRANGE all{0, -1};
        ::SendMessageA(m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
        return true;
    }
    case ID_BODY_FIND:
        OpenFind();
        return true;
    case ID_BODY_BOLD:
        ToggleSelectionEffect(TextEffect::Bold);
        return true;
    case ID_BODY_ITALIC:
        ToggleSelectionEffect(TextEffect::Italic);
        return true;
    case ID_BODY_UNDERLINE:
        ToggleSelectionEffect(TextEffect::Underline);
        return true;
    case ID_BODY_REGULAR:
        ClearSelectionEffects();
        return true;
    case ID_BODY_GROW:
    case ID_BODY_SHRINK:
        StepSelectionSize(command == ID_BODY_GROW);
        return true;
    case ID_BODY_LEFT:
        SetAlignment(PFA_LEFT);
        return true;
    case ID_BODY_CENTER:
        SetAlignment(PFA_CENTER);
        return true;
    case ID_BODY_RIGHT:
        SetAlignment(PFA_RIGHT);
        return true;
    case ID_BODY_PARAGRAPH:
        EditParagraph();
        return true;
    case ID_BODY_BULLETS:
        ToggleBullets();
        return true;
    case ID_BODY_UPPERCASE:
    case ID_BODY_LOWERCASE:
        ConvertSelectionCase(command == ID_BODY_UPPERCASE);
        return true;
    case ID_BODY_BORDER:
        if (m_host) m_host->SetBorder(!m_host->HasBorder());
        return true;
    case ID_BODY_STAY_ON_TOP:
        ToggleStayOnTop();
        return true;
    default:
        break;
    }
    if (!IsNoteCommand(command)) return false;
    lastMenuItemText = MenuText(BodyMenu(), command);
    // Last: the host may destroy the note, and this object with it.
    if (m_host) m_host->OnNoteCommand(command);
    return true;
}

// ---- Fonts and colours ----------------------------------------------------------

void CNoteEdit::ChooseNoteFont() {
    LOGFONTA lf = SystemFontDescription();
    auto has = [&](char c) { return fontType.find(c) != std::string::npos; };
    lstrcpynA(lf.lfFaceName, fontName.c_str(), LF_FACESIZE);
    lf.lfHeight = -::MulDiv(fontSize, PixelsPerInch(), 72);
    lf.lfCharSet = charSet;
    lf.lfWeight = has('B') ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = has('I');
    lf.lfUnderline = has('U');
    lf.lfStrikeOut = has('S');
    int tenths = 0;
    if (!NoteEditDialogs().AskFont(m_hWnd, lf, tenths)) return;
    fontName = lf.lfFaceName;
    // A size the dialog could not report keeps the note readable.
    fontSize = std::max(tenths / 10, 1);
    charSet = lf.lfCharSet;
    fontType = FontTypeFromChoice(lf.lfWeight, lf.lfItalic, lf.lfUnderline, lf.lfStrikeOut);
    ApplyNoteFormat();
}

void CNoteEdit::ChooseSelectionFont() {
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    ::SendMessageA(m_hWnd, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    cf.dwMask = kSelectionFontMask;
    LOGFONTA lf = SystemFontDescription();
    lstrcpynA(lf.lfFaceName, cf.szFaceName, LF_FACESIZE);
    lf.lfHeight = ::MulDiv(-(cf.yHeight / 20), PixelsPerInch(), 72);
    lf.lfCharSet = cf.bCharSet;
    lf.lfWeight = (cf.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (cf.dwEffects & CFE_ITALIC) != 0;
    lf.lfUnderline = (cf.dwEffects & CFE_UNDERLINE) != 0;
    lf.lfStrikeOut = (cf.dwEffects & CFE_STRIKEOUT) != 0;
    int tenths = 0;
    if (!NoteEditDialogs().AskFont(m_hWnd, lf, tenths)) return;
    lstrcpynA(cf.szFaceName, lf.lfFaceName, LF_FACESIZE);
    cf.yHeight = std::max(tenths / 10, 1) * 20;
    cf.bCharSet = lf.lfCharSet;
    cf.dwEffects &= ~kEffectsMask;
    if (lf.lfWeight == FW_BOLD) cf.dwEffects |= CFE_BOLD;
    if (lf.lfItalic) cf.dwEffects |= CFE_ITALIC;
    if (lf.lfUnderline) cf.dwEffects |= CFE_UNDERLINE;
    if (lf.lfStrikeOut) cf.dwEffects |= CFE_STRIKEOUT;
    ::SendMessageA(m_hWnd, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

void CNoteEdit::ChooseNoteTextColor() {
    COLORREF colour = textColor;
    if (!NoteEditDialogs().AskColour(m_hWnd, colour)) return;
    textColor = colour;
    ApplyNoteFormat();
}

void CNoteEdit::ChooseSelectionTextColor() {
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    ::SendMessageA(m_hWnd, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    COLORREF colour = cf.crTextColor;
    if (!NoteEditDialogs().AskColour(m_hWnd, colour)) return;
    cf.dwMask = CFM_COLOR;
    cf.dwEffects &= ~CFE_AUTOCOLOR;
    cf.crTextColor = colour;
    ::SendMessageA(m_hWnd, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

void CNoteEdit::ChooseNoteColor() {
    COLORREF colour = backColor;
    if (!NoteEditDialogs().AskColour(m_hWnd, colour)) return;
    backColor = colour;
    ApplyNoteFormat(true);
    if (m_host) m_host->SetBodyBackColor(colour);
}

// ---- Selection formats ---------------------------------------------------------

void CNoteEdit::ToggleSelectionEffect(TextEffect effect) {
    const DWORD bit = EffectBit(effect);
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    ::SendMessageA(m_hWnd, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    cf.dwEffects = (cf.dwEffects & bit) ? 0 : bit;
    cf.dwMask = bit;
    ::SendMessageA(m_hWnd, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

void CNoteEdit::ClearSelectionEffects() {
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = kEffectsMask;
    cf.dwEffects = 0;
    ::SendMessageA(m_hWnd, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

void CNoteEdit::StepSelectionSize(bool increase) {
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    ::SendMessageA(m_hWnd, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    cf.yHeight = StepFontHeight(cf.yHeight, increase, PixelsPerInch());
    cf.dwMask = CFM_SIZE;
    ::SendMessageA(m_hWnd, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

void CNoteEdit::SetAlignment(WORD alignment) {
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    pf.dwMask = PFM_ALIGNMENT;
    pf.wAlignment = alignment;
    ::SendMessageA(m_hWnd, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
}

void CNoteEdit::ToggleBullets() {
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    ::SendMessageA(m_hWnd, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    pf.wNumbering = pf.wNumbering == PFN_BULLET ? 0 : PFN_BULLET;
    pf.dwMask = PFM_NUMBERING;
    ::SendMessageA(m_hWnd, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
}

void CNoteEdit::EditParagraph() {
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    ::SendMessageA(m_hWnd, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    if (!NoteEditDialogs().AskParagraph(m_hWnd, pf)) return;
    pf.cbSize = sizeof pf;
    ::SendMessageA(m_hWnd, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
}

void CNoteEdit::ConvertSelectionCase(bool upper) {
    CHARRANGE sel{};
    ::SendMessageA(m_hWnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    if (sel.cpMax <= sel.cpMin) return;
    // Room for two bytes a character: the selection may hold double-byte text.
    std::string text(static_cast<size_t>(sel.cpMax - sel.cpMin) * 2 + 1, '\0');
    const LRESULT got = ::SendMessageA(m_hWnd, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::strlen(text.c_str()));
    if (got <= 0 || text.empty()) return;
    if (upper)
        ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    else
        ::CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    ::SendMessageA(m_hWnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    // The converted text stays selected, ready for the next command.
    ::SendMessageA(m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&sel));
}

// ---- Stay on top -------------------------------------------------------------

void CNoteEdit::ToggleStayOnTop() {
    HWND root = ::GetAncestor(m_hWnd, GA_ROOT);
    if (!root) return;
    const bool topmost = IsStayOnTop();
    SetTopmost(root, !topmost);
    g_stayOnTopFlag = topmost;
    m_stayOnTop = IsStayOnTop();
}

// ---- Find ------------------------------------------------------------------------

void CNoteEdit::OpenFind() {
    if (!m_hWnd) return;
    if (m_findDialog && ::IsWindow(m_findDialog)) {
        ::SetActiveWindow(m_findDialog);
        return;
    }
    m_findWhat[0] = '\0';
    CHARRANGE sel{};
    ::SendMessageA(m_hWnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    if (sel.cpMax > sel.cpMin) {
        std::string text(static_cast<size_t>(sel.cpMax - sel.cpMin) * 2 + 1, '\0');
        ::SendMessageA(m_hWnd, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text.data()));
        lstrcpynA(m_findWhat, text.c_str(), sizeof m_findWhat);
    }
    m_find = FINDREPLACEA{};
    m_find.lStructSize = sizeof m_find;
    m_find.hwndOwner = m_hWnd;
    m_find.Flags = FR_DOWN;
    m_find.lpstrFindWhat = m_findWhat;
    m_find.wFindWhatLen = sizeof m_findWhat;
    m_findDialog = ondemand::FindTextA(&m_find);
    if (m_findDialog)
        if (CWinApp* app = CWinApp::Instance()) app->AddModeless(m_findDialog);
}

void CNoteEdit::CloseFind() {
    if (!m_findDialog) return;
    HWND dialog = m_findDialog;
    m_findDialog = nullptr;
    if (CWinApp* app = CWinApp::Instance()) app->RemoveModeless(dialog);
    if (::IsWindow(dialog)) ::DestroyWindow(dialog);
}

void CNoteEdit::OnFindMessage(const FINDREPLACEA& request) {
    if (request.Flags & FR_DIALOGTERM) {
        if (CWinApp* app = CWinApp::Instance()) app->RemoveModeless(m_findDialog);
        m_findDialog = nullptr;
        return;
    }
    if (!(request.Flags & FR_FINDNEXT) || !request.lpstrFindWhat || !*request.lpstrFindWhat) return;
    CHARRANGE sel{};
    ::SendMessageA(m_hWnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    FINDTEXTEXA ft{};
    if (request.Flags & FR_DOWN)
        ft.chrg = {sel.cpMax, -1};
    else
        ft.chrg = {0, sel.cpMin};
    if (ft.chrg.cpMax == 0) return;  // nothing before the start of the text
    ft.lpstrText = request.lpstrFindWhat;
    // Both directions search forwards through their range: upwards finds the
    // first match before the selection, counted from the beginning.
    const WPARAM flags = (request.Flags & (FR_WHOLEWORD | FR_MATCHCASE)) | FR_DOWN;
    const LRESULT start = ::SendMessageA(m_hWnd, EM_FINDTEXTEX, flags, reinterpret_cast<LPARAM>(&ft));
    if (start < 0) return;
    // The length in characters, not bytes: double-byte text counts once.
    const int length = ::MultiByteToWideChar(CP_ACP, 0, request.lpstrFindWhat, -1, nullptr, 0) - 1;
    CHARRANGE match{static_cast<LONG>(start), static_cast<LONG>(start) + std::max(length, 0)};
    ::SendMessageA(m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&match));
    ::SendMessageA(m_hWnd, EM_SCROLLCARET, 0, 0);
}
