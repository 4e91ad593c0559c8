#include "app/MainDialog.h"

#include <algorithm>
#include <iterator>
#include <cstdio>
#include <richedit.h>
#include <mmsystem.h>
#include <optional>
#include <fstream>
#include <utility>

#include "app/NoteApp.h"
#include "app/CleanUp.h"
#include "base/Clock.h"
#include "base/ProgramFlags.h"
#include "base/Seams.h"
#include "dialogs/ImportExportDialog.h"
#include "dialogs/PasswordDialog.h"
#include "dialogs/SettingsSheet.h"
#include "dialogs/WaitDialog.h"
#include "net/NetworkNeighbourhood.h"
#include "net/NoteData.h"
#include "net/NoteServer.h"
#include "note/BuiltInThemes.h"
#include "note/NoteDialog.h"
#include "note/NoteExchange.h"
#include "note/ReplyTitle.h"
#include "note/RtfFilter.h"
#include "res/resource.h"
#include "skin/LinkLabel.h"
#include "skin/SkinEngine.h"
#include "store/ExportFile.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"
#include "store/SettingsStore.h"
#include "store/Text.h"
#include "win/OnDemand.h"
#include "win/Program.h"

namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr int kHotKeyId = 1;
// How long exit waits for a running e-mail check to finish. A check held up
// longer (a message box of its own left open, a slow server) goes with the
// process; nothing is lost, since a message is deleted only after its note
// is in the data file.
constexpr DWORD kEmailCheckExitWaitMs = 3000;
constexpr char kUpgradeMarker[] = "0116";
constexpr char kHomePageFile[] = "Pinwell Home Page.url";
constexpr char kHomePageUrl[] = "https://pinwell.example.org/";

// What a note from outside adds to the data file: a picture in its body is
// dropped before the note is stored, so it does not count against the room.
std::size_t StoredLength(const std::string& noteData) {
    const std::string& body = ParseNoteData(noteData, 0, 0).record.editText;
    return noteData.size() - std::min(body.size(), noteData.size()) + FilterOutsideRtf(body).size();
}

// An Internet shortcut is a small INI file; writing it directly gives the
// same file as the shell's shortcut object without starting COM.
void CreateHomePageShortcut(const std::string& path) {
    ini::Batch shortcut(path);
    shortcut.Write("InternetShortcut", "URL", kHomePageUrl);
    shortcut.Write("InternetShortcut", "IconIndex", "0");
    shortcut.Write("{000214A0-0000-0000-C000-000000000046}", "Prop3", "19,2");
    shortcut.Write("InternetShortcut", "Comment", "Pinwell Home Page");
    shortcut.Commit();
}

struct MenuItemPicture {
    UINT command;
    int picture;
};
const MenuItemPicture kMainMenuPictures[] = {
    {ID_NEW_NOTE, IDB_MENU_NEW_NOTE},
    {ID_SHOW_ALL_NOTES, IDB_MENU_SHOW_NOTES},
    {ID_HIDE_ALL_NOTES, IDB_MENU_HIDE_NOTES},
    {ID_EXPORT_NOTES, IDB_MENU_EXPORT_NOTES},
    {ID_IMPORT_NOTES, IDB_MENU_IMPORT_NOTES},
    {ID_CHECK_EMAIL_NOTES, IDB_MENU_CHECK_EMAIL},
    {ID_SETTINGS, IDB_MENU_SETTINGS},
    {ID_ABOUT, IDB_MENU_ABOUT},
    {ID_EXIT, IDB_MENU_EXIT},
};

HBITMAP PictureFor(UINT command) {
    for (const MenuItemPicture& p : kMainMenuPictures)
        if (p.command == command) return MenuPicture(p.picture);
    return nullptr;
}

}  // namespace

CMainDialog::CMainDialog() : CDialog(IDD_MAIN) {}

CMainDialog::~CMainDialog() {
    // A check that outlived the exit wait keeps its event; the process ends
    // with it.
    if (g_emailCheckRunning) return;
    if (m_emailThread) ::CloseHandle(m_emailThread);
    if (m_emailCheck.event) ::CloseHandle(m_emailCheck.event);
}

BOOL CMainDialog::PreTranslateMessage(MSG* msg) {
    // Escape must never close the hidden dialog and with it the program.
    return msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE && msg->hwnd == m_hWnd;
}

void CMainDialog::OnOK() { ShowWindow(SW_HIDE); }

void CMainDialog::OnCancel() { DestroyWindow(); }

