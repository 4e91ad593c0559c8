#include "base/ProgramFlags.h"

std::atomic<bool> g_showScrollBar{true};
std::atomic<bool> g_networkAvailable{true};
std::atomic<bool> g_emailCheckRunning{false};
std::atomic<bool> g_stayOnTopFlag{false};
