#include "note/RtfFilter.h"

#include <algorithm>

#include "note/NoteGeometry.h"
#include "store/NoteRecord.h"

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Destinations whose whole remaining group goes: they hold what a note cannot
// show or instructions the control would act on.
bool DropsGroup(std::string_view word) {
    return word == "pict" || word == "object" || word == "objdata" || word == "fldinst";
}

// Words that go alone: a field keeps the text it shows as ordinary text.
bool DropsWord(std::string_view word) { return word == "field" || word == "fldrslt"; }

// Groups that hold no text of the body: tables, document information, list
// numbering and the like. Every "\*" group is one too.
bool IsDestination(std::string_view word) {
    static constexpr std::string_view kWords[] = {
        "fonttbl", "colortbl", "stylesheet", "info", "listtable", "listoverridetable", "revtbl", "rsidtbl",
        "filetbl", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf",
        "footnote", "pntext", "pntxta", "pntxtb", "listtext", "xe", "tc", "annotation", "shp", "shpinst",
        "nonshppict", "author", "operator", "title", "subject", "keywords", "comment", "doccomm"};
    return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

bool EndsParagraph(std::string_view word) {
    return word == "par" || word == "sect" || word == "page" || word == "row" || word == "cell";
}

struct Token {
    std::size_t length = 0;   // bytes of the input, delimiter included
    std::string_view word;    // a control word's letters, empty otherwise
    long long parameter = 0;  // a control word's number, saturated
    bool control = false;     // starts with a backslash
    bool junk = false;        // a "\'" without two hex digits: readers differ on it
};

// The token at the start of `in`; length 0 when the input ends inside it.
Token NextToken(std::string_view in) {
    Token t;
    if (in[0] != '\\') {
        t.length = 1;
        return t;
    }
    t.control = true;
    if (in.size() < 2) return t;
    if (!IsLetter(in[1])) {
        // "\'hh" is a character by its code; other symbols are two bytes.
        // A reader that took a brace as one of the digits would count groups
        // differently from this filter, so a malformed one goes.
        t.length = 2;
        if (in[1] == '\'') {
            if (in.size() < 4) {
                t.length = 0;
            } else if (IsHex(in[2]) && IsHex(in[3])) {
                t.length = 4;
            } else {
                t.junk = true;
            }
        }
        return t;
    }
    std::size_t i = 1;
    while (i < in.size() && IsLetter(in[i])) ++i;
    t.word = in.substr(1, i - 1);
    bool negative = false;
    if (i < in.size() && in[i] == '-') {
        negative = true;
        ++i;
    }
    while (i < in.size() && IsDigit(in[i])) {
        t.parameter = std::min(t.parameter * 10 + (in[i] - '0'), 1LL << 40);
        ++i;
    }
    if (negative) t.parameter = -t.parameter;
    if (i < in.size() && in[i] == ' ') ++i;
    t.length = i;
    return t;
}

}  // namespace

