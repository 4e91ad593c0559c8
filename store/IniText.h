// The text of an INI file: parsed from bytes, read, edited in place and
// written back out. IniFile.cpp keeps one of these per cached file and adds
// the disk, the lock and the freshness check; nothing here touches a file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ini::text {

// ---------------------------------------------------------------- text ----

constexpr std::string_view kCrlf = "\r\n";

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

inline std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Names handed in by callers lose plain spaces only: a TAB is part of them.
inline std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

inline std::string_view TrimTrailingSpaces(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

inline std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Names match without regard to case in the ANSI code page (1252): ASCII
// letters plus the accented Latin letters and the few pairs in 0x80-0x9F.
struct FoldTable {
    unsigned char map[256];
    FoldTable() {
        for (int c = 0; c < 256; ++c) map[c] = static_cast<unsigned char>(c);
        for (int c = 'A'; c <= 'Z'; ++c) map[c] = static_cast<unsigned char>(c + 32);
        for (int c = 0xC0; c <= 0xDE; ++c)
            if (c != 0xD7) map[c] = static_cast<unsigned char>(c + 32);
        map[0x8A] = 0x9A;
        map[0x8C] = 0x9C;
        map[0x8E] = 0x9E;
        map[0x9F] = 0xFF;
    }
};
inline const FoldTable kFold;

inline unsigned char Fold(char c) { return kFold.map[static_cast<unsigned char>(c)]; }

inline int FoldCompare(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = Fold(a[i]), y = Fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

struct FoldHash {
    std::size_t operator()(std::string_view s) const noexcept {
        std::uint64_t h = 14695981039346656037ull;
        for (char c : s) h = (h ^ Fold(c)) * 1099511628211ull;
        return static_cast<std::size_t>(h);
    }
};

struct FoldEq {
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        return a.size() == b.size() && FoldCompare(a, b) == 0;
    }
};

// --------------------------------------------------------------- lines ----

enum class Kind : unsigned char { kOther, kComment, kHeader, kKey };

// One line of the file. The views point into the document's own storage.
struct Line {
    std::string_view text;   // without the line end
    std::string_view eol;    // "", "\r", "\n" or "\r\n", exactly as found
    std::string_view name;   // header or key name, blanks trimmed
    std::string_view value;  // key lines: everything after the first '='
    Kind kind = Kind::kOther;
};

inline Line Classify(std::string_view text, std::string_view eol) {
    Line ln;
    ln.text = text;
    ln.eol = eol;
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) return ln;
    if (text[i] == ';') {
        ln.kind = Kind::kComment;
        return ln;
    }
    if (text[i] == '[') {
        // The name ends at the first ']'; a header without one still counts.
        std::string_view rest = text.substr(i + 1);
        ln.name = TrimBlanks(rest.substr(0, rest.find(']')));
        ln.kind = Kind::kHeader;
        return ln;
    }
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) return ln;
    ln.name = TrimBlanks(text.substr(0, eq));
    ln.value = text.substr(eq + 1);
    ln.kind = Kind::kKey;
    return ln;
}

struct KeyRef {
    std::string_view name;
    std::uint32_t line;  // index into Section::body
};

inline bool KeyLess(const KeyRef& a, const KeyRef& b) {
    const int c = FoldCompare(a.name, b.name);
    return c < 0 || (c == 0 && a.line < b.line);
}

struct Section {
    bool hasHeader = false;  // false only for the lines before the first header
    bool dead = false;       // deleted; its surviving lines moved to the section before
    Line header;
    std::vector<Line> body;
    std::vector<KeyRef> keys;  // sorted by name, equal names in file order
    long lastKey = -1;         // body index of the last key line

    void Reindex() {
        keys.clear();
        lastKey = -1;
        for (std::uint32_t i = 0; i < body.size(); ++i) {
            if (body[i].kind != Kind::kKey) continue;
            keys.push_back({body[i].name, i});
            lastKey = static_cast<long>(i);
        }
        std::sort(keys.begin(), keys.end(), KeyLess);
    }

    long FindKey(std::string_view name) const {
        auto it = std::lower_bound(keys.begin(), keys.end(), name,
                                   [](const KeyRef& k, std::string_view n) {
                                       return FoldCompare(k.name, n) < 0;
                                   });
        if (it != keys.end() && FoldCompare(it->name, name) == 0) return static_cast<long>(it->line);
        return -1;
    }

    Line* LastLine() {
        if (!body.empty()) return &body.back();
        return hasHeader ? &header : nullptr;
    }
};


enum class Op { kWrite, kDeleteKey, kDeleteSection };

struct Change {
    Op op;
    std::string_view section, key, value;
};

// ------------------------------------------------------------ document ----

// A parsed file. Edits change it in place: replaced and added lines live in
// `arena`, untouched lines keep pointing into `text`, so serialising gives
// back every untouched byte. Never moved once parsed (the views would dangle).
struct Doc {
    std::string text;
    std::deque<std::string> arena;
    std::size_t arenaBytes = 0;
    std::vector<Section> sections;  // [0]: the lines before the first header
    std::unordered_map<std::string_view, std::uint32_t, FoldHash, FoldEq> index;  // first wins

