// Saved themes in the main data file: the random theme, "Save theme as ...",
// the organize dialog's data operations and the order of its sort.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/Clock.h"
#include "note/ThemeStore.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"
#include "store/SettingsStore.h"

namespace {

NoteRecord Look(std::int32_t backColor, const std::string& font = "Verdana") {
    NoteRecord r;
    r.editBackColor = backColor;
    r.editTextColor = 0xFFFFFF;
    r.editFont = font;
    r.editFontType = "B";
    r.editFontSize = 10;
    r.editCharSet = 0;
    r.titleBackColor = backColor / 2;
    r.titleTextColor = 0;
    r.titleFont = "Tahoma";
    r.titleFontType = "IR";
    r.titleFontSize = 9;
    r.border = "Yes";
    // What a note carries besides its look; a theme must not keep any of it.
    r.editText = "{\\rtf1 secret\\par\n}";
    r.titleText = "Shopping";
    r.left = 10;
    r.top = 20;
    r.width = 300;
    r.height = 200;
    r.minimized = "Yes";
    r.hidden = "Yes";
    r.alarm = "03032025-074500-2-1";
    r.expiration = "24122024-235959-9";
    return r;
}

std::vector<std::string> Names(const std::vector<SavedThemeRow>& rows) {
    std::vector<std::string> names;
    for (const SavedThemeRow& r : rows) names.push_back(SavedThemeRowText(r));
    return names;
}

using ThemeStoreTest = DataFolderTest;

// Puts the program at a fixed moment for the life of the object.
struct ClockOverride {
    explicit ClockOverride(CFixedClock& clock) : previous(SetClock(&clock)) {}
    ~ClockOverride() { SetClock(previous); }
    IClock* previous;
};

// ---------------------------------------------------------------- random ----

TEST(RandomThemeTest, DrawsAsTheWindowsRuntimeDoes) {
    EXPECT_EQ(FirstRandomNumber(0), 38);
    EXPECT_EQ(FirstRandomNumber(1), 41);
#ifdef _WIN32
    for (unsigned seed : {0u, 1u, 12345u, 1700000000u, 4294967295u}) {
        std::srand(seed);
        EXPECT_EQ(FirstRandomNumber(seed), std::rand()) << seed;
    }
#endif
}

TEST(RandomThemeTest, ChoiceCoversExactlyTheBuiltInAndSavedThemes) {
    std::set<std::int32_t> none, three;
    for (unsigned seed = 1700000000u; seed < 1700005000u; ++seed) {
        none.insert(RandomThemeForSeed(seed, 0));
        three.insert(RandomThemeForSeed(seed, 3));
        ASSERT_EQ(RandomThemeForSeed(seed, 3), RandomThemeForSeed(seed, 3));
    }
    std::set<std::int32_t> builtIn;
    for (std::int32_t id = 90000; id <= 90011; ++id) builtIn.insert(id);
    EXPECT_EQ(none, builtIn);
    std::set<std::int32_t> fifteen = builtIn;
    fifteen.insert({91001, 91002, 91003});
    EXPECT_EQ(three, fifteen);
}

TEST_F(ThemeStoreTest, NewNotesInTheSameSecondGetTheSameTheme) {
    CSettingsStore settings;
    for (std::int32_t i = 0; i < 3; ++i) ASSERT_NE(SaveThemeAs("t" + std::to_string(i), Look(i)), 0);
    CFixedClock clock;
    clock.Set(MakeLocalTime(2025, 2, 1, 10, 0, 5));
    ClockOverride at(clock);

    ASSERT_TRUE(settings.WriteRandomThemes("No"));
    EXPECT_EQ(ChooseRandomTheme(), 0);
    ASSERT_TRUE(settings.WriteRandomThemes("yes"));  // only "Yes" turns it on
    EXPECT_EQ(ChooseRandomTheme(), 0);

    ASSERT_TRUE(settings.WriteRandomThemes("Yes"));
    const std::int32_t first = ChooseRandomTheme();
    EXPECT_EQ(first, RandomThemeForSeed(static_cast<unsigned>(clock.Now()), 3));
    EXPECT_EQ(ChooseRandomTheme(), first);
    std::set<std::int32_t> seen;
    for (int s = 0; s < 200; ++s, clock.Advance(1)) seen.insert(ChooseRandomTheme());
    EXPECT_GT(seen.size(), 1u);
    EXPECT_LE(seen.size(), 15u);
    EXPECT_TRUE(seen.count(91001) || seen.count(91002) || seen.count(91003));
}

// ---------------------------------------------------------- save theme as ----

TEST_F(ThemeStoreTest, TwentyFirstSaveOverwritesTheFirstSlot) {
    CSettingsStore settings;
    for (int i = 1; i <= 20; ++i) {
        ASSERT_EQ(SaveThemeAs("theme " + std::to_string(i), Look(i)), 91000 + i);
        ASSERT_EQ(settings.ReadLastSavedThemeNumber(), std::to_string(i));
    }
    EXPECT_EQ(CountSavedThemes(), 20);
    EXPECT_EQ(SaveThemeAs("twenty-first", Look(777, "Arial")), 91001);
    EXPECT_EQ(settings.ReadLastSavedThemeNumber(), "1");
    EXPECT_EQ(CountSavedThemes(), 20);
    EXPECT_EQ(ReadSavedThemeName(91001), "twenty-first");
    EXPECT_EQ(ReadSavedThemeName(91002), "theme 2");

    NoteRecord theme;
    ASSERT_TRUE(ReadNoteRecord({}, 91001, theme));
    EXPECT_EQ(theme.editBackColor, 777);
    EXPECT_EQ(theme.editFont, "Arial");
    EXPECT_EQ(theme.titleFontType, "IR");
    EXPECT_EQ(theme.border, "Yes");
    // Only the look: no body, title, place, state, alarm or expiration.
    EXPECT_EQ(theme.editText, "");
    EXPECT_EQ(theme.titleText, "");
    EXPECT_EQ(theme.left + theme.top + theme.width + theme.height, 0);
    EXPECT_EQ(theme.minimized, "No");
    EXPECT_EQ(theme.hidden, "No");
    EXPECT_EQ(theme.alarm, "");
    EXPECT_EQ(theme.expiration, "");
}

TEST_F(ThemeStoreTest, SaveWritesWhatSeparateWritesWouldAndNothingOnFailure) {
    const std::string before = "; kept\r\n[NOTE_ID_1]\r\nNoteID=1\r\n[PINWELL]\r\nLastSavedThemeNumber=4\r\n";
    SetFileText(Ini(), before);
    ASSERT_EQ(SaveThemeAs("mine", Look(5)), 91005);
    const std::string batched = FileText(Ini());

    SetFileText(Ini(), before);
    ASSERT_TRUE(WriteThemeRecord(91005, Look(5)));
    ASSERT_TRUE(ini::Write(Ini(), "SAVED_THEMES", "91005", "mine"));
    ASSERT_TRUE(ini::Write(Ini(), "PINWELL", "LastSavedThemeNumber", "5"));
    EXPECT_EQ(batched, FileText(Ini()));

    SetFileText(Ini(), before);
    ini::FailNextWritesForTesting(1);
    EXPECT_EQ(SaveThemeAs("lost", Look(6)), 0);
    EXPECT_EQ(FileText(Ini()), before);
    EXPECT_EQ(notices_.Shown(), std::vector<std::string>{"Error writing Note information to ini file."});
}

TEST_F(ThemeStoreTest, ImpossibleSlotNumberStartsAgainAtTheFirstSlot) {
    CSettingsStore settings;
    for (const char* stored : {"37", "-2", "20"}) {
        ASSERT_TRUE(settings.WriteLastSavedThemeNumber(stored));
        EXPECT_EQ(SaveThemeAs("x", Look(1)), 91001) << stored;
        EXPECT_EQ(settings.ReadLastSavedThemeNumber(), "1");
    }
}

// ------------------------------------------------------------- organize ----

TEST_F(ThemeStoreTest, DeletingTheSecondOfThreeAndClosingLeavesTwoSlots) {
    ASSERT_EQ(SaveThemeAs("one", Look(1)), 91001);
    ASSERT_EQ(SaveThemeAs("two", Look(2)), 91002);
    ASSERT_EQ(SaveThemeAs("three", Look(3)), 91003);

    std::vector<SavedThemeRow> rows = LoadSavedThemeRows();
    ASSERT_EQ(Names(rows), (std::vector<std::string>{"one", "two", "three"}));
    ASSERT_TRUE(DeleteSavedThemes(rows, {1}));
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"one", "three"}));
    // Deleted from the file at once.
    EXPECT_FALSE(ini::HasSection(Ini(), "NOTE_ID_91002"));
    EXPECT_EQ(ini::Read(Ini(), "SAVED_THEMES", "91002", "(none)"), "(none)");

    ASSERT_TRUE(CompactSavedThemes(rows));
    EXPECT_EQ(CountSavedThemes(), 2);
    EXPECT_EQ(ReadSavedThemeName(91001), "one");
    EXPECT_EQ(ReadSavedThemeName(91002), "three");
    NoteRecord moved;
    ASSERT_TRUE(ReadNoteRecord({}, 91002, moved));
    EXPECT_EQ(moved.editBackColor, 3);
    EXPECT_EQ(moved.noteId, 91002);
    EXPECT_FALSE(ini::HasSection(Ini(), "NOTE_ID_91003"));
    EXPECT_EQ(ini::KeyNames(Ini(), "SAVED_THEMES"), (std::vector<std::string>{"91001", "91002"}));
    for (const std::string& section : ini::SectionNames(Ini()))
        EXPECT_EQ(section.find("NOTE_ID_92"), std::string::npos) << section;
    EXPECT_EQ(CSettingsStore().ReadLastSavedThemeNumber(), "2");
    // The next save fills the slot after the last one.
    EXPECT_EQ(SaveThemeAs("four", Look(4)), 91003);
}

