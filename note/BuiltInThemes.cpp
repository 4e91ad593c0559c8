#include "note/BuiltInThemes.h"

#include "store/NoteRecord.h"

const BuiltInTheme kBuiltInThemes[kBuiltInThemeCount] = {
    {90000, "Default", 32788, 0xFFCB97, 0xE28E49, 0x000000},
    {90001, "Dark Pink", 32794, 0xAA41FF, 0x9123F0, 0xFFFFFF},
    {90002, "Blue", 32789, 0xFFCB97, 0xE28E49, 0x000000},
    {90003, "Green", 32810, 0xACD6AB, 0x84C17B, 0x000000},
    {90004, "Pink", 32808, 0xA2A2E6, 0x6C70DB, 0x000000},
    {90005, "Yellow", 32809, 0x85ECF1, 0x30D0F0, 0x000000},
    {90006, "Gray", 32790, 0xEEEEEE, 0xD6D6D6, 0x000000},
    {90007, "Dark Blue", 32811, 0xAF5500, 0x8C4600, 0xFFFFFF},
    {90008, "Orange", 32821, 0x9EBFF9, 0x77A5FC, 0x000000},
    {90009, "Brown", 32884, 0xA8BECC, 0x7D99A2, 0x000000},
    {90010, "Dark Green", 32900, 0x005500, 0x008000, 0xFFFFFF},
    {90011, "Dark Orange", 32913, 0x46A0FF, 0x007DFA, 0x000000},
};

bool WriteBuiltInThemes(std::uint8_t charSet) {
    bool ok = true;
    for (const BuiltInTheme& theme : kBuiltInThemes) {
        NoteRecord r;
        r.noteId = theme.noteId;
        r.editBackColor = theme.bodyBack;
        r.editTextColor = theme.text;
        r.editFont = "Verdana";
        r.editFontType = "";
        r.editFontSize = 8;
        r.editCharSet = charSet;
        r.titleBackColor = theme.titleBack;
        r.titleTextColor = theme.text;
        r.titleFont = "Verdana";
        r.titleFontType = "C";
        r.titleFontSize = 8;
        r.titleCharSet = charSet;
        r.minimized = "No";
        r.hidden = "No";
        r.border = "Yes";
        ok = WriteNoteRecord({}, r) && ok;
    }
    return ok;
}
