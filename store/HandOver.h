// The user thread's side of the hand-over: on every 500 ms tick it looks at
// the two values the worker threads leave received notes in, and it counts
// the ticks until the next e-mail check and network read.
//
//   NOTE_RECEIVED/NoteData            the receiving server's note
//   EMAIL_NOTE_RECEIVED/EmailNoteData  the e-mail check's note
//
// A note data text is complete when it ends with "~". The server's text is
// taken only once complete (an incomplete one is left for a later tick); the
// e-mail text is taken whatever it holds and used only when complete.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

// The wake-ups between a worker that writes a hand-over value and the user
// thread that empties it. The value stays the only channel; these only say
// "look now", so a received note need not wait for the next tick and a
// worker holding the next note need not poll for the value to come free.
class CHandOverSignal {
public:
    // Set once, before any worker runs: how a worker wakes the user thread.
    void SetWake(std::function<void()> wake) { wake_ = std::move(wake); }
    // A worker has written a value.
    void Written() const {
        if (wake_) wake_();
    }
    // The user thread has emptied a value.
    void Taken();
    std::uint64_t TakenCount() const;
    // Waits up to ms milliseconds for a Taken after the one counted as seen.
    void WaitTaken(std::uint64_t seen, int ms);

private:
    std::function<void()> wake_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t taken_ = 0;
};

class CHandOverPickup {
public:
    static constexpr char kNoteSection[] = "NOTE_RECEIVED";
    static constexpr char kNoteKey[] = "NoteData";
    static constexpr char kEmailSection[] = "EMAIL_NOTE_RECEIVED";
    static constexpr char kEmailKey[] = "EmailNoteData";

    // An empty path means the main data file. A signal, when given, hears of
    // every value emptied.
    explicit CHandOverPickup(std::string dataFile = {}, CHandOverSignal* signal = nullptr);

    // On the tick: a complete NoteData is emptied and returned for
    // CreateNoteFromData. Nothing is returned while the value is empty or
    // incomplete, or when it could not be emptied: a note handed on but left
    // in the file would be created again on every tick.
    std::optional<std::string> TakeReceivedNote();

    // On the tick: a non-empty EmailNoteData is emptied at once; it is
    // returned when complete, dropped when not. When it cannot be emptied it
    // stays where it is for the next tick.
    std::optional<std::string> TakeEmailNote();

    static bool IsComplete(const std::string& noteData);

private:
    std::optional<std::string> Take(const char* section, const char* key, bool onlyComplete);
    bool Clear(const char* section, const char* key);

    std::string dataFile_;
    CHandOverSignal* signal_;
    // "Error writing to ini file." is shown once per run of failed clears,
    // not twice a second.
    bool clearFailureShown_ = false;
};

// The 500 ms tick as a minute counter: an interval of N minutes is due at
// every N x 120th tick. Zero or a negative interval never comes due.
constexpr int kTicksPerMinute = 120;

class CIntervalTicker {
public:
    explicit CIntervalTicker(int minutes = 0) : minutes_(minutes) {}

    // The settings dialog changed the interval. The ticks already counted
    // stay counted; a shorter interval that they already exceed comes due
    // at the next tick.
    void SetMinutes(int minutes) { minutes_ = minutes; }
    int Minutes() const { return minutes_; }

    // One tick; true when the interval is up (the count starts again).
    bool Tick();
    std::int64_t Count() const { return count_; }

private:
    int minutes_;
    std::int64_t count_ = 0;
};
