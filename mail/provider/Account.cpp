#include "mail/provider/Account.h"

#include <wincrypt.h>

namespace pwmail {

namespace {

const char kKey[] = "Software\\Pinwell\\Mail";

std::string ReadString(HKEY key, const char* name)
{
    char buf[1024];
    DWORD size = sizeof buf - 1, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    buf[size] = 0;
    return buf;
}

int ReadNumber(HKEY key, const char* name, int fallback)
{
    DWORD v = 0, size = sizeof v, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return fallback;
    return static_cast<int>(v);
}

bool WriteString(HKEY key, const char* name, const std::string& value)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool WriteNumber(HKEY key, const char* name, int value)
{
    DWORD v = static_cast<DWORD>(value);
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v) == ERROR_SUCCESS;
}

}  // namespace

bool MailAccount::Complete() const
{
    return !address.empty() && !smtpHost.empty() && !inboxHost.empty() && smtpPort > 0 && inboxPort > 0;
}

int DefaultSmtpPort(Security s)
{
    return s == Security::Tls ? 465 : s == Security::StartTls ? 587 : 25;
}

int DefaultInboxPort(bool pop3, Security s)
{
    if (pop3) return s == Security::Tls ? 995 : 110;
    return s == Security::Tls ? 993 : 143;
}

const char* SecurityName(Security s)
{
    return s == Security::Tls ? "tls" : s == Security::StartTls ? "starttls" : "none";
}

bool ParseSecurity(const std::string& text, Security& s)
{
    std::string t = text;
    for (char& c : t) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    if (t == "none") s = Security::None;
    else if (t == "starttls") s = Security::StartTls;
    else if (t == "tls" || t == "ssl") s = Security::Tls;
    else return false;
    return true;
}

bool LoadAccount(MailAccount& a)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    a.address = ReadString(key, "Address");
    a.displayName = ReadString(key, "DisplayName");
    a.user = ReadString(key, "User");
    a.smtpHost = ReadString(key, "SmtpServer");
    ParseSecurity(ReadString(key, "SmtpSecurity"), a.smtpSecurity);
    a.smtpPort = ReadNumber(key, "SmtpPort", DefaultSmtpPort(a.smtpSecurity));
    a.pop3 = ReadString(key, "InboxProtocol") == "POP3";
    a.inboxHost = ReadString(key, "InboxServer");
    ParseSecurity(ReadString(key, "InboxSecurity"), a.inboxSecurity);
    a.inboxPort = ReadNumber(key, "InboxPort", DefaultInboxPort(a.pop3, a.inboxSecurity));
    a.plainPasswordAllowed = ReadNumber(key, "AllowUnencryptedPassword", 0) != 0;
    a.password.clear();
    DWORD size = 0, type = 0;
    if (RegQueryValueExA(key, "Password", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_BINARY &&
        size) {
        std::string blob(size, '\0');
        RegQueryValueExA(key, "Password", nullptr, &type, reinterpret_cast<BYTE*>(blob.data()), &size);
        DATA_BLOB in{size, reinterpret_cast<BYTE*>(blob.data())}, out{};
        if (CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) {
            a.password.assign(reinterpret_cast<char*>(out.pbData), out.cbData);
            SecureZeroMemory(out.pbData, out.cbData);
            LocalFree(out.pbData);
        }
    }
    RegCloseKey(key);
    return !a.address.empty();
}

bool SaveAccount(const MailAccount& a, std::string& error)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        error = "The mail account cannot be stored in the registry.";
        return false;
    }
    DATA_BLOB in{static_cast<DWORD>(a.password.size()), reinterpret_cast<BYTE*>(const_cast<char*>(a.password.data()))},
        out{};
    bool ok = CryptProtectData(&in, L"Pinwell mail password", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out);
    if (!ok) {
        RegCloseKey(key);
        error = "The password cannot be protected on this computer, so it was not stored.";
        return false;
    }
    ok = RegSetValueExA(key, "Password", 0, REG_BINARY, out.pbData, out.cbData) == ERROR_SUCCESS;
    LocalFree(out.pbData);
    ok = ok && WriteString(key, "Address", a.address) && WriteString(key, "DisplayName", a.displayName) &&
         WriteString(key, "User", a.user) && WriteString(key, "SmtpServer", a.smtpHost) &&
         WriteNumber(key, "SmtpPort", a.smtpPort) && WriteString(key, "SmtpSecurity", SecurityName(a.smtpSecurity)) &&
         WriteString(key, "InboxProtocol", a.pop3 ? "POP3" : "IMAP") && WriteString(key, "InboxServer", a.inboxHost) &&
         WriteNumber(key, "InboxPort", a.inboxPort) && WriteString(key, "InboxSecurity", SecurityName(a.inboxSecurity)) &&
         WriteNumber(key, "AllowUnencryptedPassword", a.plainPasswordAllowed ? 1 : 0);
    RegCloseKey(key);
    if (!ok) error = "The mail account cannot be stored in the registry.";
    return ok;
}

}  // namespace pwmail
