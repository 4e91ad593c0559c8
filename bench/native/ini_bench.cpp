// Costs of the INI engine on a main data file of realistic size.
#include "bench/common/sample_ini.h"
#include "store/IniFile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// One sample file for the whole run, removed at exit.
struct SampleFile {
    std::string path;
    int notes = 0;
    SampleFile() {
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        const fs::path dir = fs::temp_directory_path() / ("pinwell-ini-bench-" + std::to_string(tick));
        fs::create_directories(dir);
        path = (dir / "Pinwell.ini").string();
        const std::string text = bench::MakeSampleIni(60 * 1024, &notes);
        std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    ~SampleFile() {
        std::error_code ec;
        fs::remove_all(fs::path(path).parent_path(), ec);
    }
};

SampleFile& Sample() {
    static SampleFile file;
    return file;
}

void BM_ReadKey(benchmark::State& state) {
    const SampleFile& f = Sample();
    const std::string section = bench::NoteSection(f.notes / 2);
    for (auto _ : state) benchmark::DoNotOptimize(ini::Read(f.path, section, "Top"));
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(f.path));
}
BENCHMARK(BM_ReadKey);

void BM_ReadRecord(benchmark::State& state) {
    const SampleFile& f = Sample();
    const std::string section = bench::NoteSection(f.notes / 2);
    for (auto _ : state)
        for (const char* key : bench::kRecordKeys) benchmark::DoNotOptimize(ini::Read(f.path, section, key));
}
BENCHMARK(BM_ReadRecord);

void BM_WriteRecordBatch(benchmark::State& state) {
    const SampleFile& f = Sample();
    const int id = f.notes / 3;
    int variant = 0;
    for (auto _ : state) {
        ini::Batch batch(f.path);
        for (const auto& kv : bench::NoteRecord(id, ++variant)) batch.Write(bench::NoteSection(id), kv.first, kv.second);
        if (!batch.Commit()) state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WriteRecordBatch)->Unit(benchmark::kMicrosecond);

// The start-up clean-up probes every identifier up to 5000 and beyond.
void BM_Probe15000AbsentSections(benchmark::State& state) {
    const SampleFile& f = Sample();
    std::vector<std::string> sections;
    for (int n = 0; n < 15000; ++n) sections.push_back(bench::NoteSection(f.notes + 1 + n));
    for (auto _ : state)
        for (const std::string& s : sections) benchmark::DoNotOptimize(ini::Read(f.path, s, "NoteID"));
}
BENCHMARK(BM_Probe15000AbsentSections)->Unit(benchmark::kMillisecond);

void BM_ColdParse(benchmark::State& state) {
    const SampleFile& f = Sample();
    for (auto _ : state) {
        ini::ClearCache();
        benchmark::DoNotOptimize(ini::Read(f.path, "PINWELL", "Version"));
    }
}
BENCHMARK(BM_ColdParse)->Unit(benchmark::kMicrosecond);

}  // namespace
