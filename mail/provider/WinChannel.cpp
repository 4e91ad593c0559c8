#include "mail/provider/WinChannel.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <vector>

namespace pwmail {

namespace {

std::string Win32Text(DWORD code)
{
    char* buf = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<char*>(&buf), 0, nullptr);
    std::string s = buf ? buf : "";
    LocalFree(buf);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == '.')) s.pop_back();
    char num[32];
    wsprintfA(num, " (0x%08lX)", static_cast<unsigned long>(code));
    return (s.empty() ? "error" : s) + num;
}

// Waits until the socket can be read (or written); false on timeout.
bool WaitSocket(SOCKET s, bool write, int seconds)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{seconds, 0};
    return select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &tv) == 1;
}

class WinChannel : public MailChannel {
public:
    WinChannel(SOCKET s, std::string host) : s_(s), host_(std::move(host))
    {
        SecInvalidateHandle(&cred_);
        SecInvalidateHandle(&ctx_);
    }
    ~WinChannel() override
    {
        if (SecIsValidHandle(&ctx_)) DeleteSecurityContext(&ctx_);
        if (SecIsValidHandle(&cred_)) FreeCredentialsHandle(&cred_);
        closesocket(s_);
    }

    bool Write(const std::string& data) override
    {
        if (!tls_) return SendRaw(data.data(), data.size());
        size_t pos = 0;
        while (pos < data.size()) {
            size_t n = std::min<size_t>(data.size() - pos, sizes_.cbMaximumMessage);
            std::vector<char> buf(sizes_.cbHeader + n + sizes_.cbTrailer);
            memcpy(buf.data() + sizes_.cbHeader, data.data() + pos, n);
            SecBuffer b[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, buf.data()},
                              {static_cast<unsigned long>(n), SECBUFFER_DATA, buf.data() + sizes_.cbHeader},
                              {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, buf.data() + sizes_.cbHeader + n},
                              {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
            SECURITY_STATUS st = EncryptMessage(&ctx_, 0, &desc, 0);
            if (st != SEC_E_OK) {
                error_ = "TLS encryption failed: " + Win32Text(static_cast<DWORD>(st));
                return false;
            }
            if (!SendRaw(buf.data(), b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer)) return false;
            pos += n;
        }
        return true;
    }

    long Read(char* buffer, size_t size) override
    {
        if (!tls_) return RecvRaw(buffer, size);
        while (plain_.empty()) {
            if (raw_.empty()) {
                long n = FillRaw();
                if (n <= 0) return n;
            }
            SecBuffer b[4] = {{static_cast<unsigned long>(raw_.size()), SECBUFFER_DATA, raw_.data()},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
            SECURITY_STATUS st = DecryptMessage(&ctx_, &desc, 0, nullptr);
            if (st == SEC_E_INCOMPLETE_MESSAGE) {
                long n = FillRaw();
                if (n <= 0) return n;
                continue;
            }
            if (st == SEC_I_CONTEXT_EXPIRED) return 0;  // the server closed TLS
            if (st != SEC_E_OK && st != SEC_I_RENEGOTIATE) {
                error_ = "TLS decryption failed: " + Win32Text(static_cast<DWORD>(st));
                return -1;
            }
            std::string extra;
            for (auto& x : b) {
                if (x.BufferType == SECBUFFER_DATA) plain_.append(static_cast<char*>(x.pvBuffer), x.cbBuffer);
                if (x.BufferType == SECBUFFER_EXTRA) extra.assign(static_cast<char*>(x.pvBuffer), x.cbBuffer);
            }
            raw_ = extra;
            if (st == SEC_I_RENEGOTIATE) {
                error_ = "the server asked to renegotiate TLS";
                return -1;
            }
        }
        size_t n = std::min(size, plain_.size());
        memcpy(buffer, plain_.data(), n);
        plain_.erase(0, n);
        return static_cast<long>(n);
    }

    MailResult StartTls() override
    {
        SCHANNEL_CRED sc{};
        sc.dwVersion = SCHANNEL_CRED_VERSION;
        sc.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
        // We check the certificate ourselves, the same way on every system,
        // and refuse it when the chain or the name does not hold.
        sc.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
        TimeStamp expiry;
        SECURITY_STATUS st = AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                                       nullptr, &sc, nullptr, nullptr, &cred_, &expiry);
        if (st != SEC_E_OK) return {MailStatus::TlsFailed, "TLS is not available: " + Win32Text(static_cast<DWORD>(st))};
        const DWORD flags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                            ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR;
        DWORD attrs;
        bool first = true, needData = false;
        for (;;) {
            if (needData) {
                long n = FillRaw();
                if (n <= 0) return {MailStatus::TlsFailed, "TLS handshake: " + (n == 0 ? std::string("connection closed") : error_)};
            }
            SecBuffer in[2] = {{static_cast<unsigned long>(raw_.size()), SECBUFFER_TOKEN, raw_.data()},
                               {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
            SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
            SecBufferDesc outDesc{SECBUFFER_VERSION, 1, out};
            st = InitializeSecurityContextA(&cred_, first ? nullptr : &ctx_, const_cast<char*>(host_.c_str()), flags, 0, 0,
                                            first ? nullptr : &inDesc, 0, first ? &ctx_ : nullptr, &outDesc, &attrs,
                                            &expiry);
            first = false;
            if (out[0].cbBuffer && out[0].pvBuffer) {
                bool sent = SendRaw(static_cast<char*>(out[0].pvBuffer), out[0].cbBuffer);
                FreeContextBuffer(out[0].pvBuffer);
                if (!sent) return {MailStatus::NetworkFailed, "TLS handshake: " + error_};
            }
            if (st == SEC_E_INCOMPLETE_MESSAGE) {
                needData = true;
                continue;
            }
            if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer)
                raw_ = raw_.substr(raw_.size() - in[1].cbBuffer);
            else
                raw_.clear();
            if (st == SEC_E_OK) break;
            if (st == SEC_I_CONTINUE_NEEDED) {
                needData = raw_.empty();
                continue;
            }
            return {MailStatus::TlsFailed, "TLS handshake with " + host_ + " failed: " + Win32Text(static_cast<DWORD>(st))};
        }
        MailResult cert = CheckCertificate();
        if (!cert.Ok()) return cert;
        QueryContextAttributesA(&ctx_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
        tls_ = true;
        return {};
    }

    std::string LastError() override { return error_; }
    void SetReadTimeout(int seconds) override { readSeconds_ = seconds > 0 ? seconds : kIoSeconds; }

private:
    MailResult CheckCertificate()
    {
        PCCERT_CONTEXT cert = nullptr;
        if (QueryContextAttributesA(&ctx_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert) != SEC_E_OK || !cert)
            return {MailStatus::CertificateRefused, "the server " + host_ + " sent no certificate"};
        CERT_CHAIN_PARA para{};
        para.cbSize = sizeof para;
        LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
        para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
        para.RequestedUsage.Usage.cUsageIdentifier = 1;
        para.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
        PCCERT_CHAIN_CONTEXT chain = nullptr;
        BOOL built = CertGetCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &para, 0, nullptr, &chain);
        CertFreeCertificateContext(cert);
        if (!built || !chain) return {MailStatus::CertificateRefused, "the certificate of " + host_ + " cannot be checked"};
        std::wstring wide(host_.begin(), host_.end());
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
        ssl.cbSize = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.pwszServerName = wide.data();
        CERT_CHAIN_POLICY_PARA policy{};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS status{};
        status.cbSize = sizeof status;
        BOOL ok = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status);
        CertFreeCertificateChain(chain);
        if (ok && status.dwError == 0) return {};
        DWORD e = ok ? status.dwError : GetLastError();
        std::string why;
        switch (e) {
        case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
        case static_cast<DWORD>(CERT_E_CHAINING):
            why = "it is not issued by an authority this computer trusts";
            break;
        case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
            why = "it is issued for another server name";
            break;
        case static_cast<DWORD>(CERT_E_EXPIRED):
            why = "it has expired or is not yet valid";
            break;
        case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE):
            why = "its signature cannot be verified";
            break;
        default:
            why = Win32Text(e);
        }
        return {MailStatus::CertificateRefused, "The certificate of the mail server " + host_ + " was refused: " + why + "."};
    }

