// Shared by the fuzzers: a scratch file on a memory file system where there
// is one. Notices go nowhere: no sink is installed.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/Seams.h"
#include "store/IniFile.h"

namespace fuzz {

inline std::string ScratchPath(const char* name) {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::is_directory("/dev/shm", ec)
                                    ? std::filesystem::path("/dev/shm")
                                    : std::filesystem::temp_directory_path();
    dir /= "pinwell-fuzz-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir, ec);
    SetDataFolder(dir.string());
    return (dir / name).string();
}

// Puts the bytes in the file and forgets what the engine had cached of it:
// two inputs of the same size written within one second look alike to the
// engine's freshness test.
inline void PutFile(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) __builtin_trap();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    ini::ClearCache();
}

}  // namespace fuzz
