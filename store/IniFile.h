// Our own reader and writer of INI files.
//
// It behaves like the Windows profile-string functions (names match without
// regard to case, values are trimmed and lose one pair of outer quotes, CR,
// LF and CRLF all end a line, new sections and keys go at the end) with these
// additions, which every caller relies on:
//   * one lock per process: the user, server and e-mail threads share files;
//   * a write replaces the file atomically (temporary file, flushed to the
//     disk, renamed over the old one), so a killed process, a power cut or a
//     full disk never leaves a half-written file, and a failed write returns
//     false and leaves the old file as it was;
//   * a read-only file is never replaced: writes to it fail, as the
//     system's own profile functions fail on it;
//   * lines a write does not touch stay byte-for-byte as they were;
//   * the parsed file is cached and re-read when its size or modification
//     time changes, so a file rewritten by someone else is seen at once;
//   * a write that could not be read back as written is refused (returns
//     false, file untouched): a line break or NUL in any argument, '=' in a
//     key, a key starting with ';' or '[', ']' in a section name, or a name
//     with a TAB or VT at either end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ini {

constexpr std::size_t kWhole = static_cast<std::size_t>(-1);

// The value of section/key as a profile read with a buffer of maxChars + 1
// characters would give it; kWhole reads the value whole.
std::string Read(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view def = {}, std::size_t maxChars = kWhole);

bool Write(const std::string& path, std::string_view section, std::string_view key,
           std::string_view value);
// Like Write, but the file is replaced even when it already holds the value,
// so that a true result proves the file can be written now. Write skips an
// unchanged value, which a read-only or locked file would pass.
bool WriteThrough(const std::string& path, std::string_view section, std::string_view key,
                  std::string_view value);
bool DeleteKey(const std::string& path, std::string_view section, std::string_view key);
bool DeleteSection(const std::string& path, std::string_view section);

// True when a section of that name exists (an empty one counts).
bool HasSection(const std::string& path, std::string_view section);

// Several keys of one section read with one look at the file: every value
// comes from the same version of it, and the file is checked for changes
// once rather than at every key (a note record is two dozen keys).
class SectionReader {
public:
    SectionReader(const std::string& path, std::string_view section);
    // What Read(path, section, key, def, maxChars) gave when this was made.
    std::string Read(std::string_view key, std::string_view def = {}, std::size_t maxChars = kWhole) const;

private:
    // The first of equal names in file order, sorted as the engine finds them.
    std::vector<std::pair<std::string, std::string>> keys_;
};

std::vector<std::string> SectionNames(const std::string& path);
std::vector<std::string> KeyNames(const std::string& path, std::string_view section);

// Several edits of one file applied as one replacement of the file. The
// resulting text is the same as that of the edits done one by one.
class Batch {
public:
    explicit Batch(std::string path);
    void Write(std::string_view section, std::string_view key, std::string_view value);
    void DeleteKey(std::string_view section, std::string_view key);
    void DeleteSection(std::string_view section);
    // Applies every edit in one file replacement. False when the file could
    // not be written; the file is then unchanged. An empty batch succeeds.
    bool Commit();

private:
    struct Edit {
        enum Kind { kWrite, kDeleteKey, kDeleteSection } kind;
        std::string section, key, value;
    };
    std::string path_;
    std::vector<Edit> edits_;
};

// Test seam: when set, the next n file replacements fail as a full disk
// would (negative = all of them). Lets tests reach the failure paths while
// running as root, where file permissions do not stop a write.
void FailNextWritesForTesting(int n);

// Drops every cached file (for benchmarks that want a cold read).
void ClearCache();

}  // namespace ini
