#include "mail/provider/MailClients.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

#include "mail/provider/MailFormat.h"

namespace pwmail {

namespace {

// Longest line and largest message we accept: a broken or hostile server
// must not make us hold unbounded memory.
constexpr size_t kMaxLine = 1 << 20;
constexpr size_t kMaxMessage = 64u << 20;

MailResult Fail(MailStatus status, std::string detail)
{
    return MailResult{status, std::move(detail)};
}

MailResult Lost(MailChannel& ch, const char* what)
{
    std::string e = ch.LastError();
    return Fail(MailStatus::NetworkFailed, std::string(what) + (e.empty() ? "" : ": " + e));
}

std::string Upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix)
{
    return s.size() >= prefix.size() && Upper(s.substr(0, prefix.size())) == Upper(prefix);
}

// ---------------------------------------------------------------- SMTP

struct SmtpReply {
    int code = 0;
    std::vector<std::string> lines;
    std::string Text() const
    {
        std::string t;
        for (auto& l : lines) t += (t.empty() ? "" : " ") + l;
        return std::to_string(code) + " " + t;
    }
};

class Smtp {
public:
    Smtp(MailChannel& ch) : ch_(ch), in_(ch) {}

    bool Read(SmtpReply& r)
    {
        r = {};
        std::string line;
        for (;;) {
            if (!in_.ReadLine(line) || line.size() < 3) return false;
            r.code = std::atoi(line.substr(0, 3).c_str());
            r.lines.push_back(line.size() > 4 ? line.substr(4) : "");
            if (line.size() == 3 || line[3] != '-') return r.code >= 200;
        }
    }
    bool Command(const std::string& cmd, SmtpReply& r) { return ch_.Write(cmd + "\r\n") && Read(r); }
    LineReader& In() { return in_; }

private:
    MailChannel& ch_;
    LineReader in_;
};

bool Offers(const SmtpReply& ehlo, const std::string& keyword, std::string* args = nullptr)
{
    for (size_t i = 1; i < ehlo.lines.size(); ++i) {
        std::string l = Upper(ehlo.lines[i]);
        if (l == keyword || StartsWithNoCase(l, keyword + " ") || StartsWithNoCase(l, keyword + "=")) {
            if (args) *args = l.size() > keyword.size() ? l.substr(keyword.size() + 1) : "";
            return true;
        }
    }
    return false;
}

MailResult SmtpConversation(MailChannel& ch, const ServerConfig& server, const std::string& heloName,
                            const std::string& from, const std::vector<std::string>& recipients,
                            const std::string& message)
{
    Smtp smtp(ch);
    SmtpReply r;
    if (!smtp.Read(r)) return Lost(ch, "no greeting from the SMTP server");
    if (r.code != 220) return Fail(MailStatus::ServerRefused, "SMTP server: " + r.Text());
    SmtpReply ehlo;
    if (!smtp.Command("EHLO " + heloName, ehlo)) return Lost(ch, "SMTP EHLO");
    bool extended = ehlo.code == 250;
    if (!extended) {
        if (!smtp.Command("HELO " + heloName, r)) return Lost(ch, "SMTP HELO");
        if (r.code != 250) return Fail(MailStatus::ServerRefused, "SMTP HELO: " + r.Text());
    }
    if (server.security == Security::StartTls) {
        // Never fall back to plain text when the account asks for TLS.
        if (!extended || !Offers(ehlo, "STARTTLS"))
            return Fail(MailStatus::TlsFailed, "the SMTP server does not offer STARTTLS");
        if (!smtp.Command("STARTTLS", r)) return Lost(ch, "SMTP STARTTLS");
        if (r.code != 220) return Fail(MailStatus::TlsFailed, "SMTP STARTTLS: " + r.Text());
        if (smtp.In().Buffered()) return Fail(MailStatus::TlsFailed, "SMTP server sent data before TLS");
        MailResult tls = ch.StartTls();
        if (!tls.Ok()) return tls;
        if (!smtp.Command("EHLO " + heloName, ehlo)) return Lost(ch, "SMTP EHLO");
        if (ehlo.code != 250) return Fail(MailStatus::ServerRefused, "SMTP EHLO: " + ehlo.Text());
    }
    std::string mechanisms;
    if (!server.user.empty() && extended && Offers(ehlo, "AUTH", &mechanisms)) {
        mechanisms = " " + mechanisms + " ";
        bool done = false;
        if (mechanisms.find(" PLAIN ") != std::string::npos) {
            std::string token = std::string(1, '\0') + server.user + std::string(1, '\0') + server.password;
            if (!smtp.Command("AUTH PLAIN " + Base64Encode(token, 0), r)) return Lost(ch, "SMTP AUTH");
            if (r.code == 235) done = true;
            else if (r.code != 504) return Fail(MailStatus::LoginFailed, "SMTP AUTH: " + r.Text());
        }
        if (!done && mechanisms.find(" LOGIN ") != std::string::npos) {
            if (!smtp.Command("AUTH LOGIN", r)) return Lost(ch, "SMTP AUTH");
            if (r.code == 334 && smtp.Command(Base64Encode(server.user, 0), r) && r.code == 334 &&
                smtp.Command(Base64Encode(server.password, 0), r) && r.code == 235)
                done = true;
            else if (r.code == 0)
                return Lost(ch, "SMTP AUTH");
            else
                return Fail(MailStatus::LoginFailed, "SMTP AUTH: " + r.Text());
        }
        if (!done) return Fail(MailStatus::LoginFailed, "the SMTP server offers no password method we know");
    }
    if (recipients.empty()) {  // only checking the account
        smtp.Command("QUIT", r);
        return {};
    }
    if (!smtp.Command("MAIL FROM:<" + from + ">", r)) return Lost(ch, "SMTP MAIL FROM");
    if (r.code != 250) {
        if (r.code == 530 || r.code == 535) return Fail(MailStatus::LoginFailed, "SMTP MAIL FROM: " + r.Text());
        return Fail(MailStatus::ServerRefused, "SMTP MAIL FROM: " + r.Text());
    }
    for (const std::string& to : recipients) {
        if (!smtp.Command("RCPT TO:<" + to + ">", r)) return Lost(ch, "SMTP RCPT TO");
        if (r.code != 250 && r.code != 251)
            return Fail(MailStatus::RecipientRefused, "SMTP server refused " + to + ": " + r.Text());
    }
    if (!smtp.Command("DATA", r)) return Lost(ch, "SMTP DATA");
    if (r.code != 354) return Fail(MailStatus::ServerRefused, "SMTP DATA: " + r.Text());
    if (!ch.Write(SmtpDataBlock(message)) || !smtp.Read(r)) return Lost(ch, "SMTP message transfer");
    if (r.code != 250) return Fail(MailStatus::ServerRefused, "SMTP server refused the message: " + r.Text());
    smtp.Command("QUIT", r);  // the message is accepted whatever QUIT answers
    return {};
}

// ---------------------------------------------------------------- Inbox session

// What the IMAP and POP3 clients share: one connection, opened on demand and
// dropped when it is lost, so that the next call starts afresh.
class InboxSession : public InboxClient {
public:
    InboxSession(ChannelFactory connect, ServerConfig server)
        : connect_(std::move(connect)), server_(std::move(server))
    {
    }

