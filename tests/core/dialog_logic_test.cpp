// Paragraph indentation conversions, password rules and text trimming of the
// small dialogs.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "dialogs/DialogLogic.h"

namespace {

ParagraphValues Paragraph(std::uint16_t alignment, std::int32_t start, std::int32_t right,
                          std::uint16_t numbering = 0) {
    ParagraphValues v;
    v.alignment = alignment;
    v.startIndent = start;
    v.rightIndent = right;
    v.numbering = numbering;
    return v;
}

// Opening the dialog and confirming it without touching anything.
ParagraphValues ConfirmUnchanged(ParagraphValues v) {
    EXPECT_TRUE(ApplyParagraphFields(FieldsFromParagraph(v), v));
    return v;
}

}  // namespace

TEST(ParagraphIndent, TwipsShowAsMillimetresRoundedUp) {
    struct Case { std::int32_t twips; int mm; };
    const Case cases[] = {
        {0, 0}, {1, 1}, {56, 1}, {57, 2}, {100, 2}, {113, 2}, {566, 10}, {567, 10}, {568, 11},
        {1134, 20}, {5670, 100}, {-1, 0}, {-100, -1}, {-567, -1 * 10},
        {INT32_MAX, 37874491}, {INT32_MIN, -37874491},
    };
    for (const Case& c : cases) EXPECT_EQ(TwipsToMillimetres(c.twips), c.mm) << c.twips << " twips";
}

TEST(ParagraphIndent, MillimetresBecomeTwipsCutTowardZero) {
    struct Case { long long mm; std::int32_t twips; };
    const Case cases[] = {{0, 0}, {1, 56}, {2, 113}, {3, 170}, {10, 567}, {100, 5670},
                          {-1, -56}, {-2, -113}, {kMaxIndentMillimetres, 2147483639}};
    for (const Case& c : cases) {
        std::int32_t twips = -7;
        ASSERT_TRUE(MillimetresToTwips(c.mm, twips)) << c.mm << " mm";
        EXPECT_EQ(twips, c.twips) << c.mm << " mm";
    }
    std::int32_t twips = 42;
    EXPECT_FALSE(MillimetresToTwips(kMaxIndentMillimetres + 1LL, twips));
    EXPECT_FALSE(MillimetresToTwips(-kMaxIndentMillimetres - 1LL, twips));
    EXPECT_FALSE(MillimetresToTwips(99999999999LL, twips));
    EXPECT_EQ(twips, 42) << "a refused value leaves the output alone";
}

TEST(ParagraphIndent, ConfirmingUnchangedMovesOnceThenStays) {
    ParagraphValues once = ConfirmUnchanged(Paragraph(kAlignLeft, 100, 1));
    EXPECT_EQ(once.startIndent, 113);
    EXPECT_EQ(once.rightIndent, 56);
    ParagraphValues twice = ConfirmUnchanged(once);
    EXPECT_EQ(twice.startIndent, 113);
    EXPECT_EQ(twice.rightIndent, 56);
    // Whole millimetres survive exactly.
    EXPECT_EQ(ConfirmUnchanged(Paragraph(kAlignLeft, 567, 5670)).startIndent, 567);
    EXPECT_EQ(ConfirmUnchanged(Paragraph(kAlignLeft, 567, 5670)).rightIndent, 5670);
}

TEST(ParagraphFormat, AlignmentAndBulletRoundTrip) {
    struct Case { std::uint16_t alignment; ParagraphAlignment shown; };
    const Case cases[] = {{kAlignLeft, ParagraphAlignment::Left},
                          {kAlignCenter, ParagraphAlignment::Center},
                          {kAlignRight, ParagraphAlignment::Right},
                          {0, ParagraphAlignment::None},
                          {4, ParagraphAlignment::None}};
    for (const Case& c : cases) {
        const ParagraphValues v = Paragraph(c.alignment, 0, 0, kNumberingBullet);
        const ParagraphFields f = FieldsFromParagraph(v);
        EXPECT_EQ(f.alignment, c.shown) << c.alignment;
        EXPECT_TRUE(f.bullet);
        // An alignment the dialog has no radio for is kept as it was.
        EXPECT_EQ(ConfirmUnchanged(v).alignment, c.alignment);
    }
    EXPECT_FALSE(FieldsFromParagraph(Paragraph(kAlignLeft, 0, 0, 2)).bullet)
        << "only the bullet numbering ticks the box";
}

