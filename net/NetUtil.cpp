#include "net/NetUtil.h"

#include "net/Socket.h"

std::string ToUpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool CNetUtil::IsEmailAddress(const std::string& text) const {
    if (text.find('@') == std::string::npos || text.find('.') == std::string::npos) return false;
    const std::size_t n = text.size();
    for (std::size_t back = 3; back <= 5; ++back)
        if (n >= back && text[n - back] == '.') return true;
    return false;
}

bool CNetUtil::IsIpAddress(const std::string& text) const {
    if (IsEmailAddress(text)) return false;
    int dots = 0;
    for (char c : text) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return false;
    }
    return dots >= 2 && dots <= 5;
}

std::string CNetUtil::GetLocalComputerName() const {
    std::string name;
    if (!net::LocalHostName(name)) return "MYCOMPUTER";
    return ToUpperAscii(name);
}

std::string CNetUtil::GetHostIpAddress(const std::string& hostName) const {
    net::WinsockSession session;
    net::Ipv4 address;
    if (!session.Ok() || !net::ResolveIpv4(hostName, address)) return {};
    return net::Ipv4ToText(address);
}