    MailResult Open() override
    {
        Close();
        MailResult r;
        ch_ = connect_(server_, r);
        if (!ch_) return r;
        in_ = std::make_unique<LineReader>(*ch_);
        r = Begin();
        open_ = r.Ok();
        if (!r.Ok()) Close();
        return r;
    }

    void Close() override
    {
        if (ch_ && in_ && open_) SayGoodbye();
        Drop();
    }

protected:
    // The greeting, TLS and login on a fresh connection.
    virtual MailResult Begin() = 0;
    // The polite end of a session that is open (LOGOUT, QUIT).
    virtual void SayGoodbye() = 0;

    MailResult Ensure()
    {
        if (ch_ && open_) return {};
        return Open();
    }

    void Drop()
    {
        open_ = false;
        in_.reset();
        ch_.reset();
    }

    MailResult LostAndClose(const char* what)
    {
        MailResult r = Lost(*ch_, what);
        open_ = false;
        Close();
        return r;
    }

    ChannelFactory connect_;
    ServerConfig server_;
    std::unique_ptr<MailChannel> ch_;
    std::unique_ptr<LineReader> in_;
    bool open_ = false;
};

// ---------------------------------------------------------------- IMAP

// One response: its text with every literal replaced by "\x01", and the
// literals in order.
struct ImapResponse {
    std::string text;
    std::vector<std::string> literals;
};

class Imap : public InboxSession {
public:
    using InboxSession::InboxSession;

protected:
    MailResult Begin() override
    {
        MailResult r;
        ImapResponse greeting;
        if (!ReadResponse(greeting)) return Lost(*ch_, "no greeting from the IMAP server");
        if (!StartsWithNoCase(greeting.text, "* OK") && !StartsWithNoCase(greeting.text, "* PREAUTH"))
            return Fail(MailStatus::ServerRefused, "IMAP server: " + greeting.text);
        bool preauth = StartsWithNoCase(greeting.text, "* PREAUTH");
        std::vector<ImapResponse> untagged;
        std::string status;
        if (server_.security == Security::StartTls && !preauth) {
            if (!Command("STARTTLS", untagged, status)) return Lost(*ch_, "IMAP STARTTLS");
            if (!StartsWithNoCase(status, "OK"))
                return Fail(MailStatus::TlsFailed, "the IMAP server refused STARTTLS: " + status);
            if (in_->Buffered()) return Fail(MailStatus::TlsFailed, "IMAP server sent data before TLS");
            r = ch_->StartTls();
            if (!r.Ok()) return r;
        }
        if (!preauth) {
            // Literals carry the name and password whatever characters they hold.
            if (!Command("LOGIN", untagged, status, {server_.user, server_.password}))
                return Lost(*ch_, "IMAP LOGIN");
            if (!StartsWithNoCase(status, "OK")) return Fail(MailStatus::LoginFailed, "IMAP LOGIN: " + status);
        }
        if (!Command("CAPABILITY", untagged, status)) return Lost(*ch_, "IMAP CAPABILITY");
        uidplus_ = false;
        for (auto& u : untagged)
            if (StartsWithNoCase(u.text, "* CAPABILITY") && Upper(u.text + " ").find(" UIDPLUS ") != std::string::npos)
                uidplus_ = true;
        if (!Command("SELECT INBOX", untagged, status)) return Lost(*ch_, "IMAP SELECT");
        if (!StartsWithNoCase(status, "OK")) return Fail(MailStatus::ServerRefused, "IMAP SELECT INBOX: " + status);
        for (auto& u : untagged) {
            size_t p = Upper(u.text).find("[UIDVALIDITY ");
            if (p != std::string::npos) epoch_ = u.text.substr(p + 13, u.text.find(']', p) - p - 13);
        }
        return {};
    }

