// pinwell-mailsetup: sets up the Pinwell Mail account and registration from
// a command line, for administrators and scripts.
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "mail/provider/Account.h"
#include "mail/provider/AccountDialog.h"
#include "mail/provider/WinChannel.h"

using namespace pwmail;

namespace {

const char kUsage[] =
    "Usage: pinwell-mailsetup [options]\n"
    "  --address ADDR           the e-mail address (also the sender)\n"
    "  --name NAME              your name as recipients see it\n"
    "  --user USER              user name at the servers (default: the address)\n"
    "  --password PW | --password-stdin\n"
    "  --smtp HOST[:PORT]       outgoing server\n"
    "  --smtp-security none|starttls|tls      (default starttls)\n"
    "  --imap HOST[:PORT] | --pop3 HOST[:PORT]  incoming server and protocol\n"
    "  --inbox-security none|starttls|tls     (default starttls)\n"
    "  --unencrypted-password yes|no  with security none, send the password\n"
    "                           unencrypted to a server other than this computer\n"
    "  --show                   print the account (not the password)\n"
    "  --check                  log in to both servers and report\n"
    "  --dialog                 open the account dialog\n"
    "  --register [--default]   register PinwellMail.dll as a mail client\n"
    "                           (--default: also make it the default one)\n"
    "  --unregister             remove the registration\n"
    "  --trust-ca FILE          trust a private mail server's certificate\n"
    "                           authority (PEM or DER) on this computer\n";

bool SplitHostPort(const std::string& text, std::string& host, int& port)
{
    size_t colon = text.rfind(':');
    host = text.substr(0, colon);
    if (colon == std::string::npos) return !host.empty();
    port = atoi(text.c_str() + colon + 1);
    return !host.empty() && port > 0 && port < 65536;
}

int Check(const char* what, const MailResult& r)
{
    if (r.Ok()) {
        std::printf("%s: OK\n", what);
        return 0;
    }
    std::printf("%s: FAILED: %s\n", what, r.detail.c_str());
    switch (r.status) {
    case MailStatus::LoginFailed: return 3;
    case MailStatus::CertificateRefused: return 4;
    case MailStatus::NetworkFailed: return 5;
    default: return 2;
    }
}

int CallDll(bool install, bool makeDefault)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dll = path;
    dll = dll.substr(0, dll.find_last_of("\\/") + 1) + "PinwellMail.dll";
    HMODULE h = LoadLibraryA(dll.c_str());
    if (!h) {
        std::fprintf(stderr, "Cannot load %s\n", dll.c_str());
        return 2;
    }
    auto fn = reinterpret_cast<HRESULT(WINAPI*)(BOOL, LPCWSTR)>(reinterpret_cast<void*>(GetProcAddress(h, "DllInstall")));
    HRESULT hr = fn ? fn(install, makeDefault ? L"default" : L"") : E_FAIL;
    FreeLibrary(h);
    if (FAILED(hr)) {
        std::fprintf(stderr, "Registration failed (0x%08lX); it needs administrator rights.\n", static_cast<unsigned long>(hr));
        return 2;
    }
    return 0;
}