std::string FilterOutsideRtf(std::string_view in, std::size_t limit) {
    if (in.substr(0, 5) != "{\\rtf") return std::string(in);
    std::string out;
    out.reserve(std::min(in.size(), limit));
    int depth = 0;             // groups open in the input
    int dropUntil = 0;         // > 0: inside a dropped part, which ends when depth falls below it
    bool starPending = false;  // "\*" read, held back until the word after it is known
    // Groups whose opening brace went out: none opens in a dropped part or
    // past the cap.
    auto shown = [&] { return std::min(dropUntil ? dropUntil : depth, kMaxRtfGroupDepth); };
    // Whether `bytes` more still leave room to close every open group.
    auto fits = [&](std::size_t bytes) { return out.size() + bytes + shown() <= limit; };
    // The control lays a paragraph out again for every line it wraps, so one
    // of tens of thousands of characters freezes the program for minutes: a
    // long paragraph is broken at a blank past kSoftParagraph characters, or
    // anywhere past kHardParagraph.
    int destinationFrom = 0;     // > 0: inside a group of no body text, opened at this depth
    bool groupOpened = false;    // the last token opened a group
    std::size_t paragraph = 0;   // body characters since the last paragraph ended
    bool gap = false;       // something was left out since the last token that went out
    bool openWord = false;  // that token is a control word its delimiter did not end
    // Puts a token out after the "\*" held for it. A blank goes first where a
    // part left out would otherwise join a control word to what follows:
    // "\pi" and "ct" around dropped bytes must not become "\pict".
    auto put = [&](std::string_view token) {
        const bool blank = gap && openWord;
        const std::size_t star = starPending ? 2 : 0;
        if (!fits(token.size() + star + (blank ? 1 : 0))) return false;
        if (blank) out += ' ';
        if (starPending) out += "\\*";
        out += token;
        starPending = gap = openWord = false;
        return true;
    };

    std::size_t pos = 0;
    while (pos < in.size()) {
        const Token t = NextToken(in.substr(pos));
        if (t.length == 0) break;  // cut inside a control word
        const std::string_view text = in.substr(pos, t.length);
        pos += t.length;
        if (t.word == "bin") {
            // Binary bytes may hold anything, braces too: skipped unread.
            const std::size_t n = static_cast<std::size_t>(std::clamp<long long>(t.parameter, 0, 1LL << 40));
            pos += std::min(n, in.size() - pos);
            gap = true;
            continue;
        }
        const char c = text[0];
        const bool opensGroup = groupOpened;
        groupOpened = false;
        if (!t.control && c == '{') {
            groupOpened = true;
            ++depth;
            if (dropUntil) continue;
            if (depth > kMaxRtfGroupDepth) {  // flattened
                if (starPending && !put({})) break;
                gap = true;
            } else if (!put("{")) {  // its closing brace is already counted in
                --depth;
                break;
            }
            continue;
        }
        if (!t.control && c == '}') {
            if (destinationFrom && depth == destinationFrom) destinationFrom = 0;
            if (dropUntil && depth == dropUntil) dropUntil = 0;
            if (dropUntil) {
                --depth;
                continue;
            }
            if (starPending && !put({})) starPending = false;
            if (depth <= kMaxRtfGroupDepth) {
                out += '}';
                openWord = false;
            } else {
                gap = true;
            }
            if (--depth == 0) break;  // the document ends with its outer group
            continue;
        }
        if (dropUntil) continue;
        if (opensGroup && !destinationFrom && (text == "\\*" || IsDestination(t.word))) destinationFrom = depth;
        if (t.control && text == "\\*") {
            if (starPending && !put({})) break;
            starPending = true;
            continue;
        }
        // A field keeps the text it shows; the rest of the group goes after
        // the other destinations. A NUL has no place in rich text.
        if (t.junk || c == '\0' || DropsWord(t.word) || DropsGroup(t.word)) {
            if (DropsGroup(t.word)) dropUntil = depth;
            starPending = false;
            gap = true;
            continue;
        }
        if (EndsParagraph(t.word)) {
            paragraph = 0;
        } else if (!destinationFrom && (!t.control || t.word.empty() || t.word == "u" || t.word == "tab") &&
                   c != '\r' && c != '\n') {
            ++paragraph;
            if ((paragraph > kSoftParagraph && c == ' ') || paragraph > kHardParagraph) {
                if (!put("\\par ")) break;
                paragraph = 0;
                if (c == ' ') continue;  // the break stands for the blank
                paragraph = 1;
            }
        }
        if (!put(text)) break;
        openWord = !t.word.empty() && text.back() != ' ';
    }
    out.append(static_cast<std::size_t>(shown()), '}');
    return out;
}

void MakeOutsideNoteSafe(NoteRecord& r, int screenWidth, int screenHeight) {
    r.editText = FilterOutsideRtf(r.editText);
    r.width = std::clamp(r.width, kMinNoteWidth, std::max(kMinNoteWidth, screenWidth));
    r.height = std::clamp(r.height, kMinNoteHeight, std::max(kMinNoteHeight, screenHeight));
    r.editFontSize = std::clamp(r.editFontSize, kMinFontPoints, kMaxFontPoints);
    r.titleFontSize = std::clamp(r.titleFontSize, kMinFontPoints, kMaxFontPoints);
    if (r.titleText.size() > kStoredTitleLimit) r.titleText.resize(kStoredTitleLimit);
    for (std::string* type : {&r.editFontType, &r.titleFontType})
        if (type->size() > kStoredFontTypeLimit) type->resize(kStoredFontTypeLimit);
}