// The compaction as a sequence of single writes, for comparison.
void CompactOneWriteAtATime(const std::vector<SavedThemeRow>& rows) {
    const std::string ini = MainDataFilePath();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        NoteRecord r;
        if (!ReadNoteRecord({}, rows[i].id, r)) continue;
        r.noteId = 92001 + static_cast<int>(i);
        WriteNoteRecord({}, r);
        ini::Write(ini, "SAVED_THEMES", std::to_string(r.noteId), rows[i].name);
    }
    for (int id = 91001; id <= 91020; ++id) {
        ini::DeleteSection(ini, NoteSectionName(id));
        ini::DeleteKey(ini, "SAVED_THEMES", std::to_string(id));
    }
    for (std::size_t j = 0; j < rows.size(); ++j) {
        const std::string name = ini::Read(ini, "SAVED_THEMES", std::to_string(92001 + j), {}, 259);
        NoteRecord r;
        if (!ReadNoteRecord({}, 92001 + static_cast<int>(j), r)) continue;
        r.noteId = 91001 + static_cast<int>(j);
        WriteNoteRecord({}, r);
        ini::Write(ini, "SAVED_THEMES", std::to_string(r.noteId), name);
    }
    for (int id = 92001; id <= 92020; ++id) {
        ini::DeleteSection(ini, NoteSectionName(id));
        ini::DeleteKey(ini, "SAVED_THEMES", std::to_string(id));
    }
    ini::Write(ini, "PINWELL", "LastSavedThemeNumber", std::to_string(rows.size()));
}