int TrustCa(const std::string& file)
{
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "Cannot open %s\n", file.c_str());
        return 2;
    }
    std::string data(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
    CloseHandle(h);
    std::string der = data;
    if (data.find("-----BEGIN") != std::string::npos) {
        DWORD size = 0;
        if (!CryptStringToBinaryA(data.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
            std::fprintf(stderr, "%s is not a certificate\n", file.c_str());
            return 2;
        }
        der.resize(size);
        CryptStringToBinaryA(data.c_str(), 0, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()), &size,
                             nullptr, nullptr);
    }
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
    if (!store) {
        std::fprintf(stderr, "Cannot open the trusted root store (administrator rights needed)\n");
        return 2;
    }
    BOOL ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                               static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    if (!ok) {
        std::fprintf(stderr, "%s could not be added (0x%08lX)\n", file.c_str(), GetLastError());
        return 2;
    }
    std::printf("Trusted: %s\n", file.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    g_module = GetModuleHandleA(nullptr);
    MailAccount a;
    LoadAccount(a);
    bool changed = false, show = false, check = false, dialog = false, reg = false, makeDefault = false, unreg = false;
    std::string trust;
    for (int i = 1; i < argc; ++i) {
        std::string opt = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        bool ok = true;
        if (opt == "--address") ok = value(a.address), changed = true;
        else if (opt == "--name") ok = value(a.displayName), changed = true;
        else if (opt == "--user") ok = value(a.user), changed = true;
        else if (opt == "--password") ok = value(a.password), changed = true;
        else if (opt == "--password-stdin") {
            std::getline(std::cin, a.password);
            if (!a.password.empty() && a.password.back() == '\r') a.password.pop_back();
            changed = true;
        } else if (opt == "--smtp") {
            a.smtpPort = 0;
            ok = value(v) && SplitHostPort(v, a.smtpHost, a.smtpPort), changed = true;
        } else if (opt == "--imap" || opt == "--pop3") {
            a.pop3 = opt == "--pop3";
            a.inboxPort = 0;
            ok = value(v) && SplitHostPort(v, a.inboxHost, a.inboxPort), changed = true;
        } else if (opt == "--smtp-security") ok = value(v) && ParseSecurity(v, a.smtpSecurity), changed = true;
        else if (opt == "--inbox-security") ok = value(v) && ParseSecurity(v, a.inboxSecurity), changed = true;
        else if (opt == "--unencrypted-password") {
            ok = value(v) && (v == "yes" || v == "no");
            a.plainPasswordAllowed = v == "yes";
            changed = true;
        } else if (opt == "--show") show = true;
        else if (opt == "--check") check = true;
        else if (opt == "--dialog") dialog = true;
        else if (opt == "--register") reg = true;
        else if (opt == "--default") makeDefault = true;
        else if (opt == "--unregister") unreg = true;
        else if (opt == "--trust-ca") ok = value(trust);
        else ok = false;
        if (!ok) {
            std::fprintf(stderr, "pinwell-mailsetup: bad option %s\n\n%s", opt.c_str(), kUsage);
            return 1;
        }
    }
    if (argc < 2) {
        std::fputs(kUsage, stdout);
        return 1;
    }
    if (changed) {
        if (!a.smtpPort) a.smtpPort = DefaultSmtpPort(a.smtpSecurity);
        if (!a.inboxPort) a.inboxPort = DefaultInboxPort(a.pop3, a.inboxSecurity);
        if (a.user.empty()) a.user = a.address;
        if (!a.Complete()) {
            std::fprintf(stderr, "pinwell-mailsetup: the account needs --address, --smtp and --imap or --pop3\n");
            return 1;
        }
        std::string error;
        if (!SaveAccount(a, error)) {
            std::fprintf(stderr, "pinwell-mailsetup: %s\n", error.c_str());
            return 2;
        }
    }
    int rc = 0;
    if (!trust.empty() && (rc = TrustCa(trust)) != 0) return rc;
    if (unreg && (rc = CallDll(false, false)) != 0) return rc;
    if (reg && (rc = CallDll(true, makeDefault)) != 0) return rc;
    if (dialog && !RunAccountDialog(nullptr, a, "")) return 1;
    if (show) {
        std::printf("Address: %s\nName: %s\nUser: %s\nPassword: %s\n", a.address.c_str(), a.displayName.c_str(),
                    a.user.c_str(), a.password.empty() ? "(none)" : "(stored, protected)");
        std::printf("SMTP: %s:%d %s\n%s: %s:%d %s\n", a.smtpHost.c_str(), a.smtpPort, SecurityName(a.smtpSecurity),
                    a.pop3 ? "POP3" : "IMAP", a.inboxHost.c_str(), a.inboxPort, SecurityName(a.inboxSecurity));
        std::printf("Unencrypted password: %s\n", a.plainPasswordAllowed ? "allowed" : "only to this computer");
    }
    if (check) {
        if (!a.Complete()) {
            std::fprintf(stderr, "No mail account is set up.\n");
            return 2;
        }
        int smtp = Check("SMTP", SmtpSend(ConnectChannel, a.Smtp(), "localhost", a.address, {}, ""));
        auto inbox = a.pop3 ? MakePop3Client(ConnectChannel, a.Inbox()) : MakeImapClient(ConnectChannel, a.Inbox());
        int in = Check(a.pop3 ? "POP3" : "IMAP", inbox->Open());
        inbox->Close();
        rc = smtp ? smtp : in;
    }
    return rc;
}
