// Note records and program settings in the main data file.
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/OsLabel.h"
#include "net/NoteData.h"
#include "note/BuiltInThemes.h"
#include "store/NoteRecord.h"
#include "store/SettingsStore.h"

namespace {

}  // namespace

// Readable failure output for whole records.
void PrintTo(const NoteRecord& r, std::ostream* os) {
    *os << "{id " << r.noteId << " body \"" << r.editText << "\" title \"" << r.titleText << "\" font "
        << r.editFont << "/" << r.editFontType << "/" << r.editFontSize << "/" << int(r.editCharSet)
        << " title font " << r.titleFont << "/" << r.titleFontType << "/" << r.titleFontSize << "/"
        << int(r.titleCharSet) << " colours " << r.editTextColor << "," << r.editBackColor << ","
        << r.titleTextColor << "," << r.titleBackColor << " rect " << r.left << "," << r.top << ","
        << r.width << "x" << r.height << " flags " << r.minimized << "/" << r.border << "/" << r.hidden
        << " exp \"" << r.expiration << "\" alarm \"" << r.alarm << "\"}";
}

namespace {

NoteRecord SampleNote(int id) {
    NoteRecord r;
    r.noteId = id;
    r.editTextColor = 0;
    r.editBackColor = 0xFFCB97;
    r.editFont = "Verdana";
    r.editFontType = "BI";
    r.editText = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Verdana;}}\n\\pard\\f0\\fs16 first\\par\nsecond\\par\n\\b third\\b0\\par\n}\n";
    r.editFontSize = 8;
    r.editCharSet = 238;
    r.titleTextColor = 0xFFFFFF;
    r.titleBackColor = 0xE28E49;
    r.titleFont = "Tahoma";
    r.titleFontType = "UC";
    r.titleText = "Shopping list";
    r.titleFontSize = 9;
    r.titleCharSet = 0;
    r.top = 40;
    r.left = -1280;
    r.height = 200;
    r.width = 300;
    r.minimized = "No";
    r.border = "Yes";
    r.hidden = "No";
    r.expiration = "";
    r.alarm = "";
    return r;
}

using NoteRecordTest = DataFolderTest;

TEST_F(NoteRecordTest, RoundTripKeepsEveryFieldAndTheStoredFormIsOneLine) {
    NoteRecord original = SampleNote(3);
    NoteRecord written = original;
    ASSERT_TRUE(WriteNoteRecord({}, written));
    // The caller's record now holds the stored form of the body.
    EXPECT_EQ(written.editText.find('\n'), std::string::npos);
    EXPECT_NE(written.editText.find("first\\par|second"), std::string::npos);

    const std::string text = FileText(Ini());
    EXPECT_NE(text.find("EditText={\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Verdana;}}|\\pard"), std::string::npos);
    EXPECT_NE(text.find("\r\nLeft=-1280\r\n"), std::string::npos);

    NoteRecord back;
    ASSERT_TRUE(ReadNoteRecord({}, 3, back));
    EXPECT_EQ(back, original);
}

TEST_F(NoteRecordTest, NewSectionListsItsKeysInTheFixedOrder) {
    NoteRecord r = SampleNote(1);
    ASSERT_TRUE(WriteNoteRecord({}, r));
    const char* order[] = {"NoteID", "EditBackColor", "EditTextColor", "EditFont", "EditFontType",
                           "EditFontSize", "EditCharSet", "EditText", "TitleBackColor",
                           "TitleTextColor", "TitleFont", "TitleFontType", "TitleFontSize",
                           "TitleText", "TitleCharSet", "Left", "Top", "Height", "Width",
                           "Minimized", "Border", "Hidden", "Expiration", "Alarm"};
    EXPECT_EQ(ini::KeyNames(Ini(), "NOTE_ID_1"), std::vector<std::string>(std::begin(order), std::end(order)));
    EXPECT_EQ(FileText(Ini()).rfind("[NOTE_ID_1]\r\nNoteID=1\r\nEditBackColor=16763799\r\n", 0), 0u);
}

