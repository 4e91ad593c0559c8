// One note on the desktop: a borderless modeless dialog (template 130) with
// a coloured 20-pixel title strip and a rich-text body.
#pragma once

#include <windows.h>

#include <string>

#include "note/AlarmSchedule.h"
#include "note/NoteEdit.h"
#include "note/NoteGeometry.h"
#include "note/NoteWindowForBody.h"
#include "res/resource.h"
#include "store/NoteRecord.h"
#include "win/Dialog.h"
#include "win/Gdi.h"
#include "win/Menu.h"

// The show/hide request: wParam 1 shows the note, 0 hides it.
constexpr UINT WM_NOTE_SHOWHIDE = WM_USER + 2;
// Posted to itself at creation: changes from then on are the user's.
constexpr UINT WM_NOTE_SETTLED = WM_APP + 1;
// Sent to the note's owner when the note hides itself: "Show all notes" has
// something to show again.
constexpr UINT WM_NOTE_HIDDEN = WM_APP + 21;

// The strip's status, expire and alarm pictures (bitmaps 181-183, 193-195),
// shared by every note. The program loads them once at start-up; a note
// made without that (a window test) loads them on first use.
void LoadNoteIconBitmaps();
HBITMAP NoteIconBitmap(int resourceId);

class CNoteDialog : public CDialog, public INoteWindowForBody {
public:
    CNoteDialog();

    // Creates the window, owned by owner (the main dialog).
    // fromRecord: the caller has given the note a record's look (TakeLook)
    // and will title, size and lay it out itself.
    // settledByCaller: the caller calls Settle once the note is built;
    // otherwise the note settles when the creator's message is done.
    BOOL CreateNote(HWND owner, bool fromRecord = false, bool settledByCaller = false);
    // From now on a change to the note is the user's, and is stored.
    void Settle() { m_settled = true; }

    enum StatusKind { kReceived = 0, kSent = 1, kSendFailed = 2 };

    int NoteId() const { return m_noteId; }
    bool IsDeleted() const { return m_deleted; }
    void SetNoteId(int id) { m_noteId = id; }
    bool IsRolledUp() const { return m_rolledUp; }
    bool IsHiddenNote() const { return m_hidden; }
    CNoteEdit& Body() { return m_body; }

    // The record as it would be stored now.
    NoteRecord BuildRecord() const;
    // Writes the note's whole record (empty file name = main data file).
    void StoreNote(const std::string& fileName);
    void StoreNote() override { StoreNote(std::string()); }

    void RollUp();
    void RollDown();
    void ToggleRoll();
    void SetBorder(bool on) override;
    bool HasBorder() const override { return m_border; }
    void OnNoteCommand(UINT command) override;
    void SetHidden(bool hidden) { m_hidden = hidden; }
    // Deletes the note: asks first when ask is set and AskBeforeDelete is
    // "Yes". Returns false when the user said No. The window is gone after.
    bool DeleteNote(bool ask);
    void HideNote();
    void FadeOut();
    void SetStatusIcon(int kind);
    bool HasStatusMark(int kind) const { return m_statusMarks[kind]; }
    void LoadRecordIntoNote(const NoteRecord& record);
    // Takes the colours (and, with fonts, the fonts) of a record or theme
    // into the note's state; applying them to the window is the caller's.
    void TakeLook(const NoteRecord& record, bool fonts);

    // Alarm and expiration.
    bool CheckExpiration();  // true when the note expired and is gone
    void CheckAlarm();
    void UpdateAlarmIcon();
    void UpdateExpireIcon();
    void UpdateAlarmTip();
    void UpdateExpireTip();
    void SetAlarm();
    void SetExpiration();
    bool IsRinging() const { return m_alarmState.IsRinging(); }

    // Sending.
    void SendToGroup(const std::string& groupName);
    void ReplyToSender();
    void SendToOther();
    std::string PlainBodyText() const;

    // The body menu's file commands and printing (the body passes itself).
    void OpenFileIntoNote();
    void SaveNoteAs();
    void SaveNoteAsPicture();
    void PrintNote(HWND body);

    // Themes.
    void ApplyTheme(std::int32_t themeId);
    void SaveThemeRecord(std::int32_t themeId);
    void ApplyRandomTheme();

