#include "note/NoteFileCommands.h"

#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "app/Seams.h"
#include "net/NetworkNeighbourhood.h"
#include "note/NoteDialog.h"
#include "note/NotePictureFile.h"
#include "win/OnDemand.h"

namespace {

bool ShowFileDialog(HWND owner, const NoteFileDialog& request, std::string& path) {
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

HDC ShowPrintSetup(HWND owner) {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.Flags = PD_RETURNDC | PD_PRINTSETUP | PD_NOPAGENUMS | PD_NOSELECTION;
    const BOOL ok = ondemand::PrintDlgA(&pd);
    if (pd.hDevMode) ::GlobalFree(pd.hDevMode);
    if (pd.hDevNames) ::GlobalFree(pd.hDevNames);
    if (!ok) {
        if (pd.hDC) ::DeleteDC(pd.hDC);
        return nullptr;
    }
    return pd.hDC;
}

// Shows a file dialog for the note and puts the body's caret at the start
// once it is closed, whichever button closed it.
bool AskForFile(CNoteDialog& note, const NoteFileDialog& request, std::string& path) {
    const bool chosen = g_noteFileDialog(note.m_hWnd, request, path);
    ::SendMessageA(note.Body().m_hWnd, EM_SETSEL, 0, 0);
    return chosen;
}

int Ask(HWND owner, const std::string& question) {
    return ::MessageBoxA(owner, question.c_str(), "Pinwell", MB_YESNOCANCEL | MB_ICONQUESTION);
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string WindowTextOf(HWND window) {
    const int length = ::GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = ::GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

}  // namespace

bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool (*g_noteFileDialog)(HWND owner, const NoteFileDialog& request, std::string& path) = &ShowFileDialog;
HDC (*g_notePrintSetup)(HWND owner) = &ShowPrintSetup;

// ---- The picture ---------------------------------------------------------------------

std::string NotePictureFolder() {
    const std::string& data = DataFolder();
    return data.empty() ? ProgramFolder() : data;
}

std::string NotePicturePath(const char* name) { return JoinPath(NotePictureFolder(), name); }

bool CaptureWindowDib(HWND window, std::vector<std::uint8_t>& dib) {
    // The whole note on the screen first, children and frame included.
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT wr{};
    if (!::GetWindowRect(window, &wr)) return false;
    const int width = wr.right - wr.left, height = wr.bottom - wr.top;
    if (width <= 0 || height <= 0) return false;

    HDC windowDc = ::GetWindowDC(window);
    if (!windowDc) return false;
    HDC memory = ::CreateCompatibleDC(windowDc);
    HBITMAP bitmap = ::CreateCompatibleBitmap(windowDc, width, height);
    bool ok = memory && bitmap;
    if (ok) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ok = ::BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY) != FALSE;
        ::SelectObject(memory, old);
    }

    HPALETTE palette = nullptr;
    if (ok && (::GetDeviceCaps(windowDc, RASTERCAPS) & RC_PALETTE)) {
        constexpr int kEntries = 255;
        std::vector<std::uint8_t> store(sizeof(LOGPALETTE) + kEntries * sizeof(PALETTEENTRY));
        auto* logical = reinterpret_cast<LOGPALETTE*>(store.data());
        logical->palVersion = 0x300;
        logical->palNumEntries = kEntries;
        ::GetSystemPaletteEntries(windowDc, 0, kEntries, logical->palPalEntry);
        palette = ::CreatePalette(logical);
    }

    int bits = PictureBitsForScreen(::GetDeviceCaps(windowDc, BITSPIXEL), ::GetDeviceCaps(windowDc, PLANES));
    bits = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : bits <= 16 ? 16 : 32;
    ::ReleaseDC(window, windowDc);

    if (ok) {
        const std::size_t table = bits <= 8 ? (std::size_t{4} << bits) : 0;
        const std::size_t row = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
        dib.assign(sizeof(BITMAPINFOHEADER) + table + row * height, 0);
        auto* info = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
        info->biSize = sizeof(BITMAPINFOHEADER);
        info->biWidth = width;
        info->biHeight = height;  // bottom-up
        info->biPlanes = 1;
        info->biBitCount = static_cast<WORD>(bits);
        info->biCompression = BI_RGB;
        info->biSizeImage = static_cast<DWORD>(row * height);

        HDC screen = ::GetDC(nullptr);
        HPALETTE oldPalette = ::SelectPalette(
            screen, palette ? palette : static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE)), FALSE);
        ::RealizePalette(screen);
        const int lines = ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(height),
                                      dib.data() + sizeof(BITMAPINFOHEADER) + table,
                                      reinterpret_cast<BITMAPINFO*>(dib.data()), DIB_RGB_COLORS);
        ::SelectPalette(screen, oldPalette, FALSE);
        ::ReleaseDC(nullptr, screen);
        ok = lines == height;
        // The block carries a full table; the header must say so.
        info = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
        info->biClrUsed = 0;
        info->biClrImportant = 0;
        ok = ok && info->biCompression == BI_RGB && info->biBitCount == bits;
    }

    if (palette) ::DeleteObject(palette);
    if (bitmap) ::DeleteObject(bitmap);
    if (memory) ::DeleteDC(memory);
    if (!ok) dib.clear();
    return ok;
}

