#include "net/NetworkList.h"

#include <algorithm>
#include <cstdint>

#include "base/Seams.h"
#include "net/NetUtil.h"
#include "net/Recipients.h"
#include "store/IniFile.h"

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; }

// Four decimal parts of 0..255; false for anything else.
bool ParseDotted(std::string_view text, std::uint8_t (&parts)[4]) {
    int part = 0;
    int value = -1;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value) * 10 + (c - '0');
            if (value > 255) return false;
        } else if (c == '.') {
            if (value < 0 || part == 3) return false;
            parts[part++] = static_cast<std::uint8_t>(value);
            value = -1;
        } else {
            return false;
        }
    }
    if (value < 0 || part != 3) return false;
    parts[3] = static_cast<std::uint8_t>(value);
    return true;
}

}  // namespace

std::vector<std::string> ReadNetworkList(const std::string& path) {
    const std::string text =
        ini::Read(path.empty() ? NetworkListFilePath() : path, kNetworkListSection, kNetListKey, {}, kNetListLimit);
    std::vector<std::string> names;
    for (std::string& name : SplitTildeList(text)) names.push_back(ToUpperAscii(std::move(name)));
    return names;
}

void MergeNetworkNames(std::vector<std::string>& names, std::string_view extra) {
    for (std::string& name : SplitTildeList(extra)) {
        name = ToUpperAscii(std::move(name));
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
    }
}

bool IsNeighbourAddress(std::string_view dotted) {
    std::uint8_t p[4];
    if (!ParseDotted(dotted, p)) return false;
    if (p[0] == 0 || p[0] == 127) return false;          // unspecified, loopback
    if (p[0] >= 224) return false;                       // multicast, reserved, broadcast
    return true;
}

std::vector<std::string> HostsFileNames(std::string_view text) {
    std::vector<std::string> names;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);

        std::vector<std::string_view> words;
        for (std::size_t i = 0; i < line.size();) {
            while (i < line.size() && IsBlankOrControl(line[i])) ++i;
            const std::size_t start = i;
            while (i < line.size() && !IsBlankOrControl(line[i])) ++i;
            if (i > start) words.push_back(line.substr(start, i - start));
        }
        if (words.size() < 2 || !IsNeighbourAddress(words[0])) continue;
        for (std::size_t w = 1; w < words.size(); ++w) names.emplace_back(words[w]);
    }
    return names;
}

std::string MakeNetList(std::vector<std::string> names) {
    std::vector<std::string> usable;
    for (std::string& name : names) {
        if (name.empty()) continue;
        if (std::any_of(name.begin(), name.end(), [](char c) { return IsBlankOrControl(c) || c == '~' || c == '='; }))
            continue;
        usable.push_back(ToUpperAscii(std::move(name)));
    }
    std::sort(usable.begin(), usable.end());
    usable.erase(std::unique(usable.begin(), usable.end()), usable.end());

    // Past the reader's limit a name would be cut and lost anyway: keep whole
    // names, the first ones of the alphabet.
    std::size_t length = 0, count = 0;
    while (count < usable.size() && length + usable[count].size() + 1 <= kNetListLimit)
        length += usable[count++].size() + 1;
    std::string list;
    list.reserve(length);
    for (std::size_t i = count; i-- > 0;) {
        list += usable[i];
        list += '~';
    }
    return list;
}
