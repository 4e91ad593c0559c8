// Upkeep of the main data file: the start counter that runs the clean-up of
// orphaned note sections every hundred-odd starts, and the clean-up itself.
// Theme records (90000 and up) lie outside every range and are never touched.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// What the start counter does this start: clean first or not, and the value
// NmbOfProgramStarts gets.
struct UpkeepCounterStep {
    bool clean = false;
    std::string write;
};
// Empty: "0" and no clean-up. Below 100: one more. 100 or more: clean, then "0".
UpkeepCounterStep NextUpkeepCounter(const std::string& stored);

enum class CleanMode {
    StartUp,  // NumberOfNotes + 1 .. 5000
    Size,     // note identifier counter + 1 .. 15000
};

struct NoteIdRange {
    std::int32_t first = 0;
    std::int32_t last = -1;
};
NoteIdRange CleanupRange(CleanMode mode, std::int32_t storedNumberOfNotes, std::int32_t noteCounter);

// Deletes every note section of the range that exists (its NoteID reads
// back non-empty), in ascending order, calling afterEach after each one so
// that the caller's windows keep running. A section that cannot be deleted
// is reported ("Error deleting note from ini file.") and the clean-up goes
// on. Returns how many sections went.
int CleanNoteSections(NoteIdRange range, const std::function<void()>& afterEach = {});

constexpr char kCleaningLine1[] = "Cleaning and optimizing main data file ...";
constexpr char kCleaningLine2[] = "Please wait few seconds ... ";
