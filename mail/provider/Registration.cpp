// Registration as a mail client. The system default is taken only when there
// is none (or it names a client that is gone), or when asked for explicitly
// ("regsvr32 /i:default"); the client it replaced is remembered and put back
// on unregistering.
#include <windows.h>
#include <olectl.h>

#include <string>

namespace {

const char kClients[] = "Software\\Clients\\Mail";
const char kName[] = "Pinwell Mail";
const char kOurKey[] = "Software\\Clients\\Mail\\Pinwell Mail";

std::string ReadDefault(HKEY root, const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    char buf[512];
    DWORD size = sizeof buf - 1, type = 0;
    std::string value;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
        buf[size] = 0;
        value = buf;
    }
    RegCloseKey(key);
    return value;
}

bool SetValue(HKEY root, const char* path, const char* name, const std::string& value)
{
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return false;
    bool ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool ClientExists(const std::string& name)
{
    if (name.empty()) return false;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kClients) + "\\" + name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

HRESULT Register(bool makeDefault)
{
    char path[MAX_PATH];
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Register), &self);
    if (!GetModuleFileNameA(self, path, MAX_PATH)) return E_FAIL;
    // Simple MAPI calls go to DLLPath; MAPI32 sends MAPIFreeBuffer to DLLPathEx.
    if (!SetValue(HKEY_LOCAL_MACHINE, kOurKey, nullptr, kName) || !SetValue(HKEY_LOCAL_MACHINE, kOurKey, "DLLPath", path) ||
        !SetValue(HKEY_LOCAL_MACHINE, kOurKey, "DLLPathEx", path))
        return SELFREG_E_CLASS;
    std::string current = ReadDefault(HKEY_LOCAL_MACHINE, kClients);
    if (current == kName) return S_OK;
    if (!makeDefault && ClientExists(current)) return S_OK;  // the user's mail client stays
    if (!current.empty()) SetValue(HKEY_LOCAL_MACHINE, kOurKey, "PreviousDefault", current);
    if (!SetValue(HKEY_LOCAL_MACHINE, kClients, nullptr, kName)) return SELFREG_E_CLASS;
    // Since Vista a per-user choice overrides the machine's.
    if (makeDefault || !ReadDefault(HKEY_CURRENT_USER, kClients).empty()) SetValue(HKEY_CURRENT_USER, kClients, nullptr, kName);
    return S_OK;
}

}  // namespace

extern "C" {

HRESULT WINAPI DllRegisterServer()
{
    return Register(false);
}

HRESULT WINAPI DllUnregisterServer()
{
    HKEY key;
    std::string previous;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOurKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char buf[512];
        DWORD size = sizeof buf - 1, type = 0;
        if (RegQueryValueExA(key, "PreviousDefault", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            buf[size] = 0;
            previous = buf;
        }
        RegCloseKey(key);
    }
    if (!ClientExists(previous)) previous.clear();
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        if (ReadDefault(root, kClients) != kName) continue;
        if (!previous.empty()) {
            SetValue(root, kClients, nullptr, previous);
        } else if (RegOpenKeyExA(root, kClients, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, nullptr);
            RegCloseKey(key);
        }
    }
    LSTATUS st = RegDeleteTreeA(HKEY_LOCAL_MACHINE, kOurKey);
    return st == ERROR_SUCCESS || st == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

// regsvr32 /i:default PinwellMail.dll makes us the default mail client.
HRESULT WINAPI DllInstall(BOOL install, LPCWSTR commandLine)
{
    if (!install) return DllUnregisterServer();
    bool makeDefault = commandLine && lstrcmpiW(commandLine, L"default") == 0;
    return Register(makeDefault);
}

}  // extern "C"
