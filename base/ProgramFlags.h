// The few program-wide flags that cross threads or windows.
#pragma once

#include <atomic>

// Note bodies show a vertical scroll bar (from ShowScrollBar at start and
// after the settings dialog).
extern std::atomic<bool> g_showScrollBar;
// Cleared by the receiving server when it stops on an error: sending to
// "Other ..." is then greyed.
extern std::atomic<bool> g_networkAvailable;
// Set while an e-mail check runs: sending is refused meanwhile.
extern std::atomic<bool> g_emailCheckRunning;
// Shared by all notes' "Stay on top" commands.
extern std::atomic<bool> g_stayOnTopFlag;