TEST_F(NoteRecordTest, IdentifiersOutsideTheStoredRangeAreSkippedButSucceed) {
    for (int id : {0, 100000, -5}) {
        NoteRecord r = SampleNote(id);
        EXPECT_TRUE(WriteNoteRecord({}, r)) << id;
    }
    EXPECT_FALSE(std::filesystem::exists(Ini()));
    NoteRecord edge = SampleNote(99999);
    EXPECT_TRUE(WriteNoteRecord({}, edge));
    EXPECT_TRUE(ini::HasSection(Ini(), "NOTE_ID_99999"));
    EXPECT_TRUE(notices_.Shown().empty());
}

TEST_F(NoteRecordTest, LongBodiesAndWideNumbersComeBackWhole) {
    NoteRecord r = SampleNote(2);
    std::string body = "{\\rtf1 ";
    while (body.size() < 12000) body += "lorem ipsum dolor sit amet\\par\n";
    body += "}";
    r.editText = body;
    r.left = -1280;
    r.width = 12345;
    NoteRecord copy = r;
    ASSERT_TRUE(WriteNoteRecord({}, copy));
    ASSERT_TRUE(WriteNumberOfNotes(12345));

    NoteRecord back;
    ASSERT_TRUE(ReadNoteRecord({}, 2, back));
    EXPECT_EQ(back.editText, body);
    EXPECT_EQ(back.left, -1280);
    EXPECT_EQ(back.width, 12345);
    EXPECT_EQ(ReadNumberOfNotes(), 12345);
}

TEST_F(NoteRecordTest, ShortLimitsStillCutTitlesAndFlags) {
    SetFileText(Ini(), "[NOTE_ID_1]\r\nNoteID=1\r\nTitleText=" + std::string(5000, 't') +
                           "\r\nMinimized=Yesss\r\nEditFontType=BIUSBIUSBIUS\r\nEditCharSet=300\r\n"
                           "Top=12abc\r\nLeft=abc\r\n");
    NoteRecord r;
    ASSERT_TRUE(ReadNoteRecord({}, 1, r));
    EXPECT_EQ(r.titleText.size(), 4095u);
    EXPECT_EQ(r.minimized, "Yess");
    EXPECT_EQ(r.editFontType, "BIUSBIUSB");
    EXPECT_EQ(r.editCharSet, 300 % 256);
    EXPECT_EQ(r.top, 12);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.height, 0);  // missing key
}

TEST_F(NoteRecordTest, ReadFailsAndLeavesTheRecordWhenNoteIdIsEmpty) {
    SetFileText(Ini(), "[NOTE_ID_4]\r\nNoteID=\r\nTitleText=ghost\r\n");
    NoteRecord r = SampleNote(9);
    const NoteRecord before = r;
    EXPECT_FALSE(ReadNoteRecord({}, 4, r));
    EXPECT_FALSE(ReadNoteRecord({}, 5, r));
    EXPECT_EQ(r, before);
}

TEST_F(NoteRecordTest, ALiteralBarInTheBodySurvivesWhileOtherBodiesKeepTheirForm) {
    NoteRecord r = SampleNote(1);
    r.editText = "{\\rtf1 a|b \\\\|c \\|d\n}";
    NoteRecord copy = r;
    ASSERT_TRUE(WriteNoteRecord({}, copy));
    EXPECT_EQ(copy.editText, "{\\rtf1 a\\'7cb \\\\\\'7cc \\'7cd|}");
    NoteRecord back;
    ASSERT_TRUE(ReadNoteRecord({}, 1, back));
    EXPECT_EQ(back.editText, "{\\rtf1 a\\'7cb \\\\\\'7cc \\'7cd\n}");
    // Plain text (not RTF) and bodies without a bar keep the plain rules.
    EXPECT_EQ(BodyToStoredForm("a|b\r\nc"), "a|b|c");
    EXPECT_EQ(BodyToStoredForm("{\\rtf1 x\r\ny}"), "{\\rtf1 x|y}");
}

