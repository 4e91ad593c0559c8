#pragma once

// Installs the message-box notice sink.
void InstallWin32Seams();
