// Note data: building, the receiving rules, and the address tests.
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "net/NetUtil.h"
#include "net/NoteData.h"
#include "net/NoteSender.h"
#include "note/NoteGeometry.h"
#include "note/RtfFilter.h"

namespace {

NoteRecord DistinctNote() {
    NoteRecord r;
    r.editText = "{\\rtf1\\ansi first\\par\r\nsecond\\par\r\n}";
    r.editFont = "Verdana";
    r.editFontType = "BI";
    r.editBackColor = 0xFFCB97;
    r.editTextColor = -2;
    r.editFontSize = 11;
    r.editCharSet = 238;
    r.titleText = "Shopping";
    r.titleFont = "Tahoma";
    r.titleFontType = "UR";
    r.titleBackColor = 0xE28E49;
    r.titleTextColor = 0xFFFFFF;
    r.titleFontSize = 9;
    r.titleCharSet = 204;
    r.left = -1280;
    r.top = 40;
    r.height = 200;
    r.width = 300;
    r.border = "Yes";
    r.expiration = "E1";
    r.alarm = "A1";
    r.noteId = 7;
    r.minimized = "Yes";
    r.hidden = "Yes";
    return r;
}

std::vector<std::string> TwentyTwo(const std::string& body, const std::string& editFont,
                                   const std::string& titleFont) {
    std::vector<std::string> f = {"ANONYMOUS", body, editFont, "", "1", "2", "10", "0",
                                  "Title", titleFont, "L", "3", "4", "9", "0", "5", "6", "70",
                                  "80", "No", "", ""};
    return f;
}

std::string Join(const std::vector<std::string>& fields) {
    std::string text;
    for (const auto& f : fields) text += f + "~";
    return text;
}

}  // namespace

using NetCodec = DataFolderTest;

TEST_F(NetCodec, BuildWritesTheFieldsInWireOrderWithTheBodyOnOneLine) {
    EXPECT_EQ(BuildNoteData("BOB", DistinctNote()),
              "BOB~{\\rtf1\\ansi first\\par|second\\par|}~Verdana~BI~16763799~-2~11~238~Shopping~"
              "Tahoma~UR~14847561~16777215~9~204~-1280~40~200~300~Yes~E1~A1~");
    EXPECT_TRUE(notices_.Shown().empty());
}

TEST_F(NetCodec, EveryCarriedFieldSurvivesTheRoundTrip) {
    const NoteRecord sent = DistinctNote();
    const ReceivedNote got = ParseNoteData(BuildNoteData("ANONYMOUS", sent), 9, 5);
    ASSERT_FALSE(got.flood);
    EXPECT_TRUE(got.anonymous);
    NoteRecord expected = sent;
    expected.editText = "{\\rtf1\\ansi first\\par\nsecond\\par\n}";  // carriage returns dropped
    expected.titleText = "ANONYMOUS Shopping";
    expected.noteId = 0;  // not carried: the receiver numbers its notes
    expected.minimized.clear();
    expected.hidden.clear();
    EXPECT_EQ(got.record, expected);
}

TEST_F(NetCodec, TildesInsideFieldsDoNotShiftTheFieldsBehindThem) {
    NoteRecord r = DistinctNote();
    r.editText = "{\\rtf1 a~b\\~c\\\\~d}";
    r.titleText = "x~y";
    const std::string data = BuildNoteData("Name:A~B", r);
    ASSERT_EQ(SplitNoteData(data).size(), kNoteDataFieldCount);
    const ReceivedNote got = ParseNoteData(data, 0, 0);
    // The same characters as RTF escapes; "\~" (non-breaking space) too.
    EXPECT_EQ(got.record.editText, "{\\rtf1 a\\'7eb\\'a0c\\\\\\'7ed}");
    EXPECT_EQ(got.identity, "Name:A-B");
    EXPECT_EQ(got.record.alarm, "A1");
    EXPECT_EQ(got.record.width, 300);
}

TEST_F(NetCodec, OversizeNoteDataWarnsOnceAndIsStillBuilt) {
    NoteRecord r = DistinctNote();
    const std::size_t rest = BuildNoteData("BOB", r).size() - r.editText.size() + 2;
    r.editText = std::string(kSocketBufferSize - rest, 'x');  // exactly at the limit
    EXPECT_EQ(BuildNoteData("BOB", r).size(), kSocketBufferSize);
    EXPECT_TRUE(notices_.Shown().empty());
    r.editText += "y";
    EXPECT_EQ(BuildNoteData("BOB", r).size(), kSocketBufferSize + 1);
    EXPECT_EQ(notices_.Shown(),
              std::vector<std::string>{"Data buffer size is bigger than maximum socket buffer "
                                       "size.\nPossible errors in receiving data ..."});
}

