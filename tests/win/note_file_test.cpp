// The body menu's file commands on a real note window: saving the body as
// text or RTF (replace, append, choose again), opening files into it, the
// note picture as BMP and JPEG, and printing onto a memory page.
#include <windows.h>
#include <richedit.h>

#include <cstdio>
#include <deque>
#include <fstream>

#include "WinTestSupport.h"
#include "win/Program.h"
#include "note/NoteDialog.h"
#include "note/NoteFileCommands.h"
#include "note/NotePicture.h"
#include "note/NotePrint.h"
#include "note/NotePictureFile.h"
#include "tests/core/PictureRgb.h"
#include "res/ids_body.h"

namespace {

// What the file dialog was asked and what it answers: a path, or Cancel for
// an empty one.
struct FileDialogScript {
    std::deque<std::string> answers;
    std::vector<NoteFileDialog> asked;
    std::vector<HWND> owners;
};
FileDialogScript g_dialog;

bool ScriptedFileDialog(HWND owner, const NoteFileDialog& request, std::string& path) {
    g_dialog.asked.push_back(request);
    g_dialog.owners.push_back(owner);
    if (g_dialog.answers.empty()) return false;
    path = g_dialog.answers.front();
    g_dialog.answers.pop_front();
    return !path.empty();
}

int g_printSetups = 0;
HWND g_printOwner = nullptr;
HDC CancelledPrintSetup(HWND owner) {
    ++g_printSetups;
    g_printOwner = owner;
    return nullptr;
}

std::string FileText(const std::string& path) {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path, text)) << path;
    return text;
}

std::string BodyText(HWND body) {
    char buf[4096] = {};
    ::GetWindowTextA(body, buf, sizeof buf);
    return buf;
}

DWORD CaretStart(HWND body) {
    DWORD from = 1, to = 1;
    ::SendMessageA(body, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    return from | to;
}

class NoteFileTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        char cwd[MAX_PATH] = {};
        ::GetCurrentDirectoryA(MAX_PATH, cwd);
        cwd_ = cwd;
        g_dialog = FileDialogScript{};
        g_printSetups = 0;
        g_printOwner = nullptr;
    }
    void TearDown() override {
        ::SetCurrentDirectoryA(cwd_.c_str());
        WindowTest::TearDown();
    }

    CNoteDialog* NewNote(const std::string& title, const std::string& text) const {
        return WindowTest::NewNote(title, text, 300, 200, HWND_TOPMOST);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }


    void ExpectCaretAtStartAndProgramFolderCurrent(HWND body) {
        EXPECT_EQ(CaretStart(body), 0u) << "caret after the file dialog";
        char cwd[MAX_PATH] = {};
        ::GetCurrentDirectoryA(MAX_PATH, cwd);
        EXPECT_EQ(std::string(cwd), ProgramFolder());
    }

    void ExpectNoTemporaryPictures() {
        for (const char* name : {kNotePictureBmp, kNotePicture24Bmp, kNotePictureJpg}) {
            EXPECT_EQ(::GetFileAttributesA(NotePicturePath(name).c_str()), INVALID_FILE_ATTRIBUTES) << name;
            EXPECT_EQ(::GetFileAttributesA((ProgramFolder() + "\\" + name).c_str()), INVALID_FILE_ATTRIBUTES)
                << name << " in the program folder";
        }
    }

    std::string cwd_;

private:
    struct ScriptedDialogs : INoteFileDialog, IPrintSetupDialog {
        bool Ask(HWND owner, const NoteFileDialog& request, std::string& path) override {
            return ScriptedFileDialog(owner, request, path);
        }
        HDC Ask(HWND owner) override { return CancelledPrintSetup(owner); }
    } dialogs_;
    Replacing<INoteFileDialog> fileDialog_{SetNoteFileDialog, &dialogs_};
    Replacing<IPrintSetupDialog> printSetup_{SetPrintSetupDialog, &dialogs_};
};

// ---- Save note as ... ------------------------------------------------------------

