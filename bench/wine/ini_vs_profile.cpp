// Times ini::Read against GetPrivateProfileStringA on the same 60 KB main
// data file: one key read many times, and the start-up probe of 15000
// absent note sections. Prints per-call times and the ratio.
#include "bench/common/sample_ini.h"
#include "store/IniFile.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MicrosPerCall(Clock::time_point start, Clock::time_point end, int calls) {
    return std::chrono::duration<double, std::micro>(end - start).count() / calls;
}

double Millis(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int profileReads = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int ourReads = profileReads * 20;

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "pinwell-ini-vs-profile.ini";
    int notes = 0;
    const std::string text = bench::MakeSampleIni(60 * 1024, &notes);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    std::fclose(f);
    const std::string section = bench::NoteSection(notes / 2);
    std::printf("file: %s, %zu bytes, %d notes, key %s/Top\n", path.c_str(), text.size(), notes, section.c_str());

    char buffer[256];
    GetPrivateProfileStringA(section.c_str(), "Top", "", buffer, sizeof buffer, path.c_str());  // warm
    const std::string expected = buffer;
    auto t0 = Clock::now();
    for (int i = 0; i < profileReads; ++i)
        GetPrivateProfileStringA(section.c_str(), "Top", "", buffer, sizeof buffer, path.c_str());
    auto t1 = Clock::now();
    const double profileUs = MicrosPerCall(t0, t1, profileReads);

    std::string ours = ini::Read(path, section, "Top");  // warm the cache
    if (ours != expected) {
        std::fprintf(stderr, "results differ: profile \"%s\", ours \"%s\"\n", expected.c_str(), ours.c_str());
        return 1;
    }
    t0 = Clock::now();
    for (int i = 0; i < ourReads; ++i) ours = ini::Read(path, section, "Top");
    t1 = Clock::now();
    const double oursUs = MicrosPerCall(t0, t1, ourReads);

    std::printf("one key read:  GetPrivateProfileStringA %9.2f us/call (%d calls)\n", profileUs, profileReads);
    std::printf("               ini::Read                %9.2f us/call (%d calls)\n", oursUs, ourReads);
    std::printf("               ratio                    %9.1f x\n", profileUs / oursUs);

    std::vector<std::string> absent;
    for (int n = 0; n < 15000; ++n) absent.push_back(bench::NoteSection(notes + 1 + n));
    t0 = Clock::now();
    for (const std::string& s : absent)
        GetPrivateProfileStringA(s.c_str(), "NoteID", "", buffer, sizeof buffer, path.c_str());
    t1 = Clock::now();
    std::size_t found = 0;
    auto t2 = Clock::now();
    for (const std::string& s : absent) found += ini::Read(path, s, "NoteID").size();
    auto t3 = Clock::now();
    std::printf("15000 absent sections: GetPrivateProfileStringA %9.1f ms, ini::Read %7.1f ms, ratio %.1f x\n",
                Millis(t0, t1), Millis(t2, t3), Millis(t0, t1) / Millis(t2, t3));

    DeleteFileA(path.c_str());
    return found == 0 ? 0 : 1;
}
