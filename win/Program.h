// What every window of the program may know about the program itself: its
// names, its folder, the user and computer it runs for, its menu pictures,
// the temporary note picture files and the message pump of its waits. Kept
// apart from the application object so that a window never reaches up to it.
#pragma once

#include <windows.h>

#include <string>

constexpr char kProductName[] = "Pinwell";
constexpr char kVersionLabel[] = "3.lan";
constexpr char kMutexName[] = "Pinwell Application";
constexpr char kMainCaption[] = "Pinwell";

// The folder the program started in, as the application recorded it at
// start, or the folder of the running executable before that (tests).
std::string ProgramFolder();
void SetProgramFolder(const std::string& folder);

// Whatever a file command did, the program's own folder is the current one
// after it (the file dialogs move it).
class ProgramFolderAfter {
public:
    ProgramFolderAfter() = default;
    ~ProgramFolderAfter() { ::SetCurrentDirectoryA(ProgramFolder().c_str()); }
    ProgramFolderAfter(const ProgramFolderAfter&) = delete;
    ProgramFolderAfter& operator=(const ProgramFolderAfter&) = delete;
};

// Where the program's resources are: the application's module, or the
// running executable where there is no application object (tests).
HINSTANCE ResourceInstance();

// The character set of the screen's font, which new notes and themes start
// with.
BYTE ScreenCharSet();

// A file, not a folder, is there.
bool FileExists(const std::string& path);

// The Windows user name; when it cannot be had, DefName of the setup
// program's user information, else "".
std::string GetUserDisplayName();
// The computer name; when it cannot be had, DefCompany of the same key.
std::string GetComputerLabel();

// Dispatches what is waiting, for a wait that must keep the windows alive. A
// quit request is put back for the loop that owns it; false tells the caller
// to stop waiting.
bool PumpPendingMessages();

// The menu pictures: the application loads them once and owns them.
class IMenuPictures {
public:
    virtual ~IMenuPictures() = default;
    // The picture with that resource number (IDB_MENU_...), or none.
    virtual HBITMAP MenuPicture(int resourceId) const = 0;
};
// Installs the source of the pictures and returns the previous one.
const IMenuPictures* SetMenuPictures(const IMenuPictures* pictures);
// The menu picture with that resource number, or none when no source is
// installed (window tests).
HBITMAP MenuPicture(int resourceId);

// The temporary note picture files: the note makes them, the e-mail attaches
// them. They live in the data folder, which the program can write even when
// its own folder is read-only.
constexpr char kNotePictureBmp[] = "Note.bmp";
constexpr char kNotePicture24Bmp[] = "Note24.bmp";
constexpr char kNotePictureJpg[] = "Note.jpg";
std::string NotePictureFolder();
// NotePictureFolder() + "\" + name.
std::string NotePicturePath(const char* name);
