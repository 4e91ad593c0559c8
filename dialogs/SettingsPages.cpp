#include "dialogs/SettingsPages.h"

#include <commctrl.h>
#include <commdlg.h>

#include <iterator>

#include "base/Clock.h"
#include "base/ProgramFlags.h"
#include "dialogs/DialogLogic.h"
#include "dialogs/PasswordDialog.h"
#include "dialogs/SettingsLogic.h"
#include "net/NetUtil.h"
#include "win/Program.h"
#include "net/SendNoteDialog.h"
#include "note/BuiltInThemes.h"
#include "note/OrganizeThemesDialog.h"
#include "res/resource.h"
#include "store/SettingsStore.h"
#include "win/DialogSupport.h"
#include "win/WinApp.h"
#include "win/OnDemand.h"
#include "win/Program.h"

namespace {

std::string WindowText(HWND hwnd) {
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

int ComboIndex(HWND dialog, int id) {
    return static_cast<int>(::SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

template <std::size_t N>
void FillCombo(HWND dialog, int id, const char* const (&items)[N]) {
    for (const char* item : items)
        ::SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
}

LOGFONTA SampleLogFont(const std::string& face, int points, const std::string& letters, std::uint8_t charSet) {
    HDC dc = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(nullptr, dc);
    const FontStyle style = StyleFromLetters(letters);
    LOGFONTA lf{};
    lf.lfHeight = -::MulDiv(points, dpi, 72);
    lf.lfWeight = style.weight;
    lf.lfItalic = style.italic;
    lf.lfUnderline = style.underline;
    lf.lfStrikeOut = style.strikeOut;
    lf.lfCharSet = charSet;
    lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    return lf;
}

// ---- tooltips ----------------------------------------------------------------------

const char kTipScroll[] = "Choose if you want vertical scrollbar to be visible on note if text doesn't fit in it.";
const char kTipClose[] = "Choose do you want Close button on note title in top right corner to be visible.";
const char kTipCloseMenu[] =
    "If you choose Yes click on the Close button will close and delete note. No menu will be shown.";
const char kTipAskDelete[] = "Choose do you want confirmation question when deleting note.";
const char kTipTaskbar[] = "If you choose Yes all notes will have own window box on the Windows Taskbar.";
const char kTipRandom[] = "Select do you want program to randomly choose theme for new note.";

const char kTipBorder[] = "If you choose Yes default and new note will have border line at the edge.";
const char kTipTitle[] = "Select default title for new note (date title or custom text title).";
const char kTipAlign[] = "Select default title align for new note.";

const char kTipReadStart[] =
    "Choose do you want program to read network neighborhood at start or on user request.";
const char kTipEmailStart[] =
    "Choose do you want program to check for new email notes at start or on user request.";
const char kTipSendError[] =
    "If some of your note recipients did not receive note error message will appear. Choose No if you don't want "
    "that information.";
const char kTipAskReply[] =
    "When Reply to someone confirmation question will appear. Choose No if you don't want that.";
const char kTipAttach[] = "Choose if you want program to create and attach note picture to send note email.";
const char kTipSound[] = "Select do you want program to play sound when note is received.";

}  // namespace

// ---- CColorLabel -------------------------------------------------------------------------

void CColorLabel::SetBkColor(COLORREF color) {
    m_back = color == static_cast<COLORREF>(-1) ? CLR_INVALID : color;
    m_brush.Reset();
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CColorLabel::SetTextColor(COLORREF color) {
    m_text = color == static_cast<COLORREF>(-1) ? CLR_INVALID : color;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

COLORREF CColorLabel::GetBkColor() const { return m_back == CLR_INVALID ? ::GetSysColor(COLOR_BTNFACE) : m_back; }
COLORREF CColorLabel::GetTextColor() const { return m_text == CLR_INVALID ? ::GetSysColor(COLOR_BTNTEXT) : m_text; }

void CColorLabel::SetFont(HFONT font) {
    if (m_hWnd) ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    m_font.Reset(font);  // the old font goes only after the control let go of it
}

void CColorLabel::SetText(const std::string& text) {
    if (m_hWnd) ::SetWindowTextA(m_hWnd, text.c_str());
}

HBRUSH CColorLabel::OnCtlColor(HDC dc) {
    if (!m_brush) m_brush.Reset(::CreateSolidBrush(GetBkColor()));
    ::SetBkColor(dc, GetBkColor());
    ::SetTextColor(dc, GetTextColor());
    return m_brush.Get();
}

// ---- CSettingsPage ---------------------------------------------------------------------------

CSettingsPage::CSettingsPage(UINT templateId, int pictureId, int pictureControl, int tipWidth)
    : CDialog(templateId), m_pictureId(pictureId), m_pictureControl(pictureControl), m_tipWidth(tipWidth) {}

BOOL CSettingsPage::OnInitDialog() {
    m_picture.Reset(static_cast<HBITMAP>(
        ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(m_pictureId), IMAGE_BITMAP, 0, 0, 0)));
    ::SendDlgItemMessageA(m_hWnd, m_pictureControl, STM_SETIMAGE, IMAGE_BITMAP,
                          reinterpret_cast<LPARAM>(m_picture.Get()));
    return TRUE;
}

// The tools subclass their controls, so the tips follow the mouse inside the
// sheet's modal loop without a relay of our own.
void CSettingsPage::CreateTips(const PageTip* tips, std::size_t count) {
    m_toolTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, ResourceInstance(),
                                  nullptr);
    if (!m_toolTip) return;
    for (std::size_t i = 0; i < count; ++i) {
        HWND control = GetDlgItem(tips[i].id);
        if (!control) continue;
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = m_hWnd;
        ti.uId = reinterpret_cast<UINT_PTR>(control);
        ti.lpszText = const_cast<char*>(tips[i].text.c_str());
        ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    ::SendMessageA(m_toolTip, TTM_SETTIPBKCOLOR, 0x00AFFFFF, 0);
    ::SendMessageA(m_toolTip, TTM_SETMAXTIPWIDTH, 0, m_tipWidth);
    ::SendMessageA(m_toolTip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 600);
    ::SendMessageA(m_toolTip, TTM_ACTIVATE, TRUE, 0);
}

BOOL CSettingsPage::PreTranslateMessage(MSG* msg) {
    if (msg->message != WM_KEYDOWN || (msg->wParam != VK_RETURN && msg->wParam != VK_ESCAPE)) return FALSE;
    // An open drop-down list still closes with these keys.
    char cls[16] = {};
    ::GetClassNameA(msg->hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "ComboBox") == 0 && ::SendMessageA(msg->hwnd, CB_GETDROPPEDSTATE, 0, 0)) return FALSE;
    return TRUE;
}

int CSettingsPage::Box(const std::string& text, UINT type) const {
    HWND owner = ::GetAncestor(m_hWnd, GA_ROOT);
    return ::MessageBoxA(owner ? owner : m_hWnd, text.c_str(), "Pinwell", MB_OK | type);
}

void CSettingsPage::FocusItem(int id) const {
    HWND sheet = ::GetAncestor(m_hWnd, GA_ROOT);
    ::SendMessageA(sheet ? sheet : m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(id)), TRUE);
}

std::string CSettingsPage::Text(int id) const { return WindowText(GetDlgItem(id)); }

void CSettingsPage::SetRadio(int yesId, int noId, bool yes) const {
    // The numbers of a pair may enclose another pair's (1046/1048 around
    // 1047), so no range call: both are set outright.
    ::CheckDlgButton(m_hWnd, yesId, yes ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, noId, yes ? BST_UNCHECKED : BST_CHECKED);
}

// ---- CGeneralPage ------------------------------------------------------------------------------

CGeneralPage::CGeneralPage() : CSettingsPage(IDD_SETTINGS_GENERAL, IDB_PAGE_GENERAL, IDC_GEN_PICTURE, 200) {}

BOOL CGeneralPage::OnInitDialog() {
    CSettingsPage::OnInitDialog();
    const CSettingsStore settings;
    FillCombo(m_hWnd, IDC_GEN_DATE_FORMAT, kDateFormats);
    // DateFormat writes the first format when none is stored.
    ::SendDlgItemMessageA(m_hWnd, IDC_GEN_DATE_FORMAT, CB_SETCURSEL,
                          static_cast<WPARAM>(DateFormatIndex(settings.DateFormat())), 0);
    ShowDatePreview();

    SetRadio(IDC_GEN_SCROLL_YES, IDC_GEN_SCROLL_NO, ShowsYes(YesRule::YesOrEmpty, settings.ReadShowScrollBar()));
    SetRadio(IDC_GEN_CLOSE_YES, IDC_GEN_CLOSE_NO, ShowsYes(YesRule::YesOrEmpty, settings.ReadShowCloseButton()));
    SetRadio(IDC_GEN_CLOSE_MENU_YES, IDC_GEN_CLOSE_MENU_NO,
             ShowsYes(YesRule::YesOnly, settings.ReadDisableCloseMenu()));
    SetRadio(IDC_GEN_ASK_DELETE_YES, IDC_GEN_ASK_DELETE_NO, ShowsYes(YesRule::YesOnly, settings.ReadAskBeforeDelete()));
    SetRadio(IDC_GEN_TASKBAR_YES, IDC_GEN_TASKBAR_NO, ShowsYes(YesRule::NotNoNorEmpty, settings.ReadShowTaskBar()));
    SetRadio(IDC_GEN_RANDOM_YES, IDC_GEN_RANDOM_NO, ShowsYes(YesRule::NotNoNorEmpty, settings.ReadRandomThemes()));

    ::SendDlgItemMessageA(m_hWnd, IDC_GEN_PASSWORD, EM_LIMITTEXT, kMaxPasswordLength, 0);
    const bool locked = ShowsYes(YesRule::YesOnly, settings.ReadShowAllPasswordYesNo());
    ::CheckDlgButton(m_hWnd, IDC_GEN_LOCK, locked ? BST_CHECKED : BST_UNCHECKED);
    ::SetDlgItemTextA(m_hWnd, IDC_GEN_PASSWORD, locked ? settings.ReadShowAllPassword().c_str() : "");
    ::CheckDlgButton(m_hWnd, IDC_GEN_HOTKEY_OFF,
                     ShowsYes(YesRule::YesOnly, settings.ReadDisableHotkey()) ? BST_CHECKED : BST_UNCHECKED);

    const PageTip tips[] = {
        {IDC_GEN_DATE_FORMAT, "Select date format which program will use to set date title."},
        {IDC_GEN_SCROLL_YES, kTipScroll},
        {IDC_GEN_SCROLL_NO, kTipScroll},
        {IDC_GEN_CLOSE_YES, kTipClose},
        {IDC_GEN_CLOSE_NO, kTipClose},
        {IDC_GEN_CLOSE_MENU_YES, kTipCloseMenu},
        {IDC_GEN_CLOSE_MENU_NO, kTipCloseMenu},
        {IDC_GEN_ASK_DELETE_YES, kTipAskDelete},
        {IDC_GEN_ASK_DELETE_NO, kTipAskDelete},
        {IDC_GEN_TASKBAR_YES, kTipTaskbar},
        {IDC_GEN_TASKBAR_NO, kTipTaskbar},
        {IDC_GEN_HOTKEY_OFF, "Choose do you want hot key for new note Alt+'N' to be enabled or disabled."},
        {IDC_GEN_RANDOM_YES, kTipRandom},
        {IDC_GEN_RANDOM_NO, kTipRandom},
        {IDC_GEN_LOCK, "Select do you want to protect main menu item 'Show all notes' with password."},
        {IDC_GEN_PASSWORD, "Write password which locks 'Show all notes' main menu item."},
    };
    CreateTips(tips, std::size(tips));
    return TRUE;
}

void CGeneralPage::ShowDatePreview() {
    const LocalTime now = LocalNow();
    const std::string date = FormatDate(Text(IDC_GEN_DATE_FORMAT), now.day, now.month, now.year);
    ::SetDlgItemTextA(m_hWnd, IDC_GEN_DATE_PREVIEW, date.c_str());
    PlaceDateLabel();
}

// The label reads as one sentence with the date inside it, whatever the
// font's widths: each part starts where the text of the one before ends.
void CGeneralPage::PlaceDateLabel() {
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
    RECT first{};
    HWND label = GetDlgItem(IDC_GEN_DATE_LABEL);
    ::GetWindowRect(label, &first);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&first), 2);
    int x = first.left;
    for (int id : {IDC_GEN_DATE_LABEL, IDC_GEN_DATE_PREVIEW, IDC_GEN_DATE_LABEL_END}) {
        const std::string text = Text(id);
        SIZE size{};
        ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        const int width = size.cx + (id == IDC_GEN_DATE_LABEL ? 3 : 1);
        ::SetWindowPos(GetDlgItem(id), nullptr, x, first.top, width, first.bottom - first.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::InvalidateRect(GetDlgItem(id), nullptr, TRUE);
        x += width;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
}

void CGeneralPage::LockClicked() {
    const CSettingsStore settings;
    if (Checked(IDC_GEN_LOCK)) {
        CPasswordDialog dlg(CPasswordDialog::Mode::NewPassword);
        if (dlg.DoModal(m_hWnd) == IDOK) {
            ::SetDlgItemTextA(m_hWnd, IDC_GEN_PASSWORD, dlg.m_password.c_str());
            settings.WriteShowAllPassword("Yes", dlg.m_password);
        } else {
            ::CheckDlgButton(m_hWnd, IDC_GEN_LOCK, BST_UNCHECKED);
        }
        return;
    }
    if (Text(IDC_GEN_PASSWORD).empty()) return;
    const std::string stored = settings.ReadShowAllPassword();
    CPasswordDialog dlg(CPasswordDialog::Mode::Verify);
    if (dlg.DoModal(m_hWnd) != IDOK) {
        ::CheckDlgButton(m_hWnd, IDC_GEN_LOCK, BST_CHECKED);
        return;
    }
    if (dlg.m_password == stored) {
        ::SetDlgItemTextA(m_hWnd, IDC_GEN_PASSWORD, "");
        settings.WriteShowAllPassword("No", "");
    } else {
        ::CheckDlgButton(m_hWnd, IDC_GEN_LOCK, BST_CHECKED);
        Box(kWrongPasswordMessage, MB_ICONSTOP);
    }
}

BOOL CGeneralPage::OnCommand(WPARAM wParam, LPARAM) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDC_GEN_DATE_FORMAT && (code == CBN_SELCHANGE || code == CBN_SELENDOK)) {
        ShowDatePreview();
        return TRUE;
    }
    if (id == IDC_GEN_LOCK && code == BN_CLICKED) {
        LockClicked();
        return TRUE;
    }
    return FALSE;
}

