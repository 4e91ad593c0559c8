#include "net/Socket.h"

#include <algorithm>
#include <climits>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace net {

namespace {

#ifdef _WIN32
using SockLen = int;
SOCKET H(std::uintptr_t h) { return static_cast<SOCKET>(h); }
#else
using SockLen = socklen_t;
int H(int h) { return h; }
#endif

// One call moves at most this much: Winsock takes an int length.
constexpr std::size_t kMaxChunk = 1u << 30;

}  // namespace

// ---- Winsock session -------------------------------------------------------

WinsockSession::WinsockSession() {
#ifdef _WIN32
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) == 0) {
        started_ = true;
        ok_ = data.wVersion == MAKEWORD(1, 1);
    }
#else
    ok_ = true;
#endif
}

WinsockSession::~WinsockSession() {
#ifdef _WIN32
    if (started_) WSACleanup();
#endif
}

// ---- addresses ------------------------------------------------------------

Ipv4 LoopbackAddress() { return Ipv4{htonl(INADDR_LOOPBACK)}; }

bool ResolveIpv4(const std::string& host, Ipv4& address) {
    if (host.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list) return false;
    bool found = false;
    for (addrinfo* a = list; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in in;
            std::memcpy(&in, a->ai_addr, sizeof in);
            address.networkOrder = in.sin_addr.s_addr;
            found = true;
            break;
        }
    }
    freeaddrinfo(list);
    return found;
}

std::string Ipv4ToText(Ipv4 address) {
    const auto* b = reinterpret_cast<const unsigned char*>(&address.networkOrder);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

bool LocalHostName(std::string& name) {
    WinsockSession session;  // Winsock answers nothing before it is started
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) return false;
    name = buffer;
    return !name.empty();
}

// ---- socket -----------------------------------------------------------------

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalid; }

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = kInvalid;
    }
    return *this;
}

