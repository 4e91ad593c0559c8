#include "note/NoteFileCommands.h"

#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/Seams.h"
#include "note/NoteDialog.h"
#include "note/NotePicture.h"
#include "note/NotePictureFile.h"
#include "note/RtfFilter.h"
#include "win/OnDemand.h"

namespace {

class CSystemFileDialog : public INoteFileDialog {
public:
    bool Ask(HWND owner, const NoteFileDialog& request, std::string& path) override;
};

Seam<INoteFileDialog> g_fileDialog;

bool CSystemFileDialog::Ask(HWND owner, const NoteFileDialog& request, std::string& path) {
    char file[MAX_PATH] = {};
    lstrcpynA(file, request.defaultName.c_str(), MAX_PATH);
    const std::string filter = DialogFilter(request.filter);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = request.defaultExtension;
    ofn.Flags = OFN_HIDEREADONLY | (request.save ? 0 : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    auto show = [&] { return request.save ? ondemand::GetSaveFileNameA(&ofn) : ondemand::GetOpenFileNameA(&ofn); };
    BOOL chosen = show();
    // A title may hold characters no file name can (the picture keeps its
    // colons); the dialog then refuses to open, so it opens without a name.
    if (!chosen && ondemand::CommDlgExtendedError() == FNERR_INVALIDFILENAME && request.defaultName.size()) {
        file[0] = '\0';
        chosen = show();
    }
    if (!chosen) return false;
    path = file;
    return true;
}

// Shows a file dialog for the note and puts the body's caret at the start
// once it is closed, whichever button closed it.
bool AskForFile(CNoteDialog& note, const NoteFileDialog& request, std::string& path) {
    const bool chosen = AskForFileName(note.m_hWnd, request, path);
    ::SendMessageA(note.Body().m_hWnd, EM_SETSEL, 0, 0);
    return chosen;
}

int Ask(HWND owner, const std::string& question) {
    return ::MessageBoxA(owner, question.c_str(), "Pinwell", MB_YESNOCANCEL | MB_ICONQUESTION);
}

std::string WindowTextOf(HWND window) {
    const int length = ::GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = ::GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

}  // namespace

INoteFileDialog* SetNoteFileDialog(INoteFileDialog* dialog) { return g_fileDialog.Install(dialog); }

bool AskForFileName(HWND owner, const NoteFileDialog& request, std::string& path) {
    static CSystemFileDialog system;
    return g_fileDialog.Or(system).Ask(owner, request, path);
}

void OpenFileIntoNote(CNoteDialog& note) {
    ProgramFolderAfter restore;
    NoteFileDialog request;
    request.filter = kOpenFileFilter;
    request.defaultExtension = "txt";
    std::string path;
    if (!AskForFile(note, request, path)) return;

    std::string text;
    if (!ReadWholeFile(path, text)) {
        ShowNotice(FileProblemMessage(kCanNotOpenFile, path));
        return;
    }
    const std::string ext = LowerExtension(path);
    if (ext == "rtf") {
        note.Body().SetBodyRtf(FilterOutsideRtf(text));
    } else if (ext == "txt") {
        // The control ends at a NUL as the file read in text mode did.
        text.resize(std::strlen(text.c_str()));
        ::SetWindowTextA(note.Body().m_hWnd, WithCrLf(text).c_str());
    }
}

void SaveNoteAs(CNoteDialog& note) {
    ProgramFolderAfter restore;
    NoteFileDialog request;
    request.save = true;
    request.filter = kSaveFileFilter;
    request.defaultExtension = "txt";
    request.defaultName = TextFileDefaultName(note.TitleText());

    std::string path;
    bool append = false;
    for (;;) {
        if (!AskForFile(note, request, path)) return;
        append = false;
        if (!FileExists(path)) break;
        const std::string name = FileNameOf(path);
        if (LowerExtension(path) == "txt") {
            const int answer = Ask(note.m_hWnd, ExistingTextFileQuestion(name));
            if (answer == IDCANCEL) return;
            append = answer == IDNO;
            break;
        }
        const int answer = Ask(note.m_hWnd, ExistingFileQuestion(name));
        if (answer == IDYES) break;
        if (answer != IDNO) return;
        // No: choose another file.
    }

    const std::string ext = LowerExtension(path);
    std::string content;
    if (ext == "rtf" || ext == "doc")
        content = WithCrLf(note.Body().GetBodyRtf());
    else
        content = WithCrLf(PlainTextForSave(WindowTextOf(note.Body().m_hWnd), append));
    if (!WriteTextFile(path, content, append)) ShowNotice(FileProblemMessage(kCanNotCreateFile, path));
}

void SaveNoteAsPicture(CNoteDialog& note) {
    ProgramFolderAfter restore;
    NoteFileDialog request;
    request.save = true;
    request.filter = kSavePictureFilter;
    request.defaultExtension = "bmp";
    request.defaultName = PictureFileDefaultName(note.TitleText());
    std::string path;
    if (!AskForFile(note, request, path)) return;

    const std::string ext = LowerExtension(path);
    if (ext != kPictureFormatBmp && ext != kPictureFormatJpg) return;
    HCURSOR old = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    const bool ok = SaveNotePicture(path, ext, note.m_hWnd);
    ::SetCursor(old);
    if (!ok) ShowNotice(kPictureSaveFailed);
}