bool CGeneralPage::SaveSettings() {
    const CSettingsStore settings;
    settings.WriteDefaultDateFormat(Text(IDC_GEN_DATE_FORMAT));
    const bool scrollBar = Checked(IDC_GEN_SCROLL_YES);
    settings.WriteShowScrollBar(YesNo(scrollBar));
    g_showScrollBar = scrollBar;
    settings.WriteShowTaskBar(YesNo(Checked(IDC_GEN_TASKBAR_YES)));
    settings.WriteShowCloseButton(YesNo(Checked(IDC_GEN_CLOSE_YES)));
    const bool hotKeyOff = Checked(IDC_GEN_HOTKEY_OFF);
    settings.WriteDisableHotkey(YesNo(hotKeyOff));
    if (m_effects && m_effects->setHotKey) m_effects->setHotKey(hotKeyOff);
    settings.WriteAskBeforeDelete(YesNo(Checked(IDC_GEN_ASK_DELETE_YES)));
    settings.WriteDisableCloseMenu(YesNo(Checked(IDC_GEN_CLOSE_MENU_YES)));
    settings.WriteRandomThemes(YesNo(Checked(IDC_GEN_RANDOM_YES)));
    if (!Checked(IDC_GEN_LOCK)) settings.WriteShowAllPassword("No", "");
    return true;
}

