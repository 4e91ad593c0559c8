// A small TCP socket wrapper over BSD sockets (Linux) and Winsock (Windows).
// This is the only file pair of the program that knows which of the two it
// is talking to; everything above it is the same on both systems.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace net {

// Windows Sockets 1.1 for as long as the object lives. On Linux there is
// nothing to start and Ok() is always true.
class WinsockSession {
public:
    WinsockSession();
    ~WinsockSession();
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    // False when the system could not give us version 1.1.
    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
    bool started_ = false;
};

// IPv4 address in network byte order, as it travels.
struct Ipv4 {
    std::uint32_t networkOrder = 0;
};

constexpr Ipv4 kAnyAddress{0};
Ipv4 LoopbackAddress();

// The first IPv4 address of a host name or dotted address; false when it
// does not resolve.
bool ResolveIpv4(const std::string& host, Ipv4& address);
// Dotted decimal form.
std::string Ipv4ToText(Ipv4 address);
// The system's host name; false when it cannot be had.
bool LocalHostName(std::string& name);

enum class WaitResult { Ready, Timeout, Failed };

// One TCP stream socket, owned: closed when the object goes. Move-only.
class Socket {
public:
    Socket() = default;
    ~Socket();
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Internet family, stream, TCP. Check Valid() afterwards.
    static Socket CreateTcp();

    bool Valid() const;
    void Close();

    // Lets a restarted listener take its port back at once on Linux, where
    // connections of the previous run may still linger. Not used on
    // Windows, where the option would let another program share the port.
    void AllowQuickRebind();
    bool Bind(Ipv4 address, std::uint16_t port);
    bool Listen(int backlog);
    // The port the socket is bound to (after Bind with port 0); 0 on error.
    std::uint16_t LocalPort() const;
    bool SetBlocking(bool blocking);
    // Takes one waiting connection. With a non-blocking listener an empty
    // queue gives an invalid socket and WouldBlock() is true.
    Socket Accept(Ipv4* peer = nullptr);

    bool Connect(Ipv4 address, std::uint16_t port);

    // Bytes sent, or -1. Never raises a signal when the peer has gone.
    long Send(const void* data, std::size_t size);
    // Sends everything, looping over partial sends.
    bool SendAll(const void* data, std::size_t size);
    // Bytes received, 0 when the peer closed, -1 on error.
    long Receive(void* buffer, std::size_t size);
    // No more sending: the peer reads the end of the stream after what it
    // has been sent.
    void ShutdownSend();
    // Waits up to timeoutMs (negative = no limit) for data or a close.
    WaitResult WaitReadable(int timeoutMs) const;
    // The same for several sockets at once (at most 64): ready[i] tells
    // whether sockets[i] has data, a close or a connection to accept.
    static WaitResult WaitAnyReadable(const std::vector<const Socket*>& sockets, int timeoutMs,
                                      std::vector<bool>& ready);

    // The error of the last failed call on this thread, and whether it was
    // the peer's doing (reset, aborted) or an empty non-blocking queue.
    static int LastError();
    static bool PeerFault(int error);
    static bool WouldBlock(int error);

private:
#ifdef _WIN32
    using Handle = std::uintptr_t;
#else
    using Handle = int;
#endif
    static constexpr Handle kInvalid = static_cast<Handle>(-1);
    explicit Socket(Handle handle) : handle_(handle) {}
    Handle handle_ = kInvalid;
};

}  // namespace net
