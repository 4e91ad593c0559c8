#include "store/SettingsStore.h"

#include <cstdio>
#include <utility>

#include "base/Seams.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"
#include "store/Text.h"

namespace {
constexpr char kSection[] = "PINWELL";
}

bool SwitchIsOn(Switch sw, const std::string& s) {
    // The readers grew one by one and do not agree on what unexpected text
    // means; these rules are what users' files have always meant.
    switch (sw) {
    case Switch::ShowScrollBar:
    case Switch::ShowCloseButton:
    case Switch::AskWhenReply:
        return s != "No";
    case Switch::ShowTaskBar:
    case Switch::DisableHotkey:
        return s != "No" && !s.empty();
    case Switch::ShowSendErrorMessage:
    case Switch::IncludePictureAttachment:
    case Switch::PlaySound:
        return s == "Yes" || s.empty();
    case Switch::DisableCloseMenu:
    case Switch::AskBeforeDelete:
    case Switch::RandomThemes:
    case Switch::ShowAllPasswordYesNo:
    case Switch::ReadNetworkOnStart:
    case Switch::CheckEmailOnStart:
        return s == "Yes";
    }
    return false;
}

std::string ScrambleShowAllPassword(const std::string& password) {
    std::string p = password;
    if (p.size() > 1) std::swap(p.front(), p.back());
    return kPasswordPrefix + p + kPasswordSuffix;
}

std::string UnscrambleShowAllPassword(const std::string& stored) {
    constexpr std::size_t prefix = sizeof(kPasswordPrefix) - 1;
    constexpr std::size_t suffix = sizeof(kPasswordSuffix) - 1;
    if (stored.size() < prefix + suffix) return {};
    std::string p = stored.substr(prefix, stored.size() - prefix - suffix);
    if (p.size() >= 2) std::swap(p.front(), p.back());
    return p;
}

std::string FormatDate(const std::string& format, int day, int month, int year) {
    char buf[48];
    if (format == "DD-MM-YYYY")
        std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", day, month, year);
    else if (format == "YYYY-MM-DD")
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    else if (format == "MM/DD/YYYY")
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", month, day, year);
    else if (format == "DD.MM.YYYY")
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", day, month, year);
    else
        return {};
    return buf;
}

CSettingsStore::CSettingsStore(std::string path) : path_(std::move(path)) {}

std::string CSettingsStore::Read(const char* key, std::size_t limit) const {
    return ini::Read(ResolveDataFile(path_), kSection, key, {}, limit == 0 ? ini::kWhole : limit);
}

bool CSettingsStore::Write(const char* key, const std::string& value) const {
    if (!ini::Write(ResolveDataFile(path_), kSection, key, value)) {
        ShowNotice("Error writing to ini file.");
        return false;
    }
    return true;
}

#define PINWELL_DEFINE_SETTING(key, limit)                                                      \
    std::string CSettingsStore::Read##key() const { return Read(#key, limit); }                 \
    bool CSettingsStore::Write##key(const std::string& value) const { return Write(#key, value); }
PINWELL_SETTINGS(PINWELL_DEFINE_SETTING)
#undef PINWELL_DEFINE_SETTING

bool CSettingsStore::IsOn(Switch sw) const {
    switch (sw) {
    case Switch::ShowScrollBar: return SwitchIsOn(sw, ReadShowScrollBar());
    case Switch::ShowTaskBar: return SwitchIsOn(sw, ReadShowTaskBar());
    case Switch::ShowCloseButton: return SwitchIsOn(sw, ReadShowCloseButton());
    case Switch::DisableCloseMenu: return SwitchIsOn(sw, ReadDisableCloseMenu());
    case Switch::AskBeforeDelete: return SwitchIsOn(sw, ReadAskBeforeDelete());
    case Switch::DisableHotkey: return SwitchIsOn(sw, ReadDisableHotkey());
    case Switch::RandomThemes: return SwitchIsOn(sw, ReadRandomThemes());
    case Switch::ShowAllPasswordYesNo: return SwitchIsOn(sw, ReadShowAllPasswordYesNo());
    case Switch::ReadNetworkOnStart: return SwitchIsOn(sw, ReadReadNetworkOnStart());
    case Switch::CheckEmailOnStart: return SwitchIsOn(sw, ReadCheckEmailOnStart());
    case Switch::ShowSendErrorMessage: return SwitchIsOn(sw, ReadShowSendErrorMessage());
    case Switch::AskWhenReply: return SwitchIsOn(sw, ReadAskWhenReply());
    case Switch::IncludePictureAttachment: return SwitchIsOn(sw, ReadIncludePictureAttachment());
    case Switch::PlaySound: return SwitchIsOn(sw, ReadPlaySound());
    }
    return false;
}

std::int32_t CSettingsStore::ReadNumberOfNotesValue() const {
    return ClampNumberOfNotes(ParseDecimal(ReadNumberOfNotes()));
}
std::int32_t CSettingsStore::ReadNetworkIntervalMinutes() const {
    return ParseDecimal(ReadReadNetworkInterval());
}
std::int32_t CSettingsStore::ReadCheckEmailIntervalMinutes() const {
    return ParseDecimal(ReadCheckEmailInterval());
}
std::int32_t CSettingsStore::ReadCommunicationPortValue() const {
    const std::string port = ReadCommunicationPort();
    return port.empty() ? 2000 : ParseDecimal(port);
}

bool CSettingsStore::WriteDefaultSize(const std::string& width, const std::string& height) const {
    ini::Write(ResolveDataFile(path_), kSection, "DefaultWidth", width);
    return WriteDefaultHeight(height);
}

bool CSettingsStore::WriteShowAllPassword(const std::string& yesNo, const std::string& password) const {
    const std::string stored = yesNo == "Yes" ? ScrambleShowAllPassword(password) : password;
    ini::Write(ResolveDataFile(path_), kSection, "ShowAllPasswordYesNo", yesNo);
    return WriteShowAllNotesPassword(stored);
}

std::string CSettingsStore::ReadShowAllPassword() const {
    return UnscrambleShowAllPassword(ReadShowAllNotesPassword());
}

std::string CSettingsStore::DateFormat() const {
    std::string format = ReadDefaultDateFormat();
    if (format.empty()) {
        format = "DD.MM.YYYY";
        WriteDefaultDateFormat(format);
    }
    return format;
}

std::string CSettingsStore::FormatDate(int day, int month, int year) const {
    return ::FormatDate(DateFormat(), day, month, year);
}
