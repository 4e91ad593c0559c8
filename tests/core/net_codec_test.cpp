// Note data: building, the receiving rules, and the address tests.
#include <string>
#include <vector>

#include "TestSupport.h"
#include "net/NetUtil.h"
#include "net/NoteData.h"
#include "net/NoteSender.h"
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

// What another computer, a mail or a file puts in a body before the rich
// edit control reads it.
TEST(OutsideRtf, PicturesObjectsFieldsAndBinaryDataGo) {
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 a{\\pict\\pngblip 89504e47}b}"), "{\\rtf1 a{}b}");
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 a{\\*\\shppict{\\pict ff}}{\\object\\objemb{\\*\\objdata 01}{\\result x}}b}"),
              "{\\rtf1 a{\\*\\shppict{}}{}b}");
    // A picture word inside a group takes the rest of that group.
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 {\\b x\\pict 00{}}y}"), "{\\rtf1 {\\b x}y}");
    // A field keeps the text it shows and loses its instruction.
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt see\\}x}}.}"),
              "{\\rtf1 {{}{see\\}x}}.}");
    // Binary data is skipped by its length, braces and backslashes in it too.
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 a{\\pict\\bin4 }}{{b}c}"), "{\\rtf1 a{}c}");
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 a\\bin3 {\\}b}"), "{\\rtf1 ab}");
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 a\\bin99999999999999 {{{"), "{\\rtf1 a}");
    // A hex escape whose digits are not hex would hide a brace from this count.
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 \\'e9\\'{x}y}"), "{\\rtf1 \\'e9{x}y}");
    EXPECT_EQ(FilterOutsideRtf("plain {{{ text"), "plain {{{ text");
}

TEST(OutsideRtf, DepthAndSizeAreBoundedAndTheResultBalanced) {
    auto nested = [](int levels) { return "{\\rtf1 " + std::string(levels, '{') + "x" + std::string(levels, '}') + "}"; };
    auto depth = [](const std::string& rtf) {
        int d = 0, most = 0;
        for (std::size_t i = 0; i < rtf.size(); ++i) {
            if (rtf[i] == '\\') ++i;
            else if (rtf[i] == '{') most = std::max(most, ++d);
            else if (rtf[i] == '}' && --d < 0) return -1;
        }
        return d == 0 ? most : -1;
    };
    for (int levels : {10, 33, 20000}) {
        const std::string out = FilterOutsideRtf(nested(levels));
        EXPECT_EQ(depth(out), std::min(levels + 1, kMaxRtfGroupDepth)) << levels;
        EXPECT_NE(out.find('x'), std::string::npos);
        EXPECT_EQ(FilterOutsideRtf(out), out);
    }
    EXPECT_EQ(FilterOutsideRtf(nested(5)), nested(5));  // what notes hold passes unchanged
    // Cut short, closed; what follows the outer group is not read.
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 {\\b a"), "{\\rtf1 {\\b a}}");
    EXPECT_EQ(FilterOutsideRtf("{\\rtf1 a}}{\\pict x} tail"), "{\\rtf1 a}");
    const std::string big = "{\\rtf1 {\\b " + std::string(5000, 'p') + "}}";
    const std::string cut = FilterOutsideRtf(big, 1000);
    EXPECT_EQ(cut.size(), 1000u);
    EXPECT_EQ(depth(cut), 2);
}

TEST_F(NetCodec, ReceivedSizesFontsAndTitlesAreMadeFitForTheScreenAndTheFile) {
    auto fields = TwentyTwo("{\\rtf1 {{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{x}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}", "Arial", "Arial");
    fields[0] = std::string(9000, 'I');
    fields[6] = "2147483647";
    fields[13] = "-5";
    fields[17] = "0";
    fields[18] = "40000";
    ReceivedNote got = ParseNoteData(Join(fields), 0, 0);
    EXPECT_EQ(got.record.titleText.size(), kStoredTitleLimit + 6);  // the identity and " 00:00"
    MakeOutsideNoteSafe(got.record, 1280, 1024);
    EXPECT_EQ(got.record.width, 1280);
    EXPECT_EQ(got.record.height, 30);
    EXPECT_EQ(got.record.editFontSize, kMaxFontPoints);
    EXPECT_EQ(got.record.titleFontSize, 8);
    EXPECT_EQ(got.record.titleText.size(), kStoredTitleLimit);
    EXPECT_LT(got.record.editText.size(), 60u);

    fields[0] = "ANONYMOUS";
    fields[8] = "T";
    fields[17] = "-70";
    fields[18] = "300";
    got = ParseNoteData(Join(fields), 0, 0);
    MakeOutsideNoteSafe(got.record, 1280, 1024);
    EXPECT_EQ(got.record.titleFontSize, 1);
    EXPECT_EQ(got.record.width, 300);
    EXPECT_EQ(got.record.height, 30);
}
