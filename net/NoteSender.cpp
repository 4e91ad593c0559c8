#include "net/NoteSender.h"

#include <chrono>

#include "base/OsLabel.h"
#include "net/NetUtil.h"
#include "net/NoteData.h"
#include "net/Socket.h"
#include "store/NoteRecord.h"
#include "store/SettingsStore.h"

namespace {

constexpr char kCantFind[] = " : Can't find computer with that name or IP address.\n";
constexpr char kCantCreate[] = " : Can't create TCP/IP stream socket with computer.\n";
constexpr char kCantSend[] = " : Can't send note to computer.\n";
constexpr char kReceiveError[] = " : Error receiving reply from computer.\n";
constexpr char kWrongReply[] =
    " : Computer didn't reply correctly. Possible error occurred in receiving note.\n";
constexpr char kNotInstalled[] = " : Pinwell program must be installed and started on computer.";
constexpr char kSentByMessaging[] =
    " But message was sent via Windows messaging system and recipient will receive message "
    "plain message text.";

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

enum class Reply { Acknowledged, Wrong, Failed };

// Reads the answer until it can no longer be the acknowledgement, the
// receiver closes, or the acknowledgement is whole and nothing follows it.
// The answer may come in pieces; a single receive could see half of it.
Reply ReadReply(net::Socket& socket, int timeoutMs, int afterReplyMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string reply;
    char buffer[kSocketBufferSize];
    for (;;) {
        const bool whole = reply.size() == kAcknowledgement.size();
        int wait = whole ? afterReplyMs : timeoutMs;
        if (!whole && timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - Clock::now());
            wait = static_cast<int>(std::max<long long>(0, left.count()));
        }
        const net::WaitResult ready = socket.WaitReadable(wait);
        if (ready == net::WaitResult::Timeout) {
            if (whole) return Reply::Acknowledged;
            return reply.empty() ? Reply::Failed : Reply::Wrong;
        }
        const long got = ready == net::WaitResult::Ready
                             ? socket.Receive(buffer, sizeof buffer)
                             : -1;
        if (got < 0) {
            if (whole) return Reply::Acknowledged;  // reset after a full answer
            return reply.empty() ? Reply::Failed : Reply::Wrong;
        }
        if (got == 0) return whole ? Reply::Acknowledged : Reply::Wrong;
        reply.append(buffer, static_cast<std::size_t>(got));
        if (reply.size() > kAcknowledgement.size() ||
            kAcknowledgement.substr(0, reply.size()) != reply)
            return Reply::Wrong;
    }
}

}  // namespace

std::string MessagingFallbackText(const std::string& plainText) {
    return "This message was sent with Pinwell 3.lan program:\n\n" + plainText;
}

std::optional<MessagingCommand> MessagingFallbackCommand(const std::string& osLabel,
                                                         const std::string& displayName,
                                                         const std::string& plainText) {
    const std::string message = MessagingFallbackText(plainText);
    if (osLabel == "Windows 2000/XP") return MessagingCommand{"net", "send " + displayName + " " + message};
    if (osLabel == "Windows 7/8" || osLabel == "Windows 10")
        return MessagingCommand{"msg", "* /server:" + displayName + " " + message};
    return std::nullopt;
}

std::string SenderIdentity(const std::string& sentFrom) {
    CNetUtil util;
    if (sentFrom.empty()) return util.GetLocalComputerName();
    if (util.IsEmailAddress(sentFrom) || StartsWith(sentFrom, "Name:")) return sentFrom;
    return ToUpperAscii(sentFrom);
}

CNoteSender::CNoteSender(NoteSenderOptions options) : options_(std::move(options)) {}

std::string CNoteSender::BuildNoteData(const std::string& identity, std::int32_t noteId) const {
    NoteRecord record;  // a note without a stored record goes out empty
    ReadNoteRecord(options_.dataFile, noteId, record);
    return ::BuildNoteData(identity, record);
}

std::string CNoteSender::SendNote(const std::string& recipient, std::int32_t noteId,
                                  const std::string& sentFrom,
                                  const std::string& plainText) const {
    const int port = CSettingsStore(options_.dataFile).ReadCommunicationPortValue();
    const std::string identity = SenderIdentity(sentFrom);
    // Built before any network step: the size warning comes first.
    const std::string data = BuildNoteData(identity, noteId);
    return SendNoteData(recipient, port, data, plainText);
}

std::string CNoteSender::SendNoteData(const std::string& recipient, int port,
                                      const std::string& noteData,
                                      const std::string& plainText) const {
    const std::string display = ToUpperAscii(recipient);
    net::WinsockSession session;

    net::Ipv4 address;
    if (!net::ResolveIpv4(recipient, address)) return display + kCantFind;

    net::Socket socket = net::Socket::CreateTcp();
    if (!socket.Valid()) return display + kCantCreate;
    net::Ipv4 source;
    if (!options_.sourceAddress.empty() &&
        (!net::ResolveIpv4(options_.sourceAddress, source) || !socket.Bind(source, 0)))
        return display + kCantCreate;

    // A port no receiver can listen on is a computer that does not answer.
    const bool connected =
        port > 0 && port <= 65535 && socket.Connect(address, static_cast<std::uint16_t>(port));
    if (!connected) {
        socket.Close();
        const auto command = MessagingFallbackCommand(OsFamily(), display, plainText);
        if (!command) return display + kNotInstalled + "\n";
        if (options_.launcher) options_.launcher->RunHidden(command->command, command->parameters);
        return display + kNotInstalled + kSentByMessaging + "\n";
    }

    if (!socket.SendAll(noteData.data(), noteData.size())) return display + kCantSend;

    switch (ReadReply(socket, options_.replyTimeoutMs, options_.afterReplyMs)) {
    case Reply::Acknowledged: return {};
    case Reply::Failed: return display + kReceiveError;
    case Reply::Wrong: break;
    }
    return display + kWrongReply;
}