// ---- CDefaultNotePage -------------------------------------------------------------------------------

CDefaultNotePage::CDefaultNotePage()
    : CSettingsPage(IDD_SETTINGS_DEFAULT_NOTE, IDB_PAGE_DEFAULT_NOTE, IDC_DEF_PICTURE, 300) {}

BOOL CDefaultNotePage::OnInitDialog() {
    CSettingsPage::OnInitDialog();
    const CSettingsStore settings;
    if (!ReadNoteRecord({}, kDefaultThemeId, m_record)) {
        WriteBuiltInThemes(static_cast<std::uint8_t>(ScreenCharSet()));
        ReadNoteRecord({}, kDefaultThemeId, m_record);
    }

    const std::string title = settings.ReadDefaultTitle();
    m_settingTitleText = true;
    if (title != "Date" && !title.empty()) {
        ::CheckRadioButton(m_hWnd, IDC_DEF_TITLE_DATE, IDC_DEF_TITLE_TEXT_RADIO, IDC_DEF_TITLE_TEXT_RADIO);
        ::SetDlgItemTextA(m_hWnd, IDC_DEF_TITLE_TEXT, title.c_str());
    } else {
        ::CheckRadioButton(m_hWnd, IDC_DEF_TITLE_DATE, IDC_DEF_TITLE_TEXT_RADIO, IDC_DEF_TITLE_DATE);
    }
    m_settingTitleText = false;

    SetRadio(IDC_DEF_BORDER_YES, IDC_DEF_BORDER_NO, m_record.border == "Yes");
    switch (FindTitleAlign(m_record.titleFontType)) {
    case TitleAlign::Left: ::CheckDlgButton(m_hWnd, IDC_DEF_ALIGN_LEFT, BST_CHECKED); break;
    case TitleAlign::Center: ::CheckDlgButton(m_hWnd, IDC_DEF_ALIGN_CENTER, BST_CHECKED); break;
    case TitleAlign::Right: ::CheckDlgButton(m_hWnd, IDC_DEF_ALIGN_RIGHT, BST_CHECKED); break;
    case TitleAlign::None: break;
    }

    FillCombo(m_hWnd, IDC_DEF_ON_CHANGE_THEME, kOnChangeThemeItems);
    ::SendDlgItemMessageA(m_hWnd, IDC_DEF_ON_CHANGE_THEME, CB_SETCURSEL,
                          static_cast<WPARAM>(OnChangeThemeIndex(settings.ReadOnChangeTheme())), 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_DEF_ON_CHANGE_THEME, CB_SETDROPPEDWIDTH, 200, 0);

    m_noteColor.Attach(GetDlgItem(IDC_DEF_NOTE_COLOR));
    m_titleColor.Attach(GetDlgItem(IDC_DEF_TITLE_COLOR));
    m_noteFont.Attach(GetDlgItem(IDC_DEF_NOTE_FONT));
    m_titleFont.Attach(GetDlgItem(IDC_DEF_TITLE_FONT));
    m_noteColor.SetBkColor(static_cast<COLORREF>(m_record.editBackColor));
    m_titleColor.SetBkColor(static_cast<COLORREF>(m_record.titleBackColor));
    ShowFontSamples();

    ::SetDlgItemTextA(m_hWnd, IDC_DEF_WIDTH, std::to_string(NumberOrZero(settings.ReadDefaultWidth())).c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_DEF_HEIGHT, std::to_string(NumberOrZero(settings.ReadDefaultHeight())).c_str());

    const PageTip tips[] = {
        {IDC_DEF_BORDER_YES, kTipBorder},
        {IDC_DEF_BORDER_NO, kTipBorder},
        {IDC_DEF_TITLE_DATE, kTipTitle},
        {IDC_DEF_TITLE_TEXT_RADIO, kTipTitle},
        {IDC_DEF_TITLE_TEXT, kTipTitle},
        {IDC_DEF_ALIGN_LEFT, kTipAlign},
        {IDC_DEF_ALIGN_CENTER, kTipAlign},
        {IDC_DEF_ALIGN_RIGHT, kTipAlign},
        {IDC_DEF_NOTE_COLOR, "Click to choose default note color for new note."},
        {IDC_DEF_TITLE_COLOR, "Click to choose default title color for new note."},
        {IDC_DEF_NOTE_FONT, "Click to choose default note font for new note."},
        {IDC_DEF_TITLE_FONT, "Click to choose default title font for new note."},
        {IDC_DEF_WIDTH, "Choose default note width in pixels."},
        {IDC_DEF_HEIGHT, "Choose default note height in pixels."},
        {IDC_DEF_ORGANIZE_THEMES,
         "Click to organize saved note themes which are visible as items in note menu."},
        {IDC_DEF_ON_CHANGE_THEME, "Select default action when note theme is changing."},
    };
    CreateTips(tips, std::size(tips));
    return TRUE;
}

