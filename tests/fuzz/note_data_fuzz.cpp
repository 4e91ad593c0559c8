// Note data as it arrives over TCP and in note e-mails, through the parsing
// the receiving side runs before a window exists: the fields by the
// receiving rules and the sender's title; and the note sent on again keeps
// its 22 fields. (The alarm and expiration values it brings have a fuzzer
// of their own.) A text with a line break or a NUL never gets this far (the
// hand-over value is one INI line), so those inputs are left out.
#include <cstring>
#include <string>
#include <string_view>

#include "net/NoteData.h"
#include "note/ReplyTitle.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int hour = data[0] % 24, minute = data[1] % 60;
    const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return 0;
    if (!IsCompleteNoteText(text)) return 0;

    const ReceivedNote note = ParseNoteData(text, hour, minute);
    const NoteRecord& r = note.record;
    Check(r.editFont.size() <= 255 && r.titleFont.size() <= 255);
    if (note.flood) return 0;

    const ReplyTitle reply = ReceivedTitle(r.titleText, r.titleFontType);
    if (reply.replyOffered) Check(!reply.replyTo.empty() && reply.replyTo != "ANONYMOUS");

    // What the note would send back: no field may carry a "~" of its own.
    NoteRecord back = r;
    back.noteId = 1;
    const std::string again = BuildNoteData(note.identity, back);
    Check(SplitNoteData(again).size() == kNoteDataFieldCount);
    return 0;
}
