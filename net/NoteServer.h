// The receiving server: a thread that accepts notes from other computers on
// the communication port, acknowledges them and hands each one to the user
// thread through NOTE_RECEIVED/NoteData of the main data file.
//
// Unlike a server that serves one connection per listening socket, this one
// keeps its listening socket open (senders queue in the backlog instead of
// being refused), reads a note to its end however it is split on the wire,
// gives up on a peer that falls silent, and never overwrites a note that is
// still waiting to be picked up. A peer is told "MESSAGE RECEIVED" only for
// complete note data (or for sending nothing at all): a text cut by silence,
// the size cap or a vanished peer is dropped unacknowledged, so the sender
// knows the note did not arrive.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "store/HandOver.h"
#include "net/Socket.h"

// A stop request that sleeping threads can wait on.
class StopSignal {
public:
    void Request();
    void Reset();
    bool Requested() const { return requested_.load(); }
    // Sleeps up to ms milliseconds; true as soon as a stop is requested.
    bool WaitFor(int ms);

private:
    std::atomic<bool> requested_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
};

// Where a received text goes. Runs on the server thread and may wait; the
// note is acknowledged only once it returns Delivered.
class INoteHandOver {
public:
    enum class Result { Delivered, Failed, Stopped };
    virtual ~INoteHandOver() = default;
    virtual Result HandOver(const std::string& text, StopSignal& stop) = 0;
};

// The program's hand-over: NOTE_RECEIVED/NoteData. A complete note still
// waiting there is never replaced: the write waits until the user thread has
// taken it (or the value holds only an incomplete text), and gives up when
// the server stops. With a signal the wait ends as soon as the user thread
// empties the value, and a written note wakes the user thread; without one
// the value is polled and the user thread finds it on its tick.
class CIniHandOver : public INoteHandOver {
public:
    CIniHandOver(std::string dataFile, int pollMs, CHandOverSignal* signal = nullptr)
        : dataFile_(std::move(dataFile)), pollMs_(pollMs), signal_(signal) {}
    Result HandOver(const std::string& text, StopSignal& stop) override;

private:
    std::string dataFile_;
    int pollMs_;
    CHandOverSignal* signal_;
};

constexpr char kNoteReceivedSection[] = "NOTE_RECEIVED";
constexpr char kNoteDataKey[] = "NoteData";

struct NoteServerOptions {
    // Main data file for the port and the hand-over; empty = the program's.
    std::string dataFile;
    // Port to listen on; negative = CommunicationPort, read for every new
    // listening socket; 0 = any free port (see BoundPort).
    int port = -1;
    net::Ipv4 bindAddress = net::kAnyAddress;
    int backlog = 64;
    // A connection that sends nothing for this long is closed, so that it
    // cannot hold up other senders; what it sent is a cut text unless it is
    // complete note data.
    int silenceTimeoutMs = 5000;
    // The longest any one connection may take to deliver its note.
    int messageTimeoutMs = 60000;
    // A note longer than this is cut: refused unacknowledged.
    std::size_t maxMessageBytes = 4u << 20;
    // How often waits look at the stop request and the hand-over value.
    int pollIntervalMs = 50;
    // How often an idle server looks whether CommunicationPort changed.
    int portCheckIntervalMs = 1000;
    // Where received notes go; none = CIniHandOver on dataFile.
    INoteHandOver* handOver = nullptr;
    // The wake-ups of CIniHandOver; none = polling and the user thread's tick.
    CHandOverSignal* signal = nullptr;
};

class CNoteServer {
public:
    explicit CNoteServer(NoteServerOptions options = {});
    ~CNoteServer();
    CNoteServer(const CNoteServer&) = delete;
    CNoteServer& operator=(const CNoteServer&) = delete;

    // Starts the server thread (again, after Stop or an error); false when
    // it already runs.
    bool Start();
    // Asks the thread to end and returns once it has: it closes its
    // listening socket and any connection it holds, unacknowledged.
    void Stop();

    // True while the thread serves; false once it stopped on an error.
    bool Running() const { return running_.load(); }
    // The port of the current listening socket, 0 while there is none.
    int BoundPort() const { return boundPort_.load(); }
    // Waits until a listening socket is open (returns its port) or the
    // thread has ended (returns 0).
    int WaitUntilListening(int timeoutMs);

    // One listening socket's life: opened on the port, serving notes until
    // the server stops (false), an error (false), or CommunicationPort
    // changes (true: the next cycle listens on the new port).
    bool ServerCycle();
    // Shows the server error and switches network sending off.
    void ReportServerError(const std::string& text);

private:
    enum class Outcome { Served, Idle, Failed };
    enum class ReadEnd { Whole, Closed, Silent, TooLong, PeerGone, Stopped, Failed };

    void ThreadProc();
    int PortToUse() const;
    // Waits a poll interval for a connection and serves it.
    Outcome ReceiveOneNote(net::Socket& listener);
    ReadEnd ReadMessage(net::Socket& client, std::string& text);
    void SetBoundPort(int port);

    NoteServerOptions options_;
    CIniHandOver iniHandOver_;
    INoteHandOver* handOver_;
    StopSignal stop_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<int> boundPort_{0};
    std::mutex listeningMutex_;
    std::condition_variable listeningChanged_;
};

// The received text as the hand-over keeps it: cut at the first NUL byte, a
// line end after the last field dropped, other carriage returns dropped and
// line feeds written as "|" (the form the sender uses; a line break could
// not be stored in one value at all).
std::string NormaliseReceivedText(std::string text);