std::string CreateNotePicture(HWND note, const std::string& format) {
    std::vector<std::uint8_t> dib;
    if (!CaptureWindowDib(note, dib)) return {};
    const std::string bmp = NotePicturePath(kNotePictureBmp);
    if (!WriteDibAsBmpFile(bmp, dib)) return {};
    if (Lower(format) != kPictureFormatJpg) return bmp;
    const std::string bmp24 = NotePicturePath(kNotePicture24Bmp);
    const std::string jpg = NotePicturePath(kNotePictureJpg);
    return ConvertBmpTo24Bit(bmp, bmp24) && SaveBmpAsJpeg(bmp24, jpg) ? jpg : std::string();
}

bool SaveNotePicture(const std::string& target, const std::string& format, HWND note) {
    const std::string made = CreateNotePicture(note, format);
    const bool ok = !made.empty() && ::CopyFileA(made.c_str(), target.c_str(), FALSE) != FALSE;
    // Also after a failure: a half-made picture must not be attached later.
    DeleteNotePictureFiles();
    return ok;
}

void DeleteNotePictureFiles() {
    std::string leftOver;
    for (const char* name : {kNotePictureBmp, kNotePicture24Bmp, kNotePictureJpg}) {
        const std::string path = NotePicturePath(name);
        if (FileExists(path) && !::DeleteFileA(path.c_str())) leftOver += std::string(name) + " ";
    }
    if (!leftOver.empty()) ShowNotice(PictureDeleteMessage(leftOver));
}

// ---- The file commands -----------------------------------------------------------

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
        note.Body().SetBodyRtf(text);
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

// ---- Printing ------------------------------------------------------------------------

int PrintNoteOn(HDC dc, CNoteDialog& note, HWND body, const std::function<void()>& pageBreak) {
    const int dpiX = std::max(::GetDeviceCaps(dc, LOGPIXELSX), 1);
    const int dpiY = std::max(::GetDeviceCaps(dc, LOGPIXELSY), 1);
    const int pageWidth = ::GetDeviceCaps(dc, HORZRES);
    const int pageHeight = ::GetDeviceCaps(dc, VERTRES);

    auto has = [&](char c) { return note.m_titleFontType.find(c) != std::string::npos; };
    LOGFONTA lf{};
    lf.lfHeight = -::MulDiv(note.m_titleFontSize, dpiY, 72);
    lf.lfWeight = has('B') ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = has('I');
    lf.lfUnderline = has('U');
    lf.lfStrikeOut = has('S');
    lf.lfCharSet = note.m_titleCharSet;
    lstrcpynA(lf.lfFaceName, note.m_titleFontName.c_str(), LF_FACESIZE);

    const std::string title = note.TitleText();
    HFONT font = ::CreateFontIndirectA(&lf);
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, title.empty() ? " " : title.c_str(), title.empty() ? 1 : static_cast<int>(title.size()),
                            &extent);
    const int lineHeight = std::max<int>(extent.cy, 1);
    RECT titleRect{0, 0, pageWidth, lineHeight};
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextA(dc, title.c_str(), static_cast<int>(title.size()), &titleRect,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);

    int pages = 1;
    const LONG length = ::GetWindowTextLengthA(body);
    if (length <= 0) return pages;
    FORMATRANGE range{};
    range.hdc = dc;
    range.hdcTarget = dc;
    range.rc = {0, ::MulDiv(3 * lineHeight, 1440, dpiY), ::MulDiv(pageWidth, 1440, dpiX),
                ::MulDiv(pageHeight, 1440, dpiY)};
    range.rcPage = range.rc;
    LONG position = 0;
    for (;;) {
        range.chrg.cpMin = position;
        range.chrg.cpMax = -1;
        const LONG next = static_cast<LONG>(::SendMessageA(body, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range)));
        // Nothing fitted: another page would fit nothing either.
        if (next <= position) break;
        position = next;
        if (position >= length) break;
        pageBreak();
        ++pages;
    }
    ::SendMessageA(body, EM_FORMATRANGE, FALSE, 0);
    return pages;
}

void PrintNote(CNoteDialog& note, HWND body) {
    HDC dc = g_notePrintSetup(note.m_hWnd);
    if (!dc) return;
    ::SetMapMode(dc, MM_TEXT);
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = kPrintDocumentName;
    // The title goes on the first page, so the page is started before it is drawn.
    if (::StartDocA(dc, &doc) > 0) {
        if (::StartPage(dc) > 0) {
            PrintNoteOn(dc, note, body, [dc] {
                ::EndPage(dc);
                ::StartPage(dc);
            });
            ::EndPage(dc);
            ::EndDoc(dc);
        } else {
            ::AbortDoc(dc);
        }
    }
    ::DeleteDC(dc);
}