    bool SendRaw(const char* data, size_t size)
    {
        while (size) {
            if (!WaitSocket(s_, true, kIoSeconds)) {
                error_ = "timed out sending to " + host_;
                return false;
            }
            int n = send(s_, data, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
            if (n <= 0) {
                error_ = "sending to " + host_ + ": " + Win32Text(static_cast<DWORD>(WSAGetLastError()));
                return false;
            }
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    long RecvRaw(char* buffer, size_t size)
    {
        if (!WaitSocket(s_, false, readSeconds_)) {
            error_ = "no answer from " + host_ + " within " + std::to_string(readSeconds_) + " seconds";
            return -1;
        }
        int n = recv(s_, buffer, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
        if (n < 0) error_ = "receiving from " + host_ + ": " + Win32Text(static_cast<DWORD>(WSAGetLastError()));
        if (n == 0) error_ = host_ + " closed the connection";
        return n;
    }

    long FillRaw()
    {
        char buf[16384];
        long n = RecvRaw(buf, sizeof buf);
        if (n > 0) raw_.append(buf, static_cast<size_t>(n));
        return n;
    }

    SOCKET s_;
    std::string host_;
    int readSeconds_ = kIoSeconds;
    CredHandle cred_;
    CtxtHandle ctx_;
    SecPkgContext_StreamSizes sizes_{};
    bool tls_ = false;
    std::string raw_, plain_, error_;
};

}  // namespace

std::unique_ptr<MailChannel> ConnectChannel(const ServerConfig& server, MailResult& result)
{
    static bool started = [] {
        WSADATA wsa;
        return WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
    }();
    (void)started;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    std::string port = std::to_string(server.port);
    if (server.host.empty() || getaddrinfo(server.host.c_str(), port.c_str(), &hints, &list) != 0) {
        result = {MailStatus::NetworkFailed, "the mail server " + server.host + " is not known"};
        return nullptr;
    }
    SOCKET s = INVALID_SOCKET;
    std::string error = "cannot connect to " + server.host + ":" + port;
    DWORD deadline = GetTickCount() + kConnectSeconds * 1000;
    for (addrinfo* a = list; a && s == INVALID_SOCKET; a = a->ai_next) {
        SOCKET c = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (c == INVALID_SOCKET) continue;
        u_long nonblocking = 1;
        ioctlsocket(c, FIONBIO, &nonblocking);
        bool ok = connect(c, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0;
        if (!ok && WSAGetLastError() == WSAEWOULDBLOCK) {
            long left = static_cast<long>(deadline - GetTickCount());
            fd_set w, e;
            FD_ZERO(&w);
            FD_ZERO(&e);
            FD_SET(c, &w);
            FD_SET(c, &e);
            timeval tv{left > 0 ? left / 1000 : 0, left > 0 ? (left % 1000) * 1000 : 0};
            if (select(0, nullptr, &w, &e, &tv) == 1 && FD_ISSET(c, &w)) {
                int soError = 0, len = sizeof soError;
                getsockopt(c, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len);
                ok = soError == 0;
                if (!ok) error = "cannot connect to " + server.host + ":" + port + ": " + Win32Text(static_cast<DWORD>(soError));
            } else if (FD_ISSET(c, &e)) {
                error = "cannot connect to " + server.host + ":" + port + ": the connection was refused";
            } else {
                error = "no answer from " + server.host + ":" + port + " within " + std::to_string(kConnectSeconds) + " seconds";
            }
        }
        if (ok) {
            nonblocking = 0;
            ioctlsocket(c, FIONBIO, &nonblocking);
            s = c;
        } else {
            closesocket(c);
        }
    }
    freeaddrinfo(list);
    if (s == INVALID_SOCKET) {
        result = {MailStatus::NetworkFailed, error};
        return nullptr;
    }
    auto ch = std::make_unique<WinChannel>(s, server.host);
    if (server.security == Security::Tls) {
        result = ch->StartTls();
        if (!result.Ok()) return nullptr;
    }
    return ch;
}

}  // namespace pwmail