TEST_F(ThemeStoreTest, CompactionInOneWriteGivesTheSameFileAsSingleWrites) {
    // Awkward names and fonts: quotes and blanks that a write and a read
    // back change, an empty name, a long one; notes around the themes.
    SetFileText(Ini(), "; my notes\r\n[PINWELL]\r\nNumberOfNotes=1\r\n[NOTE_ID_1]\r\nNoteID=1\r\n");
    ASSERT_NE(SaveThemeAs("\"quoted\"", Look(1, "'Courier New'")), 0);
    ASSERT_NE(SaveThemeAs("  padded  ", Look(2)), 0);
    ASSERT_NE(SaveThemeAs("", Look(3)), 0);
    ASSERT_NE(SaveThemeAs(std::string(300, 'L'), Look(4)), 0);
    ASSERT_NE(SaveThemeAs("last", Look(5)), 0);
    ASSERT_TRUE(ini::Write(Ini(), "RECIPIENTS_LIST", "Group", "pc1~"));

    std::vector<SavedThemeRow> rows = LoadSavedThemeRows();
    ASSERT_EQ(rows.size(), 5u);
    ASSERT_TRUE(MoveSavedThemeRow(rows, 4, -1));
    ASSERT_TRUE(RenameSavedThemeRow(rows, 0, "   \"renamed'"));
    ASSERT_TRUE(DeleteSavedThemes(rows, {1}));
    const std::string start = FileText(Ini());

    CompactOneWriteAtATime(rows);
    const std::string expected = FileText(Ini());

    SetFileText(Ini(), start);
    ASSERT_TRUE(CompactSavedThemes(rows));
    EXPECT_EQ(FileText(Ini()), expected);
    EXPECT_EQ(ReadSavedThemeName(91001), "\"renamed'");
    EXPECT_EQ(ReadSavedThemeName(91002), "");  // still unnamed, not "Error reading theme"
    EXPECT_EQ(ReadSavedThemeName(91003), "last");
    EXPECT_EQ(ReadSavedThemeName(91004), std::string(259, 'L'));
    EXPECT_TRUE(notices_.Shown().empty());
}

TEST_F(ThemeStoreTest, FailedCompactionOrDeletionLeavesFileAndListAsTheyWere) {
    ASSERT_NE(SaveThemeAs("a", Look(1)), 0);
    ASSERT_NE(SaveThemeAs("b", Look(2)), 0);
    std::vector<SavedThemeRow> rows = LoadSavedThemeRows();
    const std::string before = FileText(Ini());

    ini::FailNextWritesForTesting(1);
    EXPECT_FALSE(DeleteSavedThemes(rows, {0, 1}));
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(FileText(Ini()), before);
    EXPECT_EQ(notices_.Shown(), std::vector<std::string>{"Error deleting note from ini file."});

    std::swap(rows[0], rows[1]);
    ini::FailNextWritesForTesting(1);
    EXPECT_FALSE(CompactSavedThemes(rows));
    EXPECT_EQ(FileText(Ini()), before);
    EXPECT_EQ(notices_.Shown().size(), 2u);
    EXPECT_EQ(notices_.Shown().back(), "Error writing Note information to ini file.");
}