    Doc() = default;
    Doc(const Doc&) = delete;
    Doc& operator=(const Doc&) = delete;

    void Parse() {
        sections.clear();
        index.clear();
        sections.emplace_back();
        const std::string_view all = text;
        std::size_t i = 0;
        while (i < all.size()) {
            std::size_t j = i;
            while (j < all.size() && all[j] != '\r' && all[j] != '\n') ++j;
            std::size_t e = j;
            if (j < all.size()) e = (all[j] == '\r' && j + 1 < all.size() && all[j + 1] == '\n') ? j + 2 : j + 1;
            Line ln = Classify(all.substr(i, j - i), all.substr(j, e - j));
            if (ln.kind == Kind::kHeader) {
                Section s;
                s.hasHeader = true;
                s.header = ln;
                sections.push_back(std::move(s));
                index.emplace(ln.name, static_cast<std::uint32_t>(sections.size() - 1));
            } else {
                sections.back().body.push_back(ln);
            }
            i = e;
        }
        for (Section& s : sections) s.Reindex();
    }

    std::string_view Keep(std::string s) {
        arenaBytes += s.size();
        arena.push_back(std::move(s));
        return arena.back();
    }

    Section* Find(std::string_view name) {
        auto it = index.find(name);
        return it == index.end() ? nullptr : &sections[it->second];
    }

    const Line* FindKeyLine(std::string_view section, std::string_view key) {
        const Section* s = Find(section);
        if (!s) return nullptr;
        const long k = s->FindKey(key);
        return k < 0 ? nullptr : &s->body[static_cast<std::size_t>(k)];
    }

    Line* LastLine() {
        for (auto it = sections.rbegin(); it != sections.rend(); ++it)
            if (!it->dead)
                if (Line* ln = it->LastLine()) return ln;
        return nullptr;
    }

    // A CR-only line end followed by an empty LF-only line reads as one CRLF
    // line end once the line between them is gone; fold them the same way so
    // later edits in the same batch see what a fresh read would see.
    static bool Joins(const Line* prev, const Line& next) {
        return prev && prev->eol == "\r" && next.text.empty() && next.eol == "\n";
    }

    bool WriteKey(std::string_view section, std::string_view key, std::string_view value) {
        bool changed = false;
        Section* s = Find(section);
        if (!s) {
            if (Line* last = LastLine(); last && last->eol.empty()) last->eol = kCrlf;
            Section fresh;
            fresh.hasHeader = true;
            std::string h;
            h.reserve(section.size() + 2);
            h.append("[").append(section).append("]");
            fresh.header = Classify(Keep(std::move(h)), kCrlf);
            sections.push_back(std::move(fresh));
            index.emplace(sections.back().header.name, static_cast<std::uint32_t>(sections.size() - 1));
            s = &sections.back();
            changed = true;
        }
        const long k = s->FindKey(key);
        if (k >= 0) {
            Line& ln = s->body[static_cast<std::size_t>(k)];
            std::string t;
            t.reserve(ln.name.size() + 1 + value.size());
            t.append(ln.name).append("=").append(value);
            if (ln.text == t && ln.eol == kCrlf) return changed;
            ln = Classify(Keep(std::move(t)), kCrlf);
            return true;
        }
        // A new key goes after the last key line, ahead of trailing comments.
        Line* prev = s->lastKey >= 0 ? &s->body[static_cast<std::size_t>(s->lastKey)] : &s->header;
        if (prev->eol.empty()) prev->eol = kCrlf;
        std::string t;
        t.reserve(key.size() + 1 + value.size());
        t.append(key).append("=").append(value);
        const auto pos = static_cast<std::uint32_t>(s->lastKey + 1);
        s->body.insert(s->body.begin() + pos, Classify(Keep(std::move(t)), kCrlf));
        s->lastKey = static_cast<long>(pos);
        const KeyRef ref{s->body[pos].name, pos};
        s->keys.insert(std::upper_bound(s->keys.begin(), s->keys.end(), ref, KeyLess), ref);
        return true;
    }

    bool DeleteKey(std::string_view section, std::string_view key) {
        Section* s = Find(section);
        if (!s) return false;
        const long k = s->FindKey(key);
        if (k < 0) return false;
        const auto at = static_cast<std::size_t>(k);
        s->body.erase(s->body.begin() + static_cast<std::ptrdiff_t>(at));
        Line* prev = at > 0 ? &s->body[at - 1] : &s->header;
        if (at < s->body.size() && Joins(prev, s->body[at])) {
            prev->eol = kCrlf;
            s->body.erase(s->body.begin() + static_cast<std::ptrdiff_t>(at));
        }
        s->Reindex();
        return true;
    }

