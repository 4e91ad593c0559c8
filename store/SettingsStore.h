// The program settings: keys of section PINWELL of the main data file, read
// and written one at a time, straight from and to the file.
#pragma once

#include <cstdint>
#include <string>

// Key, longest read (0 = read whole: numbers must never be cut).
#define PINWELL_SETTINGS(X)                \
    X(NumberOfNotes, 0)                    \
    X(Version, 14)                         \
    X(IniUpdate, 14)                       \
    X(NmbOfProgramStarts, 0)               \
    X(DefaultTitle, 1023)                  \
    X(DefaultDateFormat, 14)               \
    X(DefaultWidth, 0)                     \
    X(DefaultHeight, 0)                    \
    X(ShowScrollBar, 9)                    \
    X(ShowTaskBar, 9)                      \
    X(ShowCloseButton, 9)                  \
    X(DisableCloseMenu, 9)                 \
    X(AskBeforeDelete, 14)                 \
    X(DisableHotkey, 14)                   \
    X(RandomThemes, 9)                     \
    X(OnChangeTheme, 14)                   \
    X(LastSavedThemeNumber, 0)             \
    X(ShowAllPasswordYesNo, 14)            \
    X(ShowAllNotesPassword, 29)            \
    X(ReadNetworkOnStart, 14)              \
    X(ReadNetworkInterval, 0)              \
    X(CheckEmailOnStart, 14)               \
    X(CheckEmailInterval, 0)               \
    X(AfterSend, 14)                       \
    X(SentFrom, 49)                        \
    X(ShowSendErrorMessage, 9)             \
    X(AskWhenReply, 14)                    \
    X(IncludePictureAttachment, 9)         \
    X(DefaultPictureFormat, 14)            \
    X(PlaySound, 9)                        \
    X(CommunicationPort, 0)

// The switches and the rule by which each counts as on.
enum class Switch {
    ShowScrollBar,
    ShowTaskBar,
    ShowCloseButton,
    DisableCloseMenu,
    AskBeforeDelete,
    DisableHotkey,
    RandomThemes,
    ShowAllPasswordYesNo,
    ReadNetworkOnStart,
    CheckEmailOnStart,
    ShowSendErrorMessage,
    AskWhenReply,
    IncludePictureAttachment,
    PlaySound,
};

// Whether a stored text turns the switch on.
bool SwitchIsOn(Switch sw, const std::string& stored);

constexpr char kPasswordPrefix[] = "Kq4Rm7";
constexpr char kPasswordSuffix[] = "5PtZc9H";
std::string ScrambleShowAllPassword(const std::string& password);
std::string UnscrambleShowAllPassword(const std::string& stored);

// The four date formats; any other format text gives an empty date.
std::string FormatDate(const std::string& format, int day, int month, int year);

class CSettingsStore {
public:
    // An empty path means the main data file.
    explicit CSettingsStore(std::string path = {});

#define PINWELL_DECLARE_SETTING(key, limit) \
    std::string Read##key() const;          \
    bool Write##key(const std::string& value) const;
    PINWELL_SETTINGS(PINWELL_DECLARE_SETTING)
#undef PINWELL_DECLARE_SETTING

    bool IsOn(Switch sw) const;

    // Whole numbers; empty reads as 0 (the port as 2000).
    std::int32_t ReadNumberOfNotesValue() const;
    std::int32_t ReadNetworkIntervalMinutes() const;
    std::int32_t ReadCheckEmailIntervalMinutes() const;
    std::int32_t ReadCommunicationPortValue() const;

    // The two pairs written together; only the second write is looked at.
    bool WriteDefaultSize(const std::string& width, const std::string& height) const;
    bool WriteShowAllPassword(const std::string& yesNo, const std::string& password) const;
    // The password in clear.
    std::string ReadShowAllPassword() const;

    // DefaultDateFormat, written back as "DD.MM.YYYY" when found empty.
    std::string DateFormat() const;
    std::string FormatDate(int day, int month, int year) const;

private:
    std::string Read(const char* key, std::size_t limit) const;
    bool Write(const char* key, const std::string& value) const;
    std::string path_;
};
