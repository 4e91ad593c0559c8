// Note data: the one-line text in which a note travels between computers, in
// note e-mails and in the hand-over values of the main data file. Twenty-two
// fields, each followed by "~", no escaping, no length prefix.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/NoteRecord.h"

constexpr std::size_t kNoteDataFieldCount = 22;
// The receive buffer peers have always been built around; longer note data
// still goes out, with a warning.
constexpr std::size_t kSocketBufferSize = 10240;
// What a receiver answers once it has the note: 30 bytes, nothing after them.
constexpr std::string_view kAcknowledgement = "From Server : MESSAGE RECEIVED";

extern const char kNoteDataTooLargeText[];

// The 22 fields for a note record, with identity as field 1. The body goes in
// its stored form ("|" for line feeds, no carriage returns). Shows the
// oversize warning when the result is longer than kSocketBufferSize, and
// returns the text anyway.
//
// A "~" inside a field would shift every later field at the receiver, so
// none is ever sent: in a rich-text body it becomes the RTF escape of the
// same character (a "\~" non-breaking space becomes \'a0), which any
// receiver's editor shows unchanged; in the plain-text fields it becomes "-".
std::string BuildNoteData(const std::string& identity, const NoteRecord& record);

// Splits at every "~": the fields in order up to the last "~"; whatever
// follows the last "~" is not a field.
std::vector<std::string> SplitNoteData(std::string_view text);

// What the timer tick takes as a note waiting to be created: not empty and
// ending in "~". Anything else is an incomplete text.
bool IsCompleteNoteText(std::string_view text);

// A received note, parsed by the receiving rules, before any window exists.
struct ReceivedNote {
    std::string identity;   // field 1 as received
    bool anonymous = false; // identity empty or "ANONYMOUS"
    // Blank body or an overlong font name: the text is taken for an attack.
    // The record then holds only the fields read before the offending one.
    bool flood = false;
    NoteRecord record;      // noteId 0, Minimized/Hidden empty: not carried
};

// The receiving rules. A named (or "Name:") sender's title becomes the
// identity, a space and the receiving computer's local hour and minute in
// "Arial Narrow" size 8, centred; an anonymous sender's title keeps its own
// font and is prefixed with "ANONYMOUS ". Fields beyond the 22nd are ignored.
ReceivedNote ParseNoteData(std::string_view text, int localHour, int localMinute);