    // Removes the header and the key lines; comments and other lines stay
    // where they are, which makes them part of the section before.
    bool DeleteSection(std::string_view section) {
        auto it = index.find(section);
        if (it == index.end()) return false;
        const std::uint32_t si = it->second;
        index.erase(it);
        std::uint32_t pi = si - 1;  // sections[0] never has a header, so si >= 1
        while (sections[pi].dead) --pi;
        Section& gone = sections[si];
        Section& before = sections[pi];
        for (const Line& ln : gone.body) {
            if (ln.kind == Kind::kKey) continue;
            Line* last = before.LastLine();
            if (Joins(last, ln))
                last->eol = kCrlf;
            else
                before.body.push_back(ln);
        }
        gone.dead = true;
        gone.body.clear();
        gone.keys.clear();
        gone.lastKey = -1;
        for (std::uint32_t j = si + 1; j < sections.size(); ++j) {
            if (!sections[j].dead && FoldEq()(sections[j].header.name, section)) {
                index.emplace(sections[j].header.name, j);
                break;
            }
        }
        return true;
    }

    std::string Serialize() const {
        std::size_t n = 0;
        for (const Section& s : sections) {
            if (s.dead) continue;
            if (s.hasHeader) n += s.header.text.size() + s.header.eol.size();
            for (const Line& ln : s.body) n += ln.text.size() + ln.eol.size();
        }
        std::string out;
        out.reserve(n);
        for (const Section& s : sections) {
            if (s.dead) continue;
            if (s.hasHeader) out.append(s.header.text).append(s.header.eol);
            for (const Line& ln : s.body) out.append(ln.text).append(ln.eol);
        }
        return out;
    }

    // A key line's value as a reader gets it: trimmed, one pair of quotes removed.
    static std::string_view StoredValue(const Line& ln) {
        // A caller of the system's reader gets a C string: a NUL byte in a
        // damaged file ends the value. Passing it on would give a value no write
        // can store again (a note imported from such a file could not be saved).
        std::string_view value = ln.value;
        value = value.substr(0, value.find('\0'));
        return Unquote(TrimBlanks(value));
    }

    bool Value(std::string_view section, std::string_view key, std::size_t maxChars, std::string* out) {
        const Line* ln = FindKeyLine(TrimSpaces(section), TrimSpaces(key));
        if (!ln) return false;
        out->assign(StoredValue(*ln).substr(0, maxChars));
        return true;
    }

    bool HasSection(std::string_view section) { return Find(TrimSpaces(section)) != nullptr; }

    std::vector<std::string> SectionNames() const {
        std::vector<std::string> names;
        for (const Section& s : sections)
            if (s.hasHeader && !s.dead) names.emplace_back(s.header.name);
        return names;
    }

    std::vector<std::string> KeyNames(std::string_view section) {
        std::vector<std::string> names;
        const Section* s = Find(TrimSpaces(section));
        if (!s) return names;
        for (const Line& ln : s->body)
            if (ln.kind == Kind::kKey) names.emplace_back(ln.name);
        return names;
    }

    // True when the edit changed the text.
    bool Apply(const Change& e) {
        switch (e.op) {
            case Op::kWrite: return WriteKey(e.section, e.key, e.value);
            case Op::kDeleteKey: return DeleteKey(e.section, e.key);
            case Op::kDeleteSection: return DeleteSection(e.section);
        }
        return false;
    }

    // Edits keep every old line alive in the arena; past this a fresh parse
    // of the new text is cheaper to keep.
    bool Bloated() const { return arenaBytes > 65536 + text.size() / 2; }

};

// ---------------------------------------------------------------- edits ----


inline bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A write whose line would not read back under the same names is refused: a
// line break in a value would split it and could forge sections, a key with
// '=' or a leading ';' or '[' would become another key, a comment or a
// header, a section name with ']' would name another section.
inline bool WritableNames(std::string_view section, std::string_view key, std::string_view value) {
    if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value)) return false;
    std::string h = "[";
    h.append(section).append("]");
    const Line hl = Classify(h, {});
    if (hl.kind != Kind::kHeader || hl.name != section) return false;
    std::string k(key);
    k += '=';
    const Line kl = Classify(k, {});
    return kl.kind == Kind::kKey && kl.name == key;
}

// Trims the names as every caller's names are trimmed; false for a write
// that must be refused.
inline bool Prepare(Change& e) {
    e.section = TrimSpaces(e.section);
    e.key = TrimSpaces(e.key);
    return e.op != Op::kWrite || WritableNames(e.section, e.key, e.value);
}

// The name lists of the profile call: each name NUL-terminated, one more NUL
// at the end, cut to fit the buffer as the system cuts them.
inline std::uint32_t CopyList(const std::vector<std::string>& names, char* buffer, std::uint32_t size) {
    std::string all;
    for (const std::string& n : names) all.append(n).push_back('\0');
    if (all.empty()) {
        buffer[0] = '\0';
        return 0;
    }
    if (size >= all.size() + 2) {
        std::memcpy(buffer, all.data(), all.size());
        buffer[all.size()] = '\0';
        return static_cast<std::uint32_t>(all.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, all.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

}  // namespace ini::text
