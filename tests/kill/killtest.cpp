// Kills a process again and again while it writes note records, and checks
// after every kill that Pinwell.ini is whole and holds every record whose
// write had returned.
//
//   killtest drive FOLDER KILLS [MAX_DELAY_MS [SEED]]
//       runs the writer below in FOLDER (which must not hold a Pinwell.ini
//       yet) KILLS times, each time killing it at a random moment up to
//       MAX_DELAY_MS after it began writing; prints the figures, exits 0
//       when every check held.
//   killtest write FOLDER FIRST_SEQUENCE
//       the writer: stores note records through the program's own record
//       path in a loop, and after each write that returned appends
//       "ID SEQUENCE" to FOLDER/returned.log, flushed before the next write.
//
// Record n goes to note n % 40 + 1, and every value of it follows from n, so
// any section read back can be checked field by field.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "base/Seams.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"

namespace fs = std::filesystem;

namespace {

constexpr int kNotes = 40;
constexpr char kReturnedLog[] = "returned.log";
constexpr char kReady[] = "ready";

int NoteIdOf(long long seq) { return static_cast<int>(seq % kNotes) + 1; }

NoteRecord RecordFor(long long seq) {
    NoteRecord r;
    const auto mix = static_cast<std::uint32_t>(seq * 2654435761ull);
    r.noteId = NoteIdOf(seq);
    r.editTextColor = static_cast<std::int32_t>(mix & 0xFFFFFF);
    r.editBackColor = static_cast<std::int32_t>((mix >> 4) & 0xFFFFFF);
    r.editFont = "Verdana";
    r.editFontType = seq % 3 ? "B" : "IU";
    // Bodies from a few hundred bytes to about 6 KB, so that the file is
    // large enough for a kill to land inside its replacement.
    std::string body = "{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\\f0\\fs16 record " + std::to_string(seq) + "\\par\n";
    const int lines = static_cast<int>(mix % 120);
    for (int i = 0; i < lines; ++i) body += "line " + std::to_string(i) + " of record " + std::to_string(seq) + "\\par\n";
    body += "}";
    r.editText = body;
    r.editFontSize = 8 + static_cast<int>(seq % 5);
    r.editCharSet = static_cast<std::uint8_t>(seq % 2 ? 0 : 238);
    r.titleTextColor = static_cast<std::int32_t>((mix >> 8) & 0xFFFFFF);
    r.titleBackColor = static_cast<std::int32_t>((mix >> 2) & 0xFFFFFF);
    r.titleFont = "Tahoma";
    r.titleFontType = std::string(1, 'C');
    r.titleText = "Record " + std::to_string(seq);
    r.titleFontSize = 8;
    r.top = static_cast<int>(seq % 700);
    r.left = static_cast<int>(seq % 1000) - 100;
    r.height = 100 + static_cast<int>(seq % 300);
    r.width = 120 + static_cast<int>(seq % 400);
    r.minimized = seq % 4 ? "No" : "Yes";
    r.border = seq % 5 ? "No" : "Yes";
    r.hidden = "No";
    r.expiration = seq % 6 ? "" : "01.02.2031 10:20";
    return r;
}

// ---------------------------------------------------------------- writer ----

int Write(const std::string& folder, long long seq) {
    SetDataFolder(folder);
    std::FILE* log = std::fopen((folder + "/" + kReturnedLog).c_str(), "ab");
    if (!log) return 2;
    std::fprintf(log, "%s\n", kReady);
    std::fflush(log);
    for (;; ++seq) {
        NoteRecord r = RecordFor(seq);
        if (!WriteNoteRecord("", r)) {
            std::fprintf(log, "failed %lld\n", seq);
            std::fflush(log);
            return 3;
        }
        std::fprintf(log, "%d %lld\n", r.noteId, seq);
        std::fflush(log);
    }
}

// ----------------------------------------------------------------- check ----

const char* const kKeyOrder[] = {"NoteID",    "EditBackColor", "EditTextColor", "EditFont",      "EditFontType",
                                 "EditFontSize", "EditCharSet", "EditText",     "TitleBackColor", "TitleTextColor",
                                 "TitleFont", "TitleFontType", "TitleFontSize", "TitleText",     "TitleCharSet",
                                 "Left",      "Top",           "Height",        "Width",         "Minimized",
                                 "Border",    "Hidden",        "Expiration",    "Alarm"};

struct Figures {
    long kills = 0;
    long killsInsideReplacement = 0;  // a temporary file was left behind
    long returnedWrites = 0;
    long recordsVerified = 0;
    long failures = 0;
};

struct State {
    std::map<int, long long> lastReturned;  // note id -> last sequence whose write returned
    long long nextSeq = 0;
};

void Fail(Figures& f, long kill, const std::string& what) {
    ++f.failures;
    std::printf("kill %ld: %s\n", kill, what.c_str());
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The file as text: CRLF lines, each a header or a key line, each note
// section its 24 keys in the record's order. Fills the sections found.
bool ParsesWhole(const std::string& text, std::vector<std::string>& sections, std::string& why) {
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) {
        why = "the file does not end with a whole line";
        return false;
    }
    std::size_t pos = 0, keyIndex = 0;
    std::string section;
    auto closeSection = [&]() {
        if (section.rfind("NOTE_ID_", 0) == 0 && keyIndex != 24) {
            why = "[" + section + "] has " + std::to_string(keyIndex) + " keys";
            return false;
        }
        return true;
    };
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        const std::string line = text.substr(pos, end - pos);
        pos = end + 2;
        if (line.find_first_of("\r\n") != std::string::npos) {
            why = "a stray line break";
            return false;
        }
        if (!line.empty() && line.front() == '[' && line.back() == ']') {
            if (!closeSection()) return false;
            section = line.substr(1, line.size() - 2);
            sections.push_back(section);
            keyIndex = 0;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (section.empty() || eq == std::string::npos) {
            why = "not a key line: '" + line.substr(0, 60) + "'";
            return false;
        }
        if (section.rfind("NOTE_ID_", 0) == 0) {
            if (keyIndex >= 24 || line.compare(0, eq, kKeyOrder[keyIndex]) != 0) {
                why = "[" + section + "] key " + std::to_string(keyIndex) + " is '" + line.substr(0, eq) + "'";
                return false;
            }
            ++keyIndex;
        }
    }
    return closeSection();
}

void Check(const fs::path& folder, long kill, unsigned pid, State& state, Figures& f) {
    // What the writer reported this time; a line cut by the kill is ignored
    // (that write counts as not returned).
    std::istringstream log(ReadFile(folder / kReturnedLog));
    std::string line;
    long returnedNow = 0;
    while (std::getline(log, line)) {
        if (line == kReady || log.eof()) continue;
        int id = 0;
        long long seq = 0;
        if (std::sscanf(line.c_str(), "%d %lld", &id, &seq) != 2) {
            Fail(f, kill, "the writer reported '" + line + "'");
            continue;
        }
        state.lastReturned[id] = std::max(state.lastReturned[id], seq);
        state.nextSeq = std::max(state.nextSeq, seq + 1);
        ++f.returnedWrites;
        ++returnedNow;
    }
    fs::remove(folder / kReturnedLog);

    // The killed writer's temporary file shows the kill struck inside a
    // replacement. Earlier writers' are gone once this one has written.
    char ownPrefix[32];
    std::snprintf(ownPrefix, sizeof ownPrefix, "~pw%x-", pid);
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name == "Pinwell.ini") continue;
        if (name.rfind(ownPrefix, 0) == 0)
            ++f.killsInsideReplacement;
        else if (name.rfind("~pw", 0) != 0 || returnedNow > 0)
            Fail(f, kill, "file " + name + " was left in the folder");
    }

    const fs::path ini = folder / "Pinwell.ini";
    if (!fs::exists(ini)) {
        if (!state.lastReturned.empty()) Fail(f, kill, "Pinwell.ini is gone");
        return;
    }
    std::vector<std::string> sections;
    std::string why;
    if (!ParsesWhole(ReadFile(ini), sections, why)) {
        Fail(f, kill, "Pinwell.ini is damaged: " + why);
        return;
    }
    ini::ClearCache();
    std::map<int, long long> stored;
    for (const std::string& s : sections) {
        const int id = std::atoi(s.c_str() + 8);
        NoteRecord r;
        if (s.rfind("NOTE_ID_", 0) != 0 || id < 1 || id > kNotes || !ReadNoteRecord(ini.string(), id, r)) {
            Fail(f, kill, "section [" + s + "] should not be there");
            continue;
        }
        const long long seq = std::atoll(r.titleText.c_str() + std::strlen("Record "));
        if (r.titleText.rfind("Record ", 0) != 0 || NoteIdOf(seq) != id || !(r == RecordFor(seq))) {
            Fail(f, kill, "[" + s + "] does not hold one whole record (title '" + r.titleText + "')");
            continue;
        }
        stored[id] = seq;
        state.nextSeq = std::max(state.nextSeq, seq + 1);
        ++f.recordsVerified;
    }
    for (const auto& [id, seq] : state.lastReturned) {
        const auto it = stored.find(id);
        if (it == stored.end() || it->second < seq)
            Fail(f, kill, "note " + std::to_string(id) + ": the write of record " + std::to_string(seq) +
                              " had returned, the file holds " +
                              (it == stored.end() ? std::string("nothing") : std::to_string(it->second)));
    }
}

