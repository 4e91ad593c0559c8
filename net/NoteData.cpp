#include "net/NoteData.h"

#include <algorithm>
#include <cstdio>

#include "base/Seams.h"
#include "store/Text.h"

const char kNoteDataTooLargeText[] =
    "Data buffer size is bigger than maximum socket buffer size.\nPossible errors in receiving "
    "data ...";

namespace {

constexpr std::size_t kLongestFontName = 255;

bool IsRtf(std::string_view text) { return text.substr(0, 5) == "{\\rtf"; }

std::string PlainField(std::string text) {
    for (char& c : text)
        if (c == '~') c = '-';
    return text;
}

// The body in its stored form with every "~" written as RTF escapes.
std::string BodyField(const std::string& body) {
    const std::string stored = BodyToStoredForm(body);
    if (!IsRtf(stored)) return PlainField(stored);
    std::string out;
    out.reserve(stored.size() + 16);
    std::size_t backslashes = 0;
    for (char c : stored) {
        if (c == '~') {
            if (backslashes % 2 == 1) {
                out.pop_back();  // "\~" is the non-breaking space
                out += "\\'a0";
            } else {
                out += "\\'7e";
            }
        } else {
            out += c;
        }
        backslashes = (c == '\\') ? backslashes + 1 : 0;
    }
    return out;
}

bool IsBlank(std::string_view text) {
    for (char c : text)
        if (!(c == ' ' || (c >= '\t' && c <= '\r'))) return false;
    return true;
}

std::string TwoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

}  // namespace

std::string BuildNoteData(const std::string& identity, const NoteRecord& r) {
    const std::string fields[kNoteDataFieldCount] = {
        PlainField(identity),
        BodyField(r.editText),
        PlainField(r.editFont),
        PlainField(r.editFontType),
        Decimal(r.editBackColor),
        Decimal(r.editTextColor),
        Decimal(r.editFontSize),
        Decimal(r.editCharSet),
        PlainField(r.titleText),
        PlainField(r.titleFont),
        PlainField(r.titleFontType),
        Decimal(r.titleBackColor),
        Decimal(r.titleTextColor),
        Decimal(r.titleFontSize),
        Decimal(r.titleCharSet),
        Decimal(r.left),
        Decimal(r.top),
        Decimal(r.height),
        Decimal(r.width),
        PlainField(r.border),
        PlainField(r.expiration),
        PlainField(r.alarm),
    };
    std::size_t size = 0;
    for (const auto& f : fields) size += f.size() + 1;
    std::string data;
    data.reserve(size);
    for (const auto& f : fields) {
        data += f;
        data += '~';
    }
    if (data.size() > kSocketBufferSize) ShowNotice(kNoteDataTooLargeText, NoticeIcon::Warning);
    return data;
}

std::vector<std::string> SplitNoteData(std::string_view text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '~') {
            fields.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return fields;
}

bool IsCompleteNoteText(std::string_view text) { return !text.empty() && text.back() == '~'; }

ReceivedNote ParseNoteData(std::string_view text, int localHour, int localMinute) {
    ReceivedNote note;
    NoteRecord& r = note.record;
    const std::vector<std::string> fields = SplitNoteData(text);
    note.anonymous = true;  // until field 1 names someone
    const std::size_t count = std::min(fields.size(), kNoteDataFieldCount);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& f = fields[i];
        auto number = [&] { return ParseDecimal(f); };
        auto charSet = [&] { return static_cast<std::uint8_t>(ParseDecimal(f) & 0xFF); };
        switch (i + 1) {
        case 1:
            // Nothing longer reaches the title, where the identity ends up.
            note.identity = f.substr(0, std::min(f.size(), kStoredTitleLimit));
            note.anonymous = f.empty() || f == "ANONYMOUS";
            break;
        case 2:
            if (IsBlank(f)) {
                note.flood = true;
                return note;
            }
            r.editText = BodyFromStoredForm(f);
            break;
        case 3:
            if (f.size() > kLongestFontName) {
                note.flood = true;
                return note;
            }
            r.editFont = f;
            break;
        case 4: r.editFontType = f; break;
        case 5: r.editBackColor = number(); break;
        case 6: r.editTextColor = number(); break;
        case 7: r.editFontSize = number(); break;
        case 8: r.editCharSet = charSet(); break;
        case 9:
            r.titleText = note.anonymous
                              ? "ANONYMOUS " + f
                              : note.identity + " " + TwoDigits(localHour) + ":" +
                                    TwoDigits(localMinute);
            break;
        case 10:
            if (!note.anonymous) {
                r.titleFont = "Arial Narrow";
            } else if (f.size() > kLongestFontName) {
                note.flood = true;
                return note;
            } else {
                r.titleFont = f;
            }
            break;
        case 11: r.titleFontType = note.anonymous ? f : "C"; break;
        case 12: r.titleBackColor = number(); break;
        case 13: r.titleTextColor = number(); break;
        case 14: r.titleFontSize = note.anonymous ? number() : 8; break;
        case 15: r.titleCharSet = charSet(); break;
        case 16: r.left = number(); break;
        case 17: r.top = number(); break;
        case 18: r.height = number(); break;
        case 19: r.width = number(); break;
        case 20: r.border = f; break;
        case 21: r.expiration = f; break;
        case 22: r.alarm = f; break;
        }
    }
    return note;
}