    void SayGoodbye() override
    {
        std::vector<ImapResponse> untagged;
        std::string status;
        Command("LOGOUT", untagged, status);
    }

public:
    MailResult List(bool unreadOnly, std::vector<std::string>& keys) override
    {
        keys.clear();
        if (MailResult r = Ensure(); !r.Ok()) return r;
        std::vector<ImapResponse> untagged;
        std::string status;
        if (!Command(unreadOnly ? "UID SEARCH UNSEEN" : "UID SEARCH ALL", untagged, status))
            return LostAndClose("IMAP SEARCH");
        if (!StartsWithNoCase(status, "OK")) return Fail(MailStatus::ServerRefused, "IMAP SEARCH: " + status);
        std::vector<unsigned long> uids;
        for (auto& u : untagged) {
            if (!StartsWithNoCase(u.text, "* SEARCH")) continue;
            const char* p = u.text.c_str() + 8;
            char* end;
            for (;;) {
                unsigned long v = std::strtoul(p, &end, 10);
                if (end == p) break;
                uids.push_back(v);
                p = end;
            }
        }
        std::sort(uids.begin(), uids.end());
        for (unsigned long v : uids) keys.push_back(std::to_string(v));
        return {};
    }

    MailResult Fetch(const std::string& key, bool headersOnly, bool markRead, std::string& raw, bool& unread) override
    {
        if (MailResult r = Ensure(); !r.Ok()) return r;
        std::vector<ImapResponse> untagged;
        std::string status;
        std::string section = headersOnly ? "BODY.PEEK[HEADER]" : "BODY.PEEK[]";
        if (!Command("UID FETCH " + key + " (UID FLAGS " + section + ")", untagged, status))
            return LostAndClose("IMAP FETCH");
        if (!StartsWithNoCase(status, "OK")) return Fail(MailStatus::ServerRefused, "IMAP FETCH: " + status);
        for (auto& u : untagged) {
            std::string t = Upper(u.text);
            if (t.find(" FETCH (") == std::string::npos || !HasUid(t, key)) continue;
            size_t body = t.find(headersOnly ? "BODY[HEADER]" : "BODY[]");
            if (body == std::string::npos) continue;
            size_t value = t.find_first_not_of(' ', t.find(']', body) + 1);
            if (value != std::string::npos && t[value] == '\x01') {
                size_t index = static_cast<size_t>(std::count(t.begin(), t.begin() + static_cast<long>(value), '\x01'));
                raw = u.literals.at(index);
            } else {
                raw.clear();  // NIL or an empty string
            }
            size_t flags = t.find("FLAGS (");
            unread = flags == std::string::npos || t.find("\\SEEN", flags) > t.find(')', flags);
            if (markRead && unread) {
                if (!Command("UID STORE " + key + " +FLAGS.SILENT (\\Seen)", untagged, status))
                    return LostAndClose("IMAP STORE");
            }
            return {};
        }
        return Fail(MailStatus::NoSuchMessage, "the message is no longer in the Inbox");
    }

