// The body filter's output: balanced, within depth and size, free of dropped destinations, stable.
#include <string>
#include "note/RtfFilter.h"
extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    auto check = [](bool ok) { if (!ok) __builtin_trap(); };
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    for (std::size_t limit : {kMaxOutsideRtfSize, std::size_t{160}}) {
        const std::string out = FilterOutsideRtf(in, limit);
        check(FilterOutsideRtf(out, limit) == out);
        if (in.substr(0, 5) != "{\\rtf") {
            check(out == in);
            continue;
        }
        check(out.size() <= limit);
        int depth = 0;
        for (std::size_t i = 0; i < out.size(); ++i) {  // as a reader takes it
            if (out[i] == '{') check(++depth <= kMaxRtfGroupDepth);
            if (out[i] == '}') check(--depth > 0 || (depth == 0 && i + 1 == out.size()));
            if (out[i] != '\\' || i + 1 == out.size()) continue;
            std::size_t end = i + 1;
            while (end < out.size() && ((out[end] | 32) >= 'a' && (out[end] | 32) <= 'z')) ++end;
            const auto word = std::string_view(out).substr(i + 1, end - i - 1);
            for (std::string_view gone : {"pict", "object", "objdata", "fldinst", "field", "fldrslt", "bin"})
                check(word != gone);
            i = word.empty() ? i + (out[i + 1] == '\'' ? 3 : 1) : end - 1;
        }
        check(depth == 0);
    }
    return 0;
}
