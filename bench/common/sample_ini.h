// A main data file of realistic shape for the INI benchmarks: program
// settings, the twelve built-in themes and as many notes as fit the size.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace bench {

constexpr const char* kRecordKeys[24] = {
    "NoteID",        "EditBackColor", "EditTextColor", "EditFont",       "EditFontType", "EditFontSize",
    "EditCharSet",   "EditText",      "TitleBackColor", "TitleTextColor", "TitleFont",    "TitleFontType",
    "TitleFontSize", "TitleText",     "TitleCharSet",  "Left",           "Top",          "Height",
    "Width",         "Minimized",     "Border",        "Hidden",         "Expiration",   "Alarm"};

inline std::string NoteSection(int id) { return "NOTE_ID_" + std::to_string(id); }

// The 24 values of one note; `variant` changes the geometry so successive
// writes really change the file.
inline std::vector<std::pair<std::string, std::string>> NoteRecord(int id, int variant = 0) {
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Verdana;}}"
        "{\\colortbl ;\\red0\\green0\\blue0;}\\viewkind4\\uc1\\pard\\cf1\\f0\\fs16 Note " +
        std::to_string(id) + ": call the supplier about the order,|\\par check the invoice numbers "
        "against the list and send the summary to the team before Friday.|\\par Remember the "
        "meeting room is booked from ten to eleven.|\\par }|";
    const bool theme = id >= 90000;
    return {
        {"NoteID", std::to_string(id)},
        {"EditBackColor", std::to_string(8454143 + id % 7)},
        {"EditTextColor", "0"},
        {"EditFont", "Verdana"},
        {"EditFontType", ""},
        {"EditFontSize", "8"},
        {"EditCharSet", "0"},
        {"EditText", theme ? "" : rtf},
        {"TitleBackColor", std::to_string(4227327 + id % 5)},
        {"TitleTextColor", "0"},
        {"TitleFont", "Verdana"},
        {"TitleFontType", "C"},
        {"TitleFontSize", "8"},
        {"TitleText", theme ? "Theme " + std::to_string(id - 89999) : "Note " + std::to_string(id)},
        {"TitleCharSet", "0"},
        {"Left", theme ? "0" : std::to_string(40 + (id * 37 + variant) % 900)},
        {"Top", theme ? "0" : std::to_string(30 + (id * 53 + variant) % 600)},
        {"Height", theme ? "0" : "180"},
        {"Width", theme ? "0" : "220"},
        {"Minimized", "No"},
        {"Border", "Yes"},
        {"Hidden", "No"},
        {"Expiration", ""},
        {"Alarm", theme ? "" : (id % 4 == 0 ? "2030-05-04 09:30" : "")},
    };
}

inline void AppendSection(std::string& out, const std::string& name,
                          const std::vector<std::pair<std::string, std::string>>& keys) {
    out += "[" + name + "]\r\n";
    for (const auto& kv : keys) out += kv.first + "=" + kv.second + "\r\n";
}

// Notes NOTE_ID_1 .. *notes are added until the text reaches `targetBytes`.
inline std::string MakeSampleIni(std::size_t targetBytes = 60 * 1024, int* notes = nullptr) {
    std::string out;
    AppendSection(out, "PINWELL",
                  {{"Version", "3.0"},          {"IniUpdate", "1"},          {"NumberOfNotes", "0"},
                   {"NmbOfProgramStarts", "17"}, {"DefaultWidth", "220"},    {"DefaultHeight", "180"},
                   {"UserName", "Alex"},         {"ComputerName", "DESK-07"}, {"Port", "24837"},
                   {"Sound", "Yes"},             {"StartWithWindows", "Yes"}, {"ConfirmDelete", "Yes"},
                   {"DateTitle", "No"},          {"Language", "English"},     {"Theme", "90003"},
                   {"MailServer", "mail.example.org"}, {"MailUser", "alex"}, {"CheckMail", "15"}});
    for (int t = 90000; t <= 90011; ++t) AppendSection(out, NoteSection(t), NoteRecord(t));
    int n = 0;
    while (out.size() < targetBytes) {
        ++n;
        AppendSection(out, NoteSection(n), NoteRecord(n));
    }
    const std::string count = "NumberOfNotes=" + std::to_string(n);
    out.replace(out.find("NumberOfNotes=0"), 15, count);
    if (notes) *notes = n;
    return out;
}

}  // namespace bench
