// Exported note files on the window side: the file dialogs, and the body
// menu's "Export note" and "Import note". The tray's "Export note(s)" and
// "Import note(s)" are the main dialog's.
#pragma once

#include <windows.h>

#include <string>

class CNoteDialog;

// Asks for the file to export into (".pwx" only; an existing file is
// replaced or appended to as the user answers). False when nothing is to be
// written. `proposed` is the name the dialog offers.
bool ChooseExportFile(HWND owner, const std::string& proposed, std::string& path);
// Asks for an existing ".pwx" file to import from.
bool ChooseImportFile(HWND owner, std::string& path);

// The local time as an export file stamps its notes.
std::string ExportTimeNow();

void ExportNote(CNoteDialog& note);
void ImportIntoNote(CNoteDialog& note);
