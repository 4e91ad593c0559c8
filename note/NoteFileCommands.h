// The body menu's "Open ...", "Save note as ..." and "Save note as picture",
// and the file dialog they and the note's export and import open.
#pragma once

#include <windows.h>

#include <string>

#include "win/Program.h"

class CNoteDialog;

void OpenFileIntoNote(CNoteDialog& note);
void SaveNoteAs(CNoteDialog& note);
void SaveNoteAsPicture(CNoteDialog& note);

struct NoteFileDialog {
    bool save = false;
    const char* filter = "";  // '|'-separated
    const char* defaultExtension = "";
    std::string defaultName;
};
// The file dialog; tests install their own to answer it.
class INoteFileDialog {
public:
    virtual ~INoteFileDialog() = default;
    // False for Cancel, else path is the choice.
    virtual bool Ask(HWND owner, const NoteFileDialog& request, std::string& path) = 0;
};
// Installs a file dialog (nullptr: the system's) and returns the previous one.
INoteFileDialog* SetNoteFileDialog(INoteFileDialog* dialog);
// Shows the installed file dialog.
bool AskForFileName(HWND owner, const NoteFileDialog& request, std::string& path);
