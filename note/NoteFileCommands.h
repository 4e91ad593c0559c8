// A note's life outside the data file, on the window side: the note picture
// (a screen copy of the note window written as "Note.bmp", for JPEG also
// "Note24.bmp" and "Note.jpg"), the body menu's "Open ...", "Save note as
// ...", "Save note as picture" and "Print note".
//
// The temporary picture files live in NotePictureFolder(): the data folder,
// which the program can write even when its own folder is read-only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/NetworkNeighbourhood.h"

class CNoteDialog;

// Where "Note.bmp", "Note24.bmp" and "Note.jpg" are made.
std::string NotePictureFolder();
// NotePictureFolder() + "\" + name.
std::string NotePicturePath(const char* name);

// Copies the note window as the screen shows it into a DIB block
// (BITMAPINFOHEADER, colour table, rows): the screen's depth, 16 bits for a
// 24-bit screen. False when any step fails.
bool CaptureWindowDib(HWND window, std::vector<std::uint8_t>& dib);

// Makes "Note.bmp" of the note window and, for format "jpg", "Note24.bmp"
// and "Note.jpg". The path of the picture in that format when every file it
// needs was written, "" otherwise. The callers DeleteNotePictureFiles
// afterwards.
std::string CreateNotePicture(HWND note, const std::string& format);
// CreateNotePicture, the result copied over target, the temporary files
// deleted (also after a failure). True when the target was written.
bool SaveNotePicture(const std::string& target, const std::string& format, HWND note);
// Deletes whichever temporary picture files exist; names the ones that
// could not be deleted in a message.
void DeleteNotePictureFiles();

// The body menu's file commands and printing, for the note window.
void OpenFileIntoNote(CNoteDialog& note);
void SaveNoteAs(CNoteDialog& note);
void SaveNoteAsPicture(CNoteDialog& note);
void PrintNote(CNoteDialog& note, HWND body);

// Prints the note onto dc, whose first page has been started: the title on
// the first page, the body from three title lines down, calling pageBreak
// between pages. A pass that places no character ends the printing. Returns
// the number of pages used.
int PrintNoteOn(HDC dc, CNoteDialog& note, HWND body, const std::function<void()>& pageBreak);

// Whatever a file command did, the program's own folder is the current one
// after it (the file dialogs move it).
class ProgramFolderAfter {
public:
    ProgramFolderAfter() = default;
    ~ProgramFolderAfter() { ::SetCurrentDirectoryA(ProgramFolder().c_str()); }
    ProgramFolderAfter(const ProgramFolderAfter&) = delete;
    ProgramFolderAfter& operator=(const ProgramFolderAfter&) = delete;
};

// A file, not a folder, is there.
bool FileExists(const std::string& path);

// The dialogs the commands open, replaceable so that tests can answer them.
struct NoteFileDialog {
    bool save = false;
    const char* filter = "";  // '|'-separated
    const char* defaultExtension = "";
    std::string defaultName;
};
// Shows the file dialog; false for Cancel, else path is the choice.
extern bool (*g_noteFileDialog)(HWND owner, const NoteFileDialog& request, std::string& path);
// The print dialog in its setup form: a printer device context, or null
// when the user did not press OK.
extern HDC (*g_notePrintSetup)(HWND owner);
