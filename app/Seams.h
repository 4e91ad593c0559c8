// The few places where the portable core reaches the outside world. The
// Win32 side installs the real implementations at start; tests install their
// own to watch what the program would have shown.
#pragma once

#include <string>

enum class NoticeIcon { Information, Warning, Error, Stop, Question };

class INoticeSink {
public:
    virtual ~INoticeSink() = default;
    // Shows a message box with an OK button.
    virtual void Show(const std::string& text, NoticeIcon icon) = 0;
};

// Shows text through the installed sink; without one the text is dropped.
void ShowNotice(const std::string& text, NoticeIcon icon = NoticeIcon::Warning);
// Installs a sink and returns the previous one (nullptr = none).
INoticeSink* SetNoticeSink(INoticeSink* sink);

// Where the program keeps its data files.
void SetDataFolder(const std::string& folder);
const std::string& DataFolder();
// data folder + "\" + "Pinwell.ini": the main data file.
const std::string& MainDataFilePath();
// data folder + "\" + "Pinwell.net": the network list file.
const std::string& NetworkListFilePath();
// An empty path names the main data file.
const std::string& ResolveDataFile(const std::string& path);
