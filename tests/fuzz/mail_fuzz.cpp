// What a mail server or a sender controls: the first byte picks a message to
// read (whole or as an envelope) or a server whose replies are the rest: an
// IMAP or POP3 check (list, envelopes, whole reads, a delete) or an SMTP send.
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "mail/provider/MailClients.h"
#include "mail/provider/MailFormat.h"

using namespace pwmail;

namespace {

// The server's side of every connection of one input, in turn.
class ReplayChannel : public MailChannel {
public:
    explicit ReplayChannel(std::string_view& replies) : replies_(replies) {}
    bool Write(const std::string&) override { return true; }
    long Read(char* buffer, size_t size) override
    {
        if (replies_.empty()) return -1;
        // Small pieces, so that lines and literals arrive split as on a real network.
        size_t n = std::min({size, replies_.size(), static_cast<size_t>(1 + (replies_[0] & 63))});
        std::memcpy(buffer, replies_.data(), n);
        replies_.remove_prefix(n);
        return static_cast<long>(n);
    }
    MailResult StartTls() override { return {}; }
    std::string LastError() override { return "end of input"; }

private:
    std::string_view& replies_;
};

void Check(bool ok) { if (!ok) __builtin_trap(); }

void CheckInbox(InboxClient& inbox)
{
    std::vector<std::string> keys;
    if (!inbox.List(false, keys).Ok()) return;
    std::map<std::string, Envelope> envelopes;
    inbox.Envelopes(keys, envelopes);
    for (auto& [key, e] : envelopes) ParseMessage(e.headers, true);
    for (size_t i = 0; i < keys.size() && i < 3; ++i) {
        std::string raw;
        bool unread = false;
        if (inbox.Fetch(keys[i], false, false, raw, unread).Ok()) {
            Check(raw.size() <= kMaxMessageBytes);
            ParseMessage(raw);
        }
    }
    if (!keys.empty()) inbox.Delete(keys[0]);
    inbox.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    std::string_view replies(reinterpret_cast<const char*>(data) + 1, size - 1);
    ChannelFactory connect = [&replies](const ServerConfig&, MailResult&) {
        return std::unique_ptr<MailChannel>(new ReplayChannel(replies));
    };
    ServerConfig server{"mail.example.org", 143, data[0] & 4 ? Security::StartTls : Security::None, "bob", "pw", true};
    switch (data[0] & 3) {
    case 0: {
        ParsedMail m = ParseMessage(std::string(replies), data[0] & 8);
        Check(m.attachments.size() <= 1000);
        break;
    }
    case 1: CheckInbox(*MakeImapClient(connect, server)); break;
    case 2: CheckInbox(*MakePop3Client(connect, server)); break;
    default: SmtpSend(connect, server, "pc", "a@example.org", {"b@example.org", "c@example.org"}, "Subject: x\r\n\r\n.\r\n"); break;
    }
    return 0;
}
