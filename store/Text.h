// Small text helpers shared by the stores.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Decimal text to a number the way the stored values have always been read:
// leading blanks, an optional sign, then digits; anything after the digits is
// ignored and text without digits gives 0. Values beyond 32 bits saturate
// instead of wrapping, so a damaged file never yields a wild coordinate.
inline std::int32_t ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX) { value = static_cast<std::int64_t>(INT32_MAX) + 1; break; }
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

inline std::string Decimal(std::int64_t value) { return std::to_string(value); }

// Cuts text to its first maxChars characters (a profile read with a buffer
// of maxChars + 1 characters).
inline std::string Cut(std::string text, std::size_t maxChars) {
    if (text.size() > maxChars) text.resize(maxChars);
    return text;
}
