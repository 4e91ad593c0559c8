// The note body: the system's RichEdit 1.0 control (class "RICHEDIT"), the
// body's note font and colours, and the body menu (menu 131), which is the
// main command surface of a note.
//
// The control is subclassed (its window procedure replaced) for the
// right-button press, the menu commands, focus loss, position changes and
// the find dialog's registered message. Commands that concern
// the whole note go to the host through INoteWindowForBody::OnNoteCommand.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <richedit.h>

#include <string>

#include "note/NoteWindowForBody.h"
#include "win/Menu.h"

enum class TextEffect { Bold, Italic, Underline, Strikeout };

// Pixels per logical inch of the screen (the system resolution).
int ScreenPixelsPerInch();

// The modal dialogs the body's commands open; each returns false for Cancel.
// Tests install their own to answer them.
class INoteEditDialogs {
public:
    virtual ~INoteEditDialogs() = default;
    // font: in: the description to start from; out: the choice and its size
    // in tenths of a point.
    virtual bool AskFont(HWND owner, LOGFONTA& font, int& pointSizeTenths) = 0;
    virtual bool AskColour(HWND owner, COLORREF& colour) = 0;
    virtual bool AskParagraph(HWND owner, PARAFORMAT& format) = 0;
};
// Installs dialogs (nullptr: the system's) and returns the previous ones.
INoteEditDialogs* SetNoteEditDialogs(INoteEditDialogs* dialogs);
// The installed dialogs, else the system's.
INoteEditDialogs& NoteEditDialogs();

class CNoteEdit {
public:
    CNoteEdit();
    ~CNoteEdit();
    CNoteEdit(const CNoteEdit&) = delete;
    CNoteEdit& operator=(const CNoteEdit&) = delete;

    HWND m_hWnd = nullptr;

    // The note font: what a new body is typed in, stored with the note.
    std::string fontName = "Verdana";
    std::string fontType;  // style letters B, I, U, S
    int fontSize = 8;      // points
    BYTE charSet = DEFAULT_CHARSET;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF backColor = RGB(255, 255, 255);

    // A received note offers "Reply to " + replyTo in the body menu. Set by
    // the note window; not stored.
    bool replyOffered = false;
    std::string replyTo;

    // The full text of the menu item whose command was last passed to the
    // host's OnNoteCommand. For a group slot (the commands in
    // kGroupSlotCommands) it is the group name to send to; it is set before
    // OnNoteCommand runs and stays until the next forwarded command.
    std::string lastMenuItemText;

    // Binds the object to the control and subclasses it. The host must
    // outlive the control.
    void Attach(HWND hwnd, INoteWindowForBody* host);

    // The body as RTF, streamed out of and into the control. SetBodyRtf
    // replaces the whole content.
    std::string GetBodyRtf() const;
    bool SetBodyRtf(const std::string& rtf);

    // Gives the control the note font as its default character format and
    // the note back colour; with coloursOnly only the back colour.
    void ApplyNoteFormat(bool coloursOnly = false);

    // Steps 1-10 of opening the body menu (stores the note, then sets texts,
    // check marks, greying and the rebuilt group and theme slots). Returns
    // the pop-up as it will be shown; it stays owned by this object.
    HMENU PrepareBodyMenu();
    // PrepareBodyMenu, then shows the pop-up at the cursor (modal until the
    // menu closes); the chosen command comes back to the control.
    void BuildBodyMenu();
    // Carries out a command of the body menu as choosing it would. False for
    // a command that is not the body menu's.
    bool ExecuteCommand(UINT command);

    // Opens the modeless find dialog on the body, or brings it forward.
    void OpenFind();
    HWND FindDialog() const { return m_findDialog; }

    // The selection's character effects (the note window's Ctrl+B/I/U/S).
    void ToggleSelectionEffect(TextEffect effect);
    void ClearSelectionEffects();

    // Follows the note window's real z-order.
    bool IsStayOnTop() const;
    bool IsRedoAvailable() const { return m_redoAvailable; }


private:
    static LRESULT CALLBACK BodyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) const;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    void Detach();

    void SetPictures();
    HMENU BodyMenu();
    void RebuildGroupSlots(HMENU sendMenu);
    void RebuildThemeSlots(HMENU themeMenu);

    bool HasSelection() const;
    int PixelsPerInch() const;
    void ChooseNoteFont();
    void ChooseSelectionFont();
    void ChooseNoteTextColor();
    void ChooseSelectionTextColor();
    void ChooseNoteColor();
    void StepSelectionSize(bool increase);
    void SetAlignment(WORD alignment);
    void ToggleBullets();
    void EditParagraph();
    void ConvertSelectionCase(bool upper);
    void ToggleStayOnTop();
    void OnFindMessage(const FINDREPLACEA& request);
    void CloseFind();

    INoteWindowForBody* m_host = nullptr;
    WNDPROC m_previousProc = nullptr;
    CMenu m_menu;
    bool m_redoAvailable = false;
    bool m_stayOnTop = false;

    HWND m_findDialog = nullptr;
    FINDREPLACEA m_find{};
    char m_findWhat[256] = {};
};
