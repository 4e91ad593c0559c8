#include "net/NoteServer.h"

#include <algorithm>
#include <chrono>

#include "base/ProgramFlags.h"
#include "base/Seams.h"
#include "net/NoteData.h"
#include "store/NoteRecord.h"
#include "store/IniFile.h"
#include "store/SettingsStore.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kSocketError[] =
    "Error in Server socket() function.\nCan not create TCP/IP stream socket to listen with ...";
constexpr char kBindError[] = "Error in Server bind() function.\nCan not bind the name to the socket ...";
constexpr char kListenError[] = "Error in Server listen() function.\nListening on port failed ...";
constexpr char kAcceptError[] = "Error in Server accept() function.\nError accepting Client data ...";
constexpr char kRecvError[] = "Error in Server recv() function.\nError receiving Client data ...";
constexpr char kWinsockError[] = "Windows Socket initialization failed. Wrong version ...";

int MsUntil(Clock::time_point when) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 1 << 30));
}

std::string TrimTrailingLineEnds(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// Ends with a field's "~", allowing for a line end behind it.
bool EndsWithField(const std::string& text) {
    std::size_t n = text.size();
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) --n;
    return n > 0 && text[n - 1] == '~';
}

// Every field there and the last one closed: a peer that falls silent or
// closes after some of the fields may well have stopped on a "~".
bool IsWholeNoteData(const std::string& text) {
    return IsCompleteNoteText(text) &&
           static_cast<std::size_t>(std::count(text.begin(), text.end(), '~')) >= kNoteDataFieldCount;
}

}  // namespace

// ---- stop signal ------------------------------------------------------------

void StopSignal::Request() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requested_ = true;
    }
    changed_.notify_all();
}

void StopSignal::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    requested_ = false;
}

bool StopSignal::WaitFor(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(std::max(ms, 0)),
                             [this] { return requested_.load(); });
}

// ---- hand-over --------------------------------------------------------------

bool CIniHandOver::Ready() {
    // Only this thread writes a note into the value; the user thread only
    // empties it. Once it is seen free it stays free until our write.
    if (signal_ && busySeen_ && signal_->TakenCount() == takenWhenBusy_) return false;
    // Counted before the read: a take between the two is not missed.
    const std::uint64_t taken = signal_ ? signal_->TakenCount() : 0;
    busySeen_ = IsCompleteNoteText(ini::Read(ResolveDataFile(dataFile_), kNoteReceivedSection, kNoteDataKey));
    takenWhenBusy_ = taken;
    return !busySeen_;
}

bool CIniHandOver::HandOver(const std::string& text) {
    if (!ini::Write(ResolveDataFile(dataFile_), kNoteReceivedSection, kNoteDataKey, text)) {
        ShowNotice("Error writing to ini file.");
        return false;
    }
    if (signal_) signal_->Written();
    return true;
}

std::string NormaliseReceivedText(std::string text) {
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    text = TrimTrailingLineEnds(std::move(text));
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\r') continue;
        out += c == '\n' ? '|' : c;
    }
    return out;
}

// ---- server -----------------------------------------------------------------

// One accepted peer: reading its note until the note is whole, then waiting
// for its turn at the hand-over.
struct CNoteServer::Connection {
    net::Socket socket;
    net::Ipv4 peer;
    Clock::time_point readBy;      // the whole message by then
    Clock::time_point answerBy;    // handed over and acknowledged by then
    Clock::time_point silentFrom;  // nothing more by then: the peer fell silent
    std::string text;
    std::size_t tildes = 0;
    std::uint64_t wholeAt = 0;  // 0 while reading; then its place in the queue
};

namespace {

void Acknowledge(net::Socket& client) {
    client.Send(kAcknowledgement.data(), kAcknowledgement.size());
    client.ShutdownSend();
    // Whatever the peer sent beyond the note is read off, so that closing
    // does not reset the connection under the acknowledgement.
    char sink[4096];
    for (int i = 0; i < 16 && client.WaitReadable(0) == net::WaitResult::Ready; ++i)
        if (client.Receive(sink, sizeof sink) <= 0) break;
}

}  // namespace