Socket Socket::CreateTcp() {
    return Socket(static_cast<Handle>(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
}

bool Socket::Valid() const { return handle_ != kInvalid; }

void Socket::Close() {
    if (!Valid()) return;
#ifdef _WIN32
    closesocket(H(handle_));
#else
    close(handle_);
#endif
    handle_ = kInvalid;
}

void Socket::AllowQuickRebind() {
#ifndef _WIN32
    int on = 1;
    setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
}

bool Socket::Bind(Ipv4 address, std::uint16_t port) {
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    in.sin_addr.s_addr = address.networkOrder;
    return bind(H(handle_), reinterpret_cast<const sockaddr*>(&in), sizeof in) == 0;
}

bool Socket::Listen(int backlog) { return listen(H(handle_), backlog) == 0; }

std::uint16_t Socket::LocalPort() const {
    sockaddr_in in{};
    SockLen len = sizeof in;
    if (getsockname(H(handle_), reinterpret_cast<sockaddr*>(&in), &len) != 0) return 0;
    return ntohs(in.sin_port);
}

bool Socket::SetBlocking(bool blocking) {
#ifdef _WIN32
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(H(handle_), FIONBIO, &nonBlocking) == 0;
#else
    const int flags = fcntl(handle_, F_GETFL, 0);
    if (flags < 0) return false;
    return fcntl(handle_, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK)) == 0;
#endif
}

Socket Socket::Accept(Ipv4* peer) {
    sockaddr_in in{};
    SockLen len = sizeof in;
    Handle h;
    for (;;) {
        h = static_cast<Handle>(accept(H(handle_), reinterpret_cast<sockaddr*>(&in), &len));
#ifndef _WIN32
        if (h == kInvalid && errno == EINTR) continue;
#endif
        break;
    }
    if (h != kInvalid && peer) peer->networkOrder = in.sin_addr.s_addr;
    return Socket(h);
}

bool Socket::Connect(Ipv4 address, std::uint16_t port) {
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    in.sin_addr.s_addr = address.networkOrder;
    return connect(H(handle_), reinterpret_cast<const sockaddr*>(&in), sizeof in) == 0;
}

long Socket::Send(const void* data, std::size_t size) {
    const std::size_t n = std::min(size, kMaxChunk);
#ifdef _WIN32
    return send(H(handle_), static_cast<const char*>(data), static_cast<int>(n), 0);
#else
    for (;;) {
        const ssize_t sent = send(handle_, data, n, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        return static_cast<long>(sent);
    }
#endif
}

bool Socket::SendAll(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const long sent = Send(p, size);
        if (sent <= 0) return false;
        p += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

long Socket::Receive(void* buffer, std::size_t size) {
    const std::size_t n = std::min(size, kMaxChunk);
#ifdef _WIN32
    return recv(H(handle_), static_cast<char*>(buffer), static_cast<int>(n), 0);
#else
    for (;;) {
        const ssize_t got = recv(handle_, buffer, n, 0);
        if (got < 0 && errno == EINTR) continue;
        return static_cast<long>(got);
    }
#endif
}

void Socket::ShutdownSend() {
#ifdef _WIN32
    shutdown(H(handle_), SD_SEND);
#else
    shutdown(handle_, SHUT_WR);
#endif
}

WaitResult Socket::WaitReadable(int timeoutMs) const {
#ifdef _WIN32
    fd_set set;
    FD_ZERO(&set);
    FD_SET(H(handle_), &set);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int r = select(0, &set, nullptr, nullptr, timeoutMs < 0 ? nullptr : &tv);
    if (r < 0) return WaitResult::Failed;
    return r == 0 ? WaitResult::Timeout : WaitResult::Ready;
#else
    pollfd p{handle_, POLLIN, 0};
    for (;;) {
        const int r = poll(&p, 1, timeoutMs < 0 ? -1 : timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return WaitResult::Failed;
        return r == 0 ? WaitResult::Timeout : WaitResult::Ready;
    }
#endif
}

WaitResult Socket::WaitAnyReadable(const std::vector<const Socket*>& sockets, int timeoutMs,
                                   std::vector<bool>& ready) {
    ready.assign(sockets.size(), false);
#ifdef _WIN32
    if (sockets.empty() || sockets.size() > static_cast<std::size_t>(FD_SETSIZE)) return WaitResult::Failed;
    fd_set set;
    FD_ZERO(&set);
    for (const Socket* s : sockets) FD_SET(H(s->handle_), &set);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int r = select(0, &set, nullptr, nullptr, timeoutMs < 0 ? nullptr : &tv);
    if (r < 0) return WaitResult::Failed;
    if (r == 0) return WaitResult::Timeout;
    for (std::size_t i = 0; i < sockets.size(); ++i) ready[i] = FD_ISSET(H(sockets[i]->handle_), &set) != 0;
    return WaitResult::Ready;
#else
    std::vector<pollfd> p;
    p.reserve(sockets.size());
    for (const Socket* s : sockets) p.push_back(pollfd{s->handle_, POLLIN, 0});
    for (;;) {
        const int r = poll(p.data(), p.size(), timeoutMs < 0 ? -1 : timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return WaitResult::Failed;
        if (r == 0) return WaitResult::Timeout;
        for (std::size_t i = 0; i < p.size(); ++i) ready[i] = p[i].revents != 0;
        return WaitResult::Ready;
    }
#endif
}

int Socket::LastError() {
#ifdef _WIN32
    return WSAGetLastError();
#else
    return errno;
#endif
}

bool Socket::PeerFault(int error) {
#ifdef _WIN32
    return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAENETRESET ||
           error == WSAETIMEDOUT;
#else
    return error == ECONNRESET || error == ECONNABORTED || error == EPIPE || error == ETIMEDOUT ||
           error == EPROTO;
#endif
}

bool Socket::WouldBlock(int error) {
#ifdef _WIN32
    return error == WSAEWOULDBLOCK || error == WSAEINTR;
#else
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
#endif
}

}  // namespace net