    MailResult Delete(const std::string& key) override
    {
        if (MailResult r = Ensure(); !r.Ok()) return r;
        std::vector<ImapResponse> untagged;
        std::string status;
        if (!Command("UID STORE " + key + " +FLAGS (\\Deleted)", untagged, status)) return LostAndClose("IMAP STORE");
        if (!StartsWithNoCase(status, "OK")) return Fail(MailStatus::ServerRefused, "IMAP STORE: " + status);
        bool found = false;
        for (auto& u : untagged)
            if (Upper(u.text).find(" FETCH (") != std::string::npos && HasUid(Upper(u.text), key)) found = true;
        // Without UIDPLUS some servers omit the UID in the answer; the
        // message count then tells nothing, so trust the OK.
        if (!found && uidplus_) return Fail(MailStatus::NoSuchMessage, "the message is no longer in the Inbox");
        // UID EXPUNGE removes only this message, not others a second client marked.
        if (!Command(uidplus_ ? "UID EXPUNGE " + key : "EXPUNGE", untagged, status)) return LostAndClose("IMAP EXPUNGE");
        if (!StartsWithNoCase(status, "OK")) return Fail(MailStatus::ServerRefused, "IMAP EXPUNGE: " + status);
        return {};
    }

    std::string Epoch() const override { return epoch_; }

private:
    static bool HasUid(const std::string& upperText, const std::string& key)
    {
        size_t p = upperText.find("UID ");
        while (p != std::string::npos) {
            if (p == 0 || upperText[p - 1] == '(' || upperText[p - 1] == ' ') {
                size_t v = p + 4, e = upperText.find_first_not_of("0123456789", v);
                if (upperText.substr(v, e - v) == key) return true;
            }
            p = upperText.find("UID ", p + 1);
        }
        return false;
    }

    bool ReadResponse(ImapResponse& r)
    {
        r = {};
        std::string line;
        size_t total = 0;
        for (;;) {
            if (!in_->ReadLine(line)) return false;
            // A line ending in {n} announces n bytes of literal.
            size_t open = line.size() > 2 && line.back() == '}' ? line.rfind('{') : std::string::npos;
            if (open == std::string::npos) {
                r.text += line;
                return true;
            }
            std::string digits = line.substr(open + 1, line.size() - open - 2);
            if (!digits.empty() && digits.back() == '+') digits.pop_back();
            if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 10) {
                r.text += line;
                return true;
            }
            size_t n = std::strtoul(digits.c_str(), nullptr, 10);
            total += n;
            if (total > kMaxMessage) return false;
            std::string literal;
            if (!in_->ReadBytes(n, literal)) return false;
            r.text += line.substr(0, open) + "\x01";
            r.literals.push_back(std::move(literal));
        }
    }