TEST_F(NoteRecordTest, AFailedWriteShowsOneMessageAndWritesNothing) {
    NoteRecord first = SampleNote(1);
    ASSERT_TRUE(WriteNoteRecord({}, first));
    const std::string before = FileText(Ini());

    ini::FailNextWritesForTesting(-1);
    NoteRecord r = SampleNote(2);
    EXPECT_FALSE(WriteNoteRecord({}, r));
    EXPECT_EQ(notices_.Shown(), std::vector<std::string>{"Error writing Note information to ini file."});
    EXPECT_EQ(FileText(Ini()), before);

    // A path in a folder that does not exist fails the same way.
    ini::FailNextWritesForTesting(0);
    NoteRecord other = SampleNote(3);
    EXPECT_FALSE(WriteNoteRecord((dir_ / "missing" / "x.ini").string(), other));
    EXPECT_EQ(notices_.Shown().size(), 2u);
}

TEST_F(NoteRecordTest, SectionDeletionAndItsMessages) {
    for (int id = 1; id <= 4; ++id) {
        NoteRecord r = SampleNote(id);
        ASSERT_TRUE(WriteNoteRecord({}, r));
    }
    EXPECT_TRUE(DeleteNoteSection(2));
    EXPECT_TRUE(DeleteNoteSection(2));  // already gone: still success
    EXPECT_TRUE(DeleteNoteSections(5, 4));  // empty range
    EXPECT_TRUE(DeleteNoteSections(3, 3));
    EXPECT_EQ(ini::SectionNames(Ini()), (std::vector<std::string>{"NOTE_ID_1", "NOTE_ID_4"}));
    EXPECT_TRUE(notices_.Shown().empty());

    ini::FailNextWritesForTesting(-1);
    EXPECT_FALSE(DeleteNoteSection(1));
    EXPECT_FALSE(DeleteNoteSections(1, 4));
    EXPECT_FALSE(WriteNumberOfNotes(3));
    EXPECT_EQ(notices_.Shown(), (std::vector<std::string>{"Error deleting note from ini file.",
                                                         "Error deleting old notes from ini file.",
                                                         "Error writing to ini file."}));
}

// A damaged count once made start-up walk identifiers up to 2^31 - 1 and
// never come back.
TEST_F(NoteRecordTest, DamagedNumberOfNotesIsBoundedAndHugeRangesEnd) {
    struct Case {
        const char* stored;
        std::int32_t count;
    };
    for (const Case& c : {Case{"2147483647", 99999}, Case{"99999999999999", 99999}, Case{"100000", 99999},
                          Case{"99999", 99999}, Case{"-5", 0}, Case{"-2147483648", 0}, Case{"12x", 12},
                          Case{"garbage", 0}}) {
        SetFileText(Ini(), std::string("[PINWELL]\r\nNumberOfNotes=") + c.stored + "\r\n");
        EXPECT_EQ(ReadNumberOfNotes(), c.count) << c.stored;
        EXPECT_EQ(CSettingsStore().ReadNumberOfNotesValue(), c.count) << c.stored;
    }

    SetFileText(Ini(), "[NOTE_ID_2]\r\nNoteID=2\r\n[note_id_7]\r\nNoteID=7\r\n[NOTE_ID_07]\r\nNoteID=7\r\n"
                       "[NOTE_ID_5]\r\nNoteID=5\r\n[NOTE_ID_90000]\r\nNoteID=90000\r\n[NOTE_ID_x]\r\n");
    EXPECT_EQ(NoteSectionIds(1, kLastDesktopNoteId), (std::vector<std::int32_t>{2, 5, 7}));
    EXPECT_TRUE(DeleteNoteSections(3, INT32_MAX));
    EXPECT_EQ(ini::SectionNames(Ini()), (std::vector<std::string>{"NOTE_ID_2", "NOTE_ID_07", "NOTE_ID_x"}));
}