// ----------------------------------------------------------------- drive ----

bool WaitReady(const fs::path& log, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        std::error_code ec;
        if (fs::file_size(log, ec) >= sizeof kReady && !ec) return true;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return false;
}

// Starts the writer, kills it `delayMs` after it is ready, and waits until
// it is gone. False when it could not be started or never became ready.
bool RunAndKill(const std::string& self, const fs::path& folder, long long seq, int delayMs, unsigned& pid) {
    const fs::path log = folder / kReturnedLog;
#ifdef _WIN32
    std::string cmd = "\"" + self + "\" write \"" + folder.string() + "\" " + std::to_string(seq);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    pid = pi.dwProcessId;
    const bool ready = WaitReady(log, 60000);
    if (ready) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
#else
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        const std::string seqText = std::to_string(seq), dir = folder.string();
        execl(self.c_str(), self.c_str(), "write", dir.c_str(), seqText.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const bool ready = WaitReady(log, 60000);
    if (ready) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    pid = static_cast<unsigned>(child);
#endif
    return ready;
}

std::string SelfPath(const char* argv0) {
#ifdef _WIN32
    char path[MAX_PATH];
    if (GetModuleFileNameA(nullptr, path, MAX_PATH)) return path;
    return argv0;
#else
    std::error_code ec;
    const fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(argv0) : p.string();
#endif
}

// The files a run leaves in its folder.
bool OwnFile(const fs::path& p) {
    const std::string name = p.filename().string();
    return name == "Pinwell.ini" || name == kReturnedLog || name.rfind("~pw", 0) == 0;
}

void ClearFolder(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (OwnFile(entry.path())) fs::remove(entry.path());
}

int Drive(const std::string& self, const fs::path& folder, long kills, int maxDelayMs, unsigned seed) {
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!OwnFile(entry.path())) {
            std::printf("%s holds files of its own; give an empty folder\n", folder.string().c_str());
            return 2;
        }
    }
    ClearFolder(folder);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, maxDelayMs);
    State state;
    Figures f;
    const auto started = std::chrono::steady_clock::now();
    for (long k = 1; k <= kills; ++k) {
        unsigned pid = 0;
        if (!RunAndKill(self, folder, state.nextSeq, delay(random), pid)) {
            Fail(f, k, "the writer did not start");
            break;
        }
        ++f.kills;
        Check(folder, k, pid, state, f);
        if (f.failures > 20) break;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf(
        "kills %ld (inside a file replacement %ld), returned writes %ld, records verified %ld, failures %ld, "
        "%.0f s\n",
        f.kills, f.killsInsideReplacement, f.returnedWrites, f.recordsVerified, f.failures, seconds);
    const bool passed = f.failures == 0 && f.kills == kills && f.returnedWrites > 0;
    if (passed) ClearFolder(folder);  // a failed run's files stay to be looked at
    return passed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && argc == 4) return Write(argv[2], std::atoll(argv[3]));
    if (mode == "drive" && argc >= 4 && argc <= 6) {
        const int maxDelay = argc > 4 ? std::atoi(argv[4]) : 50;
        const unsigned seed = argc > 5 ? static_cast<unsigned>(std::strtoul(argv[5], nullptr, 10))
                                       : std::random_device{}();
        std::printf("seed %u, at most %d ms after the writer is ready\n", seed, maxDelay);
        return Drive(SelfPath(argv[0]), fs::absolute(argv[2]), std::atol(argv[3]), maxDelay, seed);
    }
    std::fprintf(stderr, "usage: killtest drive FOLDER KILLS [MAX_DELAY_MS [SEED]] | write FOLDER FIRST_SEQUENCE\n");
    return 2;
}
