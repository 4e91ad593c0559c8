// The receiving server: a thread that accepts notes from other computers on
// the communication port, acknowledges them and hands each one to the user
// thread through NOTE_RECEIVED/NoteData of the main data file.
//
// Anyone on the network can connect, so no peer may hold up the others: the
// thread reads up to 16 connections at once (two per address), each with a
// deadline for its whole message well below a sender's patience, and hands
// the notes over one at a time, first complete, first served, with a
// deadline for that wait too. A peer is told "MESSAGE RECEIVED" only for a
// note that was handed over (or for sending nothing at all): a text cut by
// silence, a deadline, the size cap or a vanished peer, and a note refused
// (data file too full for it, too many notes from its address) are dropped
// unacknowledged, so "failed" at the sender always means "not delivered".
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

// Where a received text goes, one note at a time. Runs on the server thread
// and must not wait: HandOver is called only once Ready, and the note is
// acknowledged only once it returns true.
class INoteHandOver {
public:
    virtual ~INoteHandOver() = default;
    virtual bool Ready() = 0;
    virtual bool HandOver(const std::string& text) = 0;
};

// The program's hand-over: NOTE_RECEIVED/NoteData. A complete note still
// waiting there is never replaced: the value is ready only once the user
// thread has taken it (or it holds only an incomplete text). With a signal
// a value seen busy is read again only once the user thread has emptied it,
// and a written note wakes the user thread; without one it is read at every
// look and the user thread finds the note on its tick.
class CIniHandOver : public INoteHandOver {
public:
    CIniHandOver(std::string dataFile, CHandOverSignal* signal = nullptr)
        : dataFile_(std::move(dataFile)), signal_(signal) {}
    bool Ready() override;
    bool HandOver(const std::string& text) override;

private:
    std::string dataFile_;
    CHandOverSignal* signal_;
    bool busySeen_ = false;
    std::uint64_t takenWhenBusy_ = 0;
};

// Why a whole note was turned away; the user is told, the sender is not
// acknowledged.
enum class NoteRefusal {
    DataFileFull,  // storing it would take the data file past its size limit
    TooManyNotes,  // its address put too many notes on the desktop this minute
    // A note e-mail the data file cannot take; it stays in the Inbox.
    EmailDataFileFull,
    TooLarge,      // no data file could keep it, however many notes were deleted
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
    // A connection that sends nothing for this long is closed; what it sent
    // is a cut text unless it is complete note data.
    int silenceTimeoutMs = 5000;
    // The longest any one connection may take to send its note, counted
    // from its acceptance.
    int messageTimeoutMs = 10000;
    // From acceptance to the acknowledgement: a note not handed over by
    // then is dropped unacknowledged. Below a Pinwell sender's 15 s.
    int answerTimeoutMs = 13000;
    // Connections read at once, in all and from one address. More wait in
    // the backlog; one more from a busy address is closed at once.
    std::size_t maxConnections = 16;
    std::size_t maxConnectionsPerAddress = 2;
    // Notes one address may put on the desktop in any minute.
    std::size_t maxNotesPerAddressPerMinute = 20;
    // Refuse notes the main data file cannot take (for a hand-over that
    // stores them there).
    bool dataFileLimit = true;
    // What a note's text will take in the data file once its body has been
    // made fit to show (pictures dropped, say); none = the text's length.
    std::function<std::size_t(const std::string& text)> storedLength;
    // A note longer than this is cut: refused unacknowledged.
    std::size_t maxMessageBytes = 4u << 20;
    // How often an idle server looks at the stop request.
    int pollIntervalMs = 50;
    // How often the hand-over value is tried while a note waits for it.
    int handOverRetryMs = 10;
    // After an unexpected socket error, the pause before listening again.
    int restartPauseMs = 2000;
    // Called on the server thread for each whole note refused.
    std::function<void(NoteRefusal, net::Ipv4 peer)> onRefused;
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

    // How one listening socket's life ended.
    enum class CycleEnd { Stopped, Failed, PortChanged, SocketError };
    // One listening socket's life: opened on the port, serving notes until
    // the server stops, it cannot be opened (Failed, reported), the
    // CommunicationPort changes, or an unexpected socket error (the thread
    // listens again after a pause).
    CycleEnd ServerCycle();
    // Shows the server error and switches network sending off.
    void ReportServerError(const std::string& text);

private:
    struct Connection;
    using Connections = std::vector<std::unique_ptr<Connection>>;

    void ThreadProc();
    int PortToUse() const;
    // Reads what one connection has; false once it is done with.
    bool ReadSome(Connection& c);
    // Takes the waiting connections; false on an unexpected error.
    bool AcceptAll(net::Socket& listener, Connections& connections);
    // Drops connections past their deadlines and hands the oldest whole
    // note over when it may go.
    void ServeWholeNotes(Connections& connections);
    bool AddressOverRate(net::Ipv4 peer);
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
    std::uint64_t wholeCount_ = 0;
    // When each address last had notes put on the desktop, within a minute.
    std::map<std::uint32_t, std::deque<std::chrono::steady_clock::time_point>> delivered_;
};

// The received text as the hand-over keeps it: cut at the first NUL byte, a
// line end after the last field dropped, other carriage returns dropped and
// line feeds written as "|" (the form the sender uses; a line break could
// not be stored in one value at all).
std::string NormaliseReceivedText(std::string text);