CNoteServer::CNoteServer(NoteServerOptions options)
    : options_(std::move(options)),
      iniHandOver_(options_.dataFile, options_.signal),
      handOver_(options_.handOver ? options_.handOver : &iniHandOver_) {}

CNoteServer::~CNoteServer() { Stop(); }

bool CNoteServer::Start() {
    if (running_) return false;
    if (thread_.joinable()) thread_.join();  // ended on an error earlier
    stop_.Reset();
    running_ = true;
    thread_ = std::thread([this] { ThreadProc(); });
    return true;
}

void CNoteServer::Stop() {
    stop_.Request();
    if (thread_.joinable()) thread_.join();
}

int CNoteServer::WaitUntilListening(int timeoutMs) {
    std::unique_lock<std::mutex> lock(listeningMutex_);
    listeningChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [this] { return boundPort_.load() != 0 || !running_.load(); });
    return boundPort_.load();
}

void CNoteServer::SetBoundPort(int port) {
    {
        std::lock_guard<std::mutex> lock(listeningMutex_);
        boundPort_ = port;
    }
    listeningChanged_.notify_all();
}

void CNoteServer::ThreadProc() {
    while (!stop_.Requested()) {
        const CycleEnd end = ServerCycle();
        if (end == CycleEnd::Stopped || end == CycleEnd::Failed) break;
        // A network that went away under the socket is often back shortly;
        // receiving stays on rather than ending for the rest of the session.
        if (end == CycleEnd::SocketError && stop_.WaitFor(options_.restartPauseMs)) break;
    }
    {
        std::lock_guard<std::mutex> lock(listeningMutex_);
        boundPort_ = 0;
        running_ = false;
    }
    listeningChanged_.notify_all();
}

void CNoteServer::ReportServerError(const std::string& text) {
    g_networkAvailable = false;
    ShowNotice(text + "\nSorry but network support is not avaiable ...");
}

int CNoteServer::PortToUse() const {
    if (options_.port >= 0) return options_.port;
    return CSettingsStore(options_.dataFile).ReadCommunicationPortValue();
}

