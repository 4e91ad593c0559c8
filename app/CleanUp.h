// Upkeep of the main data file on the window side: the clean-up behind the
// wait window and the start counter that runs it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "store/Upkeep.h"

// Deletes the orphaned note sections of the mode's range behind a wait
// window at the bottom-right corner, keeping the windows running.
void CleanDataFile(HWND main, CleanMode mode, std::int32_t noteCounter);
// Start-up: counts the start and, every hundred-odd starts, cleans up
// before the notes are read.
void RunUpkeepCounter(HWND main);