TEST_F(NoteFileTest, SaveAsTextReplacesAppendsWithAnEmptyLineOrCancels) {
    CNoteDialog* note = NewNote("Call 10:30", "first\r\nsecond");
    HWND body = note->Body().m_hWnd;
    const std::string path = PathOf("notes.txt");

    ::SendMessageA(body, EM_SETSEL, 3, 6);
    g_dialog.answers = {path};
    EXPECT_TRUE(RunAnswering([&] { SaveNoteAs(*note); }, {}).empty());
    ASSERT_EQ(g_dialog.asked.size(), 1u);
    EXPECT_TRUE(g_dialog.asked[0].save);
    EXPECT_STREQ(g_dialog.asked[0].filter, kSaveFileFilter);
    EXPECT_STREQ(g_dialog.asked[0].defaultExtension, "txt");
    EXPECT_EQ(g_dialog.asked[0].defaultName, "Call 1030");
    EXPECT_EQ(g_dialog.owners[0], note->m_hWnd);
    EXPECT_EQ(FileText(path), "first\r\nsecond");
    ExpectCaretAtStartAndProgramFolderCurrent(body);

    // No appends, one empty line between the old text and the new.
    ::SetWindowTextA(body, "third");
    g_dialog.answers = {path};
    Strings boxes = RunAnswering([&] { SaveNoteAs(*note); }, {IDNO});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], ExistingTextFileQuestion("notes.txt"));
    EXPECT_EQ(FileText(path), "first\r\nsecond\r\n\r\nthird");

    // Cancel leaves the file alone; Yes replaces it.
    g_dialog.answers = {path};
    RunAnswering([&] { SaveNoteAs(*note); }, {IDCANCEL});
    EXPECT_EQ(FileText(path), "first\r\nsecond\r\n\r\nthird");
    g_dialog.answers = {path};
    RunAnswering([&] { SaveNoteAs(*note); }, {IDYES});
    EXPECT_EQ(FileText(path), "third");

    // Cancel in the dialog writes nothing and still puts the caret home.
    ::SendMessageA(body, EM_SETSEL, 2, 4);
    g_dialog.answers = {""};
    RunAnswering([&] { SaveNoteAs(*note); }, {});
    EXPECT_EQ(FileText(path), "third");
    ExpectCaretAtStartAndProgramFolderCurrent(body);
    EXPECT_TRUE(notices_.shown.empty());
}

TEST_F(NoteFileTest, DocAndRtfGetRtfAndNoOnAnExistingRtfChoosesAgain) {
    CNoteDialog* note = NewNote("Letter", "Dear all");
    const std::string doc = PathOf("letter.doc");
    g_dialog.answers = {doc};
    RunAnswering([&] { SaveNoteAs(*note); }, {});
    const std::string written = FileText(doc);
    EXPECT_EQ(written.rfind("{\\rtf", 0), 0u) << written.substr(0, 40);
    EXPECT_NE(written.find("Dear all"), std::string::npos);

    // An existing .rtf: No shows the dialog again and the new choice is written.
    const std::string old = PathOf("old.rtf"), fresh = PathOf("fresh.rtf");
    ASSERT_TRUE(WriteTextFile(old, "keep me", false));
    g_dialog = FileDialogScript{};
    g_dialog.answers = {old, fresh};
    Strings boxes = RunAnswering([&] { SaveNoteAs(*note); }, {IDNO});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], ExistingFileQuestion("old.rtf"));
    EXPECT_EQ(g_dialog.asked.size(), 2u);
    EXPECT_EQ(FileText(old), "keep me");
    EXPECT_EQ(FileText(fresh).rfind("{\\rtf", 0), 0u);

    // Cancel on the question ends the command.
    g_dialog.answers = {old};
    RunAnswering([&] { SaveNoteAs(*note); }, {IDCANCEL});
    EXPECT_EQ(FileText(old), "keep me");

    // A file that cannot be created is named in the message.
    const std::string nowhere = PathOf("no such folder\\x.txt");
    g_dialog.answers = {nowhere};
    RunAnswering([&] { SaveNoteAs(*note); }, {});
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0], "Can not create and save file ''" + nowhere + "''");
}

// ---- Open ... --------------------------------------------------------------------