void CDefaultNotePage::ShowFontSamples() {
    struct Sample {
        CColorLabel& label;
        const std::string& face;
        int points;
        const std::string& letters;
        std::uint8_t charSet;
        std::int32_t color;
        bool title;
    };
    const Sample samples[] = {
        {m_noteFont, m_record.editFont, m_record.editFontSize, m_record.editFontType, m_record.editCharSet,
         m_record.editTextColor, false},
        {m_titleFont, m_record.titleFont, m_record.titleFontSize, m_record.titleFontType, m_record.titleCharSet,
         m_record.titleTextColor, true},
    };
    for (const Sample& s : samples) {
        const LOGFONTA lf = SampleLogFont(s.face, s.points, s.letters, s.charSet);
        s.label.SetFont(::CreateFontIndirectA(&lf));
        s.label.SetTextColor(static_cast<COLORREF>(s.color));
        s.label.SetText(FontSampleText(s.face, s.points, s.letters, s.title));
    }
}

void CDefaultNotePage::ChooseColor(bool title) {
    static COLORREF custom[16] = {};
    std::int32_t& color = title ? m_record.titleBackColor : m_record.editBackColor;
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = m_hWnd;
    cc.rgbResult = static_cast<COLORREF>(color);
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_ANYCOLOR;
    if (!ondemand::ChooseColorA(&cc)) return;
    color = static_cast<std::int32_t>(cc.rgbResult);
    (title ? m_titleColor : m_noteColor).SetBkColor(cc.rgbResult);
}

