// The hidden main dialog: tray icon, main menu, hot key, the 500 ms timer,
// and the owner of every note window.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "note/Cascade.h"
#include "store/HandOver.h"
#include "store/NoteRecord.h"
#include "win/Dialog.h"
#include "win/Menu.h"

class CNoteDialog;
class CNoteServer;
class CWaitDialog;

constexpr UINT WM_TRAY_CALLBACK = WM_USER + 1;
// Posted by the e-mail check thread when the check has ended.
constexpr UINT WM_EMAIL_CHECK_ENDED = WM_APP + 20;
// Posted by a worker thread that has just written a hand-over value.
constexpr UINT WM_HANDED_OVER = WM_APP + 1;
// Posted by the server thread for a note it refused, and by the e-mail check
// for a note e-mail it left in the Inbox: the NoteRefusal in wParam, the
// sender's IPv4 address (network order) in lParam (0 for an e-mail).
constexpr UINT WM_NOTE_REFUSED = WM_APP + 2;

class CMainDialog : public CDialog {
public:
    CMainDialog();
    ~CMainDialog() override;

    BOOL DestroyWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    // Creates a note window from a record (stored, received or imported).
    CNoteDialog* OpenNoteWindow(const NoteRecord& record, bool received, bool imported);
    // Gives a note the next identifier; for a new note (note == nullptr
    // creates one) also places, sizes and shows it.
    // size, for a window handed in: the size it is to have, given to it in
    // the same step as a cascade move (it is placed by the size it has).
    // A note from outside never opens the list that makes the user delete
    // notes: the server and the e-mail check refuse what the file cannot
    // take, and one already acknowledged is kept even past the limit.
    CNoteDialog* AssignNoteIdentifier(CNoteDialog* note, bool newNote, const SIZE* size = nullptr,
                                      bool fromOutside = false);
    void LoadNotes(int count);
    // The primary screen's size; asked of the system once for all the notes
    // of the start, as every asking is a round of the window system's own.
    SIZE ScreenSize() const;
    SIZE m_screenDuringLoad{};
    // The "New note" command.
    CNoteDialog* NewNote();

    // Every note window owned by this dialog.
    std::vector<CNoteDialog*> Notes() const;

    // "Show all notes" is enabled (with its picture) while a note may be hidden.
    void EnableShowAll(bool enabled);
    void EnableHideAll(bool enabled);

    int NoteIdentifierCounter() const { return m_noteCounter; }

    // Turns a received note data text into a note on the desktop.
    CNoteDialog* CreateNoteFromData(const std::string& noteData);
    // The receiving server (started at the end of start-up).
    void StartServerThread();
    void StopServerThread();

    // The wait window shown while an e-mail check runs; the tick closes it
    // once no check is running.
    void ShowCheckWaitWindow();
    // One Inbox scan for note e-mails on a thread of its own; nothing when a
    // check is running already or there is no mail system.
    void StartEmailCheck();
    // A new note with the main data file at its size limit: clean up, then
    // make the user delete notes until the file is under the limit.
    void EnforceSizeLimit();
    // The alarm and the stop box after a flood turned receiving off.
    void ShowFloodWarning();
    // The tray's "Export note(s)" and "Import note(s)".
    void ExportNotes();
    void ImportNotes();
    const CMenu& MainMenu() const { return m_mainMenu; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;

private:
    void AddTrayIcon();
    void OnTrayNotify(LPARAM mouseMessage);
    void PrepareMenu();
    void ShowAllNotes();
    void HideAllNotes();
    void ShowAbout();
    // The settings dialog; "Settings" and "About" are greyed while it is open.
    void ShowSettings();
    void PlayArrivalSound();
    // Tells the user, once a session for each reason, in a balloon of the
    // tray icon, that notes from another computer or note e-mails were
    // refused (peer: the computer's address; none for an e-mail).
    void ShowRefusedNote(WPARAM why, LPARAM peer);
    // Stores the notes and NumberOfNotes in one write of the main data file.
    bool StoreNotesWithCount(const std::vector<CNoteDialog*>& notes);
    // The tick's steps for handed-over notes; also run at once when a worker
    // wakes the dialog.
    void PickUpHandedOverNotes();
    void SetItemPicture(UINT command, bool withPicture);
    static DWORD WINAPI EmailCheckThread(LPVOID block);

    UINT m_taskbarCreated = 0;
    HICON m_icon = nullptr;
    HICON m_smallIcon = nullptr;
    NOTIFYICONDATAA m_tray{};
    CMenu m_mainMenu;
    int m_noteCounter = 0;
    CascadeState m_cascade;
    UINT_PTR m_timer = 0;
    CHandOverSignal m_handOverSignal;
    CHandOverPickup m_handOver{{}, &m_handOverSignal};
    bool m_pickingUp = false;
    bool m_pickUpAgain = false;
    CIntervalTicker m_networkTicker;
    CIntervalTicker m_emailTicker;
    std::unique_ptr<CNoteServer> m_server;
    CWaitDialog* m_emailWait = nullptr;
    // Set by the wait window and by the end of a check: the tick closes the
    // wait window once no check runs.
    bool m_emailWaitFlag = false;
    // The check thread touches nothing of the dialog itself: it may outlive
    // it at exit.
    struct EmailCheckBlock {
        HWND owner = nullptr;    // told WM_EMAIL_CHECK_ENDED
        HMENU menu = nullptr;    // the tray menu, items greyed meanwhile
        HANDLE event = nullptr;  // signalled when the check has ended
    } m_emailCheck;
    HANDLE m_emailThread = nullptr;
    bool m_busy = false;
    bool m_receivingOff = false;  // after a flood, until the next start
    // Balloons already shown this session, one for each NoteRefusal.
    bool m_told[4] = {};
};
