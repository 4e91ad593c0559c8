#include "store/HandOver.h"

#include "base/Seams.h"
#include "store/IniFile.h"

#include <chrono>

void CHandOverSignal::Taken() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++taken_;
    }
    changed_.notify_all();
}

std::uint64_t CHandOverSignal::TakenCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return taken_;
}

void CHandOverSignal::WaitTaken(std::uint64_t seen, int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(ms < 0 ? 0 : ms), [&] { return taken_ != seen; });
}

CHandOverPickup::CHandOverPickup(std::string dataFile, CHandOverSignal* signal)
    : dataFile_(std::move(dataFile)), signal_(signal) {}

bool CHandOverPickup::IsComplete(const std::string& noteData) {
    return !noteData.empty() && noteData.back() == '~';
}

bool CHandOverPickup::Clear(const char* section, const char* key) {
    if (ini::Write(ResolveDataFile(dataFile_), section, key, "")) {
        clearFailureShown_ = false;
        if (signal_) signal_->Taken();
        return true;
    }
    if (!clearFailureShown_) {
        clearFailureShown_ = true;
        ShowNotice("Error writing to ini file.");
    }
    return false;
}

std::optional<std::string> CHandOverPickup::Take(const char* section, const char* key,
                                                 bool onlyComplete) {
    // Read whole: a note cut to a buffer would lose its closing fields.
    std::string text = ini::Read(ResolveDataFile(dataFile_), section, key);
    if (text.empty()) return std::nullopt;
    if (onlyComplete && !IsComplete(text)) return std::nullopt;
    if (!Clear(section, key)) return std::nullopt;
    if (!IsComplete(text)) return std::nullopt;
    return text;
}

std::optional<std::string> CHandOverPickup::TakeReceivedNote() {
    return Take(kNoteSection, kNoteKey, true);
}

std::optional<std::string> CHandOverPickup::TakeEmailNote() {
    return Take(kEmailSection, kEmailKey, false);
}

bool CIntervalTicker::Tick() {
    if (minutes_ <= 0) return false;
    ++count_;
    // ">=" rather than "==": after the interval was shortened below the
    // ticks already counted, equality would never be reached again.
    if (count_ >= static_cast<std::int64_t>(minutes_) * kTicksPerMinute) {
        count_ = 0;
        return true;
    }
    return false;
}