TEST_F(NetCodec, NamedSendersGetTheirIdentityAndTheLocalTimeAsTitle) {
    auto fields = TwentyTwo("body", "Arial", "Impact");
    fields[0] = "BOB";
    ReceivedNote got = ParseNoteData(Join(fields), 9, 5);
    EXPECT_FALSE(got.anonymous);
    EXPECT_EQ(got.record.titleText, "BOB 09:05");
    EXPECT_EQ(got.record.titleFont, "Arial Narrow");
    EXPECT_EQ(got.record.titleFontType, "C");
    EXPECT_EQ(got.record.titleFontSize, 8);

    fields[0] = "Name:Ann Lee";
    got = ParseNoteData(Join(fields), 23, 59);
    EXPECT_FALSE(got.anonymous);
    EXPECT_EQ(got.record.titleText, "Name:Ann Lee 23:59");

    fields[0] = "";
    got = ParseNoteData(Join(fields), 1, 2);
    EXPECT_TRUE(got.anonymous);
    EXPECT_EQ(got.record.titleText, "ANONYMOUS Title");
    EXPECT_EQ(got.record.titleFont, "Impact");
    EXPECT_EQ(got.record.titleFontType, "L");
    EXPECT_EQ(got.record.titleFontSize, 9);
}

TEST_F(NetCodec, BlankBodiesAndOverlongFontNamesAreFloods) {
    EXPECT_TRUE(ParseNoteData(Join(TwentyTwo("  \t ", "Arial", "Arial")), 0, 0).flood);
    EXPECT_TRUE(ParseNoteData(Join(TwentyTwo("", "Arial", "Arial")), 0, 0).flood);
    const ReceivedNote breaks = ParseNoteData(Join(TwentyTwo("|||", "Arial", "Arial")), 0, 0);
    EXPECT_FALSE(breaks.flood);
    EXPECT_EQ(breaks.record.editText, "\n\n\n");

    const std::string longest(255, 'F'), tooLong(256, 'F');
    EXPECT_FALSE(ParseNoteData(Join(TwentyTwo("b", longest, longest)), 0, 0).flood);
    const ReceivedNote body = ParseNoteData(Join(TwentyTwo("b", tooLong, "Arial")), 0, 0);
    EXPECT_TRUE(body.flood);
    EXPECT_EQ(body.record.editText, "b");  // the fields before it are kept
    EXPECT_EQ(body.record.editFont, "");
    EXPECT_TRUE(ParseNoteData(Join(TwentyTwo("b", "Arial", tooLong)), 0, 0).flood);
    // A named sender's title font is replaced, never looked at.
    auto named = TwentyTwo("b", "Arial", tooLong);
    named[0] = "BOB";
    EXPECT_FALSE(ParseNoteData(Join(named), 0, 0).flood);
}

TEST_F(NetCodec, OnlyTheFirst22FieldsBeforeTheLastTildeCount) {
    auto fields = TwentyTwo("b", "Arial", "Arial");
    fields.push_back("extra");
    fields.push_back("99");
    ReceivedNote got = ParseNoteData(Join(fields) + "trailing", 0, 0);
    EXPECT_EQ(got.record.width, 80);
    EXPECT_EQ(got.record.alarm, "");

    // Cut short: what is missing stays empty or zero; text after the last
    // "~" is not a field.
    got = ParseNoteData("BOB~body~Arial~B~12", 0, 0);
    EXPECT_EQ(got.record.editFontType, "B");
    EXPECT_EQ(got.record.editBackColor, 0);
    EXPECT_EQ(got.record.titleText, "");

    fields = TwentyTwo("b", "Arial", "Arial");
    fields[4] = " -12px";
    fields[5] = "abc";
    fields[7] = "300";
    fields[14] = "-1";
    got = ParseNoteData(Join(fields), 0, 0);
    EXPECT_EQ(got.record.editBackColor, -12);
    EXPECT_EQ(got.record.editTextColor, 0);
    EXPECT_EQ(got.record.editCharSet, 44);   // low 8 bits
    EXPECT_EQ(got.record.titleCharSet, 255);
}

