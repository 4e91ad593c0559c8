// The 500 ms tick's pick-up of received notes and its interval counters.
#include <string>
#include <vector>

#include "TestSupport.h"
#include "store/HandOver.h"
#include "store/IniFile.h"

namespace {

using HandOverTest = DataFolderTest;

const std::string kComplete = "pc1~0~16777215~Verdana~~8~0~{\\rtf1 hi}~title~~";

TEST_F(HandOverTest, CompleteNetworkNoteIsTakenOnceIncompleteIsLeft) {
    CHandOverPickup pickup;
    EXPECT_FALSE(pickup.TakeReceivedNote());  // nothing there, no file either

    ASSERT_TRUE(ini::Write(Ini(), "NOTE_RECEIVED", "NoteData", "pc1~0~half"));
    EXPECT_FALSE(pickup.TakeReceivedNote());
    EXPECT_EQ(ini::Read(Ini(), "NOTE_RECEIVED", "NoteData"), "pc1~0~half");  // waits for later

    ASSERT_TRUE(ini::Write(Ini(), "NOTE_RECEIVED", "NoteData", kComplete));
    EXPECT_EQ(pickup.TakeReceivedNote(), kComplete);
    EXPECT_EQ(ini::Read(Ini(), "NOTE_RECEIVED", "NoteData", "(none)"), "");
    EXPECT_FALSE(pickup.TakeReceivedNote());

    // A long note comes whole.
    const std::string big = "pc2~" + std::string(20000, 'x') + "~";
    ASSERT_TRUE(ini::Write(Ini(), "NOTE_RECEIVED", "NoteData", big));
    EXPECT_EQ(pickup.TakeReceivedNote(), big);
    EXPECT_TRUE(notices_.Shown().empty());
}

TEST_F(HandOverTest, EmailNoteIsTakenAtOnceAndIncompleteOnesDropped) {
    CHandOverPickup pickup;
    ASSERT_TRUE(ini::Write(Ini(), "EMAIL_NOTE_RECEIVED", "EmailNoteData", "me@x.org~0~cut"));
    EXPECT_FALSE(pickup.TakeEmailNote());
    EXPECT_EQ(ini::Read(Ini(), "EMAIL_NOTE_RECEIVED", "EmailNoteData", "(none)"), "");

    ASSERT_TRUE(ini::Write(Ini(), "EMAIL_NOTE_RECEIVED", "EmailNoteData", kComplete));
    EXPECT_EQ(pickup.TakeEmailNote(), kComplete);
    EXPECT_EQ(ini::Read(Ini(), "EMAIL_NOTE_RECEIVED", "EmailNoteData", "(none)"), "");
    EXPECT_FALSE(pickup.TakeEmailNote());
    // The two values are independent.
    ASSERT_TRUE(ini::Write(Ini(), "NOTE_RECEIVED", "NoteData", kComplete));
    EXPECT_FALSE(pickup.TakeEmailNote());
    EXPECT_EQ(pickup.TakeReceivedNote(), kComplete);
}

TEST_F(HandOverTest, NoteThatCannotBeClearedIsNotHandedOnTwice) {
    CHandOverPickup pickup;
    ASSERT_TRUE(ini::Write(Ini(), "NOTE_RECEIVED", "NoteData", kComplete));
    ASSERT_TRUE(ini::Write(Ini(), "EMAIL_NOTE_RECEIVED", "EmailNoteData", kComplete));
    ini::FailNextWritesForTesting(-1);
    for (int tick = 0; tick < 5; ++tick) {
        EXPECT_FALSE(pickup.TakeReceivedNote());
        EXPECT_FALSE(pickup.TakeEmailNote());
    }
    // Still there for when the file can be written again; one message only.
    EXPECT_EQ(ini::Read(Ini(), "NOTE_RECEIVED", "NoteData"), kComplete);
    EXPECT_EQ(ini::Read(Ini(), "EMAIL_NOTE_RECEIVED", "EmailNoteData"), kComplete);
    EXPECT_EQ(notices_.Shown(), std::vector<std::string>{"Error writing to ini file."});

    ini::FailNextWritesForTesting(0);
    EXPECT_EQ(pickup.TakeReceivedNote(), kComplete);
    EXPECT_EQ(pickup.TakeEmailNote(), kComplete);
    // A new run of failures is reported again.
    ASSERT_TRUE(ini::Write(Ini(), "NOTE_RECEIVED", "NoteData", kComplete));
    ini::FailNextWritesForTesting(1);
    EXPECT_FALSE(pickup.TakeReceivedNote());
    EXPECT_EQ(notices_.Shown().size(), 2u);
}

TEST(IntervalTickerTest, MinutesCountAsHundredTwentyTicks) {
    CIntervalTicker ticker(2);
    std::vector<int> due;
    for (int tick = 1; tick <= 600; ++tick)
        if (ticker.Tick()) due.push_back(tick);
    EXPECT_EQ(due, (std::vector<int>{240, 480}));

    CIntervalTicker off(0), negative(-5);
    for (int tick = 0; tick < 1000; ++tick) {
        ASSERT_FALSE(off.Tick());
        ASSERT_FALSE(negative.Tick());
    }
}

TEST(IntervalTickerTest, ShorterIntervalAfterManyTicksStillComesDue) {
    CIntervalTicker ticker(10);
    for (int tick = 0; tick < 500; ++tick) ASSERT_FALSE(ticker.Tick());
    ticker.SetMinutes(1);  // 120 ticks, already passed
    EXPECT_TRUE(ticker.Tick());
    int next = 0;
    while (!ticker.Tick()) ++next;
    EXPECT_EQ(next + 1, 120);
}

}  // namespace