void CDefaultNotePage::ChooseFont(bool title) {
    std::string& face = title ? m_record.titleFont : m_record.editFont;
    std::int32_t& points = title ? m_record.titleFontSize : m_record.editFontSize;
    std::string& letters = title ? m_record.titleFontType : m_record.editFontType;
    std::uint8_t& charSet = title ? m_record.titleCharSet : m_record.editCharSet;
    std::int32_t& color = title ? m_record.titleTextColor : m_record.editTextColor;

    LOGFONTA lf = SampleLogFont(face, points, letters, charSet);
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = m_hWnd;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    cf.rgbColors = static_cast<COLORREF>(color);
    if (!ondemand::ChooseFontA(&cf)) return;

    face = lf.lfFaceName;
    points = cf.iPointSize / 10;
    charSet = lf.lfCharSet;
    color = static_cast<std::int32_t>(cf.rgbColors);
    const FontStyle style{static_cast<int>(lf.lfWeight), lf.lfItalic != 0, lf.lfUnderline != 0, lf.lfStrikeOut != 0};
    letters = title ? TitleFontLetters(letters, style) : NoteFontLetters(style);
    ShowFontSamples();
}

BOOL CDefaultNotePage::OnCommand(WPARAM wParam, LPARAM) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDC_DEF_TITLE_DATE:
        if (code != BN_CLICKED) return FALSE;
        m_settingTitleText = true;
        ::SetDlgItemTextA(m_hWnd, IDC_DEF_TITLE_TEXT, "");
        m_settingTitleText = false;
        return TRUE;
    case IDC_DEF_TITLE_TEXT:
        if (code != EN_CHANGE || m_settingTitleText) return FALSE;
        if (!Text(IDC_DEF_TITLE_TEXT).empty())
            ::CheckRadioButton(m_hWnd, IDC_DEF_TITLE_DATE, IDC_DEF_TITLE_TEXT_RADIO, IDC_DEF_TITLE_TEXT_RADIO);
        return TRUE;
    case IDC_DEF_NOTE_COLOR:
    case IDC_DEF_TITLE_COLOR:
        if (code != STN_CLICKED) return FALSE;
        ChooseColor(id == IDC_DEF_TITLE_COLOR);
        return TRUE;
    case IDC_DEF_NOTE_FONT:
    case IDC_DEF_TITLE_FONT:
        if (code != STN_CLICKED) return FALSE;
        ChooseFont(id == IDC_DEF_TITLE_FONT);
        return TRUE;
    case IDC_DEF_ORGANIZE_THEMES: {
        if (code != BN_CLICKED) return FALSE;
        COrganizeThemesDialog organize;
        organize.DoModal(m_hWnd);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

bool CDefaultNotePage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg != WM_CTLCOLORSTATIC) return false;
    for (CColorLabel* label : {&m_noteColor, &m_titleColor, &m_noteFont, &m_titleFont}) {
        if (label->GetSafeHwnd() == reinterpret_cast<HWND>(lParam)) {
            result = reinterpret_cast<LRESULT>(label->OnCtlColor(reinterpret_cast<HDC>(wParam)));
            return true;
        }
    }
    return false;
}

