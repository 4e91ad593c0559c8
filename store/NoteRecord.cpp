#include "store/NoteRecord.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/Seams.h"
#include "store/IniFile.h"
#include "store/Text.h"

namespace {

// Read limits where cutting cannot corrupt anything. Bodies and numbers are
// read whole: a body cut at 10239 characters loses its closing braces and a
// left edge of -1280 cut to "-128" moves the note.
constexpr std::size_t kFontNameLimit = 254;
constexpr std::size_t kFontTypeLimit = kStoredFontTypeLimit;
constexpr std::size_t kTitleTextLimit = kStoredTitleLimit;
constexpr std::size_t kFlagLimit = 4;
constexpr std::size_t kScheduleLimit = 29;

constexpr char kSettingsSection[] = "PINWELL";

bool IsRtf(const std::string& text) { return text.compare(0, 5, "{\\rtf") == 0; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

}  // namespace

std::string NoteSectionName(std::int32_t id) { return "NOTE_ID_" + Decimal(id); }

std::string BodyToStoredForm(const std::string& rtf) {
    const bool rtf_body = IsRtf(rtf);
    std::string out;
    out.reserve(rtf.size() + 16);
    std::size_t backslashes = 0;
    for (char c : rtf) {
        if (c == '\r') continue;
        if (c == '\n') {
            out += '|';
        } else if (c == '|' && rtf_body) {
            // "\|" is an RTF control symbol that the editor does not keep;
            // drop its backslash so that the escape below stays well formed.
            if (backslashes % 2 == 1) out.pop_back();
            out += "\\'7c";
        } else {
            out += c;
        }
        backslashes = (c == '\\') ? backslashes + 1 : 0;
    }
    return out;
}

std::string BodyFromStoredForm(const std::string& stored) {
    std::string out = stored;
    for (char& c : out)
        if (c == '|') c = '\n';
    return out;
}

bool ReadNoteRecord(const std::string& path, std::int32_t id, NoteRecord& record) {
    const std::string& file = ResolveDataFile(path);
    const std::string section = NoteSectionName(id);
    // One look at the file for the whole record, which then also comes
    // from one version of it.
    const ini::SectionReader keys(file, section);
    const std::string noteId = keys.Read("NoteID");
    if (noteId.empty()) return false;

    auto text = [&](const char* key, std::size_t limit = ini::kWhole) { return keys.Read(key, {}, limit); };
    auto number = [&](const char* key) { return ParseDecimal(text(key)); };

    NoteRecord r;
    r.editTextColor = number("EditTextColor");
    r.editBackColor = number("EditBackColor");
    r.editFont = text("EditFont", kFontNameLimit);
    r.editFontType = text("EditFontType", kFontTypeLimit);
    r.editText = BodyFromStoredForm(text("EditText"));
    r.editFontSize = number("EditFontSize");
    r.editCharSet = static_cast<std::uint8_t>(number("EditCharSet"));
    r.titleTextColor = number("TitleTextColor");
    r.titleBackColor = number("TitleBackColor");
    r.titleFont = text("TitleFont", kFontNameLimit);
    r.titleFontType = text("TitleFontType", kFontTypeLimit);
    r.titleText = text("TitleText", kTitleTextLimit);
    r.titleFontSize = number("TitleFontSize");
    r.titleCharSet = static_cast<std::uint8_t>(number("TitleCharSet"));
    r.noteId = ParseDecimal(noteId);
    r.top = number("Top");
    r.left = number("Left");
    r.height = number("Height");
    r.width = number("Width");
    r.minimized = text("Minimized", kFlagLimit);
    r.border = text("Border", kFlagLimit);
    r.hidden = text("Hidden", kFlagLimit);
    r.expiration = text("Expiration", kScheduleLimit);
    r.alarm = text("Alarm", kScheduleLimit);
    record = std::move(r);
    return true;
}

void StageNoteRecord(ini::Batch& batch, const NoteRecord& r) {
    const std::string section = NoteSectionName(r.noteId);
    auto put = [&](const char* key, const std::string& value) { batch.Write(section, key, value); };
    put("NoteID", Decimal(r.noteId));
    put("EditBackColor", Decimal(r.editBackColor));
    put("EditTextColor", Decimal(r.editTextColor));
    put("EditFont", r.editFont);
    put("EditFontType", r.editFontType);
    put("EditFontSize", Decimal(r.editFontSize));
    put("EditCharSet", Decimal(r.editCharSet));
    put("EditText", BodyToStoredForm(r.editText));
    put("TitleBackColor", Decimal(r.titleBackColor));
    put("TitleTextColor", Decimal(r.titleTextColor));
    put("TitleFont", r.titleFont);
    put("TitleFontType", r.titleFontType);
    put("TitleFontSize", Decimal(r.titleFontSize));
    put("TitleText", r.titleText);
    put("TitleCharSet", Decimal(r.titleCharSet));
    put("Left", Decimal(r.left));
    put("Top", Decimal(r.top));
    put("Height", Decimal(r.height));
    put("Width", Decimal(r.width));
    put("Minimized", r.minimized);
    put("Border", r.border);
    put("Hidden", r.hidden);
    put("Expiration", r.expiration);
    put("Alarm", r.alarm);
}

bool WriteNoteRecord(const std::string& path, NoteRecord& r) {
    if (r.noteId < kFirstStorableNoteId || r.noteId > kLastStorableNoteId) return true;

    ini::Batch batch(ResolveDataFile(path));
    StageNoteRecord(batch, r);
    r.editText = BodyToStoredForm(r.editText);
    if (!batch.Commit()) {
        ShowNotice("Error writing Note information to ini file.");
        return false;
    }
    return true;
}

bool DeleteNoteSection(std::int32_t id) {
    if (!ini::DeleteSection(MainDataFilePath(), NoteSectionName(id))) {
        ShowNotice("Error deleting note from ini file.");
        return false;
    }
    return true;
}

std::vector<std::int32_t> NoteSectionIds(std::int32_t first, std::int32_t last) {
    std::vector<std::int32_t> ids;
    for (const std::string& name : ini::SectionNames(MainDataFilePath())) {
        constexpr std::string_view kPrefix = "NOTE_ID_";
        if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + 10) continue;
        bool digits = true;
        for (std::size_t i = kPrefix.size(); i < name.size(); ++i) digits = digits && name[i] >= '0' && name[i] <= '9';
        if (!digits) continue;
        const std::int32_t id = ParseDecimal(std::string_view(name).substr(kPrefix.size()));
        // Only the spelling NOTE_ID_<n> names note n ("NOTE_ID_07" does not).
        if (id < first || id > last || !EqualNoCase(name, NoteSectionName(id))) continue;
        ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

bool DeleteNoteSections(std::int32_t first, std::int32_t last) {
    // Sections that do not exist would be deleted successfully anyway.
    for (std::int32_t id : NoteSectionIds(first, last)) {
        if (!ini::DeleteSection(MainDataFilePath(), NoteSectionName(id))) {
            ShowNotice("Error deleting old notes from ini file.");
            return false;
        }
    }
    return true;
}

std::int32_t ClampNumberOfNotes(std::int32_t stored) {
    return std::clamp(stored, std::int32_t{0}, kMaxNumberOfNotes);
}

std::int32_t ReadNumberOfNotes() {
    return ClampNumberOfNotes(ParseDecimal(ini::Read(MainDataFilePath(), kSettingsSection, "NumberOfNotes")));
}

bool WriteNumberOfNotes(std::int32_t count) {
    if (!ini::Write(MainDataFilePath(), kSettingsSection, "NumberOfNotes", Decimal(count))) {
        ShowNotice("Error writing to ini file.");
        return false;
    }
    return true;
}

std::string ReadDefaultThemeBorder() {
    return ini::Read(MainDataFilePath(), NoteSectionName(kDefaultThemeId), "Border", {}, kFlagLimit);
}

std::int32_t CountSavedThemes() {
    std::int32_t count = 0;
    while (!ini::Read(MainDataFilePath(), NoteSectionName(kFirstSavedThemeId + count), "NoteID").empty())
        ++count;
    return count;
}

namespace {

constexpr std::uintmax_t kSizeLimitBytes = 61000;
// What a stored record adds to its note data: the section line, 24 key
// names with "=" and line ends, and the values the receiver writes itself
// (time in the title, its title font, the identifier, the Yes/No flags).
constexpr std::uintmax_t kRecordOverheadBytes = 512;

}  // namespace

bool MainDataFileFull() {
    std::error_code ec;
    const auto size = std::filesystem::file_size(MainDataFilePath(), ec);
    return !ec && size >= kSizeLimitBytes;
}

constexpr std::uintmax_t kOutsideNoteRoom = kSizeLimitBytes - kRecordOverheadBytes;

bool OutsideNoteCanEverFit(std::size_t noteBytes) { return noteBytes < kOutsideNoteRoom; }

bool DataFileCanTakeOutsideNote(std::size_t noteBytes, const std::string& file) {
    std::error_code ec;
    auto size = std::filesystem::file_size(file.empty() ? MainDataFilePath() : file, ec);
    if (ec) size = 0;  // not there yet: it will hold this note alone
    return OutsideNoteCanEverFit(noteBytes) && size < kOutsideNoteRoom - noteBytes;
}
