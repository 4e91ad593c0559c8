#include "dialogs/SettingsLogic.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "net/NetUtil.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string WithoutLetters(std::string letters, std::string_view drop) {
    letters.erase(std::remove_if(letters.begin(), letters.end(),
                                 [&](char c) { return drop.find(c) != std::string_view::npos; }),
                  letters.end());
    return letters;
}

std::string AppendStyle(std::string letters, const FontStyle& style) {
    if (style.weight == 700) letters += 'B';
    if (style.italic) letters += 'I';
    if (style.underline) letters += 'U';
    if (style.strikeOut) letters += 'S';
    return letters;
}

}  // namespace

bool ShowsYes(YesRule rule, const std::string& stored) {
    switch (rule) {
    case YesRule::YesOnly: return stored == "Yes";
    case YesRule::YesOrEmpty: return stored == "Yes" || stored.empty();
    case YesRule::NotNoNorEmpty: return stored != "No" && !stored.empty();
    }
    return false;
}

int DateFormatIndex(const std::string& format) {
    for (int i = 0; i < static_cast<int>(std::size(kDateFormats)); ++i)
        if (format == kDateFormats[i]) return i;
    return -1;
}

int OnChangeThemeIndex(const std::string& stored) { return stored == "All" || stored.empty() ? 0 : 1; }
const char* OnChangeThemeValue(int index) { return index == 0 ? "All" : "Colors"; }

int AfterSendIndex(const std::string& stored) { return stored == "ShowIcon" || stored.empty() ? 0 : 1; }
const char* AfterSendValue(int index) { return index == 0 ? "ShowIcon" : "DeleteNote"; }

int PictureFormatIndex(const std::string& stored) { return stored == "bmp" ? 1 : 0; }
const char* PictureFormatValue(int index) { return index == 0 ? "jpg" : "bmp"; }

std::string IntervalText(const std::string& stored) { return stored.empty() ? "0" : stored; }
std::string PortText(const std::string& stored) { return stored.empty() ? kDefaultPort : stored; }

unsigned NumberOrZero(std::string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && Blank(text[first])) ++first;
    while (last > first && Blank(text[last - 1])) --last;
    if (first == last) return 0;
    unsigned long long value = 0;
    for (std::size_t i = first; i < last; ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
        if (value > 0xFFFFFFFFull) return 0;
    }
    return static_cast<unsigned>(value);
}

TitleAlign FindTitleAlign(const std::string& letters) {
    if (letters.find('L') != std::string::npos) return TitleAlign::Left;
    if (letters.find('C') != std::string::npos) return TitleAlign::Center;
    if (letters.find('R') != std::string::npos) return TitleAlign::Right;
    return TitleAlign::None;
}

std::string WithTitleAlign(std::string letters, TitleAlign align) {
    letters = WithoutLetters(std::move(letters), "LCR");
    switch (align) {
    case TitleAlign::Left: letters += 'L'; break;
    case TitleAlign::Center: letters += 'C'; break;
    case TitleAlign::Right: letters += 'R'; break;
    case TitleAlign::None: break;
    }
    return letters;
}

std::string NoteFontLetters(const FontStyle& style) { return AppendStyle({}, style); }

std::string TitleFontLetters(const std::string& current, const FontStyle& style) {
    return AppendStyle(WithoutLetters(current, "BIUS"), style);
}

FontStyle StyleFromLetters(const std::string& letters) {
    FontStyle style;
    if (letters.find('B') != std::string::npos) style.weight = 700;
    style.italic = letters.find('I') != std::string::npos;
    style.underline = letters.find('U') != std::string::npos;
    style.strikeOut = letters.find('S') != std::string::npos;
    return style;
}

std::string FontSampleText(const std::string& face, int points, const std::string& letters, bool title) {
    std::string shown = title ? WithoutLetters(letters, "LCR") : letters;
    if (shown.empty()) shown = "R";
    return " " + face + ", " + std::to_string(points) + ", " + shown;
}

SizeCheck CheckDefaultSize(unsigned width, unsigned height, unsigned screenWidth, unsigned screenHeight) {
    if (width == 0 && height == 0) return SizeCheck::Ok;
    if (width > screenWidth || height > screenHeight) return SizeCheck::TooBig;
    if (width < kMinDefaultWidth || height < kMinDefaultHeight) return SizeCheck::TooSmall;
    return SizeCheck::Ok;
}

bool PortAccepted(const std::string& text) {
    if (text.empty()) return false;
    const unsigned port = NumberOrZero(text);
    return port >= kLowestPort && port <= kHighestPort;
}

bool PortNoticeDue(const std::string& text, const std::string& stored) {
    return text != PortText(stored) && text != kDefaultPort;
}

std::string PortChangedMessage() {
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "You have changed default program network communication port.\nYou must do that also on other "
                  "computers which uses Pinwell (in your local network LAN or elsewhere) if you want to continue "
                  "sending or receiving notes successfully. If you experience some problems in communication after "
                  "changing port, put back default Pinwell network communication port %s.",
                  kDefaultPort);
    return buf;
}

std::string PortToolTip() {
    char buf[384];
    std::snprintf(buf, sizeof buf,
                  "Change default network communication port only if you are advanced user because you could "
                  "experience problems with sending or receiving notes if you change it. (default program network "
                  "communication port is %s)",
                  kDefaultPort);
    return buf;
}

SentFromSave CheckDefaultSentFrom(IdentityType type, const std::string& text) {
    const CNetUtil util;
    SentFromSave save;
    switch (type) {
    case IdentityType::ComputerName:
        // Stored empty: the sender then uses the computer's own name.
        save.write = true;
        break;
    case IdentityType::IpAddress:
        if (!util.IsIpAddress(text)) {
            save.message = kSentFromIpMessage;
            save.stopIcon = true;
            save.focus = SentFromSave::Focus::TypeList;
        } else {
            save.write = true;
            save.value = text;
        }
        break;
    case IdentityType::Email:
        if (!util.IsEmailAddress(text)) {
            save.message = kSentFromEmailMessage;
            save.stopIcon = true;
            save.focus = SentFromSave::Focus::Text;
        } else {
            save.write = true;
            save.value = text;
        }
        break;
    case IdentityType::Anonymous:
        save.write = true;
        save.value = "ANONYMOUS";
        break;
    case IdentityType::Name:
        // Blanks alone would arrive as a title with no name in it.
        if (std::all_of(text.begin(), text.end(), Blank)) {
            save.message = kSentFromNameMessage;
            save.focus = SentFromSave::Focus::Text;
        } else {
            save.write = true;
            save.value = "Name:" + text;
        }
        break;
    case IdentityType::None:
        break;
    }
    return save;
}
