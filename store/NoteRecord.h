// One note as the data files keep it: a section NOTE_ID_<n> of 24 keys.
// Desktop notes, theme records and exported notes all use this record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct NoteRecord {
    std::int32_t editTextColor = 0;
    std::int32_t editBackColor = 0;
    std::string editFont;
    std::string editFontType;
    std::string editText;  // RTF; in the stored form line feeds are "|"
    std::int32_t editFontSize = 0;
    std::uint8_t editCharSet = 0;
    std::int32_t titleTextColor = 0;
    std::int32_t titleBackColor = 0;
    std::string titleFont;
    std::string titleFontType;
    std::string titleText;
    std::int32_t titleFontSize = 0;
    std::uint8_t titleCharSet = 0;
    std::int32_t noteId = 0;
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::string minimized;  // "Yes" / "No"
    std::string border;     // "Yes" / "No"
    std::string hidden;     // "Yes" / "No"
    std::string expiration;
    std::string alarm;

    bool operator==(const NoteRecord&) const = default;
};

// The longest title and font style a record keeps; reading cuts there.
constexpr std::size_t kStoredTitleLimit = 4095;
constexpr std::size_t kStoredFontTypeLimit = 9;

// Identifiers that are stored at all; other records are silently skipped.
constexpr std::int32_t kFirstStorableNoteId = 1;
constexpr std::int32_t kLastStorableNoteId = 99999;

constexpr std::int32_t kDefaultThemeId = 90000;
constexpr std::int32_t kFirstSavedThemeId = 91001;

// "NOTE_ID_" + decimal identifier.
std::string NoteSectionName(std::int32_t id);

// The body as stored: line feeds become "|", carriage returns go. A "|" that
// is part of the rich text is stored as the RTF escape \'7c so that it
// survives the round trip instead of turning into a line break.
std::string BodyToStoredForm(const std::string& rtf);
std::string BodyFromStoredForm(const std::string& stored);

// Reads NOTE_ID_<id> of the file (empty path = main data file). Fails,
// leaving the record as it was, when the section has no NoteID.
bool ReadNoteRecord(const std::string& path, std::int32_t id, NoteRecord& record);

// Writes the whole record as one replacement of the file. Identifiers
// outside 1..99999 are not written and count as success. The record's body
// is converted to its stored form in place, as callers expect.
bool WriteNoteRecord(const std::string& path, NoteRecord& record);

namespace ini { class Batch; }
// The edits WriteNoteRecord makes (the body already in its stored form or
// not: it is converted here), for callers that write a record together with
// other values in one replacement of the file.
void StageNoteRecord(ini::Batch& batch, const NoteRecord& record);

bool DeleteNoteSection(std::int32_t id);
bool DeleteNoteSections(std::int32_t first, std::int32_t last);

// The identifiers n in first..last for which the main data file has a
// section NOTE_ID_<n>, ascending. Costs one look at the file whatever the
// range, so a huge range from a damaged count does not stall start-up.
std::vector<std::int32_t> NoteSectionIds(std::int32_t first, std::int32_t last);

// A damaged NumberOfNotes must not make start-up walk two billion sections:
// counts are taken as 0 .. 99999, and desktop notes stop below the theme
// records, which start-up must never load as notes or delete.
constexpr std::int32_t kMaxNumberOfNotes = 99999;
constexpr std::int32_t kLastDesktopNoteId = kDefaultThemeId - 1;
std::int32_t ClampNumberOfNotes(std::int32_t stored);

std::int32_t ReadNumberOfNotes();
bool WriteNumberOfNotes(std::int32_t count);

// Border of the default theme: new notes take their frame from it.
std::string ReadDefaultThemeBorder();
std::int32_t CountSavedThemes();

// True once the main data file has reached its size limit (61000 bytes).
bool MainDataFileFull();
// Whether a note that comes from outside (another computer, an e-mail),
// noteBytes long as note data, can be stored and the file still stay under
// the size limit. Such a note is refused when not: nobody but the user may
// bring on the list that makes the user delete notes. Empty file = the main
// data file.
bool DataFileCanTakeOutsideNote(std::size_t noteBytes, const std::string& file = {});
// Whether such a note would fit a data file that held nothing else: one
// that does not is refused however many notes the user deletes.
bool OutsideNoteCanEverFit(std::size_t noteBytes);
