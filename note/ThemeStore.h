// Theme records in the main data file: the random theme of a new note, the
// twenty saved-theme slots with their names, and the data side of the
// organize-themes dialog (rename, delete, move, sort, compaction on close).
//
// Records 91001-91020 hold the saved themes, their names are the keys
// "91001" ... of section SAVED_THEMES, and PINWELL/LastSavedThemeNumber is the
// slot most recently filled. Every operation that changes more than one
// value writes them as one replacement of the file, so an interrupted
// program never leaves a theme half saved or a compaction half done.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/NoteRecord.h"

constexpr int kSavedThemeSlots = 20;
constexpr std::int32_t kLastSavedThemeId = kFirstSavedThemeId + kSavedThemeSlots - 1;  // 91020
constexpr std::int32_t kFirstThemeCopyId = 92001;  // temporary copies while compacting
constexpr char kSavedThemesSection[] = "SAVED_THEMES";
constexpr std::size_t kThemeNameLimit = 259;
constexpr char kUnreadableThemeName[] = "Error reading theme";

// ---- random theme ----

// The first number srand(seed); rand() gives with the Windows runtime
// (0-32767), computed here so that every build draws the same theme.
int FirstRandomNumber(unsigned seed);
// r = FirstRandomNumber(seed) % (savedCount + 12): 0-11 give 90000-90011,
// 12 and up the saved themes 91001 onwards.
std::int32_t RandomThemeForSeed(unsigned seed, int savedCount);
// The theme a new note gets: 0 when RandomThemes is not "Yes", otherwise
// drawn with the current second (through the clock seam) as seed.
std::int32_t ChooseRandomTheme();

// ---- records ----

// The look of `look` (fonts, colours, border) as a theme record with the
// fixed fields of a theme: no text, no geometry, not rolled up or hidden, no
// expiration or alarm. Shows "Error writing Note information to ini file."
// on failure.
NoteRecord MakeThemeRecord(std::int32_t id, const NoteRecord& look);
bool WriteThemeRecord(std::int32_t id, const NoteRecord& look);

// "Save theme as ...": fills the slot after LastSavedThemeNumber (after the
// twentieth, 91001 again), names it and advances LastSavedThemeNumber, all
// in one write. Returns the slot's id, or 0 when the file could not be
// written (then nothing changed and the error was shown).
std::int32_t SaveThemeAs(const std::string& name, const NoteRecord& look);

std::string ReadSavedThemeName(std::int32_t id);

// ---- saved-theme list ----

struct SavedThemeRow {
    std::int32_t id = 0;
    std::string name;  // as stored; empty when the slot has no name

    bool operator==(const SavedThemeRow&) const = default;
};

// The named slots among the counted saved themes, for the body menu.
std::vector<SavedThemeRow> SavedThemeMenuItems();

// The organize dialog's rows: every slot 91001-91020 holding a record, in
// slot order. Normally the same as the counted themes; after an interruption
// that left a gap it also finds the themes behind the gap, so that closing
// the dialog closes the gap instead of dropping them.
std::vector<SavedThemeRow> LoadSavedThemeRows();
// The row's text in the list: its name, or "Error reading theme".
std::string SavedThemeRowText(const SavedThemeRow& row);

// Label editing ended with `text`: leading blanks go; an empty rest keeps
// the old name. False when nothing changed.
bool RenameSavedThemeRow(std::vector<SavedThemeRow>& rows, std::size_t index, std::string_view text);
// Swaps the row with its neighbour above (direction -1) or below (+1).
// False at the edge. The new index of the moved row is index + direction.
bool MoveSavedThemeRow(std::vector<SavedThemeRow>& rows, std::size_t index, int direction);

// Deletes the themes of the selected rows (records and names) from the file
// at once and removes the rows. On failure "Error deleting note from ini
// file." is shown once, the file and the rows stay as they were, and the
// result is false.
bool DeleteSavedThemes(std::vector<SavedThemeRow>& rows, const std::vector<std::size_t>& selected);

// The sort state of the organize dialog, kept by its owner for the whole run.
struct ThemeSortState {
    int sortColumn = 0;  // 0 names, 1 slot ids
    int lastSortedColumn = 0;
    bool ascending = true;
};
// How the rows' texts compare: the dialog passes the system's locale-aware
// comparison (lstrcmpA), which the core cannot call itself.
using TextCompare = int (*)(const char*, const char*);
// The "Sort" button (column < 0) or a click on header `column`: a new column
// sorts ascending, the same column again flips the order.
void SortSavedThemeRows(std::vector<SavedThemeRow>& rows, ThemeSortState& state, TextCompare compare,
                        int column = -1);

// Closing the organize dialog: the rows' themes move to 91001 onwards in the
// list's order under the rows' names, every other saved slot is emptied and
// LastSavedThemeNumber becomes the number of themes kept. A row whose record
// cannot be read is left out without leaving a gap. One write; on failure
// the file is unchanged, "Error writing Note information to ini file." is
// shown and the result is false.
bool CompactSavedThemes(const std::vector<SavedThemeRow>& rows);
