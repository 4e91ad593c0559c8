#include "store/IniFile.h"

#include "store/IniText.h"

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

using namespace text;

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


// A parsed file and the stamp of the file it was read from.
struct CachedDoc : text::Doc {
    Stamp stamp;
};

// ------------------------------------------------------------- the disk ----

Stamp QueryStamp(const std::string& path);
bool MoveOver(const std::string& from, const std::string& to);
bool IsReadOnly(const std::string& path);
bool ProcessAlive(unsigned pid);

std::mutex g_mutex;
std::unordered_map<std::string, std::unique_ptr<CachedDoc>> g_cache;
int g_failWrites = 0;
constexpr std::size_t kMaxPath = 260;  // the ANSI file functions stop here
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
CachedDoc* Load(const std::string& path) {
    const Stamp st = QueryStamp(path);
    auto it = g_cache.find(path);
    if (it != g_cache.end() && it->second->stamp == st) return it->second.get();
    if (it != g_cache.end()) g_cache.erase(it);

    auto doc = std::make_unique<CachedDoc>();
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


bool Apply(const std::string& path, std::vector<Change> edits, bool force = false) {
    if (!Usable(path)) return false;
    for (Change& e : edits)
        if (!Prepare(e)) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    try {
        CachedDoc* doc = Load(path);
        if (!doc) return false;
        bool changed = false;
        for (const Change& e : edits) changed |= doc->Apply(e);
        if (!changed && !force) return true;
        std::string text = doc->Serialize();
        Stamp stamp;
        if (!ReplaceContents(path, text, &stamp)) {
            g_cache.erase(path);  // the document holds edits the file does not
            return false;
        }
        if (doc->Bloated()) {
            // Start afresh from the new text rather than keep every old line.
            auto fresh = std::make_unique<CachedDoc>();
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

// What a read of a missing key gives.
std::string Fallback(std::string_view def, std::size_t maxChars) {
    return std::string(TrimTrailingSpaces(def).substr(0, maxChars));
}

// The value as stored (trimmed, one pair of quotes removed), or false.
bool LookUp(const std::string& path, std::string_view section, std::string_view key,
            std::size_t maxChars, std::string* out) {
    if (!Usable(path)) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    CachedDoc* doc = Load(path);
    return doc && doc->Value(section, key, maxChars, out);
}


}  // namespace

// ------------------------------------------------------------ interface ----

std::string Read(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view def, std::size_t maxChars) {
    std::string v;
    if (LookUp(path, section, key, maxChars, &v)) return v;
    return Fallback(def, maxChars);
}

SectionReader::SectionReader(const std::string& path, std::string_view section) {
    if (!Usable(path)) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    CachedDoc* doc = Load(path);
    const Section* s = doc ? doc->Find(TrimSpaces(section)) : nullptr;
    if (!s) return;
    keys_.reserve(s->keys.size());
    for (const KeyRef& k : s->keys)
        if (keys_.empty() || FoldCompare(keys_.back().first, k.name) != 0)
            keys_.emplace_back(k.name, text::Doc::StoredValue(s->body[k.line]));
}

std::string SectionReader::Read(std::string_view key, std::string_view def, std::size_t maxChars) const {
    key = TrimSpaces(key);
    auto it = std::lower_bound(keys_.begin(), keys_.end(), key,
                               [](const auto& k, std::string_view n) { return FoldCompare(k.first, n) < 0; });
    if (it != keys_.end() && FoldCompare(it->first, key) == 0) return it->second.substr(0, maxChars);
    return Fallback(def, maxChars);
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
    std::lock_guard<std::mutex> lock(g_mutex);
    CachedDoc* doc = Load(path);
    return doc && doc->HasSection(section);
}

std::vector<std::string> SectionNames(const std::string& path) {
    if (!Usable(path)) return {};
    std::lock_guard<std::mutex> lock(g_mutex);
    CachedDoc* doc = Load(path);
    return doc ? doc->SectionNames() : std::vector<std::string>();
}

std::vector<std::string> KeyNames(const std::string& path, std::string_view section) {
    if (!Usable(path)) return {};
    std::lock_guard<std::mutex> lock(g_mutex);
    CachedDoc* doc = Load(path);
    return doc ? doc->KeyNames(section) : std::vector<std::string>();
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