BOOL CMainDialog::OnInitDialog() {
    CNoteApp& app = TheApp();
    CSettingsStore settings;

    // First start (or an older data file): the built-in themes.
    bool firstStart = false;
    if (settings.ReadIniUpdate() != kUpgradeMarker) {
        WriteBuiltInThemes(ScreenCharSet());
        settings.WriteIniUpdate(kUpgradeMarker);
        firstStart = true;
    }

    // The home-page shortcut beside the program.
    const std::string shortcut = ProgramFolder() + "\\" + kHomePageFile;
    if (firstStart || ::GetFileAttributesA(shortcut.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateHomePageShortcut(shortcut);

    // Icons and caption; the dialog itself is never shown.
    m_icon = static_cast<HICON>(::LoadImageA(app.m_hInstance, MAKEINTRESOURCEA(IDI_PINWELL), IMAGE_ICON,
                                             ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
    m_smallIcon = static_cast<HICON>(::LoadImageA(app.m_hInstance, MAKEINTRESOURCEA(IDI_PINWELL), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXSMICON),
                                                  ::GetSystemMetrics(SM_CYSMICON), 0));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    ::SetWindowTextA(m_hWnd, kMainCaption);
    ShowWindow(SW_HIDE);

    // The main menu and its pictures.
    m_mainMenu.LoadMenu(app.m_hInstance, IDR_MAINMENU);
    for (const MenuItemPicture& p : kMainMenuPictures)
        if (m_mainMenu.IsEnabled(p.command)) m_mainMenu.SetPicture(p.command, MenuPicture(p.picture));

    // The tray icon, again whenever the taskbar is re-created (after
    // Explorer restarts the icon would otherwise be gone for good).
    m_taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
    AddTrayIcon();

    // The scroll-bar flag.
    g_showScrollBar = settings.IsOn(Switch::ShowScrollBar);

    // Without a writable data file nothing below could be kept. Written
    // through even when unchanged, so a read-only or locked file shows here.
    if (!ini::WriteThrough(MainDataFilePath(), "PINWELL", "Version", kVersionLabel)) {
        ::MessageBoxA(nullptr,
                      "Sorry but Pinwell program is not working properly and it will be closed.\n"
                      "Please check if you have rights to write on disk because program can't write "
                      "data to main ini file.",
                      kProductName, MB_OK | MB_ICONSTOP);
        ::Shell_NotifyIconA(NIM_DELETE, &m_tray);  // no dead icon left in the tray
        ::PostQuitMessage(0);
        return TRUE;
    }

    // Defaults and the intervals kept in memory.
    if (settings.ReadAskBeforeDelete().empty()) settings.WriteAskBeforeDelete("Yes");
    if (settings.ReadReadNetworkOnStart().empty()) settings.WriteReadNetworkOnStart("Yes");
    if (settings.IsOn(Switch::ReadNetworkOnStart)) ReadNetworkNeighbourhood(m_hWnd);
    m_networkTicker.SetMinutes(settings.ReadNetworkIntervalMinutes());
    if (settings.ReadCheckEmailOnStart().empty()) settings.WriteCheckEmailOnStart("No");
    if (settings.IsOn(Switch::CheckEmailOnStart)) StartEmailCheck();
    m_emailTicker.SetMinutes(settings.ReadCheckEmailIntervalMinutes());

    // The stored notes, renumbered 1, 2, 3 ...
    const int stored = settings.ReadNumberOfNotesValue();
    RunUpkeepCounter(m_hWnd);
    LoadNotes(stored);
    if (stored > m_noteCounter) DeleteNoteSections(m_noteCounter + 1, std::min(stored, kLastDesktopNoteId));
    WriteNumberOfNotes(m_noteCounter);

    // Never start with an empty desktop.
    if (m_noteCounter == 0) {
        NewNote();
        WriteNumberOfNotes(m_noteCounter);
    }

    // The tick.
    m_timer = ::SetTimer(m_hWnd, kTickTimer, 500, nullptr);

    // The receiving server.
    StartServerThread();

    // The hot key.
    if (!settings.IsOn(Switch::DisableHotkey)) ::RegisterHotKey(m_hWnd, kHotKeyId, MOD_ALT, 'N');

    // Bring every visible note up to the current settings.
    CSkinEngine::Pause skinPaused;
    for (CNoteDialog* note : Notes()) {
        if (note->ShowHeld())
            note->ShowHeldNote();
        else if (note->IsWindowVisible())
            note->RefreshFromSettings();
    }
    return TRUE;
}

void CMainDialog::AddTrayIcon() {
    m_tray = NOTIFYICONDATAA{};
    m_tray.cbSize = sizeof m_tray;
    m_tray.hWnd = m_hWnd;
    m_tray.uID = 1;
    m_tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_tray.uCallbackMessage = WM_TRAY_CALLBACK;
    m_tray.hIcon = m_smallIcon ? m_smallIcon : m_icon;
    std::snprintf(m_tray.szTip, sizeof m_tray.szTip, "%s %s Version", kProductName, kVersionLabel);
    ::Shell_NotifyIconA(NIM_ADD, &m_tray);
}

SIZE CMainDialog::ScreenSize() const {
    if (m_screenDuringLoad.cx > 0) return m_screenDuringLoad;
    return SIZE{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

void CMainDialog::LoadNotes(int count) {
    // Brought to the foreground once for all the notes; nothing the load
    // does takes it away. The notes have no control the skin takes over.
    ::SetForegroundWindow(m_hWnd);
    CSkinEngine::Pause skinPaused;
    m_screenDuringLoad = ScreenSize();
    for (const std::int32_t id : NoteSectionIds(1, std::min(count, kLastDesktopNoteId))) {
        NoteRecord record;
        if (!ReadNoteRecord({}, id, record)) continue;
        CNoteDialog* note = OpenNoteWindow(record, false, false);
        if (note && note->NoteId() != id) {
            record.noteId = note->NoteId();
            WriteNoteRecord({}, record);
        }
    }
    m_screenDuringLoad = SIZE{};
}

CNoteDialog* CMainDialog::OpenNoteWindow(const NoteRecord& r, bool received, bool imported) {
    auto* note = new CNoteDialog();
    CNoteEdit& body = note->Body();
    note->TakeLook(r, true);
    // A stored note on screen is built out of sight and shown complete: at
    // once, or at the end of start-up on the systems where alpha would have
    // kept it transparent until then.
    const bool stored = !received && !imported && r.hidden != "Yes";
    const bool held = stored && CNoteDialog::AlphaFollowsSettings();
    // Until it is shown, only the note's own windows are busy, and a note
    // has no control the skin takes over. A received note may make room in
    // the data file first, which can ask the user.
    std::optional<CSkinEngine::Pause> skinPaused;
    if (!received) skinPaused.emplace();
    if (!note->CreateNote(m_hWnd, true, !received && !imported)) {
        delete note;
        return nullptr;
    }
    // Colours, fonts and brushes came with the look taken before creation.
    // A received title that is rewritten below is not set twice.
    const bool fromSender = received && !imported;
    const ReplyTitle reply = fromSender ? ReceivedTitle(r.titleText, r.titleFontType) : ReplyTitle{};
    if (!fromSender || reply.replyOffered) note->SetTitle(r.titleText);
    note->ApplyTitleAlignment();

    const SIZE size{r.width, r.height};
    const bool placeWhenShown = stored && r.minimized != "Yes";
    int left = r.left, top = r.top;
    AssignNoteIdentifier(note, received, received ? &size : nullptr, fromSender);

    if (received) {
        // Sized with its cascade move, unless it was not moved.
        const RECT wr = note->GetWindowRect();
        if (wr.right - wr.left != r.width || wr.bottom - wr.top != r.height)
            ::SetWindowPos(note->m_hWnd, nullptr, wr.left, wr.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        const SIZE screen = ScreenSize();
        if (IsOffScreen(left, top, r.width, r.height, screen.cx, screen.cy)) left = top = 0;
        // A note shown whole at the end is placed as it is shown: each move of
        // a top-level window costs as much as showing it.
        if (!placeWhenShown)
            ::SetWindowPos(note->m_hWnd, nullptr, left, top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (r.minimized == "Yes") note->RollUp();
        if (r.hidden == "Yes") {
            note->SetHidden(true);
            EnableShowAll(true);
        }
    }
    if (r.border == "Yes") note->SetBorder(true);
    if (placeWhenShown)
        note->ForceLayoutFor(size);
    else
        note->ForceLayout();
    // Filled once its body has its final size: text wrapped for the
    // template's size would be wrapped again.
    body.SetBodyRtf(r.editText);
    ::SendMessageA(body.m_hWnd, EM_SETSEL, 0, 0);  // a new note opens with its caret at the start
    // Shown once complete: a window laid out and framed while on screen is
    // drawn again for every step.
    const RECT frame{left, top, left + r.width, top + r.height};
    if (held) {
        note->HoldShow(placeWhenShown ? &frame : nullptr);
    } else if (placeWhenShown) {
        ::SetWindowPos(note->m_hWnd, nullptr, left, top, r.width, r.height,
                       SWP_SHOWWINDOW | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (stored) {
        note->ShowWindow(SW_SHOWNOACTIVATE);
    }
    skinPaused.reset();

    if (fromSender) {
        body.replyOffered = reply.replyOffered;
        body.replyTo = reply.replyOffered ? reply.replyTo : std::string();
        if (!reply.replyOffered) note->SetTitle(reply.title);
        note->SetStatusIcon(CNoteDialog::kReceived);
    }
    // Received and imported notes appear here, complete, at the front but not
    // on top; the z-order is settled before the window is on screen. They
    // are opaque from their creation on (alpha 255 at creation).
    if (received && !imported) {
        ::SetWindowPos(note->m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ::SetWindowPos(note->m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (received) note->ShowWindow(SW_SHOW);
    if (imported && !received) note->SetAlpha(255);
    if (!imported) {
        note->m_expiration = r.expiration;
        note->UpdateExpireTip();
        note->UpdateExpireIcon();
        if (note->CheckExpiration()) return nullptr;
    }
    note->m_alarm = r.alarm;
    note->UpdateAlarmTip();
    note->UpdateAlarmIcon();
    note->CheckAlarm();
    // Drawn now, complete, rather than by the message loop once all are made.
    if (note->IsWindowVisible()) ::UpdateWindow(note->m_hWnd);
    // A held note settles when it is shown: its frame is still to come.
    if (!received && !imported && !note->ShowHeld()) note->Settle();
    return note;
}

CNoteDialog* CMainDialog::AssignNoteIdentifier(CNoteDialog* note, bool newNote, const SIZE* size,
                                              bool fromOutside) {
    if (newNote && !fromOutside && MainDataFileFull()) EnforceSizeLimit();
    if (m_screenDuringLoad.cx == 0) ::SetForegroundWindow(m_hWnd);
    ++m_noteCounter;
    const bool created = note == nullptr;
    if (created) {
        note = new CNoteDialog();
        if (!note->CreateNote(m_hWnd)) {
            delete note;
            return nullptr;
        }
    }
    note->SetNoteId(m_noteCounter);

    const RECT wr = note->GetWindowRect();
    const CascadePlacement place =
        PlaceCascaded(m_cascade, Box{wr.left, wr.top, wr.right, wr.bottom}, newNote,
                      ScreenSize().cx, ScreenSize().cy);
    if (place.stop) return note;
    if (place.moved)
        ::SetWindowPos(note->m_hWnd, nullptr, place.window.left, place.window.top, size ? size->cx : 0,
                       size ? size->cy : 0, (size ? 0 : SWP_NOSIZE) | SWP_NOZORDER | SWP_NOACTIVATE);
    // A window handed in (a received or imported note) is shown by its caller
    // once it has its size, frame and layout, so it has nothing to hide
    // behind a transparent window: sized and laid out on screen it would be
    // drawn again for every step.
    if (newNote && created) {
        note->SetAlpha(0);
        note->ShowWindow(SW_SHOW);
    }
    if (newNote && created) {
        CSettingsStore settings;
        const int width = ParseDecimal(settings.ReadDefaultWidth());
        const int height = ParseDecimal(settings.ReadDefaultHeight());
        const RECT now = note->GetWindowRect();
        if (width != 0 && height != 0) {
            ::SetWindowPos(note->m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            settings.WriteDefaultSize(std::to_string(now.right - now.left), std::to_string(now.bottom - now.top));
        }
        note->ApplyRandomTheme();
        if (ReadDefaultThemeBorder() == "Yes")
            note->SetBorder(true);
        else
            note->ApplyLayout();
    }
    return note;
}

CNoteDialog* CMainDialog::NewNote() {
    CNoteDialog* note = AssignNoteIdentifier(nullptr, true);
    WriteNumberOfNotes(m_noteCounter);
    EnableHideAll(true);
    if (note) note->RefreshFromSettings();
    return note;
}

std::vector<CNoteDialog*> CMainDialog::Notes() const {
    struct Search {
        HWND owner;
        std::vector<CNoteDialog*> notes;
    } search{m_hWnd, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (::GetWindow(hwnd, GW_OWNER) == s->owner)
                if (auto* note = dynamic_cast<CNoteDialog*>(CWnd::FromHandle(hwnd))) s->notes.push_back(note);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.notes;
}

void CMainDialog::SetItemPicture(UINT command, bool withPicture) {
    m_mainMenu.SetPicture(command, withPicture ? PictureFor(command) : nullptr);
}

void CMainDialog::EnableShowAll(bool enabled) { m_mainMenu.Enable(ID_SHOW_ALL_NOTES, enabled, enabled ? PictureFor(ID_SHOW_ALL_NOTES) : nullptr); }

void CMainDialog::EnableHideAll(bool enabled) { m_mainMenu.Enable(ID_HIDE_ALL_NOTES, enabled, enabled ? PictureFor(ID_HIDE_ALL_NOTES) : nullptr); }

void CMainDialog::PrepareMenu() {
    bool anyVisible = false;
    for (CNoteDialog* note : Notes()) anyVisible = anyVisible || note->IsWindowVisible();
    EnableHideAll(anyVisible);
    ::EnableMenuItem(m_mainMenu.GetSafeHmenu(), ID_EXPORT_NOTES, MF_BYCOMMAND | (anyVisible ? MF_ENABLED : MF_GRAYED));
}

void CMainDialog::ShowAllNotes() {
    CSettingsStore settings;
    if (settings.IsOn(Switch::ShowAllPasswordYesNo) &&
        !CPasswordDialog::Verify(m_hWnd, settings.ReadShowAllPassword()))
        return;
    for (CNoteDialog* note : Notes())
        if (!note->IsWindowVisible()) ::PostMessageA(note->m_hWnd, WM_NOTE_SHOWHIDE, 1, 0);
    EnableShowAll(false);
    EnableHideAll(true);
}

void CMainDialog::HideAllNotes() {
    for (CNoteDialog* note : Notes())
        if (note->IsWindowVisible()) ::PostMessageA(note->m_hWnd, WM_NOTE_SHOWHIDE, 0, 0);
    EnableShowAll(true);
    EnableHideAll(false);
}

void CMainDialog::ShowAbout() {
    ::EnableMenuItem(m_mainMenu.GetSafeHmenu(), ID_ABOUT, MF_BYCOMMAND | MF_GRAYED);
    // The home page line of the About box is a link to the same page the
    // program folder's shortcut opens.
    class CAboutDialog : public CDialog {
    public:
        CAboutDialog() : CDialog(IDD_ABOUT) {}
        CLinkLabel m_homePage;

    protected:
        BOOL OnInitDialog() override {
            if (m_homePage.SubclassDlgItem(IDC_ABOUT_HOMEPAGE, m_hWnd)) m_homePage.SetLink(kHomePageUrl);
            return TRUE;
        }
    };
    CAboutDialog about;
    about.DoModal(m_hWnd);
    ::EnableMenuItem(m_mainMenu.GetSafeHmenu(), ID_ABOUT, MF_BYCOMMAND | MF_ENABLED);
}

void CMainDialog::ShowSettings() {
    const HMENU menu = m_mainMenu.GetSafeHmenu();
    ::EnableMenuItem(menu, ID_SETTINGS, MF_BYCOMMAND | MF_GRAYED);
    ::EnableMenuItem(menu, ID_ABOUT, MF_BYCOMMAND | MF_GRAYED);
    SettingsEffects effects;
    effects.setHotKey = [this](bool disabled) {
        ::UnregisterHotKey(m_hWnd, kHotKeyId);
        if (!disabled) ::RegisterHotKey(m_hWnd, kHotKeyId, MOD_ALT, 'N');
    };
    effects.setNetworkInterval = [this](int minutes) { m_networkTicker.SetMinutes(minutes); };
    effects.setEmailInterval = [this](int minutes) { m_emailTicker.SetMinutes(minutes); };
    CSettingsSheet sheet(std::move(effects));
    if (sheet.DoModal(m_hWnd) == IDOK)
        for (CNoteDialog* note : Notes())
            if (note->IsWindowVisible()) note->RefreshFromSettings();
    ::EnableMenuItem(menu, ID_SETTINGS, MF_BYCOMMAND | MF_ENABLED);
    ::EnableMenuItem(menu, ID_ABOUT, MF_BYCOMMAND | MF_ENABLED);
}

void CMainDialog::OnTrayNotify(LPARAM mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
        ::SetForegroundWindow(m_hWnd);
        break;
    case WM_LBUTTONDBLCLK:
        ::SetForegroundWindow(m_hWnd);
        if (!m_busy) NewNote();
        break;
    case WM_RBUTTONDOWN:
        ::SetForegroundWindow(m_hWnd);
        if (!m_busy) {
            PrepareMenu();
            m_mainMenu.TrackAtCursor(m_hWnd);
        }
        break;
    default:
        break;
    }
}

BOOL CMainDialog::OnCommand(WPARAM wParam, LPARAM) {
    switch (LOWORD(wParam)) {
    case ID_NEW_NOTE: NewNote(); return TRUE;
    case ID_SHOW_ALL_NOTES: ShowAllNotes(); return TRUE;
    case ID_HIDE_ALL_NOTES: HideAllNotes(); return TRUE;
    case ID_EXPORT_NOTES: ExportNotes(); return TRUE;
    case ID_IMPORT_NOTES: ImportNotes(); return TRUE;
    case ID_ABOUT: ShowAbout(); return TRUE;
    case ID_SETTINGS: ShowSettings(); return TRUE;
    case ID_CHECK_EMAIL_NOTES:
        ShowCheckWaitWindow();
        StartEmailCheck();
        return TRUE;
    case ID_EXIT: DestroyWindow(); return TRUE;
    default: return FALSE;
    }
}

void CMainDialog::ShowCheckWaitWindow() {
    if (m_emailWait) return;
    m_emailWait = new CWaitDialog();
    if (!m_emailWait->Open(m_hWnd, "Checking for new email notes ...", "Note will appear on desktop if found ...", 6)) {
        delete m_emailWait;
        m_emailWait = nullptr;
        return;
    }
    m_emailWaitFlag = true;
}

void CMainDialog::StartEmailCheck() {
    CMapiMail* mail = ProgramMail();
    if (!mail || !mail->IsLoaded() || mail->IsSending() || g_emailCheckRunning) return;
    // Set here as well as by the thread, so that a tick or the menu cannot
    // start a second check before the first has begun.
    g_emailCheckRunning = true;
    if (m_emailThread) ::CloseHandle(m_emailThread);
    if (m_emailCheck.event) ::CloseHandle(m_emailCheck.event);
    m_emailCheck.owner = m_hWnd;
    m_emailCheck.menu = m_mainMenu.GetSafeHmenu();
    m_emailCheck.event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_emailThread = ::CreateThread(nullptr, 0, EmailCheckThread, &m_emailCheck, 0, nullptr);
    if (!m_emailThread) g_emailCheckRunning = false;
}

DWORD WINAPI CMainDialog::EmailCheckThread(LPVOID param) {
    const auto* block = static_cast<const EmailCheckBlock*>(param);
    g_emailCheckRunning = true;
    CMapiMail& mail = *ProgramMail();
    // The program must not end while the mail system may show its logon.
    ::EnableMenuItem(block->menu, ID_CHECK_EMAIL_NOTES, MF_BYCOMMAND | MF_GRAYED);
    ::EnableMenuItem(block->menu, ID_EXIT, MF_BYCOMMAND | MF_GRAYED);
    mail.Reset();
    const bool loggedOn = mail.Logon();
    ::EnableMenuItem(block->menu, ID_EXIT, MF_BYCOMMAND | MF_ENABLED);
    if (loggedOn) {
        // A note e-mail is picked up at once, not at the next tick.
        const HWND owner = block->owner;
        InboxCheckHooks hooks;
        hooks.handedOver = [owner] { ::PostMessageA(owner, WM_HANDED_OVER, 0, 0); };
        hooks.fits = [](const std::string& text) { return DataFileCanTakeOutsideNote(StoredLength(text)); };
        hooks.refused = [owner] {
            ::PostMessageA(owner, WM_NOTE_REFUSED, static_cast<WPARAM>(NoteRefusal::EmailDataFileFull), 0);
        };
        mail.CheckInbox(hooks);
        mail.Logoff();
    }
    ::EnableMenuItem(block->menu, ID_CHECK_EMAIL_NOTES, MF_BYCOMMAND | MF_ENABLED);
    g_emailCheckRunning = false;
    ::PostMessageA(block->owner, WM_EMAIL_CHECK_ENDED, 0, 0);
    ::SetEvent(block->event);
    return 0;
}

void CMainDialog::OnTimer(UINT_PTR) {
    // The e-mail wait window goes once no check is running.
    if (m_emailWaitFlag && !g_emailCheckRunning) {
        if (m_emailWait) {
            m_emailWait->DestroyWindow();
            delete m_emailWait;
            m_emailWait = nullptr;
        }
        m_emailWaitFlag = false;
    }
    // Notes handed over by the receiving server and the e-mail check.
    PickUpHandedOverNotes();
    // The periodic e-mail check.
    if (m_emailTicker.Tick()) StartEmailCheck();
    // The periodic read of the network neighbourhood.
    if (m_networkTicker.Tick()) ReadNetworkNeighbourhood(m_hWnd);
}

void CMainDialog::PickUpHandedOverNotes() {
    // A message box or the size-limit dialog opened while a note is created
    // runs a message loop of its own; a pick-up from there would make notes
    // behind the user's back. The value waits, and is taken once the note
    // in hand is done: a wake that came meanwhile is not lost to the tick.
    if (m_pickingUp) {
        m_pickUpAgain = true;
        return;
    }
    m_pickingUp = true;
    // The sound announces a note on the desktop: none for a flood (its
    // warning has its own) or a note that expired on arrival.
    do {
        m_pickUpAgain = false;
        if (auto text = m_handOver.TakeReceivedNote())
            if (CreateNoteFromData(*text)) PlayArrivalSound();
        if (auto text = m_handOver.TakeEmailNote())
            if (CreateNoteFromData(*text)) PlayArrivalSound();
    } while (m_pickUpAgain);
    m_pickingUp = false;
}

void CMainDialog::PlayArrivalSound() {
    if (CSettingsStore().IsOn(Switch::PlaySound))
        ondemand::PlaySoundA(MAKEINTRESOURCEA(IDR_SOUND), TheApp().m_hInstance, SND_RESOURCE | SND_ASYNC);
}

void CMainDialog::StartServerThread() {
    if (m_server) return;
    const HWND self = m_hWnd;
    m_handOverSignal.SetWake([self] { ::PostMessageA(self, WM_HANDED_OVER, 0, 0); });
    NoteServerOptions options;
    options.signal = &m_handOverSignal;
    options.onRefused = [self](NoteRefusal why, net::Ipv4 peer) {
        ::PostMessageA(self, WM_NOTE_REFUSED, static_cast<WPARAM>(why), static_cast<LPARAM>(peer.networkOrder));
    };
    options.storedLength = StoredLength;
    m_server = std::make_unique<CNoteServer>(std::move(options));
    m_server->Start();
}

void CMainDialog::ShowRefusedNote(WPARAM why, LPARAM peer) {
    if (why >= std::size(m_told) || m_told[why]) return;
    m_told[why] = true;
    const std::string from = net::Ipv4ToText(net::Ipv4{static_cast<std::uint32_t>(peer)});
    NOTIFYICONDATAA balloon = m_tray;
    balloon.uFlags = NIF_INFO;
    balloon.dwInfoFlags = NIIF_WARNING;
    balloon.uTimeout = 15000;
    std::snprintf(balloon.szInfoTitle, sizeof balloon.szInfoTitle, "%s", kProductName);
    // In NoteRefusal's order. A note no data file could keep must not send
    // the user off to delete notes for nothing.
    static const char* const kTexts[] = {
        "Note from %s is refused !\nMain ini file is almost full, delete some\n"
        "of your old notes to receive notes again ...",
        "Too many notes from %s !\nMore than 20 notes in one minute from\none computer are refused ...",
        "Email note is left in your Inbox !\nMain ini file is almost full, delete some\n"
        "of your old notes and check for email notes again ...",
        "Note from %s is refused !\nIt is too large to keep,\nyour own notes are not touched ...",
    };
    static_assert(std::size(kTexts) == sizeof m_told / sizeof m_told[0]);
    std::snprintf(balloon.szInfo, sizeof balloon.szInfo, kTexts[why], from.c_str());
    ::Shell_NotifyIconA(NIM_MODIFY, &balloon);
}

void CMainDialog::StopServerThread() {
    if (!m_server) return;
    m_server->Stop();
    m_server.reset();
}

CNoteDialog* CMainDialog::CreateNoteFromData(const std::string& noteData) {
    const LocalTime now = LocalNow();
    ReceivedNote received = ParseNoteData(noteData, now.hour, now.minute);
    if (received.flood) {
        // Receiving goes off before the warning shows: the warning's own
        // message loop keeps the tick running, and a flood must not open a
        // warning per note. The partial note is not worth showing.
        if (!m_receivingOff) {
            m_receivingOff = true;
            StopServerThread();
            ShowFloodWarning();
        }
        return nullptr;
    }
    MakeOutsideNoteSafe(received.record, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    CNoteDialog* note = OpenNoteWindow(received.record, true, false);
    // The sender has been told the note arrived: from now on it must
    // survive a crash, not wait for its first store moment.
    std::vector<CNoteDialog*> stored;
    if (note) stored.push_back(note);
    if (!StoreNotesWithCount(stored)) ShowNotice("Error writing to ini file.");
    return note;
}

bool CMainDialog::StoreNotesWithCount(const std::vector<CNoteDialog*>& notes) {
    // One replacement of the file: the count never names a section that is
    // not there yet, and a hundred notes cost one write, not a hundred.
    ini::Batch batch(MainDataFilePath());
    for (CNoteDialog* note : notes)
        if (!note->IsDeleted() && note->NoteId() >= kFirstStorableNoteId && note->NoteId() <= kLastStorableNoteId)
            StageNoteRecord(batch, note->BuildRecord());
    batch.Write("PINWELL", "NumberOfNotes", std::to_string(m_noteCounter));
    return batch.Commit();
}

bool CMainDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE) {
            ShowWindow(SW_HIDE);
            result = 0;
            return true;
        }
        return false;
    case WM_PAINT:
        if (::IsIconic(m_hWnd)) {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(m_hWnd, &ps);
            RECT rc;
            ::GetClientRect(m_hWnd, &rc);
            const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
            ::DrawIcon(dc, (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, m_icon);
            ::EndPaint(m_hWnd, &ps);
            result = 0;
            return true;
        }
        return false;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_icon);
        return true;
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
        // Log-off and shut-down end the process without the exit sequence.
        // Storing already at the question keeps the notes even when the end
        // is forced; no message box: nobody is there to answer it.
        if (msg == WM_QUERYENDSESSION || wParam) StoreNotesWithCount(Notes());
        result = msg == WM_QUERYENDSESSION ? TRUE : 0;
        return true;
    case WM_HANDED_OVER:
        PickUpHandedOverNotes();
        result = 0;
        return true;
    case WM_NOTE_HIDDEN:
        EnableShowAll(true);
        result = 0;
        return true;
    case WM_NOTE_REFUSED:
        ShowRefusedNote(wParam, lParam);
        result = 0;
        return true;
    case WM_TRAY_CALLBACK:
        OnTrayNotify(lParam);
        result = 0;
        return true;
    case WM_EMAIL_CHECK_ENDED:
        // The check-finished flag: the next tick closes the wait window.
        m_emailWaitFlag = true;
        result = 0;
        return true;
    case WM_HOTKEY:
        ::SetForegroundWindow(m_hWnd);
        if (!m_busy) NewNote();
        result = 0;
        return true;
    default:
        if (m_taskbarCreated && msg == m_taskbarCreated) {
            AddTrayIcon();
            result = 0;
            return true;
        }
        return false;
    }
}

void CMainDialog::ShowFloodWarning() {
    ondemand::PlaySoundA(MAKEINTRESOURCEA(IDR_SOUND), TheApp().m_hInstance, SND_RESOURCE | SND_ASYNC);
    ::MessageBoxA(nullptr,
                  "Possible silent flood or buffer-overflow attack !\nReceiving notes is now disabled because "
                  "of security reasons !\nRestart program if you want to enable receiving notes feature.",
                  kProductName, MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
}

BOOL CMainDialog::DestroyWindow() {
    if (!StoreNotesWithCount(Notes())) ShowNotice("Error writing to ini file.");
    if (m_timer) ::KillTimer(m_hWnd, kTickTimer);
    m_timer = 0;
    StopServerThread();
    // A check still scanning is let go of any note it waits to hand over (the
    // note stays in the data file for the next start) and given a moment to
    // end, since it works on this dialog's menu.
    if (g_emailCheckRunning && m_emailCheck.event) {
        if (CMapiMail* mail = ProgramMail()) mail->AbandonWaits();
        ::WaitForSingleObject(m_emailCheck.event, kEmailCheckExitWaitMs);
    }
    if (m_emailWait) {
        m_emailWait->DestroyWindow();
        delete m_emailWait;
        m_emailWait = nullptr;
    }
    return CDialog::DestroyWindow();
}

void CMainDialog::OnDestroy() {
    ::UnregisterHotKey(m_hWnd, kHotKeyId);
    ::Shell_NotifyIconA(NIM_DELETE, &m_tray);
}

void CMainDialog::ExportNotes() {
    CImportExportDialog dialog(CImportExportDialog::kExport);
    for (std::int32_t id = 1; id <= NoteIdentifierCounter(); ++id) {
        NoteRecord r;
        if (ReadNoteRecord({}, id, r)) dialog.m_noteEntries.push_back(NoteListEntry(r.titleText, id, r.hidden == "Yes"));
    }
    if (dialog.DoModal(m_hWnd) != IDOK || dialog.m_result.empty()) return;
    std::string path;
    if (!ChooseExportFile(m_hWnd, {}, path)) return;
    const std::string when = ExportTimeNow();
    for (std::int32_t id : ParseIdList(dialog.m_result)) {
        NoteRecord r;
        // A note deleted meanwhile is skipped; a failed write is reported
        // and the others are still exported.
        if (ReadNoteRecord({}, id, r)) AppendNoteToExportFile(path, r, r.titleText, when);
    }
}

void CMainDialog::ImportNotes() {
    std::string path;
    if (!ChooseImportFile(m_hWnd, path)) return;
    CImportExportDialog dialog(CImportExportDialog::kImportMany);
    dialog.m_filePath = path;
    dialog.m_indexEntries = ReadExportIndex(path);
    if (dialog.DoModal(m_hWnd) != IDOK) return;
    for (std::int32_t section : dialog.m_checkedSections) {
        NoteRecord r;
        if (!ReadNoteRecord(path, section, r)) continue;
        r.expiration.clear();
        MakeOutsideNoteSafe(r, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
        OpenNoteWindow(r, true, true);
    }
}

void CMainDialog::EnforceSizeLimit() {
    // A note received while the delete list is up must not open a second one.
    if (m_busy) return;
    m_busy = true;
    for (CNoteDialog* note : Notes())
        if (note->IsWindowVisible()) ::EnableWindow(note->m_hWnd, FALSE);

    CleanDataFile(m_hWnd, CleanMode::Size, m_noteCounter);
    while (MainDataFileFull()) {
        CImportExportDialog dialog(CImportExportDialog::kDelete);
        for (std::int32_t id = 1; id <= m_noteCounter; ++id) {
            NoteRecord r;
            if (ReadNoteRecord({}, id, r))
                dialog.m_noteEntries.push_back(NoteListEntry(r.titleText, id, r.hidden == "Yes"));
        }
        // With no note left to delete the file cannot shrink this way (its
        // bulk is themes or groups); a list that can be neither used nor
        // closed would hold the program forever, so the new note goes ahead.
        if (dialog.m_noteEntries.empty()) break;
        if (dialog.DoModal(m_hWnd) != IDOK) continue;
        for (std::int32_t id : ParseIdList(dialog.m_result)) {
            for (CNoteDialog* note : Notes()) {
                if (note->NoteId() == id) {
                    note->DeleteNote(false);
                    break;
                }
            }
            DeleteNoteSection(id);
        }
    }

    for (CNoteDialog* note : Notes())
        if (note->IsWindowVisible()) ::EnableWindow(note->m_hWnd, TRUE);
    m_busy = false;
}
