// Exported note files on real windows: choosing the file (wrong extension,
// replace, append), exporting a live note, importing into a note with and
// without the list, and the check-box list dialog in its four uses.
#include <windows.h>
#include <commctrl.h>

#include <deque>

#include "WinTestSupport.h"
#include "dialogs/ImportExportDialog.h"
#include "win/Program.h"
#include "note/NoteDialog.h"
#include "note/NoteExchange.h"
#include "note/NoteFileCommands.h"
#include "res/resource.h"
#include "store/ExportFile.h"
#include "store/IniFile.h"

namespace {

std::deque<std::string> g_answers;
std::vector<NoteFileDialog> g_asked;

bool ScriptedFileDialog(HWND, const NoteFileDialog& request, std::string& path) {
    g_asked.push_back(request);
    if (g_answers.empty()) return false;
    path = g_answers.front();
    g_answers.pop_front();
    return !path.empty();
}

void CheckRow(HWND dlg, int row, bool checked) {
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    ::SendDlgItemMessageA(dlg, IDC_EXCHANGE_LIST, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int Rows(HWND dlg) { return static_cast<int>(::SendDlgItemMessageA(dlg, IDC_EXCHANGE_LIST, LVM_GETITEMCOUNT, 0, 0)); }

std::string Cell(HWND dlg, int row, int column) {
    char buf[256] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    ::SendDlgItemMessageA(dlg, IDC_EXCHANGE_LIST, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return buf;
}

class ExchangeTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        g_answers.clear();
        g_asked.clear();
    }
    void TearDown() override {
        WindowTest::TearDown();
    }

    CNoteDialog* NewNote(const std::string& title, const std::string& text) const {
        return WindowTest::NewNote(title, text, 260, 180);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    // Runs an operation whose questions and dialogs the driver answers.
    Strings Run(HWND owner, const std::function<void()>& operation, std::deque<int> answers,
                std::vector<ModalDriver::Step> steps = {}) {
        ModalDriver driver(owner);
        driver.answers = std::move(answers);
        for (auto& step : steps) driver.Then(step);
        driver.Run([&] {
            operation();
            return 0;
        });
        EXPECT_TRUE(driver.answers.empty()) << "an expected question did not come";
        return driver.boxes;
    }

private:
    struct ScriptedDialog : INoteFileDialog {
        bool Ask(HWND owner, const NoteFileDialog& request, std::string& path) override {
            return ScriptedFileDialog(owner, request, path);
        }
    } dialog_;
    Replacing<INoteFileDialog> replaced_{SetNoteFileDialog, &dialog_};
};

TEST_F(ExchangeTest, ExportNoteRefusesOtherExtensionsThenAppendsOrReplaces) {
    CNoteDialog* note = NewNote("Call 10:30", "ring Anna");
    const std::string pwx = PathOf("week.pwx");

    // ".txt" is refused and the dialog comes again; the name offered has no colons.
    g_answers = {PathOf("week.txt"), pwx};
    EXPECT_TRUE(Run(note->m_hWnd, [&] { ExportNote(*note); }, {}).empty());
    ASSERT_EQ(g_asked.size(), 2u);
    EXPECT_EQ(g_asked[0].defaultName, "Call 1030");
    EXPECT_TRUE(g_asked[0].save);
    EXPECT_STREQ(g_asked[0].filter, "Pinwell Note File (*.pwx)|*.pwx|");
    EXPECT_STREQ(g_asked[0].defaultExtension, "pwx");
    EXPECT_EQ(notices_.shown, Strings{"Please write file name without extension."});
    EXPECT_EQ(ReadExportedNotes(pwx), 1);
    const std::string index = ini::Read(pwx, "PINWELL", "10001");
    EXPECT_EQ(index.substr(0, 11), "Call 10:30~") << "the shown title, colon and all";
    EXPECT_EQ(index.size(), 11u + 14u + 7u) << index;
    NoteRecord r;
    ASSERT_TRUE(ReadNoteRecord(pwx, 10001, r));
    EXPECT_EQ(r.noteId, 10001);
    EXPECT_EQ(r.width, 260);
    EXPECT_NE(r.editText.find("ring Anna"), std::string::npos);
    EXPECT_FALSE(ini::HasSection(MainDataFilePath(), NoteSectionName(10001)));

    // An existing file: No appends, Cancel writes nothing, Yes starts again at 10001.
    g_answers = {pwx};
    Strings boxes = Run(note->m_hWnd, [&] { ExportNote(*note); }, {IDNO});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Selected file \"week.pwx\" already exist.\nClick \"Yes\" to Replace and overwrite "
                        "existing file or \"No\" to Append file.");
    EXPECT_EQ(ReadExportedNotes(pwx), 2);
    g_answers = {pwx};
    Run(note->m_hWnd, [&] { ExportNote(*note); }, {IDCANCEL});
    EXPECT_EQ(ReadExportedNotes(pwx), 2);
    ::SetWindowTextA(note->Body().m_hWnd, "only this");
    g_answers = {pwx};
    Run(note->m_hWnd, [&] { ExportNote(*note); }, {IDYES});
    EXPECT_EQ(ReadExportedNotes(pwx), 1);
    EXPECT_FALSE(ini::HasSection(pwx, NoteSectionName(10002)));
    ASSERT_TRUE(ReadNoteRecord(pwx, 10001, r));
    EXPECT_NE(r.editText.find("only this"), std::string::npos);

    char cwd[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_EQ(std::string(cwd), ProgramFolder());
}

TEST_F(ExchangeTest, ImportIntoNoteTakesTheLookKeepsTheAlarmAndDropsTheExpiration) {
    const std::string pwx = PathOf("one.pwx");
    NoteRecord r;
    r = NoteRecord{};
    r.titleText = "Imported";
    r.editText = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 from the file\\par}";
    r.editBackColor = 0x00FFEECC;
    r.titleBackColor = 0x00336699;
    r.editFont = r.titleFont = "Arial";
    r.editFontSize = r.titleFontSize = 10;
    r.titleFontType = "C";
    r.width = 320;
    r.height = 210;
    r.left = 900;
    r.top = 700;
    r.minimized = r.border = r.hidden = "No";
    r.alarm = "03032030-074500-1";
    r.expiration = "01032030-100005-3";
    ASSERT_TRUE(AppendNoteToExportFile(pwx, r, "Imported", "07122026093005"));

    CNoteDialog* note = NewNote("Mine", "old text");
    const RECT before = note->GetWindowRect();
    g_answers = {PathOf("one.txt"), pwx};
    // One note in the file: no list is shown.
    EXPECT_TRUE(Run(note->m_hWnd, [&] { ImportIntoNote(*note); }, {}).empty());
    EXPECT_EQ(notices_.shown, Strings{"Only exported Pinwell files with *.pwx extension can be imported."});
    EXPECT_FALSE(g_asked[0].save);
    Pump();
    const NoteRecord now = note->BuildRecord();
    EXPECT_EQ(now.titleText, "Imported");
    EXPECT_NE(now.editText.find("from the file"), std::string::npos);
    EXPECT_EQ(now.editBackColor, r.editBackColor);
    EXPECT_EQ(now.width, 320);
    EXPECT_EQ(now.height, 210);
    EXPECT_EQ(now.left, before.left) << "the position stays";
    EXPECT_EQ(now.alarm, r.alarm);
    EXPECT_EQ(now.expiration, "");
}

TEST_F(ExchangeTest, ImportIntoNoteWithSeveralNotesAsksForExactlyOne) {
    const std::string pwx = PathOf("two.pwx");
    for (const char* title : {"First", "Second"}) {
        NoteRecord r;
        r.titleText = title;
        r.editText = std::string("{\\rtf1 ") + title + " body\\par}";
        r.width = 200;
        r.height = 150;
        r.minimized = r.border = r.hidden = "No";
        ASSERT_TRUE(AppendNoteToExportFile(pwx, r, title, "07122026093005"));
    }
    CNoteDialog* note = NewNote("Mine", "old text");
    bool okWithTwo = true, okWithOne = false, checkAllShown = true;
    std::string caption, date;
    g_answers = {pwx};
    Run(note->m_hWnd, [&] { ImportIntoNote(*note); }, {},
        {[&](HWND dlg) {
             caption = WindowText(dlg);
             checkAllShown = ::IsWindowVisible(::GetDlgItem(dlg, IDC_EXCHANGE_CHECK_ALL));
             date = Cell(dlg, 1, 1);
             CheckRow(dlg, 0, true);
             CheckRow(dlg, 1, true);
             okWithTwo = Enabled(dlg, IDOK);
             CheckRow(dlg, 0, false);
             okWithOne = Enabled(dlg, IDOK);
             Click(dlg, IDOK);
         }});
    EXPECT_EQ(caption, "Import note");
    EXPECT_FALSE(checkAllShown);
    EXPECT_EQ(date, "07.12.2026");
    EXPECT_FALSE(okWithTwo);
    EXPECT_TRUE(okWithOne);
    EXPECT_EQ(note->BuildRecord().titleText, "Second");
}

TEST_F(ExchangeTest, ExportListSkipsBrokenEntriesAndReturnsTheCheckedIdentifiers) {
    CImportExportDialog dialog(CImportExportDialog::kExport);
    dialog.m_noteEntries = {NoteListEntry("Shopping", 1, false), "broken~~No~", NoteListEntry("Hidden one", 3, true)};
    int rows = 0;
    bool okAtFirst = true, okAfterCheckAll = false;
    std::string hidden;
    ModalDriver driver(owner_);
    driver.Then([&](HWND dlg) {
        rows = Rows(dlg);
        hidden = Cell(dlg, 1, 1);
        okAtFirst = Enabled(dlg, IDOK);
        Click(dlg, IDC_EXCHANGE_CHECK_ALL);
        okAfterCheckAll = Enabled(dlg, IDOK);
        Click(dlg, IDOK);
    });
    EXPECT_EQ(driver.Run([&] { return dialog.DoModal(owner_); }), IDOK);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(hidden, "Yes");
    EXPECT_FALSE(okAtFirst);
    EXPECT_TRUE(okAfterCheckAll);
    EXPECT_EQ(dialog.m_result, "1~3~");
}

TEST_F(ExchangeTest, TheDeleteListCannotBeClosedWithoutChoosing) {
    CImportExportDialog dialog(CImportExportDialog::kDelete);
    dialog.m_noteEntries = {NoteListEntry("Old", 4, false), NoteListEntry("Older", 9, false)};
    bool closeEnabled = true, stillOpen = false;
    ModalDriver driver(owner_);
    driver.Then([&](HWND dlg) {
        closeEnabled = Enabled(dlg, IDCANCEL);
        ::SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);  // Escape
    });
    driver.Then([&](HWND dlg) {
        stillOpen = Open(dlg);
        CheckRow(dlg, 1, true);
        Click(dlg, IDOK);
    });
    EXPECT_EQ(driver.Run([&] { return dialog.DoModal(owner_); }), IDOK);
    EXPECT_FALSE(closeEnabled);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(notices_.shown, Strings{"Maximum Pinwell program main ini file size is reached !\nSorry but you must "
                                      "delete some of your old notes ..."});
    EXPECT_EQ(dialog.m_result, "9~");
}

}  // namespace
