// The note body as a real RichEdit control: what survives storing, what the
// body menu shows at each opening, and what its commands do to the text.
#include <windows.h>
#include <richedit.h>

#include <map>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "base/ProgramFlags.h"
#include "note/BodyMenuSlots.h"
#include "note/NoteDialog.h"
#include "note/NoteEdit.h"
#include "res/resource.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"
#include "win/Program.h"

namespace {

// ---- Menu reading --------------------------------------------------------------

std::string ItemText(HMENU menu, UINT item, UINT by = MF_BYCOMMAND) {
    char text[512] = {};
    ::GetMenuStringA(menu, item, text, sizeof text, by);
    return text;
}
bool Exists(HMENU menu, UINT command) {
    return ::GetMenuState(menu, command, MF_BYCOMMAND) != static_cast<UINT>(-1);
}
bool Grayed(HMENU menu, UINT item, UINT by = MF_BYCOMMAND) {
    return (::GetMenuState(menu, item, by) & MF_GRAYED) != 0;
}
bool Checked(HMENU menu, UINT command) {
    return (::GetMenuState(menu, command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}
HBITMAP Picture(HMENU menu, UINT command) {
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_CHECKMARKS;
    ::GetMenuItemInfoA(menu, command, FALSE, &mi);
    return mi.hbmpUnchecked;
}
// The pop-up of the body menu whose item text is name, and its position.
HMENU SubMenu(HMENU popup, const std::string& name, int* position = nullptr) {
    for (int i = 0; i < ::GetMenuItemCount(popup); ++i)
        if (::GetSubMenu(popup, i) && ItemText(popup, i, MF_BYPOSITION) == name) {
            if (position) *position = i;
            return ::GetSubMenu(popup, i);
        }
    return nullptr;
}

struct Item {
    UINT id;  // 0 for a separator
    std::string text;
    bool operator==(const Item&) const = default;
};
std::vector<Item> Items(HMENU menu) {
    std::vector<Item> items;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        const UINT id = ::GetMenuItemID(menu, i);
        items.push_back({id == static_cast<UINT>(-1) ? 0u : id, ItemText(menu, i, MF_BYPOSITION)});
    }
    return items;
}
void PrintTo(const Item& item, std::ostream* os) { *os << item.id << " \"" << item.text << "\""; }

std::vector<HWND> OwnedBy(HWND owner) {
    struct Search {
        HWND owner;
        std::vector<HWND> found;
    } search{owner, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (::GetWindow(hwnd, GW_OWNER) == s->owner) s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// ---- Body reading and writing ---------------------------------------------------

std::string Text(HWND edit) {
    char buf[4096] = {};
    ::GetWindowTextA(edit, buf, sizeof buf);
    return buf;
}
void Select(HWND edit, LONG from, LONG to) {
    CHARRANGE r{from, to};
    ::SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
}
CHARRANGE Selection(HWND edit) {
    CHARRANGE r{};
    ::SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}
CHARFORMATA SelectionFormat(HWND edit) {
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    ::SendMessageA(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    return cf;
}
void SetSelectionHeight(HWND edit, LONG twips) {
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_SIZE;
    cf.yHeight = twips;
    ::SendMessageA(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}
// As choosing the item in the menu would deliver it.
void Choose(HWND edit, UINT command) { ::SendMessageA(edit, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

// ---- Seams ------------------------------------------------------------------------

HBITMAP TestPicture(int bitmapId) {
    static std::map<int, HBITMAP> loaded;
    HBITMAP& b = loaded[bitmapId];
    if (!b) b = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId));
    return b;
}

struct DialogAnswers {
    bool ok = true;
    LOGFONTA font{};
    int tenths = 0;
    LOGFONTA offered{};  // what the font dialog was opened with
    COLORREF colour = 0;
    COLORREF colourOffered = 0;
    PARAFORMAT paragraph{};
    int opened = 0;
};
DialogAnswers g_answers;

bool AnswerFont(HWND, LOGFONTA& font, int& tenths) {
    ++g_answers.opened;
    g_answers.offered = font;
    if (!g_answers.ok) return false;
    font = g_answers.font;
    tenths = g_answers.tenths;
    return true;
}
bool AnswerColour(HWND, COLORREF& colour) {
    ++g_answers.opened;
    g_answers.colourOffered = colour;
    if (!g_answers.ok) return false;
    colour = g_answers.colour;
    return true;
}
bool AnswerParagraph(HWND, PARAFORMAT& format) {
    ++g_answers.opened;
    if (!g_answers.ok) return false;
    format = g_answers.paragraph;
    return true;
}

// A host that only records what the body asks of it.
class RecordingHost : public INoteWindowForBody {
public:
    void StoreNote() override { ++stores; }
    bool HasBorder() const override { return border; }
    void SetBorder(bool on) override { border = on; }
    void SetBodyBackColor(COLORREF colour) override { backColours.push_back(colour); }
    void OnNoteCommand(UINT command) override {
        commands.push_back(command);
        texts.push_back(edit ? edit->lastMenuItemText : std::string());
    }

    CNoteEdit* edit = nullptr;
    int stores = 0;
    bool border = false;
    std::vector<COLORREF> backColours;
    std::vector<UINT> commands;
    std::vector<std::string> texts;
};

class NoteEditTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        g_answers = DialogAnswers{};
        g_showScrollBar = true;
        g_networkAvailable = true;
        g_emailCheckRunning = false;
        g_stayOnTopFlag = false;
    }
    void TearDown() override {
        WindowTest::TearDown();
        g_showScrollBar = true;
        g_networkAvailable = true;
        g_emailCheckRunning = false;
    }

    CNoteDialog* NewNote(const std::string& text = {}) const { return WindowTest::NewNote({}, text); }

    // A bare RICHEDIT child of a plain window, bound to a recording host.
    HWND NewBareBody(CNoteEdit& edit, RecordingHost& host) {
        HWND parent = ::CreateWindowExA(0, "STATIC", "parent", WS_POPUP | WS_VISIBLE, 50, 50, 300, 200,
                                        owner_, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        HWND hwnd = ::CreateWindowExA(0, "RICHEDIT", "",
                                      WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL,
                                      0, 20, 300, 180, parent, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        host.edit = &edit;
        edit.Attach(hwnd, &host);
        return hwnd;
    }

    void WriteGroups(const std::vector<std::pair<std::string, std::string>>& groups) {
        std::string names;
        for (const auto& [name, members] : groups) {
            names += name + "~";
            if (!members.empty()) ini::Write(MainDataFilePath(), "RECIPIENTS_LIST", name, members);
        }
        ini::Write(MainDataFilePath(), "RECIPIENTS_LIST", "ListNames", names);
    }

    void WriteSavedTheme(int slot, const std::string& name) {
        NoteRecord theme;
        theme.noteId = kFirstSavedThemeId + slot;
        theme.editFont = "Verdana";
        theme.editFontSize = 8;
        ASSERT_TRUE(WriteNoteRecord({}, theme));
        if (!name.empty())
            ini::Write(MainDataFilePath(), "SAVED_THEMES", std::to_string(kFirstSavedThemeId + slot), name);
    }

private:
    struct Answering : INoteEditDialogs, IMenuPictures {
        bool AskFont(HWND owner, LOGFONTA& font, int& tenths) override { return AnswerFont(owner, font, tenths); }
        bool AskColour(HWND owner, COLORREF& colour) override { return AnswerColour(owner, colour); }
        bool AskParagraph(HWND owner, PARAFORMAT& format) override { return AnswerParagraph(owner, format); }
        HBITMAP MenuPicture(int resourceId) const override { return TestPicture(resourceId); }
    } answering_;
    Replacing<INoteEditDialogs> dialogs_{SetNoteEditDialogs, &answering_};
    Replacing<const IMenuPictures> pictures_{SetMenuPictures, &answering_};
};

// ---- Storage -----------------------------------------------------------------------

TEST_F(NoteEditTest, BodyWithParagraphsBoldAndBarSurvivesTheStoredRecord) {
    CNoteDialog* note = NewNote("first | line\r\nsecond bold\r\nthird");
    HWND body = note->Body().m_hWnd;
    const std::string before = Text(body);
    const LONG boldFrom = static_cast<LONG>(before.find("bold"));
    ASSERT_GT(boldFrom, 0);
    Select(body, boldFrom, boldFrom + 4);
    note->Body().ToggleSelectionEffect(TextEffect::Bold);

    NoteRecord record;
    record.noteId = 3;
    record.editText = note->Body().GetBodyRtf();
    ASSERT_TRUE(WriteNoteRecord({}, record));
    NoteRecord back;
    ASSERT_TRUE(ReadNoteRecord({}, 3, back));

    CNoteDialog* copy = NewNote();
    ASSERT_TRUE(copy->Body().SetBodyRtf(back.editText));
    HWND copyBody = copy->Body().m_hWnd;
    EXPECT_EQ(Text(copyBody), before);

    Select(copyBody, boldFrom, boldFrom + 4);
    CHARFORMATA bold = SelectionFormat(copyBody);
    EXPECT_TRUE(bold.dwMask & CFM_BOLD) << "the run is bold throughout";
    EXPECT_TRUE(bold.dwEffects & CFE_BOLD);
    Select(copyBody, 0, 5);
    CHARFORMATA plain = SelectionFormat(copyBody);
    EXPECT_TRUE(plain.dwMask & CFM_BOLD);
    EXPECT_FALSE(plain.dwEffects & CFE_BOLD);
}

TEST_F(NoteEditTest, LosingTheFocusStoresTheNote) {
    CNoteEdit edit;
    RecordingHost host;
    HWND body = NewBareBody(edit, host);
    ::SetFocus(body);
    ASSERT_EQ(::GetFocus(), body);
    ::SetFocus(::GetParent(body));
    EXPECT_EQ(host.stores, 1);
}

// ---- The body menu at opening -----------------------------------------------------

TEST_F(NoteEditTest, MenuFollowsTheSelection) {
    CNoteDialog* note = NewNote("some words here");
    HWND body = note->Body().m_hWnd;
    Select(body, 0, 0);
    HMENU menu = note->Body().PrepareBodyMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(ItemText(menu, ID_BODY_FONT), "Font");
    EXPECT_EQ(ItemText(menu, ID_BODY_TEXT_COLOR), "Text color");
    for (UINT command : {ID_BODY_CUT, ID_BODY_COPY, ID_BODY_CLEAR, ID_BODY_UPPERCASE, ID_BODY_LOWERCASE})
        EXPECT_TRUE(Grayed(menu, command)) << command;

    Select(body, 5, 10);
    menu = note->Body().PrepareBodyMenu();
    EXPECT_EQ(ItemText(menu, ID_BODY_FONT), "Selected Font");
    EXPECT_EQ(ItemText(menu, ID_BODY_TEXT_COLOR), "Selected Text color");
    for (UINT command : {ID_BODY_CUT, ID_BODY_COPY, ID_BODY_CLEAR, ID_BODY_UPPERCASE, ID_BODY_LOWERCASE})
        EXPECT_FALSE(Grayed(menu, command)) << command;
    // The key names are labels with their spacing as shown.
    EXPECT_EQ(ItemText(menu, ID_BODY_UNDO), "Undo              Ctrl+Z");
    EXPECT_EQ(ItemText(menu, ID_BODY_CUT), "Cut                 Ctrl+X");
    EXPECT_EQ(ItemText(menu, ID_BODY_FIND), "Find...            Ctrl+F");
}

TEST_F(NoteEditTest, WithoutSavedGroupsSendShowsSavedGroupGreyed) {
    CNoteDialog* note = NewNote();
    HMENU send = SubMenu(note->Body().PrepareBodyMenu(), "Send note to");
    ASSERT_NE(send, nullptr);
    const std::vector<Item> expected = {{ID_SEND_OTHER, "Other ..."}, {0, ""}, {32950, "Saved group"}};
    EXPECT_EQ(Items(send), expected);
    EXPECT_TRUE(Grayed(send, 32950));
    EXPECT_FALSE(Grayed(send, ID_SEND_OTHER));
}

TEST_F(NoteEditTest, TwentyFiveGroupsShowTheFirstTwentyWithTheirCommandsAndPictures) {
    std::vector<std::pair<std::string, std::string>> groups;
    for (int i = 1; i <= 25; ++i) groups.emplace_back("Group " + std::to_string(i), "PC1~");
    groups[1].second = "PC1~PC2~PC3~";  // three members
    groups[2].second = "";              // no member list at all
    WriteGroups(groups);

    CNoteDialog* note = NewNote();
    // Opened twice: the slots are rebuilt, not added again.
    note->Body().PrepareBodyMenu();
    HMENU send = SubMenu(note->Body().PrepareBodyMenu(), "Send note to");
    ASSERT_NE(send, nullptr);
    std::vector<Item> expected = {{ID_SEND_OTHER, "Other ..."}, {0, ""}};
    for (int i = 0; i < 20; ++i) expected.push_back({kGroupSlotCommands[i], "Group " + std::to_string(i + 1)});
    EXPECT_EQ(Items(send), expected);

    EXPECT_EQ(Picture(send, kGroupSlotCommands[0]), TestPicture(IDB_MENU_RECIPIENT));
    EXPECT_EQ(Picture(send, kGroupSlotCommands[1]), TestPicture(IDB_MENU_GROUP));
    EXPECT_EQ(Picture(send, kGroupSlotCommands[2]), nullptr);

    // Fewer groups at the next opening leave no stale slot behind.
    WriteGroups({{"Only", "a@b.c~"}});
    send = SubMenu(note->Body().PrepareBodyMenu(), "Send note to");
    expected = {{ID_SEND_OTHER, "Other ..."}, {0, ""}, {kGroupSlotCommands[0], "Only"}};
    EXPECT_EQ(Items(send), expected);
}

TEST_F(NoteEditTest, SavedThemesFollowTheBuiltInThemes) {
    WriteSavedTheme(0, "Mine");
    WriteSavedTheme(1, "");  // a record without a name takes no item
    WriteSavedTheme(2, "Office");
    CNoteDialog* note = NewNote();
    note->Body().PrepareBodyMenu();
    HMENU theme = SubMenu(note->Body().PrepareBodyMenu(), "Theme");
    ASSERT_NE(theme, nullptr);
    const std::vector<Item> expected = {
        {32788, "Default"}, {32808, "Pink"}, {32789, "Blue"}, {32790, "Gray"}, {32884, "Brown"},
        {32810, "Green"}, {32809, "Yellow"}, {32821, "Orange"}, {32794, "Dark Pink"},
        {32811, "Dark Blue"}, {32900, "Dark Green"}, {32913, "Dark Orange"},
        {32919, "Mine"}, {32921, "Office"}, {0, ""},
        {32914, "Save theme as ..."}, {32792, "Save theme as default"}, {32959, "Organize themes"},
        {0, ""}, {32819, "Save size as default"}};
    EXPECT_EQ(Items(theme), expected);
    EXPECT_EQ(Picture(theme, 32919), TestPicture(IDB_MENU_THEME));
}

TEST_F(NoteEditTest, ReplyItemFollowsTheOfferAndMailCheckGreysSending) {
    CNoteDialog* note = NewNote();
    CNoteEdit& body = note->Body();
    HMENU menu = body.PrepareBodyMenu();
    EXPECT_FALSE(Exists(menu, ID_BODY_REPLY));

    body.replyOffered = true;
    body.replyTo = "OFFICE-PC";
    menu = body.PrepareBodyMenu();
    ASSERT_TRUE(Exists(menu, ID_BODY_REPLY));
    EXPECT_EQ(ItemText(menu, ID_BODY_REPLY), "Reply to OFFICE-PC");
    int sendAt = -1;
    ASSERT_NE(SubMenu(menu, "Send note to", &sendAt), nullptr);
    EXPECT_EQ(::GetMenuItemID(menu, sendAt + 1), static_cast<UINT>(ID_BODY_REPLY));
    EXPECT_FALSE(Grayed(menu, sendAt, MF_BYPOSITION));

    g_emailCheckRunning = true;
    g_networkAvailable = false;
    menu = body.PrepareBodyMenu();
    EXPECT_TRUE(Grayed(menu, sendAt, MF_BYPOSITION));
    EXPECT_TRUE(Grayed(menu, ID_BODY_REPLY));
    EXPECT_TRUE(Grayed(SubMenu(menu, "Send note to"), ID_SEND_OTHER));

    body.replyOffered = false;
    EXPECT_FALSE(Exists(body.PrepareBodyMenu(), ID_BODY_REPLY));
}

TEST_F(NoteEditTest, BorderAndStayOnTopShowTheNoteState) {
    CNoteDialog* note = NewNote();
    HWND body = note->Body().m_hWnd;
    HMENU menu = note->Body().PrepareBodyMenu();
    EXPECT_EQ(ItemText(menu, ID_BODY_BORDER), "Set border");
    EXPECT_FALSE(Checked(menu, ID_BODY_BORDER));
    EXPECT_FALSE(Checked(menu, ID_BODY_STAY_ON_TOP));

    Choose(body, ID_BODY_BORDER);
    EXPECT_TRUE(note->HasBorder());
    const std::vector<HWND> ownedBefore = OwnedBy(note->m_hWnd);
    const HWND ownerBefore = ::GetWindow(note->m_hWnd, GW_OWNER);
    Choose(body, ID_BODY_STAY_ON_TOP);
    EXPECT_TRUE(::GetWindowLongPtrA(note->m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    menu = note->Body().PrepareBodyMenu();
    EXPECT_EQ(ItemText(menu, ID_BODY_BORDER), "Remove border");
    EXPECT_TRUE(Checked(menu, ID_BODY_BORDER));
    EXPECT_TRUE(Checked(menu, ID_BODY_STAY_ON_TOP));

    // The check mark follows the window's real z-order, whatever any other
    // note did with its own.
    g_stayOnTopFlag = true;
    EXPECT_TRUE(Checked(note->Body().PrepareBodyMenu(), ID_BODY_STAY_ON_TOP));

    Choose(body, ID_BODY_STAY_ON_TOP);
    EXPECT_FALSE(::GetWindowLongPtrA(note->m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(Checked(note->Body().PrepareBodyMenu(), ID_BODY_STAY_ON_TOP));
    // Owner and owned windows (the tooltip) are as they were.
    EXPECT_EQ(::GetWindow(note->m_hWnd, GW_OWNER), ownerBefore);
    EXPECT_EQ(OwnedBy(note->m_hWnd), ownedBefore);
}

TEST_F(NoteEditTest, RightButtonStoresTheNoteAndShowsTheMenu) {
    CNoteEdit edit;
    RecordingHost host;
    HWND body = NewBareBody(edit, host);
    static bool sawMenu;
    sawMenu = false;
    ::SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        HWND menuWindow = ::FindWindowA("#32768", nullptr);
        sawMenu = menuWindow && ::IsWindowVisible(menuWindow);
        ::EndMenu();
    });
    ::SendMessageA(body, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(sawMenu);
    EXPECT_EQ(host.stores, 1);
}

// ---- Commands on the text ---------------------------------------------------------

TEST_F(NoteEditTest, RedoTakesBackTheUndoAndIsThenGreyed) {
    CNoteDialog* note = NewNote();
    HWND body = note->Body().m_hWnd;
    ::SendMessageA(body, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed"));
    HMENU menu = note->Body().PrepareBodyMenu();
    EXPECT_FALSE(Grayed(menu, ID_BODY_UNDO));
    EXPECT_TRUE(Grayed(menu, ID_BODY_REDO));

    Choose(body, ID_BODY_UNDO);
    EXPECT_EQ(Text(body), "");
    EXPECT_FALSE(Grayed(note->Body().PrepareBodyMenu(), ID_BODY_REDO));

    Choose(body, ID_BODY_REDO);
    EXPECT_EQ(Text(body), "typed");
    EXPECT_TRUE(Grayed(note->Body().PrepareBodyMenu(), ID_BODY_REDO));
}

TEST_F(NoteEditTest, SizeStepsStopAtOnePointAndHaveNoUpperBound) {
    CNoteDialog* note = NewNote("abc");
    HWND body = note->Body().m_hWnd;
    Select(body, 0, 3);
    SetSelectionHeight(body, 20);
    Choose(body, ID_BODY_SHRINK);
    EXPECT_EQ(SelectionFormat(body).yHeight, 20);

    SetSelectionHeight(body, 72 * 20);
    Choose(body, ID_BODY_GROW);
    EXPECT_EQ(SelectionFormat(body).yHeight, 73 * 20);
    Choose(body, ID_BODY_SHRINK);
    Choose(body, ID_BODY_SHRINK);
    EXPECT_EQ(SelectionFormat(body).yHeight, 71 * 20);
}

TEST_F(NoteEditTest, EffectsToggleAndRegularClearsThemAll) {
    CNoteDialog* note = NewNote("abc def");
    HWND body = note->Body().m_hWnd;
    Select(body, 0, 3);
    Choose(body, ID_BODY_BOLD);
    EXPECT_TRUE(SelectionFormat(body).dwEffects & CFE_BOLD);
    Choose(body, ID_BODY_BOLD);
    EXPECT_FALSE(SelectionFormat(body).dwEffects & CFE_BOLD);

    Choose(body, ID_BODY_ITALIC);
    Choose(body, ID_BODY_UNDERLINE);
    note->Body().ToggleSelectionEffect(TextEffect::Strikeout);
    CHARFORMATA cf = SelectionFormat(body);
    EXPECT_EQ(cf.dwEffects & (CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT | CFE_BOLD),
              static_cast<DWORD>(CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT));
    Select(body, 4, 7);
    EXPECT_FALSE(SelectionFormat(body).dwEffects & CFE_ITALIC) << "only the selection changes";

    Select(body, 0, 3);
    Choose(body, ID_BODY_REGULAR);
    cf = SelectionFormat(body);
    EXPECT_EQ(cf.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT), 0u);
}

TEST_F(NoteEditTest, BulletStyleTogglesWithItsMenuText) {
    CNoteDialog* note = NewNote("one\r\ntwo");
    HWND body = note->Body().m_hWnd;
    Select(body, 0, 0);
    HMENU menu = note->Body().PrepareBodyMenu();
    EXPECT_EQ(ItemText(menu, ID_BODY_BULLETS), "Bullet style");
    EXPECT_FALSE(Checked(menu, ID_BODY_BULLETS));

    Choose(body, ID_BODY_BULLETS);
    menu = note->Body().PrepareBodyMenu();
    EXPECT_EQ(ItemText(menu, ID_BODY_BULLETS), "Remove bullet style");
    EXPECT_TRUE(Checked(menu, ID_BODY_BULLETS));

    Choose(body, ID_BODY_BULLETS);
    menu = note->Body().PrepareBodyMenu();
    EXPECT_EQ(ItemText(menu, ID_BODY_BULLETS), "Bullet style");
    EXPECT_FALSE(Checked(menu, ID_BODY_BULLETS));
}

TEST_F(NoteEditTest, AlignmentAndParagraphDialogApplyToTheSelection) {
    CNoteDialog* note = NewNote("one");
    HWND body = note->Body().m_hWnd;
    auto alignment = [&] {
        PARAFORMAT pf{};
        pf.cbSize = sizeof pf;
        ::SendMessageA(body, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
        return pf.wAlignment;
    };
    Choose(body, ID_BODY_RIGHT);
    EXPECT_EQ(alignment(), PFA_RIGHT);
    Choose(body, ID_BODY_CENTER);
    EXPECT_EQ(alignment(), PFA_CENTER);

    g_answers.paragraph.cbSize = sizeof(PARAFORMAT);
    g_answers.paragraph.dwMask = PFM_ALIGNMENT;
    g_answers.paragraph.wAlignment = PFA_LEFT;
    g_answers.ok = false;
    Choose(body, ID_BODY_PARAGRAPH);
    EXPECT_EQ(alignment(), PFA_CENTER) << "Cancel changes nothing";
    g_answers.ok = true;
    Choose(body, ID_BODY_PARAGRAPH);
    EXPECT_EQ(alignment(), PFA_LEFT);
    EXPECT_EQ(g_answers.opened, 2);
}

TEST_F(NoteEditTest, CaseConversionReplacesOnlyTheSelection) {
    // "\xe9" and "\xc9" are e acute in code page 1252.
    CNoteDialog* note = NewNote("caf\xe9 Au Lait end");
    HWND body = note->Body().m_hWnd;
    Select(body, 0, 12);
    Choose(body, ID_BODY_UPPERCASE);
    EXPECT_EQ(Text(body), "CAF\xc9 AU LAIT end");
    Choose(body, ID_BODY_LOWERCASE);
    EXPECT_EQ(Text(body), "caf\xe9 au lait end");
    const CHARRANGE sel = Selection(body);
    EXPECT_EQ(sel.cpMin, 0);
    EXPECT_EQ(sel.cpMax, 12);
    // The replacement is one undoable step.
    Choose(body, ID_BODY_UNDO);
    EXPECT_EQ(Text(body), "CAF\xc9 AU LAIT end");
}

TEST_F(NoteEditTest, EditCommandsCutPasteDeleteAndSelectAll) {
    CNoteDialog* note = NewNote("alpha beta");
    HWND body = note->Body().m_hWnd;
    Select(body, 0, 6);
    Choose(body, ID_BODY_CUT);
    EXPECT_EQ(Text(body), "beta");
    Select(body, 4, 4);
    EXPECT_FALSE(Grayed(note->Body().PrepareBodyMenu(), ID_BODY_PASTE));
    Choose(body, ID_BODY_PASTE);
    EXPECT_EQ(Text(body), "betaalpha ");
    Choose(body, ID_BODY_SELECT_ALL);
    const CHARRANGE all = Selection(body);
    EXPECT_EQ(all.cpMin, 0);
    EXPECT_GE(all.cpMax, 10);
    Choose(body, ID_BODY_CLEAR);
    EXPECT_EQ(Text(body), "");
}

// ---- Fonts and colours --------------------------------------------------------

TEST_F(NoteEditTest, FontWithoutSelectionChangesTheNoteFontAndWithOneOnlyTheText) {
    CNoteDialog* note = NewNote("abc def");
    note->SetNoteId(4);
    CNoteEdit& edit = note->Body();
    HWND body = edit.m_hWnd;
    edit.fontType = "bu";
    edit.ApplyNoteFormat();
    EXPECT_EQ(edit.fontType, "BU") << "style letters are kept in upper case";
    g_answers.font.lfWeight = 600;  // semi-bold is not bold
    g_answers.font.lfItalic = TRUE;
    g_answers.font.lfCharSet = ANSI_CHARSET;
    lstrcpyA(g_answers.font.lfFaceName, "Courier New");
    g_answers.tenths = 125;

    Select(body, 2, 2);
    Choose(body, ID_BODY_FONT);
    EXPECT_EQ(g_answers.offered.lfWeight, FW_BOLD) << "the dialog starts from the note font";
    EXPECT_TRUE(g_answers.offered.lfUnderline);
    EXPECT_EQ(edit.fontName, "Courier New");
    EXPECT_EQ(edit.fontSize, 12);
    EXPECT_EQ(edit.fontType, "I");
    note->StoreNote();
    NoteRecord stored;
    ASSERT_TRUE(ReadNoteRecord({}, 4, stored));
    EXPECT_EQ(stored.editFont, "Courier New");
    EXPECT_EQ(stored.editFontSize, 12);
    EXPECT_EQ(stored.editFontType, "I");
    // New text takes the note font.
    ::SendMessageA(body, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("xyz"));
    Select(body, 3, 4);
    EXPECT_STREQ(SelectionFormat(body).szFaceName, "Courier New");

    g_answers.font.lfWeight = FW_BOLD;
    lstrcpyA(g_answers.font.lfFaceName, "Arial");
    g_answers.tenths = 200;
    Select(body, 0, 2);
    Choose(body, ID_BODY_FONT);
    const CHARFORMATA cf = SelectionFormat(body);
    EXPECT_STREQ(cf.szFaceName, "Arial");
    EXPECT_EQ(cf.yHeight, 400);
    EXPECT_TRUE(cf.dwEffects & CFE_BOLD);
    EXPECT_EQ(edit.fontName, "Courier New") << "a selection leaves the note font alone";
    EXPECT_EQ(edit.fontSize, 12);
}

TEST_F(NoteEditTest, ColoursGoToTheNoteTheSelectionAndTheHost) {
    CNoteEdit edit;
    RecordingHost host;
    HWND body = NewBareBody(edit, host);
    ::SetWindowTextA(body, "red text");
    edit.backColor = RGB(1, 2, 3);
    g_answers.colour = RGB(200, 10, 10);
    Select(body, 0, 3);
    Choose(body, ID_BODY_TEXT_COLOR);
    EXPECT_EQ(SelectionFormat(body).crTextColor, RGB(200, 10, 10));
    EXPECT_EQ(edit.textColor, RGB(0, 0, 0)) << "the note colour stays";

    g_answers.colour = RGB(250, 250, 150);
    Choose(body, ID_BODY_NOTE_COLOR);
    EXPECT_EQ(g_answers.colourOffered, RGB(1, 2, 3));
    EXPECT_EQ(edit.backColor, RGB(250, 250, 150));
    EXPECT_EQ(host.backColours, std::vector<COLORREF>{RGB(250, 250, 150)});

    g_answers.ok = false;
    Choose(body, ID_BODY_NOTE_COLOR);
    EXPECT_EQ(edit.backColor, RGB(250, 250, 150));
    EXPECT_EQ(host.backColours.size(), 1u);
}

// ---- Whole-note commands --------------------------------------------------------

TEST_F(NoteEditTest, WholeNoteCommandsGoToTheHostWithTheItemText) {
    WriteGroups({{"Team", "PC1~PC2~"}, {"Boss", "boss@example.com~"}});
    CNoteEdit edit;
    RecordingHost host;
    HWND body = NewBareBody(edit, host);
    edit.PrepareBodyMenu();
    for (UINT command : {kGroupSlotCommands[1], static_cast<unsigned>(ID_THEME_PINK),
                         static_cast<unsigned>(ID_BODY_DELETE_NOTE)})
        Choose(body, command);
    EXPECT_EQ(host.commands, (std::vector<UINT>{kGroupSlotCommands[1], ID_THEME_PINK, ID_BODY_DELETE_NOTE}));
    EXPECT_EQ(host.texts, (std::vector<std::string>{"Boss", "Pink", "Delete note"}));

    host.border = true;
    Choose(body, ID_BODY_BORDER);
    EXPECT_FALSE(host.border);
    EXPECT_EQ(host.commands.size(), 3u) << "border is the body's own command";
}

// ---- Find ----------------------------------------------------------------------------

TEST_F(NoteEditTest, FindSearchesDownFromTheSelectionAndUpFromTheStart) {
    CNoteDialog* note = NewNote("one two one two one");
    HWND body = note->Body().m_hWnd;
    Select(body, 4, 7);  // "two"
    note->Body().OpenFind();
    HWND find = note->Body().FindDialog();
    ASSERT_NE(find, nullptr);
    char preset[64] = {};
    ::GetDlgItemTextA(find, 0x480, preset, sizeof preset);  // the find-what edit
    EXPECT_STREQ(preset, "two");
    note->Body().OpenFind();
    EXPECT_EQ(note->Body().FindDialog(), find) << "one dialog per body";

    ::SetDlgItemTextA(find, 0x480, "one");
    ::SendMessageA(::GetDlgItem(find, IDOK), BM_CLICK, 0, 0);
    CHARRANGE sel = Selection(body);
    EXPECT_EQ(sel.cpMin, 8);
    EXPECT_EQ(sel.cpMax, 11);
    ::SendMessageA(::GetDlgItem(find, IDOK), BM_CLICK, 0, 0);
    sel = Selection(body);
    EXPECT_EQ(sel.cpMin, 16);

    // Upwards: the first match before the selection, from the beginning.
    ::SendMessageA(::GetDlgItem(find, 0x420), BM_CLICK, 0, 0);  // "Up"
    ::SendMessageA(::GetDlgItem(find, IDOK), BM_CLICK, 0, 0);
    sel = Selection(body);
    EXPECT_EQ(sel.cpMin, 0);
    EXPECT_EQ(sel.cpMax, 3);
    // Nothing before the start: nothing happens.
    ::SendMessageA(::GetDlgItem(find, IDOK), BM_CLICK, 0, 0);
    sel = Selection(body);
    EXPECT_EQ(sel.cpMin, 0);
    EXPECT_EQ(sel.cpMax, 3);
    EXPECT_TRUE(notices_.shown.empty());

    ::SendMessageA(find, WM_COMMAND, IDCANCEL, 0);
    Pump();
    EXPECT_EQ(note->Body().FindDialog(), nullptr);
    EXPECT_FALSE(::IsWindow(find));
}

// ---- Scroll bar --------------------------------------------------------------------

TEST_F(NoteEditTest, ScrollBarStaysHiddenWhenSwitchedOff) {
    g_showScrollBar = false;
    CNoteDialog* note = NewNote();
    HWND body = note->Body().m_hWnd;
    std::string lots;
    for (int i = 0; i < 60; ++i) lots += "line " + std::to_string(i) + "\r\n";
    ::SetWindowTextA(body, lots.c_str());
    ::SetWindowPos(note->m_hWnd, nullptr, 0, 0, 260, 180, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
    EXPECT_FALSE(::GetWindowLongPtrA(body, GWL_STYLE) & WS_VSCROLL);

    g_showScrollBar = true;
    CNoteDialog* shown = NewNote(lots);
    ::SetWindowPos(shown->m_hWnd, nullptr, 0, 0, 260, 180, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
    EXPECT_TRUE(::GetWindowLongPtrA(shown->Body().m_hWnd, GWL_STYLE) & WS_VSCROLL);
}

}  // namespace
