#include "mail/provider/MailClients.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

#include "mail/provider/MailFormat.h"

namespace pwmail {

namespace {

// Longest line we accept: a broken or hostile server must not make us hold
// unbounded memory.
constexpr size_t kMaxLine = 1 << 20;

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

bool IsLoopback(const std::string& host)
{
    std::string h = Upper(host);
    if (h == "LOCALHOST" || h == "::1" || h == "[::1]") return true;
    return h.rfind("127.", 0) == 0 && h.find_first_not_of("0123456789.") == std::string::npos;
}

// A password travels in clear only to this computer, or where the user chose it.
MailResult PasswordMayTravel(const ServerConfig& s, const char* protocol)
{
    if (s.security != Security::None || s.plainPasswordAllowed || IsLoopback(s.host)) return {};
    return Fail(MailStatus::TlsFailed, std::string(protocol) + ": the password would travel unencrypted to " + s.host +
                                           ". Choose STARTTLS or SSL/TLS, or tick \"Send the password unencrypted\" "
                                           "if this server offers no encryption.");
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
        if (MailResult p = PasswordMayTravel(server, "SMTP"); !p.Ok()) return p;
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
    // One refused recipient does not hold the mail back from the others.
    std::string refused;
    size_t accepted = 0;
    for (const std::string& to : recipients) {
        if (!smtp.Command("RCPT TO:<" + to + ">", r)) return Lost(ch, "SMTP RCPT TO");
        if (r.code == 250 || r.code == 251) ++accepted;
        else refused += (refused.empty() ? "" : "; ") + to + " (" + r.Text() + ")";
    }
    if (!accepted) {
        smtp.Command("QUIT", r);
        return Fail(MailStatus::RecipientRefused, "The mail server refused " + refused + ". Nothing was sent.");
    }
    if (!smtp.Command("DATA", r)) return Lost(ch, "SMTP DATA");
    if (r.code != 354) return Fail(MailStatus::ServerRefused, "SMTP DATA: " + r.Text());
    // A server may check the message for minutes before it accepts it (RFC
    // 5321 gives it ten); giving up sooner would call a delivered mail failed.
    ch.SetReadTimeout(600);
    if (!ch.Write(SmtpDataBlock(message)) || !smtp.Read(r)) return Lost(ch, "SMTP message transfer");
    ch.SetReadTimeout(0);
    if (r.code != 250) return Fail(MailStatus::ServerRefused, "SMTP server refused the message: " + r.Text());
    smtp.Command("QUIT", r);  // the message is accepted whatever QUIT answers
    if (!refused.empty())
        return Fail(MailStatus::RecipientRefused,
                    "The mail server refused " + refused + ". The other recipients were sent the message.");
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

// What one untagged FETCH response says of a message.
struct FetchedItem {
    std::string uid;
    bool seen = false;
    uint64_t size = 0;
    bool hasSection = false;
    std::string section;  // the requested BODY[...] value
};

// The value of the first data item NAME in an upper-cased FETCH text: the
// text after "NAME " up to the next space or parenthesis.
std::string ItemValue(const std::string& upper, const std::string& name)
{
    for (size_t p = upper.find(name + " "); p != std::string::npos; p = upper.find(name + " ", p + 1)) {
        if (p && upper[p - 1] != '(' && upper[p - 1] != ' ') continue;
        size_t v = p + name.size() + 1, e = upper.find_first_of(" )", v);
        return upper.substr(v, e == std::string::npos ? std::string::npos : e - v);
    }
    return {};
}

// Reads a FETCH response; false when it is not one or names no UID. The
// section, when asked for, is the first BODY[...] value.
bool ParseFetch(ImapResponse& u, bool wantSection, FetchedItem& item)
{
    std::string t = Upper(u.text);
    size_t open = t.find(" FETCH (");
    if (t.rfind("* ", 0) != 0 || open == std::string::npos) return false;
    item = {};
    item.uid = ItemValue(t, "UID");
    if (item.uid.empty() || item.uid.find_first_not_of("0123456789") != std::string::npos) return false;
    size_t flags = t.find("FLAGS (");
    item.seen = flags != std::string::npos && t.find("\\SEEN", flags) < t.find(')', flags);
    item.size = std::strtoull(ItemValue(t, "RFC822.SIZE").c_str(), nullptr, 10);
    size_t body = wantSection ? t.find("BODY[", open) : std::string::npos;
    if (body == std::string::npos) return true;
    size_t close = t.find(']', body);
    size_t value = close == std::string::npos ? close : t.find_first_not_of(' ', close + 1);
    if (value == std::string::npos) return true;
    item.hasSection = true;
    if (t[value] == '\x01') {
        auto index = static_cast<size_t>(std::count(t.begin(), t.begin() + static_cast<long>(value), '\x01'));
        if (index >= u.literals.size()) return false;  // a server that counts its own literals wrong
        item.section = std::move(u.literals[index]);
    } else if (t[value] == '"') {
        size_t end = u.text.find('"', value + 1);
        item.section = u.text.substr(value + 1, end == std::string::npos ? std::string::npos : end - value - 1);
    }
    return true;
}

// "3:7,9" for the sorted numeric keys, in pieces short enough for one command line each.
std::vector<std::string> UidSets(const std::vector<std::string>& keys)
{
    std::vector<unsigned long> uids;
    for (const std::string& k : keys) uids.push_back(std::strtoul(k.c_str(), nullptr, 10));
    std::sort(uids.begin(), uids.end());
    std::vector<std::string> sets(1);
    for (size_t i = 0; i < uids.size();) {
        size_t j = i;
        while (j + 1 < uids.size() && uids[j + 1] <= uids[j] + 1) ++j;
        std::string range = std::to_string(uids[i]) + (j > i ? ":" + std::to_string(uids[j]) : "");
        if (sets.back().size() > 4000) sets.emplace_back();
        sets.back() += (sets.back().empty() ? "" : ",") + range;
        i = j + 1;
    }
    if (sets.back().empty()) sets.pop_back();
    return sets;
}

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
        if (server_.security == Security::StartTls) {
            // A session already logged in can no longer start TLS: going on would be in clear.
            if (preauth)
                return Fail(MailStatus::TlsFailed, "the IMAP server logged in before STARTTLS, so the connection cannot be secured");
            if (!Command("STARTTLS", untagged, status)) return Lost(*ch_, "IMAP STARTTLS");
            if (!StartsWithNoCase(status, "OK"))
                return Fail(MailStatus::TlsFailed, "the IMAP server refused STARTTLS: " + status);
            if (in_->Buffered()) return Fail(MailStatus::TlsFailed, "IMAP server sent data before TLS");
            r = ch_->StartTls();
            if (!r.Ok()) return r;
        }
        if (!preauth) {
            if (MailResult p = PasswordMayTravel(server_, "IMAP"); !p.Ok()) return p;
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
        // Read-only until something changes: a check that finds no note
        // e-mail leaves the Inbox as other mail programs see it.
        writable_ = false;
        return OpenInbox("EXAMINE", epoch_);
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
        if (!Command(unreadOnly ? "UID SEARCH UNSEEN UNDELETED" : "UID SEARCH UNDELETED", untagged, status))
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
        uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
        for (unsigned long v : uids) keys.push_back(std::to_string(v));
        return {};
    }

    MailResult Envelopes(const std::vector<std::string>& keys, std::map<std::string, Envelope>& out) override
    {
        if (MailResult r = Ensure(); !r.Ok()) return r;
        std::vector<ImapResponse> untagged;
        std::string status;
        for (const std::string& set : UidSets(keys)) {
            if (!Command("UID FETCH " + set + " (UID FLAGS RFC822.SIZE BODY.PEEK[HEADER.FIELDS (" + kEnvelopeFields + ")])",
                         untagged, status))
                return LostAndClose("IMAP FETCH");
            if (!StartsWithNoCase(status, "OK")) return Fail(MailStatus::ServerRefused, "IMAP FETCH: " + status);
            FetchedItem item;
            for (auto& u : untagged) {
                if (!ParseFetch(u, true, item) || !item.hasSection) continue;
                Envelope& e = out[item.uid];
                e.headers = std::move(item.section);
                e.size = item.size;
                e.unread = !item.seen;
            }
        }
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
        FetchedItem item;
        for (auto& u : untagged) {
            if (!ParseFetch(u, true, item) || item.uid != key || !item.hasSection) continue;
            raw = std::move(item.section);
            unread = !item.seen;
            if (markRead && unread) {
                if (MailResult w = Writable(); !w.Ok()) return w;
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
        if (MailResult w = Writable(); !w.Ok()) return w;
        std::vector<ImapResponse> untagged;
        std::string status;
        if (!Command("UID STORE " + key + " +FLAGS (\\Deleted)", untagged, status)) return LostAndClose("IMAP STORE");
        if (!StartsWithNoCase(status, "OK")) return Fail(MailStatus::ServerRefused, "IMAP STORE: " + status);
        bool found = false;
        FetchedItem item;
        for (auto& u : untagged)
            if (ParseFetch(u, false, item) && item.uid == key) found = true;
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
    static constexpr const char* kEnvelopeFields = "FROM TO CC SUBJECT DATE";

    MailResult OpenInbox(const char* verb, std::string& epoch)
    {
        std::vector<ImapResponse> untagged;
        std::string status;
        if (!Command(std::string(verb) + " INBOX", untagged, status)) return Lost(*ch_, verb);
        if (!StartsWithNoCase(status, "OK")) return Fail(MailStatus::ServerRefused, std::string("IMAP ") + verb + " INBOX: " + status);
        for (auto& u : untagged) {
            size_t p = Upper(u.text).find("[UIDVALIDITY ");
            size_t end = p == std::string::npos ? p : u.text.find(']', p);
            if (end != std::string::npos) epoch = u.text.substr(p + 13, end - p - 13);
        }
        return {};
    }

    // The Inbox opened for changes, the first time something changes.
    MailResult Writable()
    {
        if (writable_) return {};
        std::string epoch = epoch_;
        MailResult r = OpenInbox("SELECT", epoch);
        if (!r.Ok()) {
            if (r.status == MailStatus::NetworkFailed) LostAndClose("IMAP SELECT");
            return r;
        }
        writable_ = true;
        if (epoch != epoch_) {  // renumbered in between: no key of ours names the same message now
            epoch_ = epoch;
            return Fail(MailStatus::NoSuchMessage, "the Inbox was renumbered by the server");
        }
        return {};
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
            if (total > kMaxMessageBytes) return false;
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
    bool writable_ = false;
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
        if (MailResult p = PasswordMayTravel(server_, "POP3"); !p.Ok()) return p;
        if (!Command("USER " + server_.user, line)) return Lost(*ch_, "POP3 USER");
        if (!IsOk(line)) return LoginRefused("POP3 USER: ", line);
        if (!Command("PASS " + server_.password, line)) return Lost(*ch_, "POP3 PASS");
        if (!IsOk(line)) return LoginRefused("POP3 PASS: ", line);
        open_ = true;  // a refused UIDL still ends with QUIT
        std::string caps;
        pipelining_ = Command("CAPA", line) && IsOk(line) && ReadMultiLine(caps) &&
                      ("\r\n" + Upper(caps)).find("\r\nPIPELINING") != std::string::npos;
        return Refresh();
    }

    void SayGoodbye() override
    {
        std::string line;
        Command("QUIT", line);
    }

public:
    // One login serves the whole session: what it listed stays the listing,
    // less what was deleted since.
    MailResult List(bool, std::vector<std::string>& keys) override
    {
        keys.clear();
        if (MailResult r = Ensure(); !r.Ok()) return r;
        for (const std::string& k : order_)
            if (numbers_.count(k)) keys.push_back(k);
        return {};
    }

    MailResult Envelopes(const std::vector<std::string>& keys, std::map<std::string, Envelope>& out) override
    {
        if (MailResult r = Ensure(); !r.Ok()) return r;
        std::vector<const std::string*> wanted;
        for (const std::string& k : keys)
            if (numbers_.count(k)) wanted.push_back(&k);
        // Where the server allows it, a batch of TOP commands goes out in
        // one write; the batch stays small enough that neither side blocks.
        size_t batch = pipelining_ ? 100 : 1;
        for (size_t i = 0; i < wanted.size(); i += batch) {
            size_t end = std::min(wanted.size(), i + batch);
            std::string cmds;
            for (size_t j = i; j < end; ++j) cmds += "TOP " + numbers_[*wanted[j]] + " 0\r\n";
            if (!ch_->Write(cmds)) return LostAndClose("POP3 TOP");
            for (size_t j = i; j < end; ++j) {
                std::string line, headers;
                if (!in_->ReadLine(line)) return LostAndClose("POP3 TOP");
                if (!IsOk(line)) continue;  // gone, or a server without TOP: a whole read still works
                if (!ReadMultiLine(headers)) return LostAndClose("POP3 TOP");
                Envelope& e = out[*wanted[j]];
                e.headers = std::move(headers);
                e.size = sizes_[*wanted[j]];
            }
        }
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

    // The server removes the message when the session ends (QUIT at logoff).
    MailResult Delete(const std::string& key) override
    {
        if (MailResult r = Ensure(); !r.Ok()) return r;
        auto it = numbers_.find(key);
        if (it == numbers_.end()) return Fail(MailStatus::NoSuchMessage, "the message is no longer in the Inbox");
        std::string line;
        if (!Command("DELE " + it->second, line)) return LostAndClose("POP3 DELE");
        if (!IsOk(line)) return Fail(MailStatus::ServerRefused, "POP3 DELE: " + line);
        numbers_.erase(it);
        return {};
    }

private:
    static bool IsOk(const std::string& line) { return line.rfind("+OK", 0) == 0; }

    // RFC 2449 and 3206: a busy mailbox or a login too soon is not a wrong password.
    static MailResult LoginRefused(const char* what, const std::string& line)
    {
        std::string u = Upper(line);
        if (u.find("[IN-USE]") != std::string::npos)
            return Fail(MailStatus::ServerRefused,
                        "the mailbox is in use by another mail program; Pinwell tries again at the next check (" + line + ")");
        if (u.find("[LOGIN-DELAY]") != std::string::npos)
            return Fail(MailStatus::ServerRefused,
                        "the POP3 server allows only one login every few minutes; Pinwell tries again at the next check (" + line + ")");
        if (u.find("[SYS/") != std::string::npos) return Fail(MailStatus::ServerRefused, what + line);
        return Fail(MailStatus::LoginFailed, what + line);
    }

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
            if (out.size() > kMaxMessageBytes) return false;
        }
    }

    // Each line of a listing: "number value".
    template <class F> static void ForEachListed(const std::string& listing, F f)
    {
        size_t pos = 0;
        while (pos < listing.size()) {
            size_t eol = listing.find("\r\n", pos);
            std::string l = listing.substr(pos, eol - pos);
            pos = eol == std::string::npos ? listing.size() : eol + 2;
            size_t sp = l.find(' ');
            if (sp != std::string::npos) f(l.substr(0, sp), l.substr(sp + 1));
        }
    }

    MailResult Refresh()
    {
        std::string line, listing, sizes;
        if (!Command("UIDL", line)) return LostAndClose("POP3 UIDL");
        if (!IsOk(line)) return CloseWith(Fail(MailStatus::ServerRefused, "POP3 UIDL: " + line));
        if (!ReadMultiLine(listing)) return LostAndClose("POP3 UIDL");
        if (!Command("LIST", line)) return LostAndClose("POP3 LIST");
        if (IsOk(line) && !ReadMultiLine(sizes)) return LostAndClose("POP3 LIST");
        numbers_.clear();
        order_.clear();
        sizes_.clear();
        std::map<std::string, uint64_t> byNumber;
        ForEachListed(sizes, [&](const std::string& n, const std::string& v) { byNumber[n] = std::strtoull(v.c_str(), nullptr, 10); });
        ForEachListed(listing, [&](const std::string& n, const std::string& uid) {
            if (!numbers_.emplace(uid, n).second) return;
            order_.push_back(uid);
            sizes_[uid] = byNumber.count(n) ? byNumber[n] : 0;
        });
        return {};
    }

    MailResult CloseWith(MailResult r)
    {
        Close();
        return r;
    }

    std::map<std::string, std::string> numbers_;  // UIDL value -> message number, while not deleted
    std::map<std::string, uint64_t> sizes_;
    std::vector<std::string> order_;
    bool pipelining_ = false;
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
