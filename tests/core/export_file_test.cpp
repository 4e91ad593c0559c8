// Exported note files: numbering across appends, the index, the rows the
// import and export lists show, and damaged files.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "store/ExportFile.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"

namespace {

NoteRecord Note(const std::string& title, std::int32_t id) {
    NoteRecord r;
    r.noteId = id;
    r.titleText = title;
    r.editText = "{\\rtf1 body of " + title + "\\par\n}";
    r.width = 200;
    r.height = 150;
    r.minimized = "No";
    r.border = "No";
    r.hidden = "No";
    r.alarm = "03032025-074500-2-1";
    r.expiration = "01032025-100005-3";
    return r;
}

class ExportFileTest : public DataFolderTest {
protected:
    std::string Pwx() const { return (dir_ / "notes.pwx").string(); }
};

TEST_F(ExportFileTest, AppendsNumberFromTheCountAndKeepTheNotesWhole) {
    const std::string file = Pwx();
    EXPECT_EQ(ReadExportedNotes(file), 0);  // no file yet
    for (const char* t : {"One", "Two", "Three"})
        ASSERT_TRUE(AppendNoteToExportFile(file, Note(t, 7), t, "07122026093005"));
    EXPECT_EQ(ReadExportedNotes(file), 3);
    EXPECT_EQ(ini::Read(file, "PINWELL", "10002"), "Two~07122026093005~Export");

    // Two more, appended later, continue the numbering.
    ASSERT_TRUE(AppendNoteToExportFile(file, Note("Four", 1), "Four", "08122026100000"));
    ASSERT_TRUE(AppendNoteToExportFile(file, Note("Five", 2), "Shown title", "08122026100001"));
    EXPECT_EQ(ReadExportedNotes(file), 5);

    NoteRecord back;
    ASSERT_TRUE(ReadNoteRecord(file, 10005, back));
    NoteRecord want = Note("Five", 10005);
    EXPECT_EQ(back, want) << "every key, the body and both schedules come back";
    EXPECT_EQ(ini::Read(file, "PINWELL", "10005"), "Shown title~08122026100001~Export");
    EXPECT_TRUE(notices_.Shown().empty());

    const std::vector<ExportIndexEntry> index = ReadExportIndex(file);
    ASSERT_EQ(index.size(), 5u);
    EXPECT_EQ(index[0].sectionId, 10001);
    EXPECT_EQ(index[4].sectionId, 10005);
}

TEST_F(ExportFileTest, AFailedWriteLeavesTheFileAsItWasAndSaysSo) {
    const std::string file = Pwx();
    ASSERT_TRUE(AppendNoteToExportFile(file, Note("One", 1), "One", "07122026093005"));
    const std::string before = FileText(file);
    ini::FailNextWritesForTesting(1);
    EXPECT_FALSE(AppendNoteToExportFile(file, Note("Two", 2), "Two", "07122026093006"));
    EXPECT_EQ(FileText(file), before) << "no count without its section, no index without its note";
    EXPECT_EQ(notices_.Shown(), std::vector<std::string>{"Error writing to ini file."});
}

TEST_F(ExportFileTest, DamagedCountsAndGapsInTheIndex) {
    const std::string file = Pwx();
    SetFileText(file, "[PINWELL]\r\nExportedNotes=3\r\n10001=A~01012025120000~Export\r\n"
                      "10003=C~03012025120000~Export\r\n");
    const std::vector<ExportIndexEntry> index = ReadExportIndex(file);
    ASSERT_EQ(index.size(), 2u);
    // The row after the gap still names the third section, not the second.
    EXPECT_EQ(index[1].sectionId, 10003);
    EXPECT_EQ(index[1].value, "C~03012025120000~Export");

    SetFileText(file, "[PINWELL]\r\nExportedNotes=-4\r\n");
    EXPECT_EQ(ReadExportedNotes(file), 0);
    SetFileText(file, "[PINWELL]\r\nExportedNotes=lots\r\n");
    EXPECT_EQ(ReadExportedNotes(file), 0);
    SetFileText(file, "[PINWELL]\r\nExportedNotes=999999999\r\n");
    EXPECT_EQ(ReadExportedNotes(file), kMaxExportedNotes);
    EXPECT_FALSE(AppendNoteToExportFile(file, Note("X", 1), "X", "01012025120000"))
        << "a section above 99999 could never be read back";
}

TEST(ExportRows, ImportRowsFollowTheCurrentDateFormat) {
    const std::string value = "Call 10:30~07122026093005~Export";
    struct Case { const char* format; const char* date; } cases[] = {
        {"DD.MM.YYYY", "07.12.2026"}, {"DD-MM-YYYY", "07-12-2026"},
        {"YYYY-MM-DD", "2026-12-07"}, {"MM/DD/YYYY", "12/07/2026"}, {"D/M/Y", ""},
    };
    for (const Case& c : cases) {
        const ImportRow row = ImportRowFromIndex(value, c.format);
        EXPECT_EQ(row.title, "Call 10:30");
        EXPECT_EQ(row.date, c.date) << c.format;
        EXPECT_EQ(row.time, "09:30:05");
    }
    // A cut value shows what it has instead of reading past its end.
    const ImportRow cut = ImportRowFromIndex("Short~0712", "DD.MM.YYYY");
    EXPECT_EQ(cut.date, "07.12.");
    EXPECT_EQ(cut.time, "::");
    EXPECT_EQ(ImportRowFromIndex("Only a title", "DD.MM.YYYY").title, "Only a title");
}

TEST(ExportRows, NoteListEntriesAndResults) {
    NoteListRow row;
    ASSERT_TRUE(ParseNoteListEntry(NoteListEntry("Shopping", 12, true), row));
    EXPECT_EQ(row.title, "Shopping");
    EXPECT_EQ(row.id, "12");
    EXPECT_EQ(row.hidden, "Yes");
    EXPECT_FALSE(ParseNoteListEntry("Title~~No~", row)) << "no identifier";
    EXPECT_FALSE(ParseNoteListEntry("Title~4~", row)) << "no hidden text";
    EXPECT_FALSE(ParseNoteListEntry("Title", row));

    EXPECT_EQ(ParseIdList("3~17~"), (std::vector<std::int32_t>{3, 17}));
    EXPECT_EQ(ParseIdList("3~x~-2~~0~5"), (std::vector<std::int32_t>{3, 5}));
    EXPECT_TRUE(ParseIdList("").empty());
}

TEST(ExportRows, FileNames) {
    EXPECT_EQ(LowerExtension("C:\\Notes\\Week.PWX"), "pwx");
    EXPECT_EQ(LowerExtension("C:\\dir.v2\\name"), "");
    EXPECT_EQ(LowerExtension("notes.txt.pwx"), "pwx");
    EXPECT_EQ(FileNameOnly("C:\\Notes\\Week.pwx"), "Week.pwx");
    EXPECT_EQ(FileNameOnly("/tmp/a.pwx"), "a.pwx");
    EXPECT_EQ(ExportDateTime(7, 12, 2026, 9, 30, 5), "07122026093005");
}

}  // namespace