// An outside note is taken only while its record, as the receiver stores it,
// keeps the file under the limit, and is not refused while it still fits.
TEST_F(NoteRecordTest, AnOutsideNoteIsTakenOnlyWhileItsStoredRecordKeepsTheFileUnderTheLimit) {
    NoteRecord sent;
    sent.editText = std::string(3000, 'x');
    const std::string data = BuildNoteData("BOB", sent);
    for (std::size_t filler = 56000; filler <= 61000; filler += 100) {
        SetFileText(Ini(), "[FILL]\r\nX=" + std::string(filler - 12, 'f') + "\r\n");
        const bool can = DataFileCanTakeOutsideNote(data.size());
        ReceivedNote received = ParseNoteData(data, 23, 59);
        received.record.noteId = 99999;
        received.record.minimized = received.record.hidden = "No";
        ASSERT_TRUE(WriteNoteRecord({}, received.record));
        EXPECT_TRUE(can ? !MainDataFileFull() : FileText(Ini()).size() > 61000u - 600) << filler;
    }
}

TEST_F(NoteRecordTest, SavedThemesAreCountedUpToTheFirstGapAndTheDefaultBorderIsRead) {
    EXPECT_EQ(CountSavedThemes(), 0);
    EXPECT_EQ(ReadDefaultThemeBorder(), "");
    ASSERT_TRUE(WriteBuiltInThemes(0));
    EXPECT_EQ(ReadDefaultThemeBorder(), "Yes");
    for (int id : {91001, 91002, 91004}) {
        NoteRecord r = SampleNote(id);
        ASSERT_TRUE(WriteNoteRecord({}, r));
    }
    EXPECT_EQ(CountSavedThemes(), 2);
}

TEST_F(NoteRecordTest, BuiltInThemesMatchTheirTable) {
    ASSERT_TRUE(WriteBuiltInThemes(204));
    NoteRecord def, blue, darkGreen;
    ASSERT_TRUE(ReadNoteRecord({}, 90000, def));
    ASSERT_TRUE(ReadNoteRecord({}, 90002, blue));
    ASSERT_TRUE(ReadNoteRecord({}, 90010, darkGreen));
    EXPECT_EQ(def.editBackColor, 0xFFCB97);
    EXPECT_EQ(def.titleBackColor, 0xE28E49);
    // The default look is the blue one apart from its identifier.
    blue.noteId = def.noteId;
    EXPECT_EQ(blue, def);
    EXPECT_EQ(darkGreen.editBackColor, 0x005500);
    EXPECT_EQ(darkGreen.titleTextColor, 0xFFFFFF);
    EXPECT_EQ(darkGreen.editTextColor, 0xFFFFFF);
    EXPECT_EQ(darkGreen.editFont, "Verdana");
    EXPECT_EQ(darkGreen.titleFontType, "C");
    EXPECT_EQ(darkGreen.editFontType, "");
    EXPECT_EQ(darkGreen.editFontSize, 8);
    EXPECT_EQ(darkGreen.editCharSet, 204);
    EXPECT_EQ(darkGreen.titleCharSet, 204);
    EXPECT_EQ(darkGreen.border, "Yes");
    EXPECT_EQ(darkGreen.minimized, "No");
    EXPECT_EQ(darkGreen.width, 0);
    int sections = 0;
    for (const auto& name : ini::SectionNames(Ini())) sections += name.rfind("NOTE_ID_900", 0) == 0;
    EXPECT_EQ(sections, 12);
}

// ---- settings -------------------------------------------------------------

using SettingsTest = DataFolderTest;

