// The note body: the system's RichEdit 1.0 control (class "RICHEDIT") and
// the body's note font and colours.
#pragma once

#include <windows.h>

#include <string>

#include "note/NoteHost.h"

class CNoteEdit {
public:
    HWND m_hWnd = nullptr;

    // The note font: what a new body is typed in, stored with the note.
    std::string fontName = "Verdana";
    std::string fontType;  // style letters B, I, U, S
    int fontSize = 8;      // points
    BYTE charSet = DEFAULT_CHARSET;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF backColor = RGB(255, 255, 255);

    void Attach(HWND hwnd, INoteHost* host) {
        m_hWnd = hwnd;
        m_host = host;
    }

    // The body as RTF, streamed out of and into the control.
    std::string GetBodyRtf() const;
    bool SetBodyRtf(const std::string& rtf);

    // Gives the whole body the note font and colours.
    void ApplyNoteFormat();

private:
    INoteHost* m_host = nullptr;
};
