#include "base/Seams.h"

namespace {
Seam<INoticeSink> g_sink;
std::string g_dataFolder;
std::string g_mainDataFile;
std::string g_networkListFile;

#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif
}  // namespace

void ShowNotice(const std::string& text, NoticeIcon icon) {
    if (INoticeSink* sink = g_sink.Installed()) sink->Show(text, icon);
}

INoticeSink* SetNoticeSink(INoticeSink* sink) { return g_sink.Install(sink); }

void SetDataFolder(const std::string& folder) {
    g_dataFolder = folder;
    g_mainDataFile = folder + kSep + "Pinwell.ini";
    g_networkListFile = folder + kSep + "Pinwell.net";
}

const std::string& DataFolder() { return g_dataFolder; }
const std::string& MainDataFilePath() { return g_mainDataFile; }
const std::string& NetworkListFilePath() { return g_networkListFile; }

const std::string& ResolveDataFile(const std::string& path) {
    return path.empty() ? g_mainDataFile : path;
}