TEST(ParagraphFormat, ConfirmedFieldsReplaceTheStoredOnes) {
    ParagraphValues v = Paragraph(kAlignLeft, 0, 0, 2);
    ParagraphFields f;
    f.alignment = ParagraphAlignment::Center;
    f.bullet = false;
    f.leftMillimetres = 1;
    f.rightMillimetres = 3;
    ASSERT_TRUE(ApplyParagraphFields(f, v));
    EXPECT_EQ(v.alignment, kAlignCenter);
    EXPECT_EQ(v.numbering, 0) << "an unticked bullet clears any numbering";
    EXPECT_EQ(v.startIndent, 56);
    EXPECT_EQ(v.rightIndent, 170);

    f.bullet = true;
    f.rightMillimetres = kMaxIndentMillimetres + 1;
    const ParagraphValues before = v;
    EXPECT_FALSE(ApplyParagraphFields(f, v));
    EXPECT_EQ(v.numbering, before.numbering);
    EXPECT_EQ(v.startIndent, before.startIndent);
}

TEST(ParagraphIndent, EditTextIsReadAsAnInteger) {
    struct Case { const char* text; IndentParse result; int mm; };
    const Case cases[] = {
        {"0", IndentParse::Ok, 0},        {"12", IndentParse::Ok, 12},
        {" 7 ", IndentParse::Ok, 7},      {"-3", IndentParse::Ok, -3},
        {"+4", IndentParse::Ok, 4},       {"007", IndentParse::Ok, 7},
        {"", IndentParse::NotANumber, 0}, {"  ", IndentParse::NotANumber, 0},
        {"-", IndentParse::NotANumber, 0}, {"1 2", IndentParse::NotANumber, 0},
        {"12a", IndentParse::NotANumber, 0}, {"1.5", IndentParse::NotANumber, 0},
        {"37874491", IndentParse::Ok, 37874491},
        {"37874492", IndentParse::OutOfRange, 0},
        {"99999999999999999999999", IndentParse::OutOfRange, 0},
    };
    for (const Case& c : cases) {
        int mm = -12345;
        EXPECT_EQ(ParseIndentMillimetres(c.text, mm), c.result) << '"' << c.text << '"';
        EXPECT_EQ(mm, c.result == IndentParse::Ok ? c.mm : -12345) << '"' << c.text << '"';
    }
}

TEST(TrimBlanks, RemovesOuterBlanksOnly) {
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("\tx\r\n"), "x");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(""), "");
    EXPECT_EQ(TrimBlanks("abc"), "abc");
    EXPECT_EQ(TrimBlanks(" \xE9t\xE9 "), "\xE9t\xE9") << "ANSI letters are not blanks";
}

TEST(PasswordEntry, NewPasswordRules) {
    const auto check = [](const char* a, const char* b) {
        return CheckPasswordEntry(PasswordMode::NewPassword, TrimBlanks(a), TrimBlanks(b));
    };
    EXPECT_EQ(check("secret", "secret"), PasswordCheck::Accepted);
    EXPECT_EQ(check("  secret", "secret  "), PasswordCheck::Accepted)
        << "texts differing only by outer blanks are equal";
    EXPECT_EQ(check("secret", "Secret"), PasswordCheck::Mismatch) << "case counts";
    EXPECT_EQ(check("sec ret", "secret"), PasswordCheck::Mismatch) << "inner blanks count";
    EXPECT_EQ(check("", "secret"), PasswordCheck::PasswordEmpty);
    EXPECT_EQ(check("   ", "   "), PasswordCheck::PasswordEmpty);
    EXPECT_EQ(check("secret", " "), PasswordCheck::RetypeEmpty);
    EXPECT_EQ(check("0123456789", "0123456789"), PasswordCheck::Accepted);
    EXPECT_EQ(check("0123456789X", "0123456789X"), PasswordCheck::PasswordTooLong);
    EXPECT_EQ(check(" 0123456789 ", "0123456789"), PasswordCheck::Accepted)
        << "the limit applies to the trimmed text";
    EXPECT_EQ(check("0123456789", "0123456789X"), PasswordCheck::RetypeTooLong);
}

TEST(PasswordEntry, VerifyNeedsOnlyTheFirstEntry) {
    EXPECT_EQ(CheckPasswordEntry(PasswordMode::Verify, "secret", ""), PasswordCheck::Accepted);
    EXPECT_EQ(CheckPasswordEntry(PasswordMode::Verify, "secret", "other"), PasswordCheck::Accepted);
    EXPECT_EQ(CheckPasswordEntry(PasswordMode::Verify, "", "secret"), PasswordCheck::PasswordEmpty);
    EXPECT_EQ(CheckPasswordEntry(PasswordMode::Verify, "0123456789X", ""),
              PasswordCheck::PasswordTooLong);
}
