#include "store/IniFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ini {
namespace {

// ---------------------------------------------------------------- text ----

constexpr std::string_view kCrlf = "\r\n";
constexpr std::size_t kMaxPath = 260;  // the ANSI file functions stop here

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Names handed in by callers lose plain spaces only: a TAB is part of them.
std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string_view TrimTrailingSpaces(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string_view Unquote(std::string_view v) {
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
const FoldTable kFold;

unsigned char Fold(char c) { return kFold.map[static_cast<unsigned char>(c)]; }

int FoldCompare(std::string_view a, std::string_view b) {
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

Line Classify(std::string_view text, std::string_view eol) {
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

bool KeyLess(const KeyRef& a, const KeyRef& b) {
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

// ------------------------------------------------------------ document ----

struct Stamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t mtime = 0;
    std::uint64_t id = 0;  // inode (POSIX) or creation time (Windows)

    bool operator==(const Stamp& o) const {
        return exists == o.exists && size == o.size && mtime == o.mtime && id == o.id;
    }
};

// A parsed file. Edits change it in place: replaced and added lines live in
// `arena`, untouched lines keep pointing into `text`, so serialising gives
// back every untouched byte. Never moved once parsed (the views would dangle).
struct Doc {
    std::string text;
    std::deque<std::string> arena;
    std::size_t arenaBytes = 0;
    std::vector<Section> sections;  // [0]: the lines before the first header
    std::unordered_map<std::string_view, std::uint32_t, FoldHash, FoldEq> index;  // first wins
    Stamp stamp;

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
};

// ------------------------------------------------------------- the disk ----

Stamp QueryStamp(const std::string& path);
bool MoveOver(const std::string& from, const std::string& to);
bool IsReadOnly(const std::string& path);
bool ProcessAlive(unsigned pid);

std::mutex g_mutex;
std::unordered_map<std::string, std::unique_ptr<Doc>> g_cache;
int g_failWrites = 0;
unsigned g_tempCounter = 0;
constexpr std::size_t kMaxCachedFiles = 16;

bool Usable(const std::string& path) { return !path.empty() && path.size() < kMaxPath; }

bool ReadWhole(const std::string& path, std::string& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[65536];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, got);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// The cached document of `path`, re-read when the file's stamp changed. A
// missing file is an empty document; nullptr means the file exists but could
// not be read (a write must then fail rather than replace it).
Doc* Load(const std::string& path) {
    const Stamp st = QueryStamp(path);
    auto it = g_cache.find(path);
    if (it != g_cache.end() && it->second->stamp == st) return it->second.get();
    if (it != g_cache.end()) g_cache.erase(it);

    auto doc = std::make_unique<Doc>();
    // Stamped before reading: a change during the read shows up next time.
    doc->stamp = st;
    if (st.exists && !ReadWhole(path, doc->text)) return nullptr;
    doc->Parse();
    if (g_cache.size() >= kMaxCachedFiles) g_cache.erase(g_cache.begin());
    return g_cache.emplace(path, std::move(doc)).first->second.get();
}

unsigned OwnPid() {
#ifdef _WIN32
    return static_cast<unsigned>(_getpid());
#else
    return static_cast<unsigned>(getpid());
#endif
}

// The folder of `path`, with its separator; empty for a bare name.
std::string FolderOf(const std::string& path) {
#ifdef _WIN32
    const std::size_t slash = path.find_last_of("\\/");
#else
    const std::size_t slash = path.rfind('/');
#endif
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string TempName(unsigned pid, unsigned n) {
    char name[64];
    std::snprintf(name, sizeof name, "~pw%x-%x.tmp", pid, n);
    return name;
}

std::string TempPathFor(const std::string& path) { return FolderOf(path) + TempName(OwnPid(), ++g_tempCounter); }

// A writer killed between writing its temporary file and renaming it leaves
// the file behind. Once per folder and process, those of writers that are
// gone are removed; a living writer's (Lanscout's, say) are left alone.
void RemoveAbandonedTemps(const std::string& path) {
    static std::set<std::string> cleaned;
    const std::string folder = FolderOf(path);
    if (!cleaned.insert(folder).second) return;
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        unsigned pid = 0, n = 0;
        if (name.rfind("~pw", 0) != 0 || std::sscanf(name.c_str(), "~pw%x-%x.tmp", &pid, &n) != 2 ||
            TempName(pid, n) != name || pid == OwnPid() || ProcessAlive(pid))
            continue;
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}

bool SyncFile(std::FILE* f) {
#ifdef _WIN32
    return _commit(_fileno(f)) == 0;
#else
    return fsync(fileno(f)) == 0;
#endif
}

void SyncDirOf(const std::string& path) {
#ifndef _WIN32
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = open(dir.c_str(), O_RDONLY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
#else
    (void)path;
#endif
}

// Writes `text` beside `path` and renames it over `path`: readers see the old
// file or the new one, never a part of either.
bool ReplaceContents(const std::string& path, const std::string& text, Stamp* stamp) {
    // Renaming over a read-only file works on POSIX and, from the root
    // account, everywhere: the user's read-only mark must still hold.
    if (IsReadOnly(path)) return false;
    RemoveAbandonedTemps(path);
    const std::string tmp = TempPathFor(path);
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
#ifndef _WIN32
    // Keep the permissions the user gave the file.
    struct stat old;
    if (ok && ::stat(path.c_str(), &old) == 0) ok = fchmod(fileno(f), old.st_mode & 07777) == 0;
#endif
    ok = ok && std::fflush(f) == 0 && SyncFile(f);
    ok = (std::fclose(f) == 0) && ok;
    if (ok && g_failWrites != 0) {
        if (g_failWrites > 0) --g_failWrites;
        ok = false;
    }
    ok = ok && MoveOver(tmp, path);
    if (!ok) {
        std::remove(tmp.c_str());
        return false;
    }
    SyncDirOf(path);
    *stamp = QueryStamp(path);
    return true;
}

// ---------------------------------------------------------------- edits ----

enum class Op { kWrite, kDeleteKey, kDeleteSection };

struct Change {
    Op op;
    std::string_view section, key, value;
};

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A write whose line would not read back under the same names is refused: a
// line break in a value would split it and could forge sections, a key with
// '=' or a leading ';' or '[' would become another key, a comment or a
// header, a section name with ']' would name another section.
bool WritableNames(std::string_view section, std::string_view key, std::string_view value) {
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

bool Apply(const std::string& path, std::vector<Change> edits, bool force = false) {
    if (!Usable(path)) return false;
    for (Change& e : edits) {
        e.section = TrimSpaces(e.section);
        e.key = TrimSpaces(e.key);
        if (e.op == Op::kWrite && !WritableNames(e.section, e.key, e.value)) return false;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    try {
        Doc* doc = Load(path);
        if (!doc) return false;
        bool changed = false;
        for (const Change& e : edits) {
            switch (e.op) {
                case Op::kWrite: changed |= doc->WriteKey(e.section, e.key, e.value); break;
                case Op::kDeleteKey: changed |= doc->DeleteKey(e.section, e.key); break;
                case Op::kDeleteSection: changed |= doc->DeleteSection(e.section); break;
            }
        }
        if (!changed && !force) return true;
        std::string text = doc->Serialize();
        Stamp stamp;
        if (!ReplaceContents(path, text, &stamp)) {
            g_cache.erase(path);  // the document holds edits the file does not
            return false;
        }
        if (doc->arenaBytes > 65536 + doc->text.size() / 2) {
            // Start afresh from the new text rather than keep every old line.
            auto fresh = std::make_unique<Doc>();
            fresh->text = std::move(text);
            fresh->Parse();
            doc = fresh.get();
            g_cache[path] = std::move(fresh);
        }
        doc->stamp = stamp;
        return true;
    } catch (const std::exception&) {
        g_cache.erase(path);
        return false;
    }
}

// The value as stored (trimmed, one pair of quotes removed), or false.
bool LookUp(const std::string& path, std::string_view section, std::string_view key,
            std::size_t maxChars, std::string* out) {
    if (!Usable(path)) return false;
    section = TrimSpaces(section);
    key = TrimSpaces(key);
    std::lock_guard<std::mutex> lock(g_mutex);
    Doc* doc = Load(path);
    if (!doc) return false;
    const Line* ln = doc->FindKeyLine(section, key);
    if (!ln) return false;
    // A caller of the system's reader gets a C string: a NUL byte in a
    // damaged file ends the value. Passing it on would give a value no write
    // can store again (a note imported from such a file could not be saved).
    std::string_view value = ln->value;
    value = value.substr(0, value.find('\0'));
    out->assign(Unquote(TrimBlanks(value)).substr(0, maxChars));
    return true;
}

std::uint32_t CopyList(const std::vector<std::string>& names, char* buffer, std::uint32_t size) {
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

}  // namespace

// ------------------------------------------------------------ interface ----

std::uint32_t GetProfileString(const std::string& path, const char* section, const char* key,
                               const char* def, char* buffer, std::uint32_t size) {
    if (!buffer || size == 0) return 0;
    if (!section) return CopyList(SectionNames(path), buffer, size);
    if (!key) return CopyList(KeyNames(path, section), buffer, size);
    const std::string v = Read(path, section, key, def ? def : "", size - 1);
    std::memcpy(buffer, v.data(), v.size());
    buffer[v.size()] = '\0';
    return static_cast<std::uint32_t>(v.size());
}

std::uint32_t GetProfileInt(const std::string& path, const char* section, const char* key, int def) {
    std::string v;
    if (!section || !key || !LookUp(path, section, key, kWhole, &v) || v.empty())
        return static_cast<std::uint32_t>(def);
    // Decimal with an optional sign, up to the first non-digit, wrapping
    // modulo 2^32 as the system's conversion does.
    std::size_t i = 0;
    while (i < v.size() && static_cast<unsigned char>(v[i]) <= ' ') ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    std::uint32_t n = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) n = n * 10u + static_cast<std::uint32_t>(v[i] - '0');
    return negative ? 0u - n : n;
}

bool WriteProfileString(const std::string& path, const char* section, const char* key,
                        const char* value) {
    if (!section) return !key && !value && Usable(path);  // all NULL: flush, nothing to do
    if (!key) return DeleteSection(path, section);
    if (!value) return DeleteKey(path, section, key);
    return Write(path, section, key, value);
}

std::string Read(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view def, std::size_t maxChars) {
    std::string v;
    if (LookUp(path, section, key, maxChars, &v)) return v;
    return std::string(TrimTrailingSpaces(def).substr(0, maxChars));
}

bool Write(const std::string& path, std::string_view section, std::string_view key,
           std::string_view value) {
    return Apply(path, {{Op::kWrite, section, key, value}});
}

bool WriteThrough(const std::string& path, std::string_view section, std::string_view key,
                  std::string_view value) {
    return Apply(path, {{Op::kWrite, section, key, value}}, true);
}

bool DeleteKey(const std::string& path, std::string_view section, std::string_view key) {
    return Apply(path, {{Op::kDeleteKey, section, key, {}}});
}

bool DeleteSection(const std::string& path, std::string_view section) {
    return Apply(path, {{Op::kDeleteSection, section, {}, {}}});
}

bool HasSection(const std::string& path, std::string_view section) {
    if (!Usable(path)) return false;
    section = TrimSpaces(section);
    std::lock_guard<std::mutex> lock(g_mutex);
    Doc* doc = Load(path);
    return doc && doc->Find(section) != nullptr;
}

std::vector<std::string> SectionNames(const std::string& path) {
    std::vector<std::string> names;
    if (!Usable(path)) return names;
    std::lock_guard<std::mutex> lock(g_mutex);
    Doc* doc = Load(path);
    if (!doc) return names;
    for (const Section& s : doc->sections)
        if (s.hasHeader && !s.dead) names.emplace_back(s.header.name);
    return names;
}

std::vector<std::string> KeyNames(const std::string& path, std::string_view section) {
    std::vector<std::string> names;
    if (!Usable(path)) return names;
    section = TrimSpaces(section);
    std::lock_guard<std::mutex> lock(g_mutex);
    Doc* doc = Load(path);
    const Section* s = doc ? doc->Find(section) : nullptr;
    if (!s) return names;
    for (const Line& ln : s->body)
        if (ln.kind == Kind::kKey) names.emplace_back(ln.name);
    return names;
}

Batch::Batch(std::string path) : path_(std::move(path)) {}

void Batch::Write(std::string_view section, std::string_view key, std::string_view value) {
    edits_.push_back({Edit::kWrite, std::string(section), std::string(key), std::string(value)});
}

void Batch::DeleteKey(std::string_view section, std::string_view key) {
    edits_.push_back({Edit::kDeleteKey, std::string(section), std::string(key), {}});
}

void Batch::DeleteSection(std::string_view section) {
    edits_.push_back({Edit::kDeleteSection, std::string(section), {}, {}});
}

bool Batch::Commit() {
    if (edits_.empty()) return true;
    std::vector<Change> ops;
    ops.reserve(edits_.size());
    for (const Edit& e : edits_) {
        const Op op = e.kind == Edit::kWrite       ? Op::kWrite
                      : e.kind == Edit::kDeleteKey ? Op::kDeleteKey
                                                   : Op::kDeleteSection;
        ops.push_back({op, e.section, e.key, e.value});
    }
    if (!Apply(path_, std::move(ops))) return false;
    edits_.clear();
    return true;
}

void FailNextWritesForTesting(int n) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_failWrites = n;
}

void ClearCache() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_cache.clear();
}

}  // namespace ini

// ------------------------------------------------------ platform stamps ----
// std::filesystem under mingw keeps whole seconds only, which would hide a
// rewrite within the same second; both systems give finer times directly.

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace ini {
namespace {

Stamp QueryStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) ||
        (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    Stamp s;
    s.exists = true;
    s.size = (static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    s.mtime = static_cast<std::int64_t>((static_cast<std::uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) |
                                        d.ftLastWriteTime.dwLowDateTime);
    s.id = (static_cast<std::uint64_t>(d.ftCreationTime.dwHighDateTime) << 32) | d.ftCreationTime.dwLowDateTime;
    return s;
}

// std::rename refuses an existing target on Windows. A virus scanner or an
// indexer holding the file briefly is worth a few retries.
bool MoveOver(const std::string& from, const std::string& to) {
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD e = GetLastError();
        if (attempt >= 3 || (e != ERROR_SHARING_VIOLATION && e != ERROR_LOCK_VIOLATION && e != ERROR_ACCESS_DENIED))
            return false;
        Sleep(20);
    }
}

bool ProcessAlive(unsigned pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

bool IsReadOnly(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

}  // namespace
}  // namespace ini

#else

namespace ini {
namespace {

Stamp QueryStamp(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    Stamp s;
    s.exists = true;
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.mtime = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.id = static_cast<std::uint64_t>(st.st_ino);
    return s;
}

bool MoveOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool ProcessAlive(unsigned pid) {
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// No write permission for anyone is what the Windows read-only attribute
// becomes on a Unix file system (and how Wine shows such a file).
bool IsReadOnly(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

}  // namespace
}  // namespace ini

#endif
