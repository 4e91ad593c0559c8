#include "base/OsLabel.h"

std::string OsFamilyLabel(unsigned major, unsigned minor) {
    if (major >= 1 && major <= 4) return "Windows 95/98/Me";
    if (major == 5) return "Windows 2000/XP";
    if (major == 6 || major == 7) return minor <= 1 ? "Windows 7/8" : "Windows 10";
    if (major == 10) return "Windows 10";
    return {};
}

namespace {
std::string g_label;
}

void SetOsFamilyLabel(const std::string& label) { g_label = label; }
const std::string& OsFamily() { return g_label; }
