#include "store/Upkeep.h"

#include <algorithm>

#include "base/Seams.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"
#include "store/Text.h"

namespace {

constexpr std::int32_t kStartUpLast = 5000;
constexpr std::int32_t kSizeLast = 15000;
constexpr std::int32_t kCleanEvery = 100;

}  // namespace

UpkeepCounterStep NextUpkeepCounter(const std::string& stored) {
    if (stored.empty()) return {false, "0"};
    const std::int32_t c = ParseDecimal(stored);
    if (c < kCleanEvery) return {false, Decimal(static_cast<std::int64_t>(c) + 1)};
    return {true, "0"};
}

NoteIdRange CleanupRange(CleanMode mode, std::int32_t storedNumberOfNotes, std::int32_t noteCounter) {
    // A damaged count below zero must not reach down to section 0 and beyond.
    const std::int32_t below = std::max(mode == CleanMode::StartUp ? storedNumberOfNotes : noteCounter, 0);
    const std::int32_t last = mode == CleanMode::StartUp ? kStartUpLast : kSizeLast;
    // A count at or past the end leaves an empty range (and cannot overflow).
    return {below >= last ? last + 1 : below + 1, last};
}

int CleanNoteSections(NoteIdRange range, const std::function<void()>& afterEach) {
    int deleted = 0;
    const std::string& file = MainDataFilePath();
    for (std::int32_t id = range.first; id <= range.last; ++id) {
        if (ini::Read(file, NoteSectionName(id), "NoteID").empty()) continue;
        if (DeleteNoteSection(id)) ++deleted;
        if (afterEach) afterEach();
    }
    return deleted;
}
