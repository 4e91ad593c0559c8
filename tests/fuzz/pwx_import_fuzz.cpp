// A ".pwx" file as the import reads it: the count, the index rows the list
// shows in every date format, the note sections behind the rows, and the
// imported note stored in the main data file as a new note must then be
// there to read back.
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "note/AlarmSchedule.h"
#include "store/ExportFile.h"
#include "store/NoteRecord.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string pwx = fuzz::ScratchPath("fuzz.pwx");
    fuzz::PutFile(pwx, std::string_view(reinterpret_cast<const char*>(data), size));

    const std::int32_t n = ReadExportedNotes(pwx);
    Check(n >= 0 && n <= kMaxExportedNotes);
    std::vector<ExportIndexEntry> rows;
    if (n == 1) rows.push_back({kFirstExportedNoteId, ""});  // imported into a note without the list
    // A huge count only repeats the same read; the list is read for modest ones.
    if (n <= 64) {
        for (const ExportIndexEntry& e : ReadExportIndex(pwx)) rows.push_back(e);
    }
    int imported = 0;
    for (const ExportIndexEntry& row : rows) {
        Check(row.sectionId >= kFirstExportedNoteId && row.sectionId < kFirstExportedNoteId + n);
        for (const char* format : {"DD.MM.YYYY", "DD-MM-YYYY", "YYYY-MM-DD", "MM/DD/YYYY", "x"})
            ImportRowFromIndex(row.value, format);
        NoteRecord r;
        if (!ReadNoteRecord(pwx, row.sectionId, r) || ++imported > 2) continue;
        AlarmText(r.alarm, "DD.MM.YYYY");
        r.expiration.clear();
        r.noteId = 1;
        Check(WriteNoteRecord({}, r));
        NoteRecord stored;
        Check(ReadNoteRecord({}, 1, stored));
        Check(stored.width == r.width && stored.editCharSet == r.editCharSet);
        if (IsAlarmSet(r.alarm)) Check(stored.alarm == r.alarm);
    }
    // The engine's cache outliving the input would make libFuzzer run every
    // input a second time looking for a leak.
    ini::ClearCache();
    return 0;
}