TEST_F(SettingsTest, EmptyFileGivesEveryDefault) {
    CSettingsStore s;
    struct Case { Switch sw; bool on; } cases[] = {
        {Switch::ShowScrollBar, true},        {Switch::ShowTaskBar, false},
        {Switch::ShowCloseButton, true},      {Switch::DisableCloseMenu, false},
        {Switch::AskBeforeDelete, false},     {Switch::DisableHotkey, false},
        {Switch::RandomThemes, false},        {Switch::ShowAllPasswordYesNo, false},
        {Switch::ReadNetworkOnStart, false},  {Switch::CheckEmailOnStart, false},
        {Switch::ShowSendErrorMessage, true}, {Switch::AskWhenReply, true},
        {Switch::IncludePictureAttachment, true}, {Switch::PlaySound, true},
    };
    for (const Case& c : cases) EXPECT_EQ(s.IsOn(c.sw), c.on) << static_cast<int>(c.sw);
    EXPECT_EQ(s.ReadCommunicationPortValue(), 2000);
    EXPECT_EQ(s.ReadNumberOfNotesValue(), 0);
    EXPECT_EQ(s.ReadNetworkIntervalMinutes(), 0);
    EXPECT_EQ(s.ReadCheckEmailIntervalMinutes(), 0);
    EXPECT_EQ(s.ReadShowAllPassword(), "");
    EXPECT_FALSE(std::filesystem::exists(Ini()));  // reading never creates the file
}

