#include "store/ExportFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/Seams.h"
#include "store/IniFile.h"
#include "store/Text.h"

namespace {

constexpr char kSection[] = "PINWELL";
constexpr char kCountKey[] = "ExportedNotes";
constexpr std::size_t kIndexLimit = 259;
constexpr std::size_t kCountLimit = 9;

std::vector<std::string> SplitTilde(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '~') {
            parts.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.emplace_back(text.substr(start));
    return parts;
}

// A piece of the 14-digit date-time; what a short value lacks stays empty.
std::string Piece(std::string_view digits, std::size_t at, std::size_t length) {
    if (at >= digits.size()) return {};
    return std::string(digits.substr(at, length));
}

bool ParsePositive(std::string_view text, std::int32_t& value) {
    if (text.empty() || text.size() > 9) return false;
    std::int32_t n = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        n = n * 10 + (c - '0');
    }
    if (n <= 0) return false;
    value = n;
    return true;
}

}  // namespace

std::string LowerExtension(std::string_view path) {
    const std::string name = FileNameOnly(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string FileNameOnly(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExportDateTime(int day, int month, int year, int hour, int minute, int second) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%02d%04d%02d%02d%02d", day, month, year, hour, minute, second);
    return buf;
}

std::int32_t ReadExportedNotes(const std::string& path) {
    const std::int32_t n = ParseDecimal(ini::Read(path, kSection, kCountKey, "", kCountLimit));
    // Sections above 99999 cannot be stored, so a larger count is damage.
    return n < 0 ? 0 : std::min(n, kMaxExportedNotes);
}

bool AppendNoteToExportFile(const std::string& path, NoteRecord record, const std::string& title,
                            const std::string& dateTime) {
    const std::int32_t n = ReadExportedNotes(path);
    const std::int32_t id = kFirstExportedNoteId + n;
    if (n >= kMaxExportedNotes) {
        ShowNotice(kExportWriteError, NoticeIcon::Warning);
        return false;
    }
    record.noteId = id;
    ini::Batch batch(path);
    batch.Write(kSection, kCountKey, std::to_string(n + 1));
    batch.Write(kSection, std::to_string(id), title + "~" + dateTime + "~Export");
    StageNoteRecord(batch, record);
    if (batch.Commit()) return true;
    ShowNotice(kExportWriteError, NoticeIcon::Warning);
    return false;
}

std::vector<ExportIndexEntry> ReadExportIndex(const std::string& path) {
    std::vector<ExportIndexEntry> entries;
    const std::int32_t n = ReadExportedNotes(path);
    const ini::SectionReader index(path, kSection);
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t id = kFirstExportedNoteId + i;
        std::string value = index.Read(std::to_string(id), "", kIndexLimit);
        if (!value.empty()) entries.push_back({id, std::move(value)});
    }
    return entries;
}

ImportRow ImportRowFromIndex(std::string_view value, std::string_view dateFormat) {
    const std::vector<std::string> parts = SplitTilde(value);
    ImportRow row;
    row.title = parts[0];
    const std::string stamp = parts.size() > 1 ? parts[1] : std::string();
    const std::string day = Piece(stamp, 0, 2), month = Piece(stamp, 2, 2), year = Piece(stamp, 4, 4);
    if (dateFormat == "DD.MM.YYYY")
        row.date = day + "." + month + "." + year;
    else if (dateFormat == "DD-MM-YYYY")
        row.date = day + "-" + month + "-" + year;
    else if (dateFormat == "YYYY-MM-DD")
        row.date = year + "-" + month + "-" + day;
    else if (dateFormat == "MM/DD/YYYY")
        row.date = month + "/" + day + "/" + year;
    row.time = Piece(stamp, 8, 2) + ":" + Piece(stamp, 10, 2) + ":" + Piece(stamp, 12, 2);
    return row;
}

std::string NoteListEntry(const std::string& title, std::int32_t id, bool hidden) {
    return title + "~" + std::to_string(id) + "~" + (hidden ? "Yes" : "No") + "~";
}

bool ParseNoteListEntry(std::string_view entry, NoteListRow& row) {
    const std::vector<std::string> parts = SplitTilde(entry);
    if (parts.size() < 3 || parts[1].empty() || parts[2].empty()) return false;
    row = {parts[0], parts[1], parts[2]};
    return true;
}

std::vector<std::int32_t> ParseIdList(std::string_view text) {
    std::vector<std::int32_t> ids;
    for (const std::string& part : SplitTilde(text)) {
        std::int32_t id = 0;
        if (ParsePositive(part, id)) ids.push_back(id);
    }
    return ids;
}
