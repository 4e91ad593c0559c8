#pragma once
// System libraries the program needs only once the user asks for something
// (a file, font, colour or print dialog, the arrival sound, an e-mail
// check) are loaded at that moment, not at start: the common dialogs alone
// hold several megabytes of every running copy. Each call behaves as the
// system function of the same name; a library or function that cannot be
// found answers as that function does when it fails (no dialog, no sound,
// not connected).
#include <windows.h>
#include <commdlg.h>

namespace ondemand {

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn);
BOOL GetSaveFileNameA(OPENFILENAMEA* ofn);
DWORD CommDlgExtendedError();
BOOL PrintDlgA(PRINTDLGA* pd);
BOOL ChooseFontA(CHOOSEFONTA* cf);
BOOL ChooseColorA(CHOOSECOLORA* cc);
HWND FindTextA(FINDREPLACEA* fr);
BOOL PlaySoundA(LPCSTR sound, HMODULE module, DWORD flags);
BOOL InternetGetConnectedState(DWORD* flags, DWORD reserved);

}  // namespace ondemand
