#include "note/ThemeStore.h"

#include <algorithm>

#include "base/Clock.h"
#include "base/Seams.h"
#include "note/BuiltInThemes.h"
#include "store/IniFile.h"
#include "store/SettingsStore.h"
#include "store/Text.h"

namespace {

constexpr char kSettingsSection[] = "PINWELL";

std::string SlotKey(std::int32_t id) { return Decimal(id); }

// The value a key written with `value` reads back as: blanks trimmed, one
// pair of outer quotes removed. Compaction writes every theme twice (to the
// temporary slots and back) and must end with what reading the temporary
// copy would have given.
std::string AsReadBack(std::string_view value) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v'; };
    while (!value.empty() && blank(value.front())) value.remove_prefix(1);
    while (!value.empty() && blank(value.back())) value.remove_suffix(1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

NoteRecord RoundTrip(NoteRecord r) {
    for (std::string* s : {&r.editFont, &r.editFontType, &r.titleFont, &r.titleFontType,
                           &r.titleText, &r.minimized, &r.border, &r.hidden, &r.expiration,
                           &r.alarm})
        *s = AsReadBack(*s);
    r.editText = BodyFromStoredForm(AsReadBack(BodyToStoredForm(r.editText)));
    return r;
}

}  // namespace

// ---------------------------------------------------------------- random ----

int FirstRandomNumber(unsigned seed) {
    const std::uint32_t state = seed * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

std::int32_t RandomThemeForSeed(unsigned seed, int savedCount) {
    savedCount = std::clamp(savedCount, 0, kSavedThemeSlots);
    const int r = FirstRandomNumber(seed) % (savedCount + kBuiltInThemeCount);
    if (r < kBuiltInThemeCount) return kDefaultThemeId + r;
    return kFirstSavedThemeId + (r - kBuiltInThemeCount);
}

std::int32_t ChooseRandomTheme() {
    if (!CSettingsStore().IsOn(Switch::RandomThemes)) return 0;
    return RandomThemeForSeed(static_cast<unsigned>(NowSeconds()), CountSavedThemes());
}

// --------------------------------------------------------------- records ----

NoteRecord MakeThemeRecord(std::int32_t id, const NoteRecord& look) {
    NoteRecord r;
    r.noteId = id;
    r.editTextColor = look.editTextColor;
    r.editBackColor = look.editBackColor;
    r.editFont = look.editFont;
    r.editFontType = look.editFontType;
    r.editFontSize = look.editFontSize;
    r.editCharSet = look.editCharSet;
    r.titleTextColor = look.titleTextColor;
    r.titleBackColor = look.titleBackColor;
    r.titleFont = look.titleFont;
    r.titleFontType = look.titleFontType;
    r.titleFontSize = look.titleFontSize;
    r.titleCharSet = look.titleCharSet;
    r.border = look.border;
    r.minimized = "No";
    r.hidden = "No";
    return r;
}

bool WriteThemeRecord(std::int32_t id, const NoteRecord& look) {
    NoteRecord r = MakeThemeRecord(id, look);
    return WriteNoteRecord({}, r);
}

std::int32_t SaveThemeAs(const std::string& name, const NoteRecord& look) {
    std::int32_t n = ParseDecimal(CSettingsStore().ReadLastSavedThemeNumber());
    // After the twentieth slot the first is overwritten again. A number no
    // save could have written would put the theme outside the twenty slots,
    // where nothing ever finds or removes it.
    if (n < 0 || n >= kSavedThemeSlots) n = 0;
    const std::int32_t id = kFirstSavedThemeId + n;

    ini::Batch batch(MainDataFilePath());
    StageNoteRecord(batch, MakeThemeRecord(id, look));
    batch.Write(kSavedThemesSection, SlotKey(id), name);
    batch.Write(kSettingsSection, "LastSavedThemeNumber", Decimal(n + 1));
    if (!batch.Commit()) {
        ShowNotice("Error writing Note information to ini file.");
        return 0;
    }
    return id;
}

std::string ReadSavedThemeName(std::int32_t id) {
    return ini::Read(MainDataFilePath(), kSavedThemesSection, SlotKey(id), {}, kThemeNameLimit);
}

// ------------------------------------------------------------------ list ----

std::vector<SavedThemeRow> SavedThemeMenuItems() {
    std::vector<SavedThemeRow> items;
    const int count = std::min(CountSavedThemes(), kSavedThemeSlots);
    for (int k = 0; k < count; ++k) {
        SavedThemeRow row{kFirstSavedThemeId + k, ReadSavedThemeName(kFirstSavedThemeId + k)};
        if (!row.name.empty()) items.push_back(std::move(row));
    }
    return items;
}

std::vector<SavedThemeRow> LoadSavedThemeRows() {
    std::vector<SavedThemeRow> rows;
    for (std::int32_t id = kFirstSavedThemeId; id <= kLastSavedThemeId; ++id) {
        if (ini::Read(MainDataFilePath(), NoteSectionName(id), "NoteID").empty()) continue;
        rows.push_back({id, ReadSavedThemeName(id)});
    }
    return rows;
}

std::string SavedThemeRowText(const SavedThemeRow& row) {
    return row.name.empty() ? kUnreadableThemeName : row.name;
}

bool RenameSavedThemeRow(std::vector<SavedThemeRow>& rows, std::size_t index, std::string_view text) {
    if (index >= rows.size()) return false;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    if (text.empty() || rows[index].name == text) return false;
    rows[index].name.assign(text);
    return true;
}

bool MoveSavedThemeRow(std::vector<SavedThemeRow>& rows, std::size_t index, int direction) {
    if (index >= rows.size() || (direction != -1 && direction != 1)) return false;
    if (direction < 0 ? index == 0 : index + 1 >= rows.size()) return false;
    std::swap(rows[index], rows[index + direction]);
    return true;
}

bool DeleteSavedThemes(std::vector<SavedThemeRow>& rows, const std::vector<std::size_t>& selected) {
    std::vector<bool> doomed(rows.size(), false);
    ini::Batch batch(MainDataFilePath());
    for (std::size_t index : selected) {
        if (index >= rows.size() || doomed[index]) continue;
        doomed[index] = true;
        batch.DeleteSection(NoteSectionName(rows[index].id));
        batch.DeleteKey(kSavedThemesSection, SlotKey(rows[index].id));
    }
    if (!batch.Commit()) {
        ShowNotice("Error deleting note from ini file.");
        return false;
    }
    std::vector<SavedThemeRow> kept;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!doomed[i]) kept.push_back(std::move(rows[i]));
    rows = std::move(kept);
    return true;
}

void SortSavedThemeRows(std::vector<SavedThemeRow>& rows, ThemeSortState& state, TextCompare compare,
                        int column) {
    if (column >= 0) state.sortColumn = column;
    if (state.sortColumn != state.lastSortedColumn)
        state.ascending = true;
    else
        state.ascending = !state.ascending;

    const bool byId = state.sortColumn == 1;
    std::vector<std::pair<std::string, SavedThemeRow>> keyed;
    keyed.reserve(rows.size());
    for (SavedThemeRow& row : rows)
        keyed.emplace_back(byId ? Decimal(row.id) : SavedThemeRowText(row), std::move(row));
    const bool ascending = state.ascending;
    std::stable_sort(keyed.begin(), keyed.end(), [ascending, compare](const auto& x, const auto& y) {
        return ascending ? compare(x.first.c_str(), y.first.c_str()) < 0
                         : compare(y.first.c_str(), x.first.c_str()) < 0;
    });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = std::move(keyed[i].second);
    state.lastSortedColumn = state.sortColumn;
}

// ------------------------------------------------------------ compaction ----

bool CompactSavedThemes(const std::vector<SavedThemeRow>& rows) {
    // The themes go to the temporary slots 92001... and from there back to
    // 91001..., exactly as if done one write at a time, but in a single
    // replacement of the file: a program killed halfway can otherwise leave
    // themes only in the temporary slots, where nothing ever looks.
    struct Kept {
        NoteRecord record;
        std::string name;
    };
    std::vector<Kept> kept;
    for (const SavedThemeRow& row : rows) {
        NoteRecord r;
        if (!ReadNoteRecord({}, row.id, r)) continue;  // gone meanwhile: skipped, no gap
        kept.push_back({std::move(r), row.name});
    }

    ini::Batch batch(MainDataFilePath());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        NoteRecord copy = kept[i].record;
        copy.noteId = kFirstThemeCopyId + static_cast<std::int32_t>(i);
        StageNoteRecord(batch, copy);
        batch.Write(kSavedThemesSection, SlotKey(copy.noteId), kept[i].name);
    }
    for (std::int32_t id = kFirstSavedThemeId; id <= kLastSavedThemeId; ++id) {
        batch.DeleteSection(NoteSectionName(id));
        batch.DeleteKey(kSavedThemesSection, SlotKey(id));
    }
    for (std::size_t j = 0; j < kept.size(); ++j) {
        NoteRecord back = RoundTrip(kept[j].record);
        back.noteId = kFirstSavedThemeId + static_cast<std::int32_t>(j);
        StageNoteRecord(batch, back);
        batch.Write(kSavedThemesSection, SlotKey(back.noteId),
                    Cut(AsReadBack(kept[j].name), kThemeNameLimit));
    }
    for (std::int32_t k = 0; k < kSavedThemeSlots; ++k) {
        batch.DeleteSection(NoteSectionName(kFirstThemeCopyId + k));
        batch.DeleteKey(kSavedThemesSection, SlotKey(kFirstThemeCopyId + k));
    }
    batch.Write(kSettingsSection, "LastSavedThemeNumber", Decimal(static_cast<std::int64_t>(kept.size())));
    if (!batch.Commit()) {
        ShowNotice("Error writing Note information to ini file.");
        return false;
    }
    return true;
}
