// Rich text from outside as the body filter takes it: whatever comes in, what
// goes to the rich edit control is balanced, no deeper than the cap, within
// its size, free of the dropped destinations, and unchanged by a second pass.
#include <cstdint>
#include <string>
#include <string_view>

#include "note/RtfFilter.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Read as the control reads it: escapes and control words are not braces.
void CheckShape(const std::string& out, std::size_t limit) {
    Check(out.size() <= limit);
    int depth = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const char c = out[i];
        Check(c != '\0');
        if (c == '{') {
            Check(++depth <= kMaxRtfGroupDepth);
        } else if (c == '}') {
            Check(--depth >= 0);
            Check(depth > 0 || i + 1 == out.size());  // nothing after the outer group
        } else if (c == '\\' && i + 1 < out.size()) {
            std::size_t j = i + 1;
            while (j < out.size() && IsLetter(out[j])) ++j;
            const std::string_view word(out.data() + i + 1, j - i - 1);
            for (std::string_view gone : {"pict", "object", "objdata", "fldinst", "field", "fldrslt", "bin"})
                Check(word != gone);
            if (word.empty() && out[i + 1] == '\'') i += 2;  // its two hex digits
            i = word.empty() ? i + 1 : j - 1;
        }
    }
    Check(depth == 0);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const bool rtf = in.substr(0, 5) == "{\\rtf";
    for (std::size_t limit : {kMaxOutsideRtfSize, std::size_t{160}}) {
        const std::string out = FilterOutsideRtf(in, limit);
        if (!rtf) {
            Check(out == in);
            continue;
        }
        CheckShape(out, limit);
        Check(FilterOutsideRtf(out, limit) == out);
    }
    return 0;
}
