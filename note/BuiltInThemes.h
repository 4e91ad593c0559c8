// The twelve built-in note themes: the default look and eleven others,
// stored as note records 90000-90011 of the main data file.
#pragma once

#include <cstdint>

struct BuiltInTheme {
    std::int32_t noteId;
    const char* menuText;
    int command;
    std::int32_t bodyBack;   // COLORREF 0x00BBGGRR
    std::int32_t titleBack;
    std::int32_t text;       // body and title text colour
};

constexpr int kBuiltInThemeCount = 12;
extern const BuiltInTheme kBuiltInThemes[kBuiltInThemeCount];

// Writes the twelve records; charSet is the screen's character set at the
// time of writing. Returns false when a record could not be written.
bool WriteBuiltInThemes(std::uint8_t charSet);
