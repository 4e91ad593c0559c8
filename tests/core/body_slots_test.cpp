// The rebuilt parts of the body menu worked out from the data file, and the
// size arithmetic of the body's font commands.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "TestSupport.h"
#include "note/BodyMenuSlots.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"

namespace {

GroupSlots Slots(const std::string& names, const std::map<std::string, std::string>& members = {}) {
    return BuildGroupSlots(names, [&](const std::string& name) {
        const auto it = members.find(name);
        return it == members.end() ? std::string() : it->second;
    });
}

TEST(BodyGroupSlots, NoTildeMeansNoGroupAtAll) {
    EXPECT_FALSE(Slots("").anyGroup);
    EXPECT_FALSE(Slots("Team").anyGroup);  // a name without its "~" is not a group
    const GroupSlots one = Slots("Team~");
    EXPECT_TRUE(one.anyGroup);
    ASSERT_EQ(one.slots.size(), 1u);
    EXPECT_EQ(one.slots[0].command, 32863u);
    EXPECT_EQ(one.slots[0].name, "Team");
}

TEST(BodyGroupSlots, EmptyNamesUseUpTheirSlotAndTextAfterTheLastTildeIsIgnored) {
    const GroupSlots g = Slots("A~~C~trailing");
    ASSERT_EQ(g.slots.size(), 2u);
    EXPECT_EQ(g.slots[0].command, kGroupSlotCommands[0]);
    EXPECT_EQ(g.slots[1].name, "C");
    EXPECT_EQ(g.slots[1].command, kGroupSlotCommands[2]);
}

TEST(BodyGroupSlots, OnlyTwentyNamesWithTheNonConsecutiveCommands) {
    std::string names;
    for (int i = 0; i < 25; ++i) names += "G" + std::to_string(i) + "~";
    const GroupSlots g = Slots(names);
    ASSERT_EQ(g.slots.size(), 20u);
    EXPECT_EQ(g.slots[9].command, 32872u);
    EXPECT_EQ(g.slots[10].command, 32875u);
    EXPECT_EQ(g.slots[11].command, 32941u);
    EXPECT_EQ(g.slots[19].command, 32949u);
    EXPECT_EQ(g.slots[19].name, "G19");
}

TEST(BodyGroupSlots, PictureFollowsTheNumberOfMembers) {
    const GroupSlots g = Slots("None~One~Two~Many~",
                               {{"One", "PC1~"}, {"Two", "PC1~a@b.c~"}, {"Many", "A~B~C~D~"}, {"None", "PC1"}});
    ASSERT_EQ(g.slots.size(), 4u);
    EXPECT_EQ(g.slots[0].picture, GroupPicture::None);
    EXPECT_EQ(g.slots[1].picture, GroupPicture::Recipient);
    EXPECT_EQ(g.slots[2].picture, GroupPicture::Group);
    EXPECT_EQ(g.slots[3].picture, GroupPicture::Group);
}

class BodySlotsFileTest : public DataFolderTest {
protected:
    void SaveTheme(int slot, const std::string& name) {
        NoteRecord r;
        r.noteId = kFirstSavedThemeId + slot;
        ASSERT_TRUE(WriteNoteRecord({}, r));
        if (!name.empty()) ini::Write(Ini(), "SAVED_THEMES", std::to_string(r.noteId), name);
    }
};

TEST_F(BodySlotsFileTest, GroupsAreReadFromRecipientsList) {
    ini::Write(Ini(), "RECIPIENTS_LIST", "ListNames", "Team~Solo~");
    ini::Write(Ini(), "RECIPIENTS_LIST", "Team", "PC1~PC2~");
    ini::Write(Ini(), "RECIPIENTS_LIST", "solo", "x@y.z~");  // names match without regard to case
    const GroupSlots g = ReadGroupSlots();
    ASSERT_EQ(g.slots.size(), 2u);
    EXPECT_EQ(g.slots[0].picture, GroupPicture::Group);
    EXPECT_EQ(g.slots[1].picture, GroupPicture::Recipient);
}

TEST_F(BodySlotsFileTest, ThemeSlotsStopAtTheFirstMissingRecordAndSkipUnnamedOnes) {
    SaveTheme(0, "First");
    SaveTheme(1, "");
    SaveTheme(2, "Third");
    SaveTheme(4, "After a gap");  // 91004 is missing: not counted
    const std::vector<ThemeSlot> slots = ReadThemeSlots();
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_EQ(slots[0].command, 32919u);
    EXPECT_EQ(slots[0].name, "First");
    EXPECT_EQ(slots[1].command, 32921u);
    EXPECT_EQ(slots[1].name, "Third");
}

TEST_F(BodySlotsFileTest, NoMoreThanTwentyThemeSlots) {
    for (int k = 0; k < 22; ++k) SaveTheme(k, "T" + std::to_string(k));
    const std::vector<ThemeSlot> slots = ReadThemeSlots();
    ASSERT_EQ(slots.size(), 20u);
    EXPECT_EQ(slots.back().command, 32938u);  // never the place holder 32939
}

TEST(BodyFontArithmetic, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDivRounded(1, 96, 72), 1);    // 1.33
    EXPECT_EQ(MulDivRounded(2, 96, 72), 3);    // 2.67
    EXPECT_EQ(MulDivRounded(3, 1, 2), 2);      // 1.5
    EXPECT_EQ(MulDivRounded(-3, 1, 2), -2);    // -1.5
    EXPECT_EQ(MulDivRounded(5, 7, 0), -1);
    EXPECT_EQ(MulDivRounded(2000000000, 3, 4), 1500000000);  // no overflow in between
}

TEST(BodyFontArithmetic, SizeStepsNeverGoBelowOnePoint) {
    EXPECT_EQ(StepFontHeight(20, false, 96), 20);
    EXPECT_EQ(StepFontHeight(0, false, 96), 20);
    EXPECT_EQ(StepFontHeight(19, true, 96), 20);  // under a point counts as 0
    EXPECT_EQ(StepFontHeight(72 * 20, true, 96), 73 * 20);
    EXPECT_EQ(StepFontHeight(72 * 20 + 19, false, 96), 71 * 20);
    EXPECT_EQ(StepFontHeight(1000 * 20, true, 96), 1001 * 20);
    // At 120 pixels per inch 10 points are 17 pixels, which show as 10 points.
    EXPECT_EQ(StepFontHeight(9 * 20, true, 120), 10 * 20);
    EXPECT_EQ(PointsThroughPixels(10, 0), 10);
}

TEST(BodyFontArithmetic, OnlyExactlyBoldWeightGivesB) {
    EXPECT_EQ(FontTypeFromChoice(700, false, false, false), "B");
    EXPECT_EQ(FontTypeFromChoice(600, true, false, false), "I");
    EXPECT_EQ(FontTypeFromChoice(800, false, true, true), "US");
    EXPECT_EQ(FontTypeFromChoice(700, true, true, true), "BIUS");
}

}  // namespace
