// The network list: the computers of the local network as Lanscout.exe
// leaves them in NETWORK_LIST/NetList of Pinwell.net, and the pieces
// Lanscout.exe builds that value from.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

constexpr char kNetworkListSection[] = "NETWORK_LIST";
constexpr char kNetListKey[] = "NetList";
// NetList is read with room for this many characters.
constexpr std::size_t kNetListLimit = 10239;

// The computers of NetList in stored order, each in upper case; empty
// entries skipped. An empty path means the network list file.
std::vector<std::string> ReadNetworkList(const std::string& path = {});

// Adds the names of extra (each followed by "~") that names does not hold yet,
// in upper case, keeping the order of both.
void MergeNetworkNames(std::vector<std::string>& names, std::string_view extra);

// The host names of a hosts file that name other computers: entries for
// loopback, unspecified, broadcast, multicast and IPv6 addresses are left
// out. Comments ("#" to the end of the line) are ignored.
std::vector<std::string> HostsFileNames(std::string_view hostsText);

// Whether a dotted IPv4 address can be a computer of the network (not
// loopback, unspecified, multicast or limited broadcast).
bool IsNeighbourAddress(std::string_view dotted);

// The NetList value for a set of names: upper case, duplicates and names
// that cannot be list items (empty, or holding "~", "=", blanks or control
// characters) dropped, and no longer than a reader's limit (whole names
// only). The names are written in descending order because the send dialog
// puts each item it reads at the top: the user sees them A to Z.
std::string MakeNetList(std::vector<std::string> names);