bool CDefaultNotePage::SaveSettings() {
    const CSettingsStore settings;
    settings.WriteDefaultTitle(Checked(IDC_DEF_TITLE_DATE) ? std::string("Date") : Text(IDC_DEF_TITLE_TEXT));

    m_record.border = YesNo(Checked(IDC_DEF_BORDER_YES));
    const TitleAlign align = Checked(IDC_DEF_ALIGN_LEFT)     ? TitleAlign::Left
                             : Checked(IDC_DEF_ALIGN_CENTER) ? TitleAlign::Center
                             : Checked(IDC_DEF_ALIGN_RIGHT)  ? TitleAlign::Right
                                                             : TitleAlign::None;
    m_record.titleFontType = WithTitleAlign(m_record.titleFontType, align);
    // The writer converts the body in place; the page keeps its own copy as
    // read, so saving twice cannot convert it twice.
    NoteRecord stored = m_record;
    WriteNoteRecord({}, stored);

    const std::string width = Text(IDC_DEF_WIDTH);
    const std::string height = Text(IDC_DEF_HEIGHT);
    switch (CheckDefaultSize(NumberOrZero(width), NumberOrZero(height),
                             static_cast<unsigned>(::GetSystemMetrics(SM_CXSCREEN)),
                             static_cast<unsigned>(::GetSystemMetrics(SM_CYSCREEN)))) {
    case SizeCheck::TooBig:
        Box(kSizeTooBigMessage, MB_ICONSTOP);
        FocusItem(IDC_DEF_WIDTH);
        return false;
    case SizeCheck::TooSmall:
        Box(kSizeTooSmallMessage, MB_ICONSTOP);
        FocusItem(IDC_DEF_WIDTH);
        return false;
    case SizeCheck::Ok:
        break;
    }
    settings.WriteDefaultSize(width, height);
    settings.WriteOnChangeTheme(OnChangeThemeValue(ComboIndex(m_hWnd, IDC_DEF_ON_CHANGE_THEME)));
    return true;
}

// ---- CNetworkPage -----------------------------------------------------------------------------------------

CNetworkPage::CNetworkPage() : CSettingsPage(IDD_SETTINGS_NETWORK, IDB_PAGE_NETWORK, IDC_NET_PICTURE, 300) {}