TEST_F(NoteFileTest, OpenRtfKeepsFormattingTxtSetsPlainTextOthersChangeNothing) {
    CNoteDialog* note = NewNote("Kept title", "old text");
    HWND body = note->Body().m_hWnd;
    const std::string rtf = PathOf("Formatted.RTF");
    ASSERT_TRUE(WriteTextFile(rtf, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 plain \\b bold\\b0  end\\par\r\n}",
                              false));
    g_dialog.answers = {rtf};
    RunAnswering([&] { OpenFileIntoNote(*note); }, {});
    ASSERT_EQ(g_dialog.asked.size(), 1u);
    EXPECT_FALSE(g_dialog.asked[0].save);
    EXPECT_STREQ(g_dialog.asked[0].filter, kOpenFileFilter);
    EXPECT_STREQ(g_dialog.asked[0].defaultExtension, "txt");
    EXPECT_EQ(g_dialog.asked[0].defaultName, "");
    const std::string text = BodyText(body);
    EXPECT_EQ(text.rfind("plain bold end", 0), 0u) << text;
    ::SendMessageA(body, EM_SETSEL, 6, 10);
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    ::SendMessageA(body, EM_GETCHARFORMAT, TRUE, reinterpret_cast<LPARAM>(&cf));
    EXPECT_TRUE((cf.dwMask & CFM_BOLD) && (cf.dwEffects & CFE_BOLD)) << "\"bold\" lost its formatting";
    ::SendMessageA(body, EM_SETSEL, 0, 5);
    ::SendMessageA(body, EM_GETCHARFORMAT, TRUE, reinterpret_cast<LPARAM>(&cf));
    EXPECT_FALSE(cf.dwEffects & CFE_BOLD);
    EXPECT_EQ(note->TitleText(), "Kept title");

    // Text: Unix line ends become the control's paragraphs; RTF-looking text stays text.
    const std::string txt = PathOf("plain.txt");
    ASSERT_TRUE(WriteTextFile(txt, "line one\nline {\\b two}", false));
    ::SendMessageA(body, EM_SETSEL, 4, 8);
    g_dialog.answers = {txt};
    RunAnswering([&] { OpenFileIntoNote(*note); }, {});
    EXPECT_EQ(BodyText(body), "line one\r\nline {\\b two}");
    ExpectCaretAtStartAndProgramFolderCurrent(body);

    // Another extension is read and nothing changes.
    const std::string log = PathOf("other.log");
    ASSERT_TRUE(WriteTextFile(log, "log text", false));
    g_dialog.answers = {log};
    RunAnswering([&] { OpenFileIntoNote(*note); }, {});
    EXPECT_EQ(BodyText(body), "line one\r\nline {\\b two}");
    EXPECT_TRUE(notices_.shown.empty());
}

TEST_F(NoteFileTest, UnreadableFileIsNamedBetweenDoubledApostrophesAndBodyStays) {
    CNoteDialog* note = NewNote("T", "unchanged");
    const std::string locked = PathOf("locked.txt");
    ASSERT_TRUE(WriteTextFile(locked, "secret", false));
    // Held open with no sharing: nobody else may read it.
    HANDLE hold = ::CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    const std::string missing = PathOf("gone.rtf");
    g_dialog.answers = {locked, missing};
    RunAnswering([&] { OpenFileIntoNote(*note); }, {});
    RunAnswering([&] { OpenFileIntoNote(*note); }, {});
    ::CloseHandle(hold);
    ASSERT_EQ(notices_.shown.size(), 2u);
    EXPECT_EQ(notices_.shown[0], "Can not open file ''" + locked + "''");
    EXPECT_EQ(notices_.shown[1], "Can not open file ''" + missing + "''");
    EXPECT_EQ(BodyText(note->Body().m_hWnd), "unchanged");
}

// ---- The picture -----------------------------------------------------------------

