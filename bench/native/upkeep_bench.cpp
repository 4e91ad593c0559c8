// Costs of the upkeep and export jobs on a main data file at its size limit:
// the size-mode clean-up probes 15000 sections on the user thread, and an
// export appends one note per write.
#include "base/Seams.h"
#include "bench/common/sample_ini.h"
#include "store/ExportFile.h"
#include "store/IniFile.h"
#include "store/NoteRecord.h"
#include "store/Upkeep.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path dir;
    int notes = 0;
    Folder() {
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        dir = fs::temp_directory_path() / ("pinwell-upkeep-bench-" + std::to_string(tick));
        fs::create_directories(dir);
        SetDataFolder(dir.string());
        const std::string text = bench::MakeSampleIni(61 * 1024, &notes);
        std::ofstream(MainDataFilePath(), std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Folder& TheFolder() {
    static Folder folder;
    return folder;
}

// Nothing to delete: the whole cost is the probing.
void BM_CleanupSizeModeNothingToDelete(benchmark::State& state) {
    const Folder& f = TheFolder();
    for (auto _ : state) benchmark::DoNotOptimize(CleanNoteSections(CleanupRange(CleanMode::Size, 0, f.notes)));
    state.counters["notes"] = f.notes;
}
BENCHMARK(BM_CleanupSizeModeNothingToDelete)->Unit(benchmark::kMillisecond);

// Appending to a file that grows to 100 notes, then starting a new one.
void BM_ExportAppendOne(benchmark::State& state) {
    const Folder& f = TheFolder();
    NoteRecord record;
    ReadNoteRecord({}, 1, record);
    const std::string file = (f.dir / "bench.pwx").string();
    int appended = 0;
    for (auto _ : state) {
        if (appended % 100 == 0) {
            state.PauseTiming();
            fs::remove(file);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(AppendNoteToExportFile(file, record, record.titleText, "08122026101500"));
        ++appended;
    }
}
BENCHMARK(BM_ExportAppendOne)->Unit(benchmark::kMicrosecond);

}  // namespace