CNoteServer::CycleEnd CNoteServer::ServerCycle() {
    const int port = PortToUse();
    net::WinsockSession winsock;
    if (!winsock.Ok()) {
        ReportServerError(kWinsockError);
        return CycleEnd::Failed;
    }
    net::Socket listener = net::Socket::CreateTcp();
    if (!listener.Valid()) {
        ReportServerError(kSocketError);
        return CycleEnd::Failed;
    }
    listener.AllowQuickRebind();
    // A port read from the settings that no socket can have is refused
    // rather than cut down to some other port.
    const bool portUsable = port >= 0 && port <= 65535 && (port != 0 || options_.port == 0);
    if (!portUsable || !listener.Bind(options_.bindAddress, static_cast<std::uint16_t>(port))) {
        ReportServerError(kBindError);
        return CycleEnd::Failed;
    }
    if (!listener.Listen(options_.backlog)) {
        ReportServerError(kListenError);
        return CycleEnd::Failed;
    }
    listener.SetBlocking(false);
    SetBoundPort(listener.LocalPort());

    Connections connections;
    std::vector<const net::Socket*> polled;
    std::vector<Connection*> polledFor;
    std::vector<bool> ready;
    auto nextPortCheck = Clock::now() + std::chrono::milliseconds(options_.portCheckIntervalMs);
    while (!stop_.Requested()) {
        ServeWholeNotes(connections);

        // Wait for the first of: a new peer (while there is room), data from
        // a peer still sending, a deadline, the next try at the hand-over.
        polled.clear();
        polledFor.clear();
        const bool room = connections.size() < options_.maxConnections;
        if (room) {
            polled.push_back(&listener);
            polledFor.push_back(nullptr);
        }
        auto wakeAt = Clock::now() + std::chrono::milliseconds(options_.pollIntervalMs);
        for (auto& c : connections) {
            if (c->wholeAt) {
                wakeAt = std::min(wakeAt, Clock::now() + std::chrono::milliseconds(options_.handOverRetryMs));
                continue;
            }
            polled.push_back(&c->socket);
            polledFor.push_back(c.get());
            wakeAt = std::min({wakeAt, c->readBy, c->silentFrom});
        }
        const int waitMs = MsUntil(wakeAt);
        if (polled.empty()) {
            stop_.WaitFor(waitMs);
            continue;
        }
        const net::WaitResult waited = net::Socket::WaitAnyReadable(polled, waitMs, ready);
        if (waited == net::WaitResult::Failed) {
            SetBoundPort(0);
            return CycleEnd::SocketError;
        }
        if (waited == net::WaitResult::Ready) {
            for (std::size_t i = 0; i < polled.size(); ++i) {
                if (!ready[i] || !polledFor[i]) continue;
                Connection* c = polledFor[i];
                if (!ReadSome(*c))
                    connections.erase(std::find_if(connections.begin(), connections.end(),
                                                   [c](const auto& p) { return p.get() == c; }));
            }
            if (room && ready[0] && !AcceptAll(listener, connections)) {
                SetBoundPort(0);
                return CycleEnd::SocketError;
            }
        }

        // A new port waits until the notes on their way have been served.
        if (options_.port >= 0 || !connections.empty() || Clock::now() < nextPortCheck) continue;
        nextPortCheck = Clock::now() + std::chrono::milliseconds(options_.portCheckIntervalMs);
        if (PortToUse() != port) {
            SetBoundPort(0);
            return CycleEnd::PortChanged;  // the listener closes here; the next cycle opens the new port
        }
    }
    return CycleEnd::Stopped;
}

bool CNoteServer::AcceptAll(net::Socket& listener, Connections& connections) {
    while (connections.size() < options_.maxConnections) {
        net::Ipv4 peer;
        net::Socket client = listener.Accept(&peer);
        if (!client.Valid()) {
            const int error = net::Socket::LastError();
            // An empty queue, or a sender that gave up while queued.
            return net::Socket::WouldBlock(error) || net::Socket::PeerFault(error);
        }
        const auto fromPeer = std::count_if(connections.begin(), connections.end(), [&](const auto& c) {
            return c->peer.networkOrder == peer.networkOrder;
        });
        // One address cannot take every place: a third sender from it is
        // closed at once, unacknowledged, and others stay served.
        if (static_cast<std::size_t>(fromPeer) >= options_.maxConnectionsPerAddress) continue;
        client.SetBlocking(false);
        auto c = std::make_unique<Connection>();
        const auto now = Clock::now();
        c->socket = std::move(client);
        c->peer = peer;
        c->readBy = now + std::chrono::milliseconds(options_.messageTimeoutMs);
        c->answerBy = now + std::chrono::milliseconds(options_.answerTimeoutMs);
        c->silentFrom = now + std::chrono::milliseconds(options_.silenceTimeoutMs);
        connections.push_back(std::move(c));
    }
    return true;
}

