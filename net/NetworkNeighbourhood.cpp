#include "net/NetworkNeighbourhood.h"

#include <winnetwk.h>

#include <vector>

#include "base/OsLabel.h"
#include "dialogs/WaitDialog.h"
#include "win/Program.h"

namespace {

bool g_reading = false;

// The WNet functions live in mpr.dll, which only this feature needs.
struct WNetFunctions {
    decltype(&::WNetOpenEnumA) open = nullptr;
    decltype(&::WNetEnumResourceA) enumerate = nullptr;
    decltype(&::WNetCloseEnum) close = nullptr;

    WNetFunctions() {
        HMODULE mpr = ::LoadLibraryA("mpr.dll");
        if (!mpr) return;
        open = reinterpret_cast<decltype(open)>(reinterpret_cast<void*>(::GetProcAddress(mpr, "WNetOpenEnumA")));
        enumerate =
            reinterpret_cast<decltype(enumerate)>(reinterpret_cast<void*>(::GetProcAddress(mpr, "WNetEnumResourceA")));
        close = reinterpret_cast<decltype(close)>(reinterpret_cast<void*>(::GetProcAddress(mpr, "WNetCloseEnum")));
    }
    bool Ok() const { return open && enumerate && close; }
};

const WNetFunctions& WNet() {
    static const WNetFunctions functions;
    return functions;
}

}  // namespace

std::string& NetworkNameBuffer() {
    static std::string buffer;
    return buffer;
}

void ReadNetworkNeighbourhood(HWND owner) {
    // Messages are dispatched while the read runs: a timer tick or a second
    // "Refresh" must not start another one inside it.
    if (g_reading) return;
    g_reading = true;

    HCURSOR oldCursor = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    CWaitDialog wait;
    wait.Open(owner, "Reading your Network Neighborhood ...", "Please wait few seconds ...", 0);

    NetworkNameBuffer().clear();
    const std::string& family = OsFamily();
    if (family == "Windows 2000/XP") {
        std::string names;
        EnumerateNetwork(nullptr, names);
        NetworkNameBuffer() = names;
    } else if (family == "Windows 7/8" || family == "Windows 10") {
        RunNetworkLister(ProgramFolder());
    }

    wait.DestroyWindow();
    ::SetCursor(oldCursor);
    g_reading = false;
}

bool EnumerateNetwork(const NETRESOURCEA* container, std::string& names) {
    const WNetFunctions& wnet = WNet();
    HANDLE enumeration = nullptr;
    if (!wnet.Ok() || wnet.open(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, const_cast<NETRESOURCEA*>(container),
                        &enumeration) != NO_ERROR)
        return true;

    // NETRESOURCE entries point into the block, so it must be suitably aligned.
    constexpr DWORD kBlockBytes = 16384;
    std::vector<NETRESOURCEA> block(kBlockBytes / sizeof(NETRESOURCEA) + 1);
    bool ok = true;
    for (;;) {
        DWORD count = static_cast<DWORD>(-1);
        DWORD size = kBlockBytes;
        const DWORD result = wnet.enumerate(enumeration, &count, block.data(), &size);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != NO_ERROR) {
            ::MessageBoxA(nullptr, "Error enumerating Network resources ...", "Pinwell", MB_OK | MB_ICONEXCLAMATION);
            ok = false;
            break;
        }
        for (DWORD i = 0; i < count; ++i) {
            const NETRESOURCEA& entry = block[i];
            if (entry.lpRemoteName && *entry.lpRemoteName && entry.dwDisplayType == RESOURCEDISPLAYTYPE_SERVER) {
                const char* name = entry.lpRemoteName;
                if (name[0] == '\\' && name[1] == '\\') name += 2;
                names += name;
                names += '~';
            }
            if ((entry.dwUsage & RESOURCEUSAGE_CONTAINER) && !EnumerateNetwork(&entry, names)) {
                ok = false;
                break;
            }
        }
        if (!ok || !PumpPendingMessages()) break;
    }
    wnet.close(enumeration);
    return ok;
}

bool RunNetworkLister(const std::string& folder, DWORD maxWaitMs) {
    std::string path = folder + "\\Lanscout.exe";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                          folder.c_str(), &startup, &process))
        return false;
    ::CloseHandle(process.hThread);

    // The lister is meant to finish in seconds; one that hangs must not keep
    // the wait window up for good.
    const DWORD started = ::GetTickCount();
    while (::WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
        if (!PumpPendingMessages()) break;
        if (::GetTickCount() - started >= maxWaitMs) {
            ::TerminateProcess(process.hProcess, 1);
            ::WaitForSingleObject(process.hProcess, 1000);
            break;
        }
    }
    ::CloseHandle(process.hProcess);
    return true;
}
