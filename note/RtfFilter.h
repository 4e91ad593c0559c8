// Rich text from outside (another computer, an e-mail, an exported or an
// opened file) is read by the system's rich edit control, which was never
// meant for hostile input: it crashes on deeply nested groups, and pictures,
// objects and fields can carry megabytes or things a note cannot show. A
// note made here never holds any of them, so they are taken out before the
// control sees the text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Groups nested deeper than this are flattened into their parent. The
// control gives out a little past 32 levels; notes use a handful.
constexpr int kMaxRtfGroupDepth = 20;
// The most rich text a body takes from outside, closing braces included;
// what does not fit is cut at a token and the open groups are closed.
constexpr std::size_t kMaxOutsideRtfSize = 4u << 20;

// A paragraph from outside longer than this many characters is broken at
// its next blank, and one without blanks at the hard limit.
constexpr std::size_t kSoftParagraph = 1000;
constexpr std::size_t kHardParagraph = 1200;

// The rich text without pictures, objects, field instructions and binary
// data, a field keeping its shown result, groups no deeper than
// kMaxRtfGroupDepth, balanced, ending where its outer group ends and no
// longer than `limit`, and no paragraph of the body longer than about
// kSoftParagraph characters. Text that is not rich text is returned unchanged.
// One pass, no recursion: the time is linear in the input whatever its shape.
std::string FilterOutsideRtf(std::string_view rtf, std::size_t limit = kMaxOutsideRtfSize);

struct NoteRecord;

// Font sizes in points the platform still draws as text.
constexpr int kMinFontPoints = 1;
constexpr int kMaxFontPoints = 1638;

// A note record from outside made fit to show and to keep: its body
// filtered, its size within what the settings allow a new note (at least
// the smallest note, at most the screen), its font sizes drawable, and its
// title and font styles no longer than the data file keeps.
void MakeOutsideNoteSafe(NoteRecord& record, int screenWidth, int screenHeight);