bool CNoteServer::ReadSome(Connection& c) {
    std::string chunk(64 * 1024, '\0');
    const std::size_t room = std::min(chunk.size(), options_.maxMessageBytes - c.text.size());
    const long got = c.socket.Receive(chunk.data(), room);
    if (got < 0) return net::Socket::WouldBlock(net::Socket::LastError());  // otherwise the peer is gone
    if (got == 0) {
        // The peer closed: nothing at all is an empty connection, answered
        // at once; anything else counts only as whole note data.
        if (c.text.empty()) {
            Acknowledge(c.socket);
            return false;
        }
        c.text = NormaliseReceivedText(std::move(c.text));
        if (!IsWholeNoteData(c.text)) return false;
        c.wholeAt = ++wholeCount_;
        return true;
    }
    c.text.append(chunk.data(), static_cast<std::size_t>(got));
    // Complete fields, but more than the cap: the end of the note is missing.
    if (c.text.size() >= options_.maxMessageBytes) return false;
    c.tildes += static_cast<std::size_t>(std::count(c.text.end() - got, c.text.end(), '~'));
    c.silentFrom = Clock::now() + std::chrono::milliseconds(options_.silenceTimeoutMs);
    // All fields are in; more is read only if it is already there (a "~"
    // inside a field from an older sender adds fields behind).
    if (c.tildes >= kNoteDataFieldCount && EndsWithField(c.text) &&
        c.socket.WaitReadable(0) != net::WaitResult::Ready) {
        c.text = NormaliseReceivedText(std::move(c.text));
        if (!IsWholeNoteData(c.text)) return false;
        c.wholeAt = ++wholeCount_;
    }
    return true;
}

void CNoteServer::ServeWholeNotes(Connections& connections) {
    const auto now = Clock::now();
    // A peer that ran out of time is dropped unacknowledged, whole or not: it
    // will hear nothing, so the note must not arrive either. One fallen
    // silent after the last "~" of its note may still have sent it whole.
    connections.erase(std::remove_if(connections.begin(), connections.end(),
                                     [&](auto& c) {
                                         if (c->wholeAt) return now >= c->answerBy;
                                         if (now < c->readBy && now < c->silentFrom) return false;
                                         // Connected and said nothing: as good as an empty message.
                                         if (c->text.empty()) {
                                             Acknowledge(c->socket);
                                             return true;
                                         }
                                         c->text = NormaliseReceivedText(std::move(c->text));
                                         if (now >= c->readBy || !IsWholeNoteData(c->text)) return true;
                                         c->wholeAt = ++wholeCount_;
                                         return false;
                                     }),
                      connections.end());
    // One note at a time, in the order they came in whole.
    auto next = connections.end();
    for (auto it = connections.begin(); it != connections.end(); ++it)
        if ((*it)->wholeAt && (next == connections.end() || (*it)->wholeAt < (*next)->wholeAt)) next = it;
    if (next == connections.end()) return;
    Connection& c = **next;
    auto refuse = [&](NoteRefusal why) {
        if (options_.onRefused) options_.onRefused(why, c.peer);
        connections.erase(next);
    };
    if (AddressOverRate(c.peer)) return refuse(NoteRefusal::TooManyNotes);
    // The file is measured only with no note waiting in it: that one's text
    // would count twice, as the waiting value and as the note it becomes.
    if (!handOver_->Ready()) return;
    // Refused before it is acknowledged: a note the file cannot take would
    // make the user delete notes of their own.
    const std::size_t stored = options_.storedLength ? options_.storedLength(c.text) : c.text.size();
    if (options_.dataFileLimit && !DataFileCanTakeOutsideNote(stored, options_.dataFile))
        return refuse(OutsideNoteCanEverFit(stored) ? NoteRefusal::DataFileFull : NoteRefusal::TooLarge);
    if (!handOver_->HandOver(c.text)) {
        connections.erase(next);
        return;
    }
    delivered_[c.peer.networkOrder].push_back(Clock::now());
    Acknowledge(c.socket);
    connections.erase(next);
}

bool CNoteServer::AddressOverRate(net::Ipv4 peer) {
    const auto since = Clock::now() - std::chrono::minutes(1);
    for (auto it = delivered_.begin(); it != delivered_.end();) {
        auto& times = it->second;
        while (!times.empty() && times.front() <= since) times.pop_front();
        it = times.empty() ? delivered_.erase(it) : std::next(it);
    }
    const auto found = delivered_.find(peer.networkOrder);
    return found != delivered_.end() && found->second.size() >= options_.maxNotesPerAddressPerMinute;
}
