// Lanscout.exe: leaves the computers of the local network in section
// NETWORK_LIST, key NetList, of Pinwell.net in the user's application-data
// folder (names each followed by "~"), for Pinwell's send dialog. Pinwell
// starts it with no arguments from the program folder and waits until it
// exits; nothing else passes between them.
//
// How it finds the computers: it lists what this computer already knows and
// probes nothing.
//   * this computer, by its host name;
//   * the names of the hosts file that stand for other computers;
//   * the neighbour (ARP) table: the computers of the local links this one
//     has lately exchanged packets with. Each is named by a reverse lookup
//     when one answers within a short time, and by its address otherwise
//     (an address is a recipient Pinwell can send to all the same).
// No packet goes to any listed computer and no address range is swept; the
// only traffic is the resolver's own name queries. So the run ends within
// about two seconds, nothing can reach a Pinwell receiver and be taken for a
// note, and under test it sees exactly the hosts the test made.
//
// The names are written upper case, without duplicates, sorted, and no longer
// than Pinwell reads (see MakeNetList). The write replaces the file at once,
// so Pinwell never reads a half-written list.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/NetworkList.h"
#include "net/Socket.h"
#include "store/IniFile.h"

namespace {

// Reverse lookups all run at once and get this long together.
constexpr auto kLookupTime = std::chrono::milliseconds(1500);
// More neighbours than this are listed by address only.
constexpr std::size_t kMaxLookups = 256;

std::string Dotted(DWORD networkOrder) {
    const auto* b = reinterpret_cast<const unsigned char*>(&networkOrder);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

std::vector<std::string> HostsFileEntries() {
    char system[MAX_PATH] = {};
    if (!::GetSystemDirectoryA(system, MAX_PATH)) return {};
    std::ifstream in(std::string(system) + "\\drivers\\etc\\hosts", std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return HostsFileNames(text.str());
}

// Addresses of the neighbour table that belong to other computers: not
// this computer's own, not a subnet's broadcast, not an entry that never
// resolved to a link address.
std::vector<DWORD> NeighbourAddresses() {
    std::vector<DWORD> own, masks;
    ULONG size = 0;
    if (::GetIpAddrTable(nullptr, &size, FALSE) == ERROR_INSUFFICIENT_BUFFER && size) {
        std::vector<unsigned char> buf(size);
        auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buf.data());
        if (::GetIpAddrTable(table, &size, FALSE) == NO_ERROR)
            for (DWORD i = 0; i < table->dwNumEntries; ++i) {
                own.push_back(table->table[i].dwAddr);
                masks.push_back(table->table[i].dwMask);
            }
    }

    std::vector<DWORD> found;
    size = 0;
    if (::GetIpNetTable(nullptr, &size, TRUE) != ERROR_INSUFFICIENT_BUFFER || !size) return found;
    std::vector<unsigned char> buf(size);
    auto* table = reinterpret_cast<MIB_IPNETTABLE*>(buf.data());
    if (::GetIpNetTable(table, &size, TRUE) != NO_ERROR) return found;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IPNETROW& row = table->table[i];
        if (row.dwType == MIB_IPNET_TYPE_INVALID || row.dwPhysAddrLen == 0) continue;
        if (!IsNeighbourAddress(Dotted(row.dwAddr))) continue;
        bool skip = false;
        for (std::size_t k = 0; k < own.size() && !skip; ++k) {
            const DWORD host = row.dwAddr & ~masks[k];
            skip = row.dwAddr == own[k] ||
                   ((row.dwAddr & masks[k]) == (own[k] & masks[k]) && masks[k] != 0xFFFFFFFF && host == ~masks[k]);
        }
        bool seen = false;
        for (DWORD a : found) seen |= a == row.dwAddr;
        if (!skip && !seen) found.push_back(row.dwAddr);
    }
    return found;
}

// Names for the addresses, each looked up on its own thread; an address
// whose lookup has not answered in time stands for itself.
std::vector<std::string> NamesOf(const std::vector<DWORD>& addresses) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        std::vector<std::string> names;
        std::size_t pending = 0;
    };
    auto shared = std::make_shared<Shared>();
    const std::size_t lookups = std::min(addresses.size(), kMaxLookups);
    shared->names.resize(addresses.size());
    shared->pending = lookups;
    for (std::size_t i = 0; i < lookups; ++i) {
        std::thread([shared, i, address = addresses[i]] {
            sockaddr_in sa{};
            sa.sin_family = AF_INET;
            sa.sin_addr.s_addr = address;
            char host[NI_MAXHOST] = {};
            const bool named = ::getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, host, sizeof host,
                                             nullptr, 0, NI_NAMEREQD) == 0;
            std::lock_guard<std::mutex> lock(shared->mutex);
            if (named) shared->names[i] = host;
            --shared->pending;
            shared->done.notify_all();
        }).detach();
    }
    std::vector<std::string> names;
    {
        std::unique_lock<std::mutex> lock(shared->mutex);
        shared->done.wait_for(lock, kLookupTime, [&] { return shared->pending == 0; });
        names = shared->names;
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].empty()) names[i] = Dotted(addresses[i]);
    return names;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char appData[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData)))
        return 1;

    net::WinsockSession winsock;
    std::vector<std::string> names;
    std::string local;
    if (winsock.Ok() && net::LocalHostName(local)) names.push_back(local);
    for (std::string& name : HostsFileEntries()) names.push_back(std::move(name));
    if (winsock.Ok())
        for (std::string& name : NamesOf(NeighbourAddresses())) names.push_back(std::move(name));

    const std::string file = std::string(appData) + "\\Pinwell.net";
    return ini::Write(file, kNetworkListSection, kNetListKey, MakeNetList(std::move(names))) ? 0 : 1;
}
