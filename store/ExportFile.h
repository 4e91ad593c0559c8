// Exported note files (".pwx"): INI files that hold notes in the section form
// of the main data file, numbered from 10001 in export order, and an index in
// section PINWELL that lists each exported note with its title and the date
// and time of its export. Exporting into an existing file appends to it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/NoteRecord.h"

constexpr std::int32_t kFirstExportedNoteId = 10001;
constexpr std::int32_t kMaxExportedNotes = kLastStorableNoteId - kFirstExportedNoteId + 1;

constexpr char kExportFilter[] = "Pinwell Note File (*.pwx)|*.pwx|";
constexpr char kExportExtension[] = "pwx";
constexpr char kExportWrongExtension[] = "Please write file name without extension.";
constexpr char kImportWrongExtension[] = "Only exported Pinwell files with *.pwx extension can be imported.";
constexpr char kExportReplaceQuestion[] =
    "Selected file \"%s\" already exist.\nClick \"Yes\" to Replace and overwrite existing file or \"No\" to Append file.";
constexpr char kExportCannotReplace[] = "Can not delete and replace existing file.";
constexpr char kExportWriteError[] = "Error writing to ini file.";

// The lower-cased extension of a path ("" when the name has none).
std::string LowerExtension(std::string_view path);
// The name without its folder (either slash ends a folder).
std::string FileNameOnly(std::string_view path);

// The local date and time of an export as the index keeps it: day, month,
// year, hour, minute, second in 14 digits.
std::string ExportDateTime(int day, int month, int year, int hour, int minute, int second);

// ExportedNotes of the file; missing, negative or not a number counts as 0,
// and a count beyond the storable sections as the largest possible.
std::int32_t ReadExportedNotes(const std::string& path);

// Appends one note to an exported note file: the count, the index entry
// (title, "~", date-time, "~", "Export") and the note section numbered
// 10001 + count, with the record's NoteID set to match. All three change in
// one replacement of the file, so a failed write leaves the file as it was
// and no index entry ever points at a missing section. Shows "Error writing
// to ini file." and returns false on failure.
bool AppendNoteToExportFile(const std::string& path, NoteRecord record, const std::string& title,
                            const std::string& dateTime);

// One index entry of a file: the section it describes and the stored value.
struct ExportIndexEntry {
    std::int32_t sectionId = 0;
    std::string value;
};
// The non-empty index values of the file in export order. Each keeps its
// section, so a gap in the index never shifts one row onto another note.
std::vector<ExportIndexEntry> ReadExportIndex(const std::string& path);

// What the import list shows for an index value: the title, the date in the
// order of the date format ("" for a format it does not know) and the time
// as hours:minutes:seconds.
struct ImportRow {
    std::string title;
    std::string date;
    std::string time;
};
ImportRow ImportRowFromIndex(std::string_view value, std::string_view dateFormat);

// The export and delete lists: a stored note as the entry text
// (title "~" identifier "~" "Yes"/"No" "~") and back.
struct NoteListRow {
    std::string title;
    std::string id;
    std::string hidden;
};
std::string NoteListEntry(const std::string& title, std::int32_t id, bool hidden);
// False (the entry is not listed) unless both the identifier and the hidden
// text are there.
bool ParseNoteListEntry(std::string_view entry, NoteListRow& row);

// The identifiers of a result text ("3~7~"); anything that is not a whole
// positive number is left out.
std::vector<std::int32_t> ParseIdList(std::string_view text);
