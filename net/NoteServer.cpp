#include "net/NoteServer.h"

#include <algorithm>
#include <chrono>

#include "base/ProgramFlags.h"
#include "base/Seams.h"
#include "net/NoteData.h"
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

INoteHandOver::Result CIniHandOver::HandOver(const std::string& text, StopSignal& stop) {
    const std::string& file = ResolveDataFile(dataFile_);
    // Only this thread writes a note into the value; the user thread only
    // empties it. Once it is seen free it stays free until our write.
    for (;;) {
        // Counted before the read: a take between the read and the wait
        // then ends the wait at once instead of being missed.
        const std::uint64_t taken = signal_ ? signal_->TakenCount() : 0;
        if (!IsCompleteNoteText(ini::Read(file, kNoteReceivedSection, kNoteDataKey))) break;
        if (signal_) {
            signal_->WaitTaken(taken, pollMs_);
            if (stop.Requested()) return Result::Stopped;
        } else if (stop.WaitFor(pollMs_)) {
            return Result::Stopped;
        }
    }
    if (!ini::Write(file, kNoteReceivedSection, kNoteDataKey, text)) {
        ShowNotice("Error writing to ini file.");
        return Result::Failed;
    }
    if (signal_) signal_->Written();
    return Result::Delivered;
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

CNoteServer::CNoteServer(NoteServerOptions options)
    : options_(std::move(options)),
      iniHandOver_(options_.dataFile, options_.pollIntervalMs, options_.signal),
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
    while (!stop_.Requested() && ServerCycle()) {
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

bool CNoteServer::ServerCycle() {
    const int port = PortToUse();
    net::WinsockSession winsock;
    if (!winsock.Ok()) {
        ReportServerError(kWinsockError);
        return false;
    }
    net::Socket listener = net::Socket::CreateTcp();
    if (!listener.Valid()) {
        ReportServerError(kSocketError);
        return false;
    }
    listener.AllowQuickRebind();
    // A port read from the settings that no socket can have is refused
    // rather than cut down to some other port.
    const bool portUsable = port >= 0 && port <= 65535 && (port != 0 || options_.port == 0);
    if (!portUsable || !listener.Bind(options_.bindAddress, static_cast<std::uint16_t>(port))) {
        ReportServerError(kBindError);
        return false;
    }
    if (!listener.Listen(options_.backlog)) {
        ReportServerError(kListenError);
        return false;
    }
    // Waits for connections happen in poll slices, so that a stop request
    // is seen without closing the socket under the thread's feet.
    listener.SetBlocking(false);
    SetBoundPort(listener.LocalPort());

    auto nextPortCheck = Clock::now() + std::chrono::milliseconds(options_.portCheckIntervalMs);
    while (!stop_.Requested()) {
        const Outcome outcome = ReceiveOneNote(listener);
        if (outcome == Outcome::Failed) return false;
        if (options_.port >= 0) continue;
        if (outcome == Outcome::Served || Clock::now() >= nextPortCheck) {
            nextPortCheck = Clock::now() + std::chrono::milliseconds(options_.portCheckIntervalMs);
            if (PortToUse() != port) {
                SetBoundPort(0);
                return true;  // the listener closes here; the next cycle opens the new port
            }
        }
    }
    return false;
}

CNoteServer::Outcome CNoteServer::ReceiveOneNote(net::Socket& listener) {
    switch (listener.WaitReadable(options_.pollIntervalMs)) {
    case net::WaitResult::Timeout: return Outcome::Idle;
    case net::WaitResult::Failed: ReportServerError(kAcceptError); return Outcome::Failed;
    case net::WaitResult::Ready: break;
    }
    net::Socket client = listener.Accept();
    if (!client.Valid()) {
        const int error = net::Socket::LastError();
        // A sender that gave up while queued is its own business.
        if (net::Socket::WouldBlock(error) || net::Socket::PeerFault(error)) return Outcome::Idle;
        ReportServerError(kAcceptError);
        return Outcome::Failed;
    }
    client.SetBlocking(true);

    std::string text;
    const ReadEnd end = ReadMessage(client, text);
    if (end == ReadEnd::Stopped) return Outcome::Idle;
    if (end == ReadEnd::Failed) {
        ReportServerError(kRecvError);
        return Outcome::Failed;
    }
    text = NormaliseReceivedText(std::move(text));
    if (!text.empty()) {
        // A cut text could never become a note: telling the sender it was
        // received would lose the note without anyone knowing.
        if (end == ReadEnd::TooLong || !IsWholeNoteData(text)) return Outcome::Served;
        // Acknowledged only once it is safely handed over: a sender told
        // "received" must never lose its note to a shutdown or a full disk.
        if (handOver_->HandOver(text, stop_) != INoteHandOver::Result::Delivered)
            return Outcome::Served;
    }
    client.Send(kAcknowledgement.data(), kAcknowledgement.size());
    client.ShutdownSend();
    // Whatever the peer sent beyond the note is read off, so that closing
    // does not reset the connection under the acknowledgement.
    char sink[4096];
    for (int i = 0; i < 16 && client.WaitReadable(0) == net::WaitResult::Ready; ++i)
        if (client.Receive(sink, sizeof sink) <= 0) break;
    return Outcome::Served;
}

CNoteServer::ReadEnd CNoteServer::ReadMessage(net::Socket& client, std::string& text) {
    const auto start = Clock::now();
    const auto messageDeadline = start + std::chrono::milliseconds(options_.messageTimeoutMs);
    auto silenceDeadline = start + std::chrono::milliseconds(options_.silenceTimeoutMs);
    std::string chunk(64 * 1024, '\0');
    std::size_t tildes = 0;
    for (;;) {
        if (stop_.Requested()) return ReadEnd::Stopped;
        if (text.size() >= options_.maxMessageBytes) return ReadEnd::TooLong;
        const int left = std::min(MsUntil(messageDeadline), MsUntil(silenceDeadline));
        if (left <= 0) return ReadEnd::Silent;
        const net::WaitResult ready = client.WaitReadable(std::min(left, options_.pollIntervalMs));
        if (ready == net::WaitResult::Timeout) continue;
        if (ready == net::WaitResult::Failed) return ReadEnd::Failed;
        const std::size_t room = std::min(chunk.size(), options_.maxMessageBytes - text.size());
        const long got = client.Receive(chunk.data(), room);
        if (got == 0) return ReadEnd::Closed;
        if (got < 0) {
            const int error = net::Socket::LastError();
            if (net::Socket::PeerFault(error)) return ReadEnd::PeerGone;
            if (net::Socket::WouldBlock(error)) continue;
            return ReadEnd::Failed;
        }
        text.append(chunk.data(), static_cast<std::size_t>(got));
        tildes += static_cast<std::size_t>(
            std::count(text.end() - got, text.end(), '~'));
        silenceDeadline = Clock::now() + std::chrono::milliseconds(options_.silenceTimeoutMs);
        // All fields are in; more is read only if it is already there (a
        // "~" inside a field from an older sender adds fields behind).
        if (tildes >= kNoteDataFieldCount && EndsWithField(text) &&
            client.WaitReadable(0) != net::WaitResult::Ready)
            return ReadEnd::Whole;
    }
}
