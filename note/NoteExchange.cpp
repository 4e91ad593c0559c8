#include "note/NoteExchange.h"

#include <richedit.h>

#include "base/Seams.h"
#include "dialogs/ImportExportDialog.h"
#include "note/NoteDialog.h"
#include "note/NoteFileCommands.h"
#include "note/NotePictureFile.h"
#include "note/RtfFilter.h"
#include "store/ExportFile.h"
#include "store/NoteRecord.h"

std::string ExportTimeNow() {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return ExportDateTime(t.wDay, t.wMonth, t.wYear, t.wHour, t.wMinute, t.wSecond);
}

namespace {

// The caret goes back to the start of the body after every file dialog.
void CaretToStart(CNoteDialog& note) { ::SendMessageA(note.Body().m_hWnd, EM_SETSEL, 0, 0); }

}  // namespace

bool ChooseExportFile(HWND owner, const std::string& proposed, std::string& path) {
    ProgramFolderAfter restore;
    NoteFileDialog request;
    request.save = true;
    request.filter = kExportFilter;
    request.defaultExtension = kExportExtension;
    request.defaultName = proposed;
    for (;;) {
        if (!AskForFileName(owner, request, path)) return false;
        if (LowerExtension(path) == kExportExtension) break;
        ShowNotice(kExportWrongExtension, NoticeIcon::Warning);
    }
    if (!FileExists(path)) return true;

    char question[1024];
    std::snprintf(question, sizeof question, kExportReplaceQuestion, FileNameOnly(path).c_str());
    switch (::MessageBoxA(owner, question, "Pinwell", MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        if (::DeleteFileA(path.c_str())) return true;
        ShowNotice(kExportCannotReplace, NoticeIcon::Stop);
        return false;
    case IDNO:
        return true;  // the notes are appended
    default:
        return false;
    }
}

bool ChooseImportFile(HWND owner, std::string& path) {
    ProgramFolderAfter restore;
    NoteFileDialog request;
    request.save = false;
    request.filter = kExportFilter;
    request.defaultExtension = kExportExtension;
    for (;;) {
        if (!AskForFileName(owner, request, path)) return false;
        if (LowerExtension(path) == kExportExtension) return true;
        ShowNotice(kImportWrongExtension, NoticeIcon::Warning);
    }
}

void ExportNote(CNoteDialog& note) {
    std::string path;
    const bool chosen = ChooseExportFile(note.m_hWnd, BareFileName(note.TitleText()), path);
    CaretToStart(note);
    if (chosen) note.StoreNote(path);
}

void ImportIntoNote(CNoteDialog& note) {
    std::string path;
    const bool chosen = ChooseImportFile(note.m_hWnd, path);
    CaretToStart(note);
    if (!chosen) return;
    std::int32_t section = kFirstExportedNoteId;
    if (ReadExportedNotes(path) != 1) {
        CImportExportDialog dialog(CImportExportDialog::kImportOne);
        dialog.m_filePath = path;
        dialog.m_indexEntries = ReadExportIndex(path);
        if (dialog.DoModal(note.m_hWnd) != IDOK || dialog.m_checkedSections.empty()) return;
        section = dialog.m_checkedSections.front();
    }
    NoteRecord r;
    if (!ReadNoteRecord(path, section, r)) return;
    MakeOutsideNoteSafe(r, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    note.LoadRecordIntoNote(r);
}
