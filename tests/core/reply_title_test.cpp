// The title and reply-to address of received notes.
#include <gtest/gtest.h>

#include "note/ReplyTitle.h"

namespace {

TEST(ReplyTitleTest, NamedSendersCanBeRepliedToAndKeepTheirTitle) {
    const ReplyTitle r = ReceivedTitle("ALICE-PC 09:41", "C");
    EXPECT_TRUE(r.replyOffered);
    EXPECT_EQ(r.replyTo, "ALICE-PC");
    EXPECT_EQ(r.title, "ALICE-PC 09:41");
    const ReplyTitle mail = ReceivedTitle("bob@example.org 17:05", "C");
    EXPECT_TRUE(mail.replyOffered);
    EXPECT_EQ(mail.replyTo, "bob@example.org");
}

TEST(ReplyTitleTest, AnonymousAndNameSendersLoseTheirMarksAndGetTheAlignmentBlank) {
    const ReplyTitle anon = ReceivedTitle("ANONYMOUS Lunch at noon", "BR");
    EXPECT_FALSE(anon.replyOffered);
    EXPECT_EQ(anon.title, "Lunch at noon ");
    const ReplyTitle named = ReceivedTitle("Name:Carol 09:41", "L");
    EXPECT_FALSE(named.replyOffered);
    EXPECT_EQ(named.replyTo, "");
    EXPECT_EQ(named.title, " Carol 09:41");
    const ReplyTitle centred = ReceivedTitle("ANONYMOUS ANONYMOUS x", "C");
    EXPECT_EQ(centred.title, "x");
    // A title without a blank has no address to reply to.
    const ReplyTitle single = ReceivedTitle("Hello", "C");
    EXPECT_FALSE(single.replyOffered);
    EXPECT_EQ(single.title, "Hello");
}

}  // namespace
