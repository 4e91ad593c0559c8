// The mail provider's message format and conversations, natively: messages
// built and read back, messages from other mail programs, and scripted
// servers for the refusals that must not be mistaken for success.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <random>

#include "mail/provider/MailClients.h"
#include "mail/provider/MailFormat.h"

using namespace pwmail;

namespace {

std::string RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

// What the server side of SMTP does with the DATA block.
std::string Unstuff(const std::string& data)
{
    std::string out;
    size_t pos = 0;
    while (pos < data.size()) {
        size_t eol = data.find("\r\n", pos);
        std::string line = data.substr(pos, eol - pos);
        pos = eol + 2;
        if (line == ".") break;
        if (!line.empty() && line[0] == '.') line.erase(0, 1);
        out += line + "\r\n";
    }
    return out;
}

TEST(MailFormat, BuiltMessageReadsBackExactlyWithShortLines)
{
    OutgoingMail m;
    m.from = {"Zoë Smith", "alice@pinwell.test"};
    m.to = {{"", "bob@pinwell.test"}, {"Bob \"B\"", "bob2@pinwell.test"}};
    m.subject = "Pinwell : Note from Zo\xEB, PC \x80 " + std::string(120, 'x');
    m.text = "From here\n.leading dot\n..two\r\n" + std::string(3000, 'a') + "~\xE9\xFC~<END>\n trailing \n.\nend";
    m.attachments = {{"Note.jpg", RandomBytes(200 * 1024, 7)}, {"r\xE9sum\xE9.txt", "x"}};
    m.date = FormatMailDate({2025, 3, 4, 14, 5, 9, 60});
    m.messageId = "abc.123@pinwell.test";
    std::string built = BuildMessage(m, "=_b0undary");
    EXPECT_EQ(m.date, "Tue, 04 Mar 2025 14:05:09 +0100");

    std::string data = SmtpDataBlock(built);
    size_t pos = 0;
    while (pos < data.size()) {
        size_t eol = data.find("\r\n", pos);
        ASSERT_NE(eol, std::string::npos);
        ASSERT_LE(eol - pos, 998u);
        ASSERT_EQ(data.substr(pos, eol - pos).find('\n'), std::string::npos);
        pos = eol + 2;
    }
    EXPECT_NE(data.find("\r\n=46rom here"), std::string::npos);
    ParsedMail p = ParseMessage(Unstuff(data));
    EXPECT_EQ(p.subject, m.subject);
    EXPECT_EQ(p.from.name, "Zoë Smith");
    ASSERT_EQ(p.to.size(), 2u);
    EXPECT_EQ(p.to[1].name, "Bob \"B\"");
    EXPECT_EQ(p.to[1].addr, "bob2@pinwell.test");
    EXPECT_EQ(p.text, NormalizeLineEnds(m.text));
    ASSERT_EQ(p.attachments.size(), 2u);
    EXPECT_EQ(p.attachments[0].fileName, "Note.jpg");
    EXPECT_TRUE(p.attachments[0].data == m.attachments[0].data);
    EXPECT_EQ(p.attachments[1].fileName, "r\xE9sum\xE9.txt");
    int64_t t;
    ASSERT_TRUE(ParseMailDate(p.date, t));
    EXPECT_EQ(t, 1741093509);  // 13:05:09 UTC
}

TEST(MailFormat, ReadsWhatOtherMailProgramsSend)
{
    std::string raw =
        "Subject: =?UTF-8?B?Tm90ZSDigqw=?=\r\n =?utf-8?q?_caf=C3=A9?=\r\n"
        "From: =?iso-8859-1?q?J=F6rg?= <jorg@example.org>\r\n"
        "Content-Type: multipart/mixed; boundary=\"outer\"\r\n\r\n"
        "preamble\r\n--outer\r\n"
        "Content-Type: multipart/alternative; boundary=\"outerx\"\r\n\r\n"
        "--outerx\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
        "Gr=C3=BC=C3=9Fe, a long line that was =\r\nwrapped\r\n--outerx\r\n"
        "Content-Type: text/html\r\n\r\n<p>ignored</p>\r\n--outerx--\r\n"
        "--outer\r\nContent-Type: application/octet-stream\r\n"
        "Content-Disposition: attachment; filename*=utf-8''..%2F..%2Fd%C3%A9.bin\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nAAEC\r\n/w==\r\n--outer--\r\nepilogue\r\n";
    ParsedMail p = ParseMessage(raw);
    EXPECT_EQ(p.subject, "Note \x80 caf\xE9");
    EXPECT_EQ(p.from.name, "J\xF6rg");
    EXPECT_EQ(p.text, "Gr\xFC\xDF" "e, a long line that was wrapped");
    ASSERT_EQ(p.attachments.size(), 1u);
    EXPECT_EQ(p.attachments[0].fileName, "d\xE9.bin");  // no path from the sender
    EXPECT_EQ(p.attachments[0].data, std::string("\x00\x01\x02\xFF", 4));

    ParsedMail html = ParseMessage("Content-Type: text/html\r\n\r\n<STYLE>p {x}</STYLE><b>A</b> &amp; B<br>C&#233;&#x20AC;&#xD800;\r\n");
    EXPECT_EQ(html.text, "A & B\r\nC\xE9\x80?\r\n");
    ParsedMail flowed = ParseMessage("Content-Type: text/plain; format=flowed; delsp=yes\r\n\r\n"
                                     "one long para \r\ngoes on\r\n> quoted  \r\n> more\r\n-- \r\n sig\r\n");
    EXPECT_EQ(flowed.text, "one long paragoes on\r\n> quoted more\r\n-- \r\nsig\r\n");
    // Two thousand parts: the walker stops at its cap instead of running on.
    std::string many = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    for (int i = 0; i < 2000; ++i) many += "--b\r\nContent-Type: application/x\r\n\r\nx\r\n";
    EXPECT_LT(ParseMessage(many + "--b--\r\n").attachments.size(), 1001u);
    EXPECT_EQ(ExtractAddress("SMTP:bob@pinwell.test"), "bob@pinwell.test");
    EXPECT_EQ(ExtractAddress("Bob <bob@pinwell.test>"), "bob@pinwell.test");
    EXPECT_EQ(ExtractAddress("bob"), "");
    EXPECT_EQ(ExtractAddress("a@b, c@d"), "");
}

// A server that answers from a script, which runs on across reconnections;
// every write is recorded.
class ScriptChannel : public MailChannel {
public:
    ScriptChannel(std::shared_ptr<std::deque<std::string>> replies, std::string* log) : replies_(*replies), keep_(replies), log_(log) {}
    bool Write(const std::string& data) override
    {
        *log_ += data;
        return true;
    }
    long Read(char* buf, size_t size) override
    {
        if (replies_.empty()) return -1;  // the timeout of a silent server
        std::string& r = replies_.front();
        size_t n = std::min(size, r.size());
        std::copy(r.begin(), r.begin() + static_cast<long>(n), buf);
        r.erase(0, n);
        if (r.empty()) replies_.pop_front();
        return static_cast<long>(n);
    }
    MailResult StartTls() override
    {
        *log_ += "<TLS>";
        return {};
    }
    std::string LastError() override { return "timed out"; }

private:
    std::deque<std::string>& replies_;
    std::shared_ptr<std::deque<std::string>> keep_;
    std::string* log_;
};

ChannelFactory Scripted(std::deque<std::string> replies, std::string* log)
{
    auto script = std::make_shared<std::deque<std::string>>(std::move(replies));
    return [=](const ServerConfig&, MailResult&) { return std::make_unique<ScriptChannel>(script, log); };
}

ServerConfig Account(Security s, bool plainPasswordAllowed = true)
{
    return {"mail.pinwell.test", 25, s, "bob@pinwell.test", "p\"w", plainPasswordAllowed};
}

TEST(MailClients, SmtpRefusalsAreNeverSuccess)
{
    std::string log;
    // The account asks for STARTTLS; a server without it must not get the password in clear.
    auto r = SmtpSend(Scripted({"220 hi\r\n", "250-mail\r\n250 AUTH PLAIN\r\n"}, &log), Account(Security::StartTls),
                      "pc", "a@b", {"c@d"}, "x");
    EXPECT_EQ(r.status, MailStatus::TlsFailed);
    EXPECT_EQ(log.find("AUTH"), std::string::npos);

    log.clear();
    r = SmtpSend(Scripted({"220 hi\r\n", "250-mail\r\n250-STARTTLS\r\n250 SIZE\r\n", "220 go\r\n",
                           "250-mail\r\n250 AUTH LOGIN PLAIN\r\n", "535 5.7.8 no\r\n"},
                          &log),
                 Account(Security::StartTls), "pc", "a@b", {"c@d"}, "x");
    EXPECT_EQ(r.status, MailStatus::LoginFailed);
    EXPECT_NE(log.find("STARTTLS\r\n<TLS>EHLO pc\r\nAUTH PLAIN "), std::string::npos);

    // One refused recipient: the others get the mail, and the refused one is named.
    log.clear();
    r = SmtpSend(Scripted({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "550 no such user\r\n", "250 ok\r\n",
                           "354 go\r\n", "250 queued\r\n", "221 bye\r\n"},
                          &log),
                 Account(Security::None), "pc", "a@b", {"c@d", "e@f"}, "x");
    EXPECT_EQ(r.status, MailStatus::RecipientRefused);
    EXPECT_NE(r.detail.find("c@d (550 no such user)"), std::string::npos);
    EXPECT_NE(r.detail.find("other recipients were sent"), std::string::npos);
    EXPECT_NE(log.find("RCPT TO:<e@f>\r\nDATA\r\n"), std::string::npos);
    log.clear();
    r = SmtpSend(Scripted({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "550 no such user\r\n", "221 bye\r\n"}, &log),
                 Account(Security::None), "pc", "a@b", {"c@d"}, "x");
    EXPECT_EQ(r.status, MailStatus::RecipientRefused);
    EXPECT_EQ(log.find("DATA"), std::string::npos);

    log.clear();
    r = SmtpSend(Scripted({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"}, &log),
                 Account(Security::None), "pc", "a@b", {"c@d"}, ".x\r\n");
    EXPECT_EQ(r.status, MailStatus::NetworkFailed);  // no answer after the data: not sent
    EXPECT_NE(log.find("DATA\r\n..x\r\n.\r\n"), std::string::npos);
}

TEST(MailClients, ImapLiteralsUidsAndRefusedLogin)
{
    std::string log;
    auto imap = MakeImapClient(Scripted({"* OK ready\r\n", "+ go\r\n", "+ go\r\n", "p1 NO [AUTHENTICATIONFAILED] x\r\n"}, &log),
                               Account(Security::None));
    EXPECT_EQ(imap->Open().status, MailStatus::LoginFailed);
    EXPECT_NE(log.find("p1 LOGIN {16}\r\nbob@pinwell.test {3}\r\np\"w\r\n"), std::string::npos);

    std::string body = "Subject: s\r\n\r\nline {5}\r\n";
    imap = MakeImapClient(
        Scripted({"* OK ready\r\n", "+ go\r\n", "+ go\r\n", "p1 OK in\r\n", "* CAPABILITY IMAP4rev1 UIDPLUS\r\np2 OK\r\n",
                  "* 2 EXISTS\r\n* OK [UIDVALIDITY 77] v\r\np3 OK sel\r\n", "* SEARCH 12 9 12\r\np4 OK\r\n",
                  "* 1 FETCH (UID 9 RFC822.SIZE 73400320 FLAGS (\\Seen) BODY[HEADER.FIELDS (FROM TO CC SUBJECT DATE)] {12}\r\n"
                  "Subject: a\r\n)\r\n* 2 FETCH (FLAGS () UID 12 BODY[HEADER.FIELDS (SUBJECT)] \"\")\r\n"
                  "* 3 FETCH (UID 13 BODY[HEADER] \x01)\r\np5 OK\r\n",
                  "* 1 FETCH (FLAGS (\\Seen))\r\n* 2 FETCH (UID 12 FLAGS (\\Recent) BODY[] {" +
                      std::to_string(body.size()) + "}\r\n" + body + ")\r\np6 OK\r\n",
                  "* 2 FETCH (UID 12 BODY[] \x01)\r\np7 OK\r\n",
                  "* OK [UIDVALIDITY 77] v\r\np8 OK sel\r\n",
                  "* 2 FETCH (FLAGS (\\Deleted) UID 12)\r\np9 OK\r\n", "* 2 EXPUNGE\r\np10 OK\r\n"},
                 &log),
        Account(Security::None));
    ASSERT_TRUE(imap->Open().Ok());
    EXPECT_EQ(imap->Epoch(), "77");
    std::vector<std::string> keys;
    ASSERT_TRUE(imap->List(false, keys).Ok());
    EXPECT_EQ(keys, (std::vector<std::string>{"9", "12"}));
    // All envelopes in one command; a literal index the server forged is refused, not followed.
    std::map<std::string, Envelope> env;
    ASSERT_TRUE(imap->Envelopes({"9", "12", "13", "10"}, env).Ok());
    ASSERT_EQ(env.size(), 2u);
    EXPECT_EQ(env["9"].headers, "Subject: a\r\n");
    EXPECT_EQ(env["9"].size, 73400320u);
    EXPECT_FALSE(env["9"].unread);
    EXPECT_TRUE(env["12"].unread);
    EXPECT_NE(log.find("p5 UID FETCH 9:10,12:13 (UID FLAGS RFC822.SIZE BODY.PEEK[HEADER.FIELDS ("), std::string::npos);
    std::string raw;
    bool unread = false;
    ASSERT_TRUE(imap->Fetch("12", false, false, raw, unread).Ok());
    EXPECT_EQ(raw, body);
    EXPECT_TRUE(unread);
    EXPECT_EQ(imap->Fetch("12", false, false, raw, unread).status, MailStatus::NoSuchMessage);
    ASSERT_TRUE(imap->Delete("12").Ok());
    // Read-only until the first change; deleted messages are not listed.
    EXPECT_NE(log.find("p3 EXAMINE INBOX\r\np4 UID SEARCH UNDELETED\r\n"), std::string::npos);
    EXPECT_NE(log.find("p8 SELECT INBOX\r\np9 UID STORE 12 +FLAGS (\\Deleted)\r\np10 UID EXPUNGE 12\r\n"), std::string::npos);
}

TEST(MailClients, Pop3UidlDotStuffingAndImmediateDelete)
{
    std::string log;
    auto pop = MakePop3Client(
        Scripted({"+OK hi\r\n", "+OK\r\n", "+OK\r\n", "+OK\r\nTOP\r\nPIPELINING\r\n.\r\n",
                  "+OK\r\n1 aaa\r\n2 bbb\r\n3 ccc\r\n.\r\n", "+OK\r\n1 10\r\n2 73400320\r\n.\r\n",
                  "+OK\r\nSubject: a\r\n\r\n.\r\n-ERR no such message\r\n+OK\r\nSubject: c\r\n\r\n.\r\n",
                  "+OK\r\nSubject: s\r\n\r\n..dot\r\n.\r\n", "+OK\r\n", "+OK bye\r\n"},
                 &log),
        Account(Security::None));
    std::vector<std::string> keys;
    ASSERT_TRUE(pop->List(false, keys).Ok());
    EXPECT_EQ(keys, (std::vector<std::string>{"aaa", "bbb", "ccc"}));
    // Every envelope of the session from one login, the TOP commands in one write.
    std::map<std::string, Envelope> env;
    ASSERT_TRUE(pop->Envelopes({"aaa", "bbb", "ccc"}, env).Ok());
    EXPECT_EQ(env.size(), 2u);
    EXPECT_EQ(env["ccc"].headers, "Subject: c\r\n\r\n");
    EXPECT_EQ(env["aaa"].size, 10u);
    EXPECT_NE(log.find("TOP 1 0\r\nTOP 2 0\r\nTOP 3 0\r\n"), std::string::npos);
    std::string raw;
    bool unread;
    ASSERT_TRUE(pop->Fetch("bbb", false, false, raw, unread).Ok());
    EXPECT_EQ(raw, "Subject: s\r\n\r\n.dot\r\n");
    EXPECT_EQ(pop->Fetch("zzz", false, false, raw, unread).status, MailStatus::NoSuchMessage);
    ASSERT_TRUE(pop->Delete("bbb").Ok());
    ASSERT_TRUE(pop->List(false, keys).Ok());
    EXPECT_EQ(keys, (std::vector<std::string>{"aaa", "ccc"}));
    pop->Close();
    EXPECT_NE(log.find("RETR 2\r\nDELE 2\r\nQUIT\r\n"), std::string::npos);
    EXPECT_EQ(log.find("USER", log.find("USER") + 1), std::string::npos);

    pop = MakePop3Client(Scripted({"+OK hi\r\n", "+OK\r\n", "-ERR [AUTH] Authentication failed.\r\n"}, &log),
                         Account(Security::None));
    EXPECT_EQ(pop->List(false, keys).status, MailStatus::LoginFailed);
    pop = MakePop3Client(Scripted({"+OK hi\r\n", "+OK\r\n", "-ERR [IN-USE] locked\r\n"}, &log), Account(Security::None));
    EXPECT_EQ(pop->List(false, keys).status, MailStatus::ServerRefused);
    pop = MakePop3Client(Scripted({"+OK hi\r\n"}, &log), Account(Security::None));
    EXPECT_EQ(pop->List(false, keys).status, MailStatus::NetworkFailed);
}

// With security None the password goes to no other computer unless the
// user said so; a PREAUTH greeting cannot skip the TLS the account asks for.
TEST(MailClients, PasswordNeverTravelsInClearUnasked)
{
    std::string log;
    auto r = SmtpSend(Scripted({"220 hi\r\n", "250-mail\r\n250 AUTH PLAIN\r\n"}, &log), Account(Security::None, false),
                      "pc", "a@b", {"c@d"}, "x");
    EXPECT_EQ(r.status, MailStatus::TlsFailed);
    auto imap = MakeImapClient(Scripted({"* OK ready\r\n"}, &log), Account(Security::None, false));
    EXPECT_EQ(imap->Open().status, MailStatus::TlsFailed);
    auto pop = MakePop3Client(Scripted({"+OK hi\r\n"}, &log), Account(Security::None, false));
    r = pop->Open();
    EXPECT_EQ(r.status, MailStatus::TlsFailed);
    EXPECT_NE(r.detail.find("unencrypted to mail.pinwell.test"), std::string::npos);
    EXPECT_EQ(log.find("AUTH PLAIN"), std::string::npos);
    EXPECT_EQ(log.find("LOGIN"), std::string::npos);
    EXPECT_EQ(log.find("USER"), std::string::npos);
    imap = MakeImapClient(Scripted({"* PREAUTH welcome\r\n"}, &log), Account(Security::StartTls));
    EXPECT_EQ(imap->Open().status, MailStatus::TlsFailed);
    ServerConfig local = Account(Security::None, false);
    local.host = "127.0.0.1";
    pop = MakePop3Client(Scripted({"+OK hi\r\n", "+OK\r\n", "+OK\r\n", "-ERR\r\n", "+OK\r\n.\r\n", "+OK\r\n.\r\n"}, &log), local);
    EXPECT_TRUE(pop->Open().Ok());
}

}  // namespace