BOOL CNetworkPage::OnInitDialog() {
    CSettingsPage::OnInitDialog();
    const CSettingsStore settings;
    SetRadio(IDC_NET_READ_START_YES, IDC_NET_READ_START_NO,
             ShowsYes(YesRule::YesOnly, settings.ReadReadNetworkOnStart()));
    ::SetDlgItemTextA(m_hWnd, IDC_NET_READ_INTERVAL, IntervalText(settings.ReadReadNetworkInterval()).c_str());
    SetRadio(IDC_NET_EMAIL_START_YES, IDC_NET_EMAIL_START_NO,
             ShowsYes(YesRule::YesOnly, settings.ReadCheckEmailOnStart()));
    ::SetDlgItemTextA(m_hWnd, IDC_NET_EMAIL_INTERVAL, IntervalText(settings.ReadCheckEmailInterval()).c_str());
    SetRadio(IDC_NET_SEND_ERROR_YES, IDC_NET_SEND_ERROR_NO,
             ShowsYes(YesRule::YesOrEmpty, settings.ReadShowSendErrorMessage()));
    SetRadio(IDC_NET_ASK_REPLY_YES, IDC_NET_ASK_REPLY_NO, ShowsYes(YesRule::YesOrEmpty, settings.ReadAskWhenReply()));
    SetRadio(IDC_NET_PICTURE_ATTACH_YES, IDC_NET_PICTURE_ATTACH_NO,
             ShowsYes(YesRule::YesOrEmpty, settings.ReadIncludePictureAttachment()));
    SetRadio(IDC_NET_SOUND_YES, IDC_NET_SOUND_NO, ShowsYes(YesRule::YesOrEmpty, settings.ReadPlaySound()));

    FillCombo(m_hWnd, IDC_NET_PICTURE_FORMAT, kPictureFormatItems);
    std::string format = settings.ReadDefaultPictureFormat();
    if (format.empty()) {
        format = "jpg";
        settings.WriteDefaultPictureFormat(format);
    }
    ::SendDlgItemMessageA(m_hWnd, IDC_NET_PICTURE_FORMAT, CB_SETCURSEL,
                          static_cast<WPARAM>(PictureFormatIndex(format)), 0);
    FillCombo(m_hWnd, IDC_NET_AFTER_SEND, kAfterSendItems);
    ::SendDlgItemMessageA(m_hWnd, IDC_NET_AFTER_SEND, CB_SETCURSEL,
                          static_cast<WPARAM>(AfterSendIndex(settings.ReadAfterSend())), 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_NET_AFTER_SEND, CB_SETDROPPEDWIDTH, 200, 0);

    FillCombo(m_hWnd, IDC_NET_SENT_FROM_TYPE, kSentFromItems);
    const IdentityFields fields = IdentityFromSentFrom(settings.ReadSentFrom(), CNetUtil().GetLocalComputerName());
    ::SendDlgItemMessageA(m_hWnd, IDC_NET_SENT_FROM_TYPE, CB_SETCURSEL,
                          static_cast<WPARAM>(static_cast<int>(fields.type)), 0);
    ::SetDlgItemTextA(m_hWnd, IDC_NET_SENT_FROM, fields.changeText ? fields.text.c_str() : "");
    ::SendDlgItemMessageA(m_hWnd, IDC_NET_SENT_FROM, EM_SETREADONLY, fields.changeEditable && !fields.editable, 0);

    ::SetDlgItemTextA(m_hWnd, IDC_NET_PORT, PortText(settings.ReadCommunicationPort()).c_str());

    const char identityTip[] =
        "Your identifier when sending note to other(s). This text will appear in received note title (except if "
        "anonymous sender is selected).";
    const PageTip tips[] = {
        {IDC_NET_READ_START_YES, kTipReadStart},
        {IDC_NET_READ_START_NO, kTipReadStart},
        {IDC_NET_READ_INTERVAL,
         "You can select refresh network interval for program to read your network neighborhood."},
        {IDC_NET_EMAIL_START_YES, kTipEmailStart},
        {IDC_NET_EMAIL_START_NO, kTipEmailStart},
        {IDC_NET_EMAIL_INTERVAL,
         "You can select Check for new email notes interval period which program will use to check for new email "
         "notes."},
        {IDC_NET_AFTER_SEND,
         "Select what do you want to do with note you sent successfully (Delete note or just put small Send OK icon "
         "in the note title)."},
        {IDC_NET_SEND_ERROR_YES, kTipSendError},
        {IDC_NET_SEND_ERROR_NO, kTipSendError},
        {IDC_NET_ASK_REPLY_YES, kTipAskReply},
        {IDC_NET_ASK_REPLY_NO, kTipAskReply},
        {IDC_NET_SENT_FROM_TYPE,
         "Select default from value (your identifier) which will appear in recipient(s) note title. Reply to option "
         "will send note to this value."},
        {IDC_NET_SENT_FROM, identityTip},
        {IDC_NET_MANAGER,
         "Click to Manage Groups and Network. You can add items or delete items from group. Group name will appear "
         "on note menu item 'Send to'."},
        {IDC_NET_PICTURE_FORMAT,
         "Select picture file format which will be created and attached to email when sending note to email "
         "recipient."},
        {IDC_NET_PICTURE_ATTACH_YES, kTipAttach},
        {IDC_NET_PICTURE_ATTACH_NO, kTipAttach},
        {IDC_NET_PORT, PortToolTip()},
        {IDC_NET_SOUND_YES, kTipSound},
        {IDC_NET_SOUND_NO, kTipSound},
    };
    CreateTips(tips, std::size(tips));
    return TRUE;
}