TEST_F(NoteFileTest, PictureFilesHaveTheWindowSizeAndColoursAndNoTemporaryFileStays) {
    CNoteDialog* note = NewNote("Picture", "");
    note->SetTitleBackColor(RGB(200, 40, 30));
    note->Body().backColor = RGB(30, 90, 220);
    note->Body().ApplyNoteFormat(true);
    note->SetBodyBackColor(RGB(30, 90, 220));
    Pump();
    const RECT wr = note->GetWindowRect();
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;

    const std::string bmp = PathOf("saved.bmp");
    ASSERT_TRUE(SaveNotePicture(bmp, "bmp", note->m_hWnd));
    ExpectNoTemporaryPictures();
    std::string header;
    ASSERT_TRUE(ReadWholeFile(bmp, header));
    ASSERT_GT(header.size(), 54u);
    HDC screen = ::GetDC(nullptr);
    const int bits = PictureBitsForScreen(::GetDeviceCaps(screen, BITSPIXEL), ::GetDeviceCaps(screen, PLANES));
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(static_cast<unsigned char>(header[28]), bits);

    int gw = 0, gh = 0;
    std::vector<std::uint8_t> rgb;
    ASSERT_TRUE(LoadPictureRgb(bmp, gw, gh, rgb));
    EXPECT_EQ(gw, w);
    EXPECT_EQ(gh, h);
    // On a 16-bit picture the colours lose their low three bits.
    const int slack = bits == 16 ? 8 : 0;
    auto nearTo = [&](const std::uint8_t* p, int r, int g, int b, int more) {
        const int s = slack + more;
        return std::abs(p[0] - r) <= s && std::abs(p[1] - g) <= s && std::abs(p[2] - b) <= s;
    };
    auto at = [&](int x, int y) { return &rgb[(static_cast<std::size_t>(y) * gw + x) * 3]; };
    EXPECT_TRUE(nearTo(at(3, 2), 200, 40, 30, 0)) << "title strip";
    EXPECT_TRUE(nearTo(at(w / 2, h - 40), 30, 90, 220, 0)) << "body";

    const std::string jpg = PathOf("saved.jpg");
    ASSERT_TRUE(SaveNotePicture(jpg, "jpg", note->m_hWnd));
    ExpectNoTemporaryPictures();
    std::string jpeg;
    ASSERT_TRUE(ReadWholeFile(jpg, jpeg));
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[1]), 0xD8);
    ASSERT_TRUE(LoadPictureRgb(jpg, gw, gh, rgb));
    EXPECT_EQ(gw, w);
    EXPECT_EQ(gh, h);
    EXPECT_TRUE(nearTo(at(w / 2, h - 40), 30, 90, 220, 12)) << "body in the JPEG";
    EXPECT_TRUE(notices_.shown.empty());
}

TEST_F(NoteFileTest, SaveAsPictureCommandPicksFormatByExtensionAndReportsFailure) {
    CNoteDialog* note = NewNote("Call 10:30", "x");
    HWND body = note->Body().m_hWnd;
    const std::string upper = PathOf("shot.JPG"), png = PathOf("shot.png");
    const std::string nowhere = PathOf("no such folder\\shot.bmp");
    ::SendMessageA(body, EM_SETSEL, 1, 1);
    g_dialog.answers = {upper, png, nowhere};
    RunAnswering([&] { SaveNoteAsPicture(*note); }, {});
    ASSERT_EQ(g_dialog.asked.size(), 1u);
    EXPECT_TRUE(g_dialog.asked[0].save);
    EXPECT_STREQ(g_dialog.asked[0].filter, kSavePictureFilter);
    EXPECT_STREQ(g_dialog.asked[0].defaultExtension, "bmp");
    EXPECT_EQ(g_dialog.asked[0].defaultName, "Call 1030");
    ExpectCaretAtStartAndProgramFolderCurrent(body);
    std::string data;
    ASSERT_TRUE(ReadWholeFile(upper, data));
    ASSERT_GT(data.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(data[0]), 0xFF) << "an upper-case .JPG is a JPEG";

    RunAnswering([&] { SaveNoteAsPicture(*note); }, {});
    EXPECT_EQ(::GetFileAttributesA(png.c_str()), INVALID_FILE_ATTRIBUTES) << "no picture for another extension";
    EXPECT_TRUE(notices_.shown.empty());

    RunAnswering([&] { SaveNoteAsPicture(*note); }, {});
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0], "Error creating note picture file. Save note as picture file fails.");
    ExpectNoTemporaryPictures();
}