TEST(NetAddress, EmailAndIpAddressTests) {
    CNetUtil util;
    struct Case {
        const char* text;
        bool email, ip;
    } cases[] = {
        {"ann@example.com", true, false},   {"ann@example.co", true, false},
        {"ann@example.info", true, false},  {"ann@example.c", false, false},
        {"ann@example.museu", false, false}, {"ann.example.com", false, false},
        {"10.0.0.1", false, true},          {"10.0.1", false, true},
        {"10.0.0.256", false, true},        {"10.0.0.x", false, false},
        {"10.0", false, false},             {"1.2.3.4.5.6", false, true},
        {"1.2.3.4.5.6.7", false, false},    {"1.2@3.45", true, false},
        {"", false, false},                 {"SERVER", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(util.IsEmailAddress(c.text), c.email) << c.text;
        EXPECT_EQ(util.IsIpAddress(c.text), c.ip) << c.text;
    }
}

TEST(NetAddress, ComputerNamesAndIdentities) {
    CNetUtil util;
    const std::string local = util.GetLocalComputerName();
    EXPECT_FALSE(local.empty());
    EXPECT_EQ(local, ToUpperAscii(local));
    EXPECT_EQ(util.GetHostIpAddress("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(util.GetHostIpAddress("no-such-host.invalid"), "");

    EXPECT_EQ(SenderIdentity(""), local);
    EXPECT_EQ(SenderIdentity("bob-pc"), "BOB-PC");
    EXPECT_EQ(SenderIdentity("Ann@Example.com"), "Ann@Example.com");
    EXPECT_EQ(SenderIdentity("Name:Ann Lee"), "Name:Ann Lee");
    EXPECT_EQ(SenderIdentity("name:ann"), "NAME:ANN");
}

// The fuzzer checks the shape; these are meanings a reader could get wrong.
TEST(OutsideRtf, FieldsKeepTheirTextAndBinaryDataIsSkippedByItsLength) {
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 {\\field{\\*\\fldinst LINK \"x\"}{\\fldrslt see\\}x}}{\\b y\\pict 00}}"),
              "{\\rtf1 {{}{see\\}x}}{\\b y}}");
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 a{\\bin4 }}{{b}c\\pi\\bin1 {ct}"), "{\\rtf1 a{b}c\\pi ct}");
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 \\'e9\\'{x}y} tail"), "{\\rtf1 \\'e9{x}y}");
    // A long paragraph is broken at a blank, a word without one at the hard
    // limit; a font table's text is no paragraph.
    std::string words;
    while (words.size() < kSoftParagraph + 10) words += "word ";
    const std::string unbroken(kHardParagraph + 5, 'x'), fonts(3000, 'F');
    const std::size_t blank = words.find(' ', kSoftParagraph), hard = kHardParagraph - (words.size() - blank - 1);
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1{\\fonttbl " + fonts + "}" + words + unbroken + "}"),
              "{\\rtf1{\\fonttbl " + fonts + "}" + words.substr(0, blank) + "\\par " + words.substr(blank + 1) +
                  unbroken.substr(0, hard) + "\\par " + unbroken.substr(hard) + "}");
}

// A note from outside made fit to show and to keep: sizes and font sizes the
// platform draws, identity and title no longer than the data file keeps.
TEST(OutsideRtf, SizesFontSizesIdentityAndTitleFromOutsideAreClamped) {
    NoteRecord r = DistinctNote();  // as an import reads it
    std::tie(r.editFontSize, r.titleFontSize, r.width, r.height) = std::make_tuple(-5, 100000, 40000, 0);
    r.titleText.assign(5000, 'T');
    MakeOutsideNoteSafe(r, 1280, 1024);
    EXPECT_EQ(std::make_tuple(r.editFontSize, r.titleFontSize, r.width, r.height),
              std::make_tuple(kMinFontPoints, kMaxFontPoints, 1280, kMinNoteHeight));
    EXPECT_EQ(r.titleText, std::string(kStoredTitleLimit, 'T'));
    // A named sender's identity becomes the title, with the time behind it.
    ReceivedNote got = ParseNoteData(BuildNoteData(std::string(5000, 'N'), DistinctNote()), 9, 5);
    MakeOutsideNoteSafe(got.record, 1280, 1024);
    EXPECT_EQ(got.identity, std::string(kStoredTitleLimit, 'N'));
    EXPECT_EQ(got.record.titleText, got.identity);
}