TEST_F(SettingsTest, SwitchTableForUnexpectedText) {
    // Each switch's reading of "Yes", "No", "" and an odd word.
    struct Row { Switch sw; bool yes, no, empty, odd; } rows[] = {
        {Switch::ShowScrollBar, true, false, true, true},
        {Switch::ShowTaskBar, true, false, false, true},
        {Switch::ShowCloseButton, true, false, true, true},
        {Switch::DisableCloseMenu, true, false, false, false},
        {Switch::AskBeforeDelete, true, false, false, false},
        {Switch::DisableHotkey, true, false, false, true},
        {Switch::RandomThemes, true, false, false, false},
        {Switch::ShowAllPasswordYesNo, true, false, false, false},
        {Switch::ReadNetworkOnStart, true, false, false, false},
        {Switch::CheckEmailOnStart, true, false, false, false},
        {Switch::ShowSendErrorMessage, true, false, true, false},
        {Switch::AskWhenReply, true, false, true, true},
        {Switch::IncludePictureAttachment, true, false, true, false},
        {Switch::PlaySound, true, false, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(static_cast<int>(r.sw));
        EXPECT_EQ(SwitchIsOn(r.sw, "Yes"), r.yes);
        EXPECT_EQ(SwitchIsOn(r.sw, "No"), r.no);
        EXPECT_EQ(SwitchIsOn(r.sw, ""), r.empty);
        EXPECT_EQ(SwitchIsOn(r.sw, "yes"), r.odd);
    }
    CSettingsStore s;
    s.WriteShowTaskBar("Yes");
    s.WriteDisableHotkey("No");
    EXPECT_TRUE(s.IsOn(Switch::ShowTaskBar));
    EXPECT_FALSE(s.IsOn(Switch::DisableHotkey));
}

TEST_F(SettingsTest, ReadLimitsCutTextButNeverNumbers) {
    CSettingsStore s;
    s.WriteSentFrom(std::string(60, 'x'));
    s.WriteShowScrollBar("NoNoNoNoNoNo");
    s.WriteCommunicationPort("123456");
    s.WriteNumberOfNotes("12345");
    s.WriteDefaultWidth("-1280");
    s.WriteCheckEmailInterval("15");
    EXPECT_EQ(s.ReadSentFrom().size(), 49u);
    EXPECT_EQ(s.ReadShowScrollBar(), "NoNoNoNoN");
    EXPECT_EQ(s.ReadCommunicationPortValue(), 123456);
    EXPECT_EQ(s.ReadNumberOfNotesValue(), 12345);
    EXPECT_EQ(s.ReadDefaultWidth(), "-1280");
    EXPECT_EQ(s.ReadCheckEmailIntervalMinutes(), 15);
    EXPECT_NE(FileText(Ini()).find("[PINWELL]\r\nSentFrom="), std::string::npos);
}

TEST_F(SettingsTest, FailedWritesShowTheMessageAndPairsLookOnlyAtTheSecondWrite) {
    CSettingsStore s;
    ini::FailNextWritesForTesting(1);
    EXPECT_TRUE(s.WriteDefaultSize("300", "200"));  // first write failed: not looked at
    EXPECT_TRUE(notices_.Shown().empty());
    EXPECT_EQ(s.ReadDefaultWidth(), "");
    EXPECT_EQ(s.ReadDefaultHeight(), "200");

    ini::FailNextWritesForTesting(1);
    EXPECT_FALSE(s.WritePlaySound("No"));
    EXPECT_EQ(notices_.Shown(), std::vector<std::string>{"Error writing to ini file."});
    EXPECT_EQ(s.ReadPlaySound(), "");
}

TEST_F(SettingsTest, DateFormatsAndTheWrittenBackDefault) {
    EXPECT_EQ(FormatDate("DD.MM.YYYY", 7, 3, 2025), "07.03.2025");
    EXPECT_EQ(FormatDate("DD-MM-YYYY", 7, 3, 2025), "07-03-2025");
    EXPECT_EQ(FormatDate("YYYY-MM-DD", 7, 3, 2025), "2025-03-07");
    EXPECT_EQ(FormatDate("MM/DD/YYYY", 7, 3, 2025), "03/07/2025");
    EXPECT_EQ(FormatDate("D.M.YY", 7, 3, 2025), "");
    CSettingsStore s;
    EXPECT_EQ(s.FormatDate(31, 12, 1999), "31.12.1999");
    EXPECT_EQ(s.ReadDefaultDateFormat(), "DD.MM.YYYY");
    s.WriteDefaultDateFormat("MM/DD/YYYY");
    EXPECT_EQ(s.FormatDate(1, 2, 2003), "02/01/2003");
    s.WriteDefaultDateFormat("weird");
    EXPECT_EQ(s.FormatDate(1, 2, 2003), "");
    EXPECT_EQ(s.ReadDefaultDateFormat(), "weird");  // left as the user had it
}

TEST_F(SettingsTest, PasswordWrapping) {
    EXPECT_EQ(ScrambleShowAllPassword("ab"), "Kq4Rm7ba5PtZc9H");
    EXPECT_EQ(ScrambleShowAllPassword("x"), "Kq4Rm7x5PtZc9H");
    EXPECT_EQ(ScrambleShowAllPassword("secret"), "Kq4Rm7tecres5PtZc9H");
    EXPECT_EQ(UnscrambleShowAllPassword("Kq4Rm7ba5PtZc9H"), "ab");
    EXPECT_EQ(UnscrambleShowAllPassword("Kq4Rm7x5PtZc9H"), "x");
    EXPECT_EQ(UnscrambleShowAllPassword("0123456789"), "");
    EXPECT_EQ(UnscrambleShowAllPassword("Kq4Rm75PtZc9H"), "");

    CSettingsStore s;
    ASSERT_TRUE(s.WriteShowAllPassword("Yes", "pass1234"));
    EXPECT_EQ(s.ReadShowAllNotesPassword(), "Kq4Rm74ass123p5PtZc9H");
    EXPECT_EQ(s.ReadShowAllPassword(), "pass1234");
    EXPECT_TRUE(s.IsOn(Switch::ShowAllPasswordYesNo));
    ASSERT_TRUE(s.WriteShowAllPassword("No", ""));
    EXPECT_EQ(s.ReadShowAllNotesPassword(), "");
    EXPECT_FALSE(s.IsOn(Switch::ShowAllPasswordYesNo));
}

TEST(OsLabelTest, VersionTable) {
    struct Row { unsigned major, minor; const char* label; } rows[] = {
        {0, 0, ""}, {1, 0, "Windows 95/98/Me"}, {4, 90, "Windows 95/98/Me"},
        {5, 0, "Windows 2000/XP"}, {5, 2, "Windows 2000/XP"}, {6, 0, "Windows 7/8"},
        {6, 1, "Windows 7/8"}, {6, 2, "Windows 10"}, {6, 3, "Windows 10"},
        {7, 1, "Windows 7/8"}, {7, 5, "Windows 10"}, {8, 0, ""}, {9, 9, ""},
        {10, 0, "Windows 10"}, {11, 0, ""},
    };
    for (const Row& r : rows) EXPECT_EQ(OsFamilyLabel(r.major, r.minor), r.label) << r.major << "." << r.minor;
}

}  // namespace
