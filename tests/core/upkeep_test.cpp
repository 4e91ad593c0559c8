// Upkeep of the main data file: the start counter and the clean-up of
// orphaned note sections.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"
#include "store/Upkeep.h"

namespace {

TEST(UpkeepCounter, CountsToAHundredThenCleansAndStartsOver) {
    struct Case { const char* stored; bool clean; const char* write; } cases[] = {
        {"", false, "0"},    {"0", false, "1"},  {"99", false, "100"}, {"100", true, "0"},
        {"250", true, "0"},  {"junk", false, "1"}, {"-3", false, "-2"},
    };
    for (const Case& c : cases) {
        const UpkeepCounterStep step = NextUpkeepCounter(c.stored);
        EXPECT_EQ(step.clean, c.clean) << c.stored;
        EXPECT_EQ(step.write, c.write) << c.stored;
    }
    // From an empty key the clean-up comes on the 102nd start.
    std::string stored;
    int start = 0;
    for (bool cleaned = false; !cleaned && start < 500;) {
        ++start;
        const UpkeepCounterStep step = NextUpkeepCounter(stored);
        cleaned = step.clean;
        stored = step.write;
    }
    EXPECT_EQ(start, 102);
}

TEST(UpkeepRange, RangesByModeAndDamagedCounts) {
    auto r = CleanupRange(CleanMode::StartUp, 2, 40);
    EXPECT_EQ(r.first, 3);
    EXPECT_EQ(r.last, 5000);
    r = CleanupRange(CleanMode::Size, 2, 40);
    EXPECT_EQ(r.first, 41);
    EXPECT_EQ(r.last, 15000);
    r = CleanupRange(CleanMode::StartUp, -7, 0);
    EXPECT_EQ(r.first, 1) << "never section 0 or below";
    r = CleanupRange(CleanMode::StartUp, INT32_MAX, 0);
    EXPECT_GT(r.first, r.last) << "nothing to clean, and no overflow";
}

class UpkeepTest : public DataFolderTest {
protected:
    void AddNote(std::int32_t id) {
        NoteRecord r;
        r.noteId = id;
        r.titleText = "Note " + std::to_string(id);
        r.minimized = r.border = r.hidden = "No";
        ASSERT_TRUE(WriteNoteRecord({}, r));
    }
};

TEST_F(UpkeepTest, CleansOnlyOrphansInsideTheRangeAndKeepsThemes) {
    for (std::int32_t id : {1, 2, 3, 4711, 5001, 90000, 91001}) AddNote(id);
    // A section without a NoteID is not a note and is left as it is.
    ASSERT_TRUE(ini::Write(Ini(), "NOTE_ID_12", "TitleText", "stray"));
    int ticks = 0;
    EXPECT_EQ(CleanNoteSections(CleanupRange(CleanMode::StartUp, 2, 0), [&] { ++ticks; }), 2);
    EXPECT_EQ(ticks, 2) << "the caller's windows run after each deletion";
    for (std::int32_t id : {1, 2, 5001, 90000, 91001}) EXPECT_TRUE(ini::HasSection(Ini(), NoteSectionName(id))) << id;
    for (std::int32_t id : {3, 4711}) EXPECT_FALSE(ini::HasSection(Ini(), NoteSectionName(id))) << id;
    EXPECT_TRUE(ini::HasSection(Ini(), "NOTE_ID_12"));
    EXPECT_TRUE(notices_.Shown().empty());

    // Size mode reaches further, from the live counter on.
    EXPECT_EQ(CleanNoteSections(CleanupRange(CleanMode::Size, 0, 1)), 2);
    EXPECT_FALSE(ini::HasSection(Ini(), NoteSectionName(2)));
    EXPECT_FALSE(ini::HasSection(Ini(), NoteSectionName(5001)));
    EXPECT_TRUE(ini::HasSection(Ini(), NoteSectionName(1)));
}

TEST_F(UpkeepTest, AFailedDeletionIsReportedAndTheRestGoOn) {
    for (std::int32_t id : {5, 6}) AddNote(id);
    ini::FailNextWritesForTesting(1);
    EXPECT_EQ(CleanNoteSections(CleanupRange(CleanMode::StartUp, 4, 0)), 1);
    EXPECT_EQ(notices_.Shown(), std::vector<std::string>{"Error deleting note from ini file."});
    EXPECT_TRUE(ini::HasSection(Ini(), NoteSectionName(5)));
    EXPECT_FALSE(ini::HasSection(Ini(), NoteSectionName(6)));
}

}  // namespace