    // Sends "tag command [literal ...]" and collects the untagged responses
    // until the tagged one; status is the tagged response after the tag.
    bool Command(const std::string& command, std::vector<ImapResponse>& untagged, std::string& status,
                 const std::vector<std::string>& literals = {})
    {
        untagged.clear();
        std::string tag = "p" + std::to_string(++tag_);
        std::string line = tag + " " + command;
        for (const std::string& lit : literals) {
            if (!ch_->Write(line + " {" + std::to_string(lit.size()) + "}\r\n")) return false;
            ImapResponse cont;
            for (;;) {
                if (!ReadResponse(cont)) return false;
                if (cont.text.rfind("+", 0) == 0) break;
                if (cont.text.rfind(tag + " ", 0) == 0) {  // refused before the literal
                    status = cont.text.substr(tag.size() + 1);
                    return true;
                }
                untagged.push_back(cont);
            }
            line = lit;
        }
        if (!ch_->Write(line + "\r\n")) return false;
        ImapResponse r;
        for (;;) {
            if (!ReadResponse(r)) return false;
            if (r.text.rfind(tag + " ", 0) == 0) {
                status = r.text.substr(tag.size() + 1);
                return true;
            }
            if (StartsWithNoCase(r.text, "* BYE")) {
                status = "NO " + r.text;
                untagged.push_back(r);
                continue;
            }
            untagged.push_back(std::move(r));
        }
    }

    bool uidplus_ = false;
    unsigned tag_ = 0;
    std::string epoch_;
};

// ---------------------------------------------------------------- POP3

class Pop3 : public InboxSession {
public:
    using InboxSession::InboxSession;

protected:
    MailResult Begin() override
    {
        MailResult r;
        std::string line;
        if (!in_->ReadLine(line)) return Lost(*ch_, "no greeting from the POP3 server");
        if (!IsOk(line)) return Fail(MailStatus::ServerRefused, "POP3 server: " + line);
        if (server_.security == Security::StartTls) {
            if (!Command("STLS", line)) return Lost(*ch_, "POP3 STLS");
            if (!IsOk(line)) return Fail(MailStatus::TlsFailed, "the POP3 server refused STLS: " + line);
            if (in_->Buffered()) return Fail(MailStatus::TlsFailed, "POP3 server sent data before TLS");
            r = ch_->StartTls();
            if (!r.Ok()) return r;
        }
        if (server_.user.find_first_of("\r\n") != std::string::npos ||
            server_.password.find_first_of("\r\n") != std::string::npos)
            return Fail(MailStatus::LoginFailed, "the user name or password holds a line break");
        if (!Command("USER " + server_.user, line)) return Lost(*ch_, "POP3 USER");
        if (!IsOk(line)) return Fail(MailStatus::LoginFailed, "POP3 USER: " + line);
        if (!Command("PASS " + server_.password, line)) return Lost(*ch_, "POP3 PASS");
        if (!IsOk(line)) return Fail(MailStatus::LoginFailed, "POP3 PASS: " + line);
        open_ = true;  // a refused UIDL still ends with QUIT
        return Refresh();
    }

    void SayGoodbye() override
    {
        std::string line;
        Command("QUIT", line);
    }

public:
    MailResult List(bool, std::vector<std::string>& keys) override
    {
        keys.clear();
        // A fresh listing sees messages that arrived since the last one.
        if (MailResult r = Open(); !r.Ok()) return r;
        keys = order_;
        return {};
    }

    MailResult Fetch(const std::string& key, bool headersOnly, bool, std::string& raw, bool& unread) override
    {
        if (MailResult r = Ensure(); !r.Ok()) return r;
        auto it = numbers_.find(key);
        if (it == numbers_.end()) return Fail(MailStatus::NoSuchMessage, "the message is no longer in the Inbox");
        std::string line;
        std::string cmd = (headersOnly ? "TOP " : "RETR ") + it->second + (headersOnly ? " 0" : "");
        if (!Command(cmd, line)) return LostAndClose("POP3 RETR");
        if (!IsOk(line)) return Fail(MailStatus::ServerRefused, "POP3 " + cmd + ": " + line);
        if (!ReadMultiLine(raw)) return LostAndClose("POP3 RETR");
        unread = true;  // POP3 keeps no read marks
        return {};
    }

