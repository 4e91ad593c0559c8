// The settings dialog's rules that need no window: radios from stored texts,
// list entries, font and alignment letters, and the checks made on saving.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/SettingsLogic.h"

namespace {

TEST(SettingsRadios, EachRuleReadsTheStoredTextsItsOwnWay) {
    struct Case {
        YesRule rule;
        const char* stored;
        bool yes;
    };
    const Case cases[] = {
        {YesRule::YesOnly, "Yes", true},         {YesRule::YesOnly, "", false},
        {YesRule::YesOnly, "No", false},         {YesRule::YesOnly, "yes", false},
        {YesRule::YesOrEmpty, "Yes", true},      {YesRule::YesOrEmpty, "", true},
        {YesRule::YesOrEmpty, "No", false},      {YesRule::YesOrEmpty, "Maybe", false},
        {YesRule::NotNoNorEmpty, "Yes", true},   {YesRule::NotNoNorEmpty, "", false},
        {YesRule::NotNoNorEmpty, "No", false},   {YesRule::NotNoNorEmpty, "Maybe", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShowsYes(c.rule, c.stored), c.yes) << static_cast<int>(c.rule) << " '" << c.stored << "'";
}

TEST(SettingsLists, StoredTextsSelectEntriesAndEntriesGiveTheStoredTexts) {
    EXPECT_EQ(OnChangeThemeIndex(""), 0);
    EXPECT_EQ(OnChangeThemeIndex("All"), 0);
    EXPECT_EQ(OnChangeThemeIndex("Colors"), 1);
    EXPECT_STREQ(OnChangeThemeValue(0), "All");
    EXPECT_STREQ(OnChangeThemeValue(1), "Colors");

    EXPECT_EQ(AfterSendIndex(""), 0);
    EXPECT_EQ(AfterSendIndex("ShowIcon"), 0);
    EXPECT_EQ(AfterSendIndex("DeleteNote"), 1);
    EXPECT_EQ(AfterSendIndex("whatever"), 1);
    EXPECT_STREQ(AfterSendValue(0), "ShowIcon");
    EXPECT_STREQ(AfterSendValue(1), "DeleteNote");

    EXPECT_EQ(PictureFormatIndex("jpg"), 0);
    EXPECT_EQ(PictureFormatIndex("bmp"), 1);
    EXPECT_EQ(PictureFormatIndex("gif"), 0);
    EXPECT_STREQ(PictureFormatValue(0), "jpg");
    EXPECT_STREQ(PictureFormatValue(1), "bmp");

    EXPECT_EQ(IntervalText(""), "0");
    EXPECT_EQ(IntervalText("15"), "15");
    EXPECT_EQ(PortText(""), "2000");
    EXPECT_EQ(PortText("3000"), "3000");

    EXPECT_EQ(DateFormatIndex("DD.MM.YYYY"), 0);
    EXPECT_EQ(DateFormatIndex("MM/DD/YYYY"), 3);
    EXPECT_EQ(DateFormatIndex("dd.mm.yyyy"), -1);
}

TEST(SettingsNumbers, OnlyPlainDigitsCount) {
    struct Case {
        const char* text;
        unsigned value;
    };
    const Case cases[] = {{"", 0},     {"0", 0},        {"250", 250},          {" 42 ", 42},
                          {"-5", 0},   {"+5", 0},       {"12a", 0},            {"4294967295", 4294967295u},
                          {"4294967296", 0}, {"99999999999999999999", 0}};
    for (const Case& c : cases) EXPECT_EQ(NumberOrZero(c.text), c.value) << "'" << c.text << "'";
}

TEST(SettingsTitleAlign, FirstLetterFoundWinsAndReplacingKeepsTheStyle) {
    EXPECT_EQ(FindTitleAlign("BL"), TitleAlign::Left);
    EXPECT_EQ(FindTitleAlign("CB"), TitleAlign::Center);
    EXPECT_EQ(FindTitleAlign("RI"), TitleAlign::Right);
    EXPECT_EQ(FindTitleAlign("RL"), TitleAlign::Left);  // L is looked for first
    EXPECT_EQ(FindTitleAlign("CR"), TitleAlign::Center);
    EXPECT_EQ(FindTitleAlign("BIUS"), TitleAlign::None);
    EXPECT_EQ(FindTitleAlign(""), TitleAlign::None);

    EXPECT_EQ(WithTitleAlign("BL", TitleAlign::Right), "BR");
    EXPECT_EQ(WithTitleAlign("LCRBI", TitleAlign::Center), "BIC");
    EXPECT_EQ(WithTitleAlign("", TitleAlign::Left), "L");
    EXPECT_EQ(WithTitleAlign("BC", TitleAlign::None), "B");
}

TEST(SettingsFontLetters, ChosenFontsRebuildTheLetters) {
    FontStyle all{700, true, true, true};
    EXPECT_EQ(NoteFontLetters(all), "BIUS");
    EXPECT_EQ(NoteFontLetters(FontStyle{}), "");
    // Only the exact bold weight counts.
    EXPECT_EQ(NoteFontLetters(FontStyle{600, false, false, false}), "");
    EXPECT_EQ(NoteFontLetters(FontStyle{800, true, false, false}), "I");

    // The title keeps its alignment and loses its old style.
    EXPECT_EQ(TitleFontLetters("BICS", FontStyle{400, false, true, false}), "CU");
    EXPECT_EQ(TitleFontLetters("L", all), "LBIUS");
    EXPECT_EQ(TitleFontLetters("BU", FontStyle{}), "");

    const FontStyle back = StyleFromLetters("BUL");
    EXPECT_EQ(back.weight, 700);
    EXPECT_FALSE(back.italic);
    EXPECT_TRUE(back.underline);
    EXPECT_FALSE(back.strikeOut);
    EXPECT_EQ(StyleFromLetters("").weight, 400);
}

TEST(SettingsFontLetters, SamplesNameFaceSizeAndStyle) {
    EXPECT_EQ(FontSampleText("Verdana", 8, "", false), " Verdana, 8, R");
    EXPECT_EQ(FontSampleText("Arial", 12, "BI", false), " Arial, 12, BI");
    // The title's alignment letters are not style.
    EXPECT_EQ(FontSampleText("Tahoma", 10, "L", true), " Tahoma, 10, R");
    EXPECT_EQ(FontSampleText("Tahoma", 10, "BC", true), " Tahoma, 10, B");
    EXPECT_EQ(FontSampleText("Tahoma", 10, "RU", true), " Tahoma, 10, U");
}

TEST(SettingsDefaultSize, ZeroPairOrBetweenTheMinimumAndTheScreen) {
    struct Case {
        unsigned w, h;
        SizeCheck want;
    };
    const unsigned sw = 1280, sh = 1024;
    const Case cases[] = {
        {0, 0, SizeCheck::Ok},          {60, 30, SizeCheck::Ok},          {1280, 1024, SizeCheck::Ok},
        {59, 200, SizeCheck::TooSmall}, {200, 29, SizeCheck::TooSmall},   {0, 200, SizeCheck::TooSmall},
        {200, 0, SizeCheck::TooSmall},  {1281, 200, SizeCheck::TooBig},   {200, 1025, SizeCheck::TooBig},
        // Too big is looked at first.
        {1281, 10, SizeCheck::TooBig},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckDefaultSize(c.w, c.h, sw, sh), c.want) << c.w << "x" << c.h;
}

TEST(SettingsPort, RangeIsInclusiveAndAnythingElseIsRefused) {
    struct Case {
        const char* text;
        bool ok;
    };
    const Case cases[] = {{"1024", false}, {"1025", true},  {"2000", true},  {"65534", true}, {"65535", false},
                          {"", false},     {"-5", false},   {"0", false},    {"3000x", false},
                          {"4294969296", false}, {"4294968321", false}};
    for (const Case& c : cases) EXPECT_EQ(PortAccepted(c.text), c.ok) << "'" << c.text << "'";
}

TEST(SettingsPort, NoticeOnlyWhenMovingAwayFromTheDefault) {
    EXPECT_TRUE(PortNoticeDue("3000", ""));
    EXPECT_TRUE(PortNoticeDue("3000", "2000"));
    EXPECT_FALSE(PortNoticeDue("3000", "3000"));
    EXPECT_FALSE(PortNoticeDue("2000", "3000"));
    EXPECT_FALSE(PortNoticeDue("2000", ""));
    EXPECT_TRUE(PortNoticeDue("4000", "3000"));

    const std::string notice = PortChangedMessage();
    EXPECT_EQ(notice.rfind("You have changed default program network communication port.\n", 0), 0u);
    EXPECT_NE(notice.find("put back default Pinwell network communication port 2000."), std::string::npos);
    EXPECT_NE(PortToolTip().find("(default program network communication port is 2000)"), std::string::npos);
}

TEST(SettingsSentFrom, EachTypeStoresItsOwnValue) {
    SentFromSave s = CheckDefaultSentFrom(IdentityType::ComputerName, "MYBOX");
    EXPECT_TRUE(s.write);
    EXPECT_EQ(s.value, "");

    s = CheckDefaultSentFrom(IdentityType::Anonymous, "whatever");
    EXPECT_TRUE(s.write);
    EXPECT_EQ(s.value, "ANONYMOUS");

    s = CheckDefaultSentFrom(IdentityType::Name, "Bob");
    EXPECT_STREQ(s.message, "");
    EXPECT_TRUE(s.write);
    EXPECT_EQ(s.value, "Name:Bob");

    // Stored Name:Bob opens as type Name with Bob.
    const IdentityFields back = IdentityFromSentFrom(s.value, "HOST");
    EXPECT_EQ(back.type, IdentityType::Name);
    EXPECT_EQ(back.text, "Bob");
    EXPECT_TRUE(back.editable);

    s = CheckDefaultSentFrom(IdentityType::None, "x");
    EXPECT_FALSE(s.write);
    EXPECT_STREQ(s.message, "");
}

TEST(SettingsSentFrom, RefusalsSayWhyAndWhereTheFocusGoes) {
    SentFromSave s = CheckDefaultSentFrom(IdentityType::Name, "");
    EXPECT_STREQ(s.message, "Name in \"Default sent from:\" field can not be empty ...");
    EXPECT_FALSE(s.stopIcon);
    EXPECT_EQ(s.focus, SentFromSave::Focus::Text);
    EXPECT_FALSE(s.write);
    EXPECT_STREQ(CheckDefaultSentFrom(IdentityType::Name, "   ").message, kSentFromNameMessage);

    s = CheckDefaultSentFrom(IdentityType::IpAddress, "10.0.0.x");
    EXPECT_STREQ(s.message, "IP Address in \"Default sent from:\" field is not valid ...");
    EXPECT_TRUE(s.stopIcon);
    EXPECT_EQ(s.focus, SentFromSave::Focus::TypeList);

    s = CheckDefaultSentFrom(IdentityType::Email, "bob@example");
    EXPECT_STREQ(s.message, "Email you have entered in \"Default sent from:\" field is not valid ...");
    EXPECT_TRUE(s.stopIcon);
    EXPECT_EQ(s.focus, SentFromSave::Focus::Text);
}

TEST(SettingsSentFrom, AddressTestsAsTheSenderUsesThem) {
    struct Case {
        IdentityType type;
        const char* text;
        bool ok;
    };
    const Case cases[] = {
        {IdentityType::Email, "bob@example.c", false},    {IdentityType::Email, "bob@example.co", true},
        {IdentityType::Email, "bob@example.com", true},   {IdentityType::Email, "bob@example.info", true},
        {IdentityType::Email, "bob@example.museu", false}, {IdentityType::Email, "bob.example.com", false},
        {IdentityType::IpAddress, "10.0.0.1", true},      {IdentityType::IpAddress, "10.0.1", true},
        {IdentityType::IpAddress, "10.0.0.256", true},    {IdentityType::IpAddress, "10.0.0.x", false},
        {IdentityType::IpAddress, "10.1", false},
    };
    for (const Case& c : cases) {
        const SentFromSave s = CheckDefaultSentFrom(c.type, c.text);
        EXPECT_EQ(s.write, c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(s.value, c.text);
        }
    }
}

}  // namespace
