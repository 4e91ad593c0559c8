// Reading the network neighbourhood: the Windows network itself on the
// families that browse it, Lanscout.exe on the later ones.
#pragma once

#include <windows.h>

#include <string>

// The network name buffer: computer names, each followed by "~", as the last
// enumeration of the Windows network found them. User thread only.
std::string& NetworkNameBuffer();

// Shows the wait window (bottom-right corner, no margin) and the wait
// cursor, empties the buffer and, by the operating-system family label,
// enumerates the network ("Windows 2000/XP") or runs Lanscout.exe from the
// program folder ("Windows 7/8", "Windows 10"). Window messages keep being
// dispatched meanwhile; a call made from one of them while a read runs
// returns at once. owner: the wait window's owner.
void ReadNetworkNeighbourhood(HWND owner);

// Appends the servers below container (nullptr = the root) to names, each
// followed by "~", descending into containers. Stops quietly when the
// enumeration cannot be opened; any other failure shows "Error enumerating
// Network resources ...". Returns false on a failure.
bool EnumerateNetwork(const NETRESOURCEA* container, std::string& names);

// Starts folder\Lanscout.exe with folder as current directory and waits for
// it in 100 ms steps, dispatching window messages between them. A program
// that has not ended after maxWaitMs is ended (its file write is atomic, so
// nothing half-written is left). False when it could not be started.
bool RunNetworkLister(const std::string& folder, DWORD maxWaitMs = 30000);