    MailResult Delete(const std::string& key) override
    {
        if (MailResult r = Ensure(); !r.Ok()) return r;
        auto it = numbers_.find(key);
        if (it == numbers_.end()) return Fail(MailStatus::NoSuchMessage, "the message is no longer in the Inbox");
        std::string line;
        if (!Command("DELE " + it->second, line)) return LostAndClose("POP3 DELE");
        if (!IsOk(line)) return Fail(MailStatus::ServerRefused, "POP3 DELE: " + line);
        // POP3 deletes only at QUIT: end the session now, so a program that
        // stops before its logoff does not find the message again.
        if (!Command("QUIT", line)) return LostAndClose("POP3 QUIT");
        Drop();
        if (!IsOk(line)) return Fail(MailStatus::ServerRefused, "POP3 QUIT: " + line);
        return {};
    }

private:
    static bool IsOk(const std::string& line) { return line.rfind("+OK", 0) == 0; }

    bool Command(const std::string& cmd, std::string& reply) { return ch_->Write(cmd + "\r\n") && in_->ReadLine(reply); }

    bool ReadMultiLine(std::string& out)
    {
        out.clear();
        std::string line;
        for (;;) {
            if (!in_->ReadLine(line)) return false;
            if (line == ".") return true;
            if (!line.empty() && line[0] == '.') line.erase(0, 1);
            out += line;
            out += "\r\n";
            if (out.size() > kMaxMessage) return false;
        }
    }

    MailResult Refresh()
    {
        std::string line, listing;
        if (!Command("UIDL", line)) return LostAndClose("POP3 UIDL");
        if (!IsOk(line)) return CloseWith(Fail(MailStatus::ServerRefused, "POP3 UIDL: " + line));
        if (!ReadMultiLine(listing)) return LostAndClose("POP3 UIDL");
        numbers_.clear();
        order_.clear();
        size_t pos = 0;
        while (pos < listing.size()) {
            size_t eol = listing.find("\r\n", pos);
            std::string l = listing.substr(pos, eol - pos);
            pos = eol + 2;
            size_t sp = l.find(' ');
            if (sp == std::string::npos) continue;
            std::string uid = l.substr(sp + 1);
            if (numbers_.emplace(uid, l.substr(0, sp)).second) order_.push_back(uid);
        }
        return {};
    }

    MailResult CloseWith(MailResult r)
    {
        Close();
        return r;
    }

    std::map<std::string, std::string> numbers_;  // UIDL value -> message number of this session
    std::vector<std::string> order_;
};

}  // namespace

bool LineReader::Fill()
{
    char buf[16384];
    long n = channel_.Read(buf, sizeof buf);
    if (n <= 0) return false;
    buffer_.append(buf, static_cast<size_t>(n));
    return true;
}

bool LineReader::ReadLine(std::string& line)
{
    size_t scanned = 0;
    for (;;) {
        size_t lf = buffer_.find('\n', scanned);
        if (lf != std::string::npos) {
            line.assign(buffer_, 0, lf && buffer_[lf - 1] == '\r' ? lf - 1 : lf);
            buffer_.erase(0, lf + 1);
            return true;
        }
        scanned = buffer_.size();
        if (buffer_.size() > kMaxLine || !Fill()) return false;
    }
}

bool LineReader::ReadBytes(size_t count, std::string& out)
{
    while (buffer_.size() < count)
        if (!Fill()) return false;
    out.assign(buffer_, 0, count);
    buffer_.erase(0, count);
    return true;
}

MailResult SmtpSend(const ChannelFactory& connect, const ServerConfig& server, const std::string& heloName,
                    const std::string& from, const std::vector<std::string>& recipients, const std::string& message)
{
    MailResult r;
    std::unique_ptr<MailChannel> ch = connect(server, r);
    if (!ch) return r;
    return SmtpConversation(*ch, server, heloName, from, recipients, message);
}

std::unique_ptr<InboxClient> MakeImapClient(ChannelFactory connect, ServerConfig server)
{
    return std::make_unique<Imap>(std::move(connect), std::move(server));
}

std::unique_ptr<InboxClient> MakePop3Client(ChannelFactory connect, ServerConfig server)
{
    return std::make_unique<Pop3>(std::move(connect), std::move(server));
}

}  // namespace pwmail