TEST_F(ThemeStoreTest, ThemesBehindAGapAreFoundAndCompactedNotDropped) {
    for (const char* name : {"a", "b", "c"}) ASSERT_NE(SaveThemeAs(name, Look(1)), 0);
    // As if a program stopped between deleting "b" and closing the dialog.
    ASSERT_TRUE(ini::DeleteSection(Ini(), "NOTE_ID_91002"));
    ASSERT_TRUE(ini::DeleteKey(Ini(), "SAVED_THEMES", "91002"));
    ASSERT_EQ(CountSavedThemes(), 1);

    std::vector<SavedThemeRow> rows = LoadSavedThemeRows();
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"a", "c"}));
    ASSERT_TRUE(CompactSavedThemes(rows));
    EXPECT_EQ(CountSavedThemes(), 2);
    EXPECT_EQ(ReadSavedThemeName(91002), "c");

    // A row whose record vanished meanwhile is left out without a gap.
    rows = LoadSavedThemeRows();
    rows.insert(rows.begin(), SavedThemeRow{91015, "ghost"});
    ASSERT_TRUE(CompactSavedThemes(rows));
    EXPECT_EQ(CountSavedThemes(), 2);
    EXPECT_EQ(ReadSavedThemeName(91001), "a");
    EXPECT_EQ(CSettingsStore().ReadLastSavedThemeNumber(), "2");
}

TEST_F(ThemeStoreTest, MenuListsNamedThemesAndTheListShowsUnnamedOnes) {
    ASSERT_NE(SaveThemeAs("a", Look(1)), 0);
    ASSERT_NE(SaveThemeAs("", Look(2)), 0);
    ASSERT_NE(SaveThemeAs("c", Look(3)), 0);
    EXPECT_EQ(SavedThemeMenuItems(),
              (std::vector<SavedThemeRow>{{91001, "a"}, {91003, "c"}}));
    EXPECT_EQ(Names(LoadSavedThemeRows()), (std::vector<std::string>{"a", "Error reading theme", "c"}));
}

TEST(SavedThemeRowsTest, RenameAndMoveFollowTheDialogRules) {
    std::vector<SavedThemeRow> rows{{91001, "a"}, {91002, "b"}, {91003, "c"}};
    EXPECT_TRUE(RenameSavedThemeRow(rows, 1, "  \tnew name "));
    EXPECT_EQ(rows[1].name, "new name ");
    EXPECT_FALSE(RenameSavedThemeRow(rows, 1, "   "));  // nothing left: name stays
    EXPECT_EQ(rows[1].name, "new name ");
    EXPECT_FALSE(RenameSavedThemeRow(rows, 3, "x"));

    EXPECT_FALSE(MoveSavedThemeRow(rows, 0, -1));
    EXPECT_FALSE(MoveSavedThemeRow(rows, 2, +1));
    EXPECT_TRUE(MoveSavedThemeRow(rows, 0, +1));
    EXPECT_EQ(rows, (std::vector<SavedThemeRow>{{91002, "new name "}, {91001, "a"}, {91003, "c"}}));
    EXPECT_TRUE(MoveSavedThemeRow(rows, 2, -1));
    EXPECT_EQ(rows[1].id, 91003);
}

// ------------------------------------------------------------------ sort ----

TEST(SavedThemeSortTest, SortButtonFlipsAndANewColumnStartsAscending) {
    // The order of the texts is the system's (the window tests sort with
    // it); here the rows only have to follow whatever comparison is given.
    std::vector<SavedThemeRow> rows{{91001, "b"}, {91002, "A"}, {91003, "c"}};
    ThemeSortState state;
    const TextCompare compare = [](const char* a, const char* b) { return std::strcmp(a, b); };
    SortSavedThemeRows(rows, state, compare);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"c", "b", "A"}));
    SortSavedThemeRows(rows, state, compare);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"A", "b", "c"}));

    SortSavedThemeRows(rows, state, compare, 1);  // header of the id column
    EXPECT_TRUE(state.ascending);
    EXPECT_EQ(rows.front().id, 91001);
    EXPECT_EQ(rows.back().id, 91003);
    SortSavedThemeRows(rows, state, compare);  // the button now sorts that column
    EXPECT_EQ(rows.front().id, 91003);
    SortSavedThemeRows(rows, state, compare, 0);
    EXPECT_TRUE(state.ascending);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"A", "b", "c"}));
}

}  // namespace
