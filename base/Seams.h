// The few places where the portable core reaches the outside world. The
// Win32 side installs the real implementations at start; tests install their
// own to watch what the program would have shown.
#pragma once

#include <atomic>
#include <string>

// How tests replace a part of the program: the part is a small interface,
// and one setter installs another implementation and returns the previous
// one, so a test can put it back. Nothing installed (nullptr) means the
// program's own. Installing is meant for start-up and tests, before the
// threads that use the part run.
template <class Interface>
class Seam {
public:
    Interface* Install(Interface* replacement) { return current_.exchange(replacement); }
    // The installed implementation, or nullptr for the program's own.
    Interface* Installed() const { return current_.load(); }
    // The installed implementation, else the program's own.
    Interface& Or(Interface& own) const {
        Interface* installed = current_.load();
        return installed ? *installed : own;
    }

private:
    std::atomic<Interface*> current_{nullptr};
};

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
