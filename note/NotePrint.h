// "Print note": the note's title and body on the printer the user chooses.
#pragma once

#include <windows.h>

#include <functional>

class CNoteDialog;

void PrintNote(CNoteDialog& note, HWND body);

// Prints the note onto dc, whose first page has been started: the title on
// the first page, the body from three title lines down, calling pageBreak
// between pages. A pass that places no character ends the printing. Returns
// the number of pages used.
int PrintNoteOn(HDC dc, CNoteDialog& note, HWND body, const std::function<void()>& pageBreak);

// The print dialog in its setup form; tests install their own to answer it.
class IPrintSetupDialog {
public:
    virtual ~IPrintSetupDialog() = default;
    // A printer device context, or null when the user did not press OK.
    virtual HDC Ask(HWND owner) = 0;
};
// Installs a print dialog (nullptr: the system's) and returns the previous one.
IPrintSetupDialog* SetPrintSetupDialog(IPrintSetupDialog* dialog);