TEST_F(NoteFileTest, TemporaryPictureThatCannotBeDeletedIsNamed) {
    const std::string bmp = NotePicturePath(kNotePictureBmp);
    ASSERT_TRUE(WriteTextFile(bmp, "BM", false));
    ASSERT_TRUE(WriteTextFile(NotePicturePath(kNotePictureJpg), "x", false));
    HANDLE hold = ::CreateFileA(bmp.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    DeleteNotePictureFiles();
    ::CloseHandle(hold);
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0], "Note.bmp  Error deleting temporary note picture file(s).");
    EXPECT_EQ(::GetFileAttributesA(NotePicturePath(kNotePictureJpg).c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteNotePictureFiles();
    EXPECT_EQ(notices_.shown.size(), 1u);
    ExpectNoTemporaryPictures();
}

// ---- Printing --------------------------------------------------------------------

// A white page of the printing surface's size in memory, with a count of the
// dark pixels in a band at its top when it is finished.
class MemoryPage {
public:
    MemoryPage() {
        HDC screen = ::GetDC(nullptr);
        dc_ = ::CreateCompatibleDC(screen);
        ::ReleaseDC(nullptr, screen);
        width_ = ::GetDeviceCaps(dc_, HORZRES);
        height_ = ::GetDeviceCaps(dc_, VERTRES);
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_ = ::CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = ::SelectObject(dc_, bitmap_);
        Clear();
    }
    ~MemoryPage() {
        ::SelectObject(dc_, old_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    void Clear() {
        ::GdiFlush();
        std::fill(bits_, bits_ + static_cast<std::size_t>(width_) * height_, 0x00FFFFFFu);
    }
    int DarkPixels(int fromY, int toY) const {
        ::GdiFlush();
        int n = 0;
        for (int y = fromY; y < toY && y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if ((bits_[static_cast<std::size_t>(y) * width_ + x] & 0xFF) < 128) ++n;
        return n;
    }
    int Height() const { return height_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0, height_ = 0;
};

// A body that answers the formatting requests as a scripted control: it
// places `step` characters per page and none from `stallAt` on.
struct FakeBody {
    LONG length = 0, step = 0, stallAt = 1 << 30;
    std::vector<LONG> from;
    std::vector<RECT> rc, rcPage;
    std::vector<HDC> dcs;
    int released = 0;
};
FakeBody g_fake;

LRESULT CALLBACK FakeBodyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETTEXTLENGTH) return g_fake.length;
    if (msg == EM_FORMATRANGE) {
        if (!lParam) {
            ++g_fake.released;
            return 0;
        }
        const auto* range = reinterpret_cast<const FORMATRANGE*>(lParam);
        g_fake.from.push_back(range->chrg.cpMin);
        g_fake.rc.push_back(range->rc);
        g_fake.rcPage.push_back(range->rcPage);
        g_fake.dcs.push_back(range->hdc);
        EXPECT_EQ(range->chrg.cpMax, -1);
        EXPECT_TRUE(wParam) << "rendered, not only measured";
        if (range->chrg.cpMin >= g_fake.stallAt) return range->chrg.cpMin;
        return std::min(range->chrg.cpMin + g_fake.step, g_fake.length);
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND NewFakeBody() {
    static const ATOM registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = FakeBodyProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "PinwellFakeBody";
        return ::RegisterClassA(&wc);
    }();
    EXPECT_NE(registered, 0);
    return ::CreateWindowExA(0, "PinwellFakeBody", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

TEST_F(NoteFileTest, BodyIsPrintedPageAfterPageFromWhereTheLastPageEnded) {
    CNoteDialog* note = NewNote("Printed title", "");
    MemoryPage page;
    HWND body = NewFakeBody();
    g_fake = FakeBody{};
    g_fake.length = 250;
    g_fake.step = 100;
    int breaks = 0;
    EXPECT_EQ(PrintNoteOn(page.Dc(), *note, body, [&] { ++breaks; }), 3);
    EXPECT_EQ(breaks, 2);
    EXPECT_EQ(g_fake.from, (std::vector<LONG>{0, 100, 200}));
    EXPECT_EQ(g_fake.released, 1) << "the formatting cache is released once at the end";
    ASSERT_EQ(g_fake.rc.size(), 3u);
    const int dpiX = ::GetDeviceCaps(page.Dc(), LOGPIXELSX), dpiY = ::GetDeviceCaps(page.Dc(), LOGPIXELSY);
    for (std::size_t i = 0; i < 3; ++i) {
        const RECT& r = g_fake.rc[i];
        EXPECT_TRUE(EqualRect(&r, &g_fake.rcPage[i]));
        EXPECT_EQ(g_fake.dcs[i], page.Dc());
        EXPECT_EQ(r.left, 0);
        // Three title lines down: more than three times the title's point size.
        EXPECT_GE(r.top, 3 * 8 * 20);
        EXPECT_LT(r.top, 3 * 8 * 20 * 2);
        EXPECT_EQ(r.right, ::MulDiv(::GetDeviceCaps(page.Dc(), HORZRES), 1440, dpiX));
        EXPECT_EQ(r.bottom, ::MulDiv(::GetDeviceCaps(page.Dc(), VERTRES), 1440, dpiY));
    }

    // A page that takes no character ends the printing instead of looping.
    g_fake = FakeBody{};
    g_fake.length = 250;
    g_fake.step = 100;
    g_fake.stallAt = 100;
    breaks = 0;
    EXPECT_EQ(PrintNoteOn(page.Dc(), *note, body, [&] { ++breaks; }), 2);
    EXPECT_EQ(breaks, 1);
    EXPECT_EQ(g_fake.from, (std::vector<LONG>{0, 100}));
    EXPECT_EQ(g_fake.released, 1);

    // No text: the title page alone, the control not asked.
    g_fake = FakeBody{};
    EXPECT_EQ(PrintNoteOn(page.Dc(), *note, body, [&] { ++breaks; }), 1);
    EXPECT_TRUE(g_fake.from.empty());
    ::DestroyWindow(body);
}

TEST_F(NoteFileTest, TitleIsPrintedOnTheFirstPageAboveTheBody) {
    std::string longText;
    for (int i = 1; i <= 300; ++i) longText += "Line number " + std::to_string(i) + "\r\n";
    CNoteDialog* note = NewNote("Printed title", "");
    note->m_titleFontSize = 12;
    MemoryPage page;
    std::vector<std::pair<int, int>> pages;  // dark pixels: title band, body below
    const int band = 8;
    auto finishPage = [&] {
        pages.emplace_back(page.DarkPixels(0, band), page.DarkPixels(band * 8, page.Height()));
        page.Clear();
    };

    // An empty note: one page, the title alone.
    EXPECT_EQ(PrintNoteOn(page.Dc(), *note, note->Body().m_hWnd, finishPage), 1);
    finishPage();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_GT(pages[0].first, 0) << "title on the page";
    EXPECT_EQ(pages[0].second, 0);

    ::SetWindowTextA(note->Body().m_hWnd, longText.c_str());
    FORMATRANGE probe{};
    probe.hdc = probe.hdcTarget = page.Dc();
    probe.rc = probe.rcPage = {0, 0, 7200, 7200};
    probe.chrg = {0, -1};
    const LRESULT placed = ::SendMessageA(note->Body().m_hWnd, EM_FORMATRANGE, FALSE, reinterpret_cast<LPARAM>(&probe));
    ::SendMessageA(note->Body().m_hWnd, EM_FORMATRANGE, FALSE, 0);
    if (placed <= 0) GTEST_SKIP() << "this system's rich-edit control formats nothing for a device context";

    pages.clear();
    const int count = PrintNoteOn(page.Dc(), *note, note->Body().m_hWnd, finishPage);
    finishPage();
    ASSERT_EQ(static_cast<int>(pages.size()), count);
    ASSERT_GE(count, 2) << "300 lines on one screen-sized page";
    EXPECT_GT(pages[0].first, 0) << "title on the first page";
    EXPECT_GT(pages[0].second, 0);
    for (int i = 1; i < count; ++i) {
        EXPECT_EQ(pages[i].first, 0) << "title band of page " << i + 1;
        EXPECT_GT(pages[i].second, 0) << "body on page " << i + 1;
    }
}

TEST_F(NoteFileTest, HugeTitleEndsPrintingAndEveryCommandReachesItsDialog) {
    CNoteDialog* note = NewNote("Huge", "some body text");
    // Three title lines of this size are taller than the page: no body fits.
    note->m_titleFontSize = 600;
    MemoryPage page;
    int breaks = 0;
    EXPECT_EQ(PrintNoteOn(page.Dc(), *note, note->Body().m_hWnd, [&] { ++breaks; }), 1);
    EXPECT_EQ(breaks, 0);

    // The body menu's command reaches the print dialog, owned by the note; Cancel ends it.
    ::SendMessageA(note->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_BODY_PRINT, 0), 0);
    EXPECT_EQ(g_printSetups, 1);
    EXPECT_EQ(g_printOwner, note->m_hWnd);

    // The other three commands reach their dialogs too.
    for (UINT command : {ID_BODY_OPEN_FILE, ID_BODY_SAVE_AS, ID_BODY_SAVE_PICTURE})
        ::SendMessageA(note->m_hWnd, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    ASSERT_EQ(g_dialog.asked.size(), 3u);
    EXPECT_STREQ(g_dialog.asked[0].filter, kOpenFileFilter);
    EXPECT_STREQ(g_dialog.asked[1].filter, kSaveFileFilter);
    EXPECT_STREQ(g_dialog.asked[2].filter, kSavePictureFilter);
    EXPECT_TRUE(notices_.shown.empty());
}

}  // namespace