    // Title strip commands.
    void ToggleTitleStyle(char letter);  // 'B', 'I', 'U', 'S', or 0 for regular
    void StepTitleFontSize(int step);
    void ChooseTitleFont();
    void EditTitle();
    void ChangeTitleCase(bool upper);
    void SetBodyBackColor(COLORREF colour) override;
    void SetTitleBackColor(COLORREF colour);
    void SetTitleTextColor(COLORREF colour);
    // align false: the caller aligns the title once it has its text.
    void RebuildTitleFont(bool align = true);
    void AlignTitle(char letter);
    // The alignment the title font type asks for, applied to the title text.
    void ApplyTitleAlignment();
    void SetDefaultTitle();
    void SetDateTitle();
    void SetTitle(const std::string& text);
    std::string TitleText() const;
    void SetAlpha(BYTE alpha);
    // Whether SetAlpha changes anything on the system the note runs on.
    static bool AlphaFollowsSettings();
    // A note built while the user must not see it yet is kept hidden rather
    // than shown transparent: it then needs no layer. ShowHeldNote shows it
    // with the frame given here (none: where it is), up to the settings and
    // drawn at once.
    void HoldShow(const RECT* frame);
    bool ShowHeld() const { return m_showHeld; }
    void ShowHeldNote();
    void RefreshFromSettings();
    // Runs the layout even when the size did not change.
    void ForceLayout();
    // Lays the note out for a frame of this size, which the window is about
    // to be given.
    void ForceLayoutFor(SIZE frame);
    void ApplyLayout();

    // Title state, also taken from records and themes.
    COLORREF m_titleTextColor = RGB(0, 0, 0);
    COLORREF m_titleBackColor = RGB(255, 255, 255);
    std::string m_titleFontName = "Verdana";
    std::string m_titleFontType = "C";
    int m_titleFontSize = 8;
    BYTE m_titleCharSet = DEFAULT_CHARSET;

    std::string m_expiration;
    std::string m_alarm;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;
    BOOL PreTranslateMessage(MSG* msg) override;

private:
    void ApplyFrameStyle(bool withBorder);
    // Something the record holds changed: store the note once the changes
    // pause, so that a crash costs at most the last two seconds.
    void NoteChanged();
    void SetRawAlpha(BYTE alpha);
    // RefreshFromSettings between its alpha steps.
    void ApplyRunTimeSettings();
    void ShowCloseMenu();
    void ShowTitleMenu();
    void PrepareRollItem(const CMenu& menu);
    // The title and close menus, loaded the first time one is opened.
    void LoadNoteMenus();
    // The tooltip is made when the mouse first comes to the note: a window
    // per note that nobody has pointed at yet is start-up time for nothing.
    void CreateTooltip();
    void ApplyTitleLogFont(const LOGFONTA& font);
    LOGFONTA TitleLogFont() const;
    void ChooseColour(COLORREF& colour);
    void SetToolText(int controlId, const std::string& text);
    // The strip icon with this id (roll down, status, expire or alarm), made
    // the first time it is asked for.
    HWND StripIcon(int controlId);
    // One of the note's own controls (body, title, close, strip icons), kept
    // once found: a lookup through the system walks the note's children, a
    // round trip to the window server under Wine, many times per note.
    HWND Control(int id) const;
    void Repaint();
    void Paint();
    void WatchSchedule();
    void SendIconTool(UINT message, int controlId, HWND icon);
    int IconBaseX() const;
    bool OnThemeCommand(UINT command);
    LRESULT HitTest(LPARAM lParam, LRESULT defaultAnswer) const;

    CNoteEdit m_body;
    int m_noteId = 0;
    bool m_deleted = false;
    bool m_settled = false;  // built and on screen: changes now are the user's
    bool m_rolledUp = false;
    bool m_border = false;
    bool m_hidden = false;
    RECT m_savedFrame{};
    // The size and frame the controls were last placed for.
    int m_laidOutWidth = -1, m_laidOutHeight = -1;
    bool m_laidOutBorder = false;
    void LayOut(int width, int height);
    bool m_scrollBarShown = true;  // the body's template has the bar
    bool m_fromRecord = false;
    bool m_settledByCaller = false;
    bool m_watching = false;  // the schedule's timer runs
    // Built out of sight, to be shown with this frame (or where it is).
    bool m_showHeld = false;
    bool m_heldWithFrame = false;
    RECT m_heldFrame{};
    // A note from a record is moved, sized and framed by its creator step
    // by step: it is laid out once, when the creator asks (ForceLayout).
    bool m_layoutDeferred = false;
    CFont m_titleFont;
    CBrush m_bodyBrush;
    CBrush m_titleBrush;
    HMODULE m_user32 = nullptr;
    int m_alpha = -1;  // the layered alpha last set; -1 before the first
    CMenu m_titleMenu;
    CMenu m_closeMenu;
    HWND m_tooltip = nullptr;
    // The tips' texts until the tooltip exists.
    std::string m_alarmTip = "Note alarm icon.";
    std::string m_expireTip = "Note expire icon.";
    bool m_controlDown = false;
    bool m_statusMarks[3] = {false, false, false};
    CAlarmState m_alarmState;
    mutable HWND m_controls[IDC_ALARM - IDC_NOTE_BODY + 1] = {};
};
