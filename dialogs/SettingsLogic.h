// The rules of the settings dialog that need no window: how stored texts
// select radios and list entries, the font and alignment letters of the
// default note, and the checks made when the pages are saved.
#pragma once

#include <string>
#include <string_view>

#include "net/Recipients.h"

// ---- Yes/No radios --------------------------------------------------------------

// Which stored texts select the Yes radio (or tick the check box).
enum class YesRule {
    YesOnly,         // "Yes"; empty shows No
    YesOrEmpty,      // "Yes" or empty
    NotNoNorEmpty,   // anything but "No" and empty
};
bool ShowsYes(YesRule rule, const std::string& stored);
inline const char* YesNo(bool yes) { return yes ? "Yes" : "No"; }

// ---- Lists ---------------------------------------------------------------------

inline constexpr const char* kDateFormats[] = {"DD.MM.YYYY", "DD-MM-YYYY", "YYYY-MM-DD", "MM/DD/YYYY"};
inline constexpr const char* kOnChangeThemeItems[] = {"Change note colors and default font",
                                                      "Change only note colors"};
inline constexpr const char* kPictureFormatItems[] = {"(JPEG) JPG", "(Bitmap) BMP"};
inline constexpr const char* kAfterSendItems[] = {"Show send icon in title left corner", "Delete note after sending"};
inline constexpr const char* kSentFromItems[] = {"Computer name", "IP Address", "E-mail", "Anonymous", "Name"};

// Index of the format in kDateFormats, -1 when it is none of them.
int DateFormatIndex(const std::string& format);

int OnChangeThemeIndex(const std::string& stored);
const char* OnChangeThemeValue(int index);
int AfterSendIndex(const std::string& stored);
const char* AfterSendValue(int index);
// An unknown stored format shows (and is saved as) the first entry, JPEG:
// what the picture code falls back to as well.
int PictureFormatIndex(const std::string& stored);
const char* PictureFormatValue(int index);

// An interval edit shows "0" for an empty value; the port edit "2000".
std::string IntervalText(const std::string& stored);
inline constexpr char kDefaultPort[] = "2000";
std::string PortText(const std::string& stored);

// The number in a digits-only edit: blanks around digits are allowed,
// anything else (a sign, letters, a value past 32 bits) counts as 0, as the
// system's dialog-number read does.
unsigned NumberOrZero(std::string_view text);

// ---- Title alignment and font letters ----------------------------------------------

enum class TitleAlign { None, Left, Center, Right };

// The first of L, C, R (looked for in that order) in the title letters.
TitleAlign FindTitleAlign(const std::string& letters);
// Every L, C and R removed, then the chosen letter appended.
std::string WithTitleAlign(std::string letters, TitleAlign align);

struct FontStyle {
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};
// Letters after a font was chosen: the note font's are built from nothing;
// the title font keeps its letters except B, I, U and S. "B" only for the
// weight 700 exactly.
std::string NoteFontLetters(const FontStyle& style);
std::string TitleFontLetters(const std::string& current, const FontStyle& style);
// The style a sample is drawn in, from the letters.
FontStyle StyleFromLetters(const std::string& letters);

// " face, size, letters"; "R" when no letters are left (for the title the
// alignment letters do not count).
std::string FontSampleText(const std::string& face, int points, const std::string& letters, bool title);

// ---- Checks made when saving ------------------------------------------------------------

inline constexpr char kSizeTooBigMessage[] =
    "Default note size is not valid because it is bigger than screen resolution.";
inline constexpr char kSizeTooSmallMessage[] = "Default note size is not valid because it is too small.";
inline constexpr int kMinDefaultWidth = 60;
inline constexpr int kMinDefaultHeight = 30;

enum class SizeCheck { Ok, TooBig, TooSmall };
SizeCheck CheckDefaultSize(unsigned width, unsigned height, unsigned screenWidth, unsigned screenHeight);

inline constexpr char kPortInvalidMessage[] =
    "Default network communication port is not valid. Valid port range is 1-65535.\n"
    "But it is recommended not to use port number in range 1-1024.";
inline constexpr unsigned kLowestPort = 1025;
inline constexpr unsigned kHighestPort = 65534;
bool PortAccepted(const std::string& text);
// Whether saving `text` over the stored value tells the user about the
// other computers.
bool PortNoticeDue(const std::string& text, const std::string& stored);
std::string PortChangedMessage();
std::string PortToolTip();

inline constexpr char kSentFromIpMessage[] = "IP Address in \"Default sent from:\" field is not valid ...";
inline constexpr char kSentFromEmailMessage[] =
    "Email you have entered in \"Default sent from:\" field is not valid ...";
inline constexpr char kSentFromNameMessage[] = "Name in \"Default sent from:\" field can not be empty ...";

struct SentFromSave {
    // "" when the value can be stored.
    const char* message = "";
    bool stopIcon = false;
    enum class Focus { None, TypeList, Text } focus = Focus::None;
    // Whether SentFrom is written at all, and with what.
    bool write = false;
    std::string value;
};
SentFromSave CheckDefaultSentFrom(IdentityType type, const std::string& text);
