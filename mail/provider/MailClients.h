// SMTP, IMAP4rev1 and POP3 conversations of the mail provider, over a stream
// the platform supplies (sockets and TLS live on the Windows side). No
// <windows.h> here: the conversations are tested natively against scripted
// servers.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pwmail {

enum class MailStatus {
    Ok,
    LoginFailed,         // the server refused the user name or password
    NetworkFailed,       // no connection, timeout, connection lost
    TlsFailed,           // no TLS where the account asks for it, or the handshake failed
    CertificateRefused,  // the server's certificate is not trusted
    ServerRefused,       // any other refusal or an answer we cannot read
    NoSuchMessage,
    RecipientRefused,    // some or all recipients refused; the detail names them
    TooLarge,            // the message is over what we download
};

// Largest message we download whole: a broken or hostile server must not
// make us hold unbounded memory.
constexpr uint64_t kMaxMessageBytes = 64u << 20;

struct MailResult {
    MailStatus status = MailStatus::Ok;
    std::string detail;  // for people: what failed, with the server's words
    bool Ok() const { return status == MailStatus::Ok; }
};

// A connected byte stream with timeouts.
class MailChannel {
public:
    virtual ~MailChannel() = default;
    virtual bool Write(const std::string& data) = 0;
    // Bytes read (> 0), 0 when the peer closed, < 0 on an error or a timeout.
    virtual long Read(char* buffer, size_t size) = 0;
    // Turns the connection into TLS (STARTTLS, STLS).
    virtual MailResult StartTls() = 0;
    virtual std::string LastError() = 0;
    // How long later reads may wait for the peer.
    virtual void SetReadTimeout(int seconds) { (void)seconds; }
};

enum class Security { None, StartTls, Tls };

struct ServerConfig {
    std::string host;
    int port = 0;
    Security security = Security::StartTls;
    std::string user, password;
    // The user chose to let the password travel without encryption to a
    // server other than this computer.
    bool plainPasswordAllowed = false;
};

// Opens a connection (implicit TLS already done when the config says Tls).
using ChannelFactory = std::function<std::unique_ptr<MailChannel>(const ServerConfig&, MailResult&)>;

// Buffered line and byte reads over a channel.
class LineReader {
public:
    explicit LineReader(MailChannel& channel) : channel_(channel) {}
    bool ReadLine(std::string& line);  // without the line end
    bool ReadBytes(size_t count, std::string& out);
    void Discard() { buffer_.clear(); }
    bool Buffered() const { return !buffer_.empty(); }

private:
    bool Fill();
    MailChannel& channel_;
    std::string buffer_;
};

// With no recipients, only connects, secures and logs in: an account check.
MailResult SmtpSend(const ChannelFactory& connect, const ServerConfig& server, const std::string& heloName,
                    const std::string& from, const std::vector<std::string>& recipients, const std::string& message);

// What a check needs to know of a message without downloading it.
struct Envelope {
    std::string headers;  // the header block, perhaps only the fields we read
    uint64_t size = 0;    // of the whole message as the server counts it; 0 when unknown
    bool unread = true;
};

// The Inbox of one account. Keys are the server's stable names for messages
// (IMAP UIDs, POP3 UIDL values), listed oldest first.
class InboxClient {
public:
    virtual ~InboxClient() = default;
    virtual MailResult Open() = 0;
    virtual MailResult List(bool unreadOnly, std::vector<std::string>& keys) = 0;
    virtual MailResult Fetch(const std::string& key, bool headersOnly, bool markRead, std::string& raw,
                             bool& unread) = 0;
    // The envelopes of many messages in as few round trips as the server
    // allows; messages no longer there are left out.
    virtual MailResult Envelopes(const std::vector<std::string>& keys, std::map<std::string, Envelope>& out) = 0;
    virtual MailResult Delete(const std::string& key) = 0;
    virtual void Close() = 0;
    // Changes when the server renumbers its keys (IMAP UIDVALIDITY).
    virtual std::string Epoch() const { return {}; }
};

std::unique_ptr<InboxClient> MakeImapClient(ChannelFactory connect, ServerConfig server);
std::unique_ptr<InboxClient> MakePop3Client(ChannelFactory connect, ServerConfig server);

}  // namespace pwmail