void CNetworkPage::ChangeSentFromType() {
    const int index = ComboIndex(m_hWnd, IDC_NET_SENT_FROM_TYPE);
    if (index < 0 || index > static_cast<int>(IdentityType::Name)) return;
    IdentityLookups lookups;
    lookups.computerName = [] { return CNetUtil().GetLocalComputerName(); };
    lookups.localIpAddress = [] {
        // A name look-up can take a while on a badly set-up network.
        HCURSOR old = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
        const CNetUtil util;
        const std::string address = util.GetHostIpAddress(util.GetLocalComputerName());
        ::SetCursor(old);
        return address;
    };
    lookups.userDisplayName = [] { return GetUserDisplayName(); };
    const IdentityFields fields =
        IdentityForType(static_cast<IdentityType>(index), Text(IDC_NET_SENT_FROM), lookups);
    if (fields.changeText) ::SetDlgItemTextA(m_hWnd, IDC_NET_SENT_FROM, fields.text.c_str());
    if (fields.changeEditable) ::SendDlgItemMessageA(m_hWnd, IDC_NET_SENT_FROM, EM_SETREADONLY, !fields.editable, 0);
}

void CNetworkPage::OpenManager() {
    CSendNoteDialog manager(CSendNoteDialog::Form::Manager);
    manager.DoModal(m_hWnd);
}

BOOL CNetworkPage::OnCommand(WPARAM wParam, LPARAM) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDC_NET_SENT_FROM_TYPE && code == CBN_SELCHANGE) {
        ChangeSentFromType();
        return TRUE;
    }
    if (id == IDC_NET_MANAGER && code == BN_CLICKED) {
        OpenManager();
        return TRUE;
    }
    return FALSE;
}

bool CNetworkPage::SaveSettings() {
    const CSettingsStore settings;
    settings.WriteReadNetworkOnStart(YesNo(Checked(IDC_NET_READ_START_YES)));
    settings.WriteCheckEmailOnStart(YesNo(Checked(IDC_NET_EMAIL_START_YES)));
    settings.WriteShowSendErrorMessage(YesNo(Checked(IDC_NET_SEND_ERROR_YES)));
    settings.WriteAfterSend(AfterSendValue(ComboIndex(m_hWnd, IDC_NET_AFTER_SEND)));
    settings.WriteAskWhenReply(YesNo(Checked(IDC_NET_ASK_REPLY_YES)));

    const int typeIndex = ComboIndex(m_hWnd, IDC_NET_SENT_FROM_TYPE);
    const IdentityType type = typeIndex >= 0 && typeIndex <= static_cast<int>(IdentityType::Name)
                                  ? static_cast<IdentityType>(typeIndex)
                                  : IdentityType::None;
    const SentFromSave sentFrom = CheckDefaultSentFrom(type, Text(IDC_NET_SENT_FROM));
    if (*sentFrom.message) {
        Box(sentFrom.message, sentFrom.stopIcon ? MB_ICONSTOP : 0);
        FocusItem(sentFrom.focus == SentFromSave::Focus::TypeList ? IDC_NET_SENT_FROM_TYPE : IDC_NET_SENT_FROM);
        return false;
    }
    if (sentFrom.write) settings.WriteSentFrom(sentFrom.value);

    const std::string networkInterval = IntervalText(Text(IDC_NET_READ_INTERVAL));
    settings.WriteReadNetworkInterval(networkInterval);
    if (m_effects && m_effects->setNetworkInterval)
        m_effects->setNetworkInterval(static_cast<int>(NumberOrZero(networkInterval)));
    const std::string emailInterval = IntervalText(Text(IDC_NET_EMAIL_INTERVAL));
    settings.WriteCheckEmailInterval(emailInterval);
    if (m_effects && m_effects->setEmailInterval)
        m_effects->setEmailInterval(static_cast<int>(NumberOrZero(emailInterval)));

    settings.WriteDefaultPictureFormat(PictureFormatValue(ComboIndex(m_hWnd, IDC_NET_PICTURE_FORMAT)));
    settings.WriteIncludePictureAttachment(YesNo(Checked(IDC_NET_PICTURE_ATTACH_YES)));

    const std::string port = Text(IDC_NET_PORT);
    if (!PortAccepted(port)) {
        Box(kPortInvalidMessage, MB_ICONSTOP);
        FocusItem(IDC_NET_PORT);
        return false;
    }
    if (PortNoticeDue(port, settings.ReadCommunicationPort())) Box(PortChangedMessage(), MB_ICONINFORMATION);
    settings.WriteCommunicationPort(port);
    settings.WritePlaySound(YesNo(Checked(IDC_NET_SOUND_YES)));
    return true;
}
