// The Simple MAPI entry points of PinwellMail.dll.
#include <winsock2.h>
#include <windows.h>
#include <mapi.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

#include "mail/provider/Account.h"
#include "mail/provider/AccountDialog.h"
#include "mail/provider/MailFormat.h"
#include "mail/provider/WinChannel.h"

using namespace pwmail;

namespace {

thread_local std::string t_lastError;

// The system's ANSI code page, the one callers' text is in, where it is
// not 1252: a Cyrillic note goes out readable and comes back as it was.
class SystemCodePage : public AnsiCodePage {
public:
    std::string ToUtf8(const std::string& ansi) const override { return Convert(ansi, CP_ACP, CP_UTF8); }
    std::string FromUtf8(const std::string& utf8) const override { return Convert(utf8, CP_UTF8, CP_ACP); }
    bool CharsetToUtf8(const std::string& text, const std::string& charset, std::string& utf8) const override
    {
        UINT cp = CodePageOf(charset);
        if (!cp || !IsValidCodePage(cp)) return false;
        utf8 = Convert(text, cp, CP_UTF8);
        return true;
    }

private:
    static std::string Convert(const std::string& in, UINT from, UINT to)
    {
        if (in.empty()) return {};
        int n = MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), wide.data(), n);
        int m = WideCharToMultiByte(to, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
        std::string out(static_cast<size_t>(m), '\0');
        WideCharToMultiByte(to, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
        return out;
    }

    static UINT CodePageOf(const std::string& cs)
    {
        auto number = [&](const char* prefix) {
            size_t n = strlen(prefix);
            return cs.compare(0, n, prefix) == 0 ? static_cast<UINT>(atoi(cs.c_str() + n)) : 0u;
        };
        if (UINT cp = number("windows-")) return cp;
        if (UINT cp = number("cp")) return cp;
        if (UINT part = number("iso-8859-")) return part <= 16 ? 28590 + part : 0;
        static const std::pair<const char*, UINT> names[] = {
            {"us-ascii", 20127}, {"koi8-r", 20866},    {"koi8-u", 21866}, {"shift_jis", 932},
            {"gb2312", 936},     {"gbk", 936},         {"gb18030", 54936}, {"big5", 950},
            {"euc-kr", 949},     {"ks_c_5601-1987", 949}, {"euc-jp", 20932}, {"iso-2022-jp", 50220}};
        for (auto& [name, cp] : names)
            if (cs == name) return cp;
        return 0;
    }
};

SystemCodePage g_systemCodePage;

ULONG Failure(const MailResult& r)
{
    t_lastError = r.detail;
    switch (r.status) {
    case MailStatus::Ok: return SUCCESS_SUCCESS;
    case MailStatus::LoginFailed: return MAPI_E_LOGIN_FAILURE;
    case MailStatus::NoSuchMessage: return MAPI_E_INVALID_MESSAGE;
    case MailStatus::RecipientRefused: return MAPI_E_UNKNOWN_RECIPIENT;
    case MailStatus::TooLarge: return MAPI_E_TEXT_TOO_LARGE;
    default: return MAPI_E_FAILURE;
    }
}

// Problems the user can mend in the account dialog, rather than a server
// that is down for a while.
bool AccountProblem(const MailResult& r)
{
    return r.status == MailStatus::LoginFailed || r.status == MailStatus::CertificateRefused ||
           r.status == MailStatus::TlsFailed;
}

struct Entry {
    std::string key;
    bool deleted = false;
    bool read = false;
    bool enveloped = false;  // envelope holds what the server said
    Envelope envelope;
};

struct Session {
    MailAccount account;
    std::unique_ptr<InboxClient> inbox;
    std::string epoch;
    std::vector<Entry> entries;           // the message id is the index + 1
    std::map<std::string, size_t> byKey;
    std::vector<size_t> listing;          // entries of the last fresh search, in order
    std::mutex lock;
};

// Runs one entry point so that nothing thrown inside reaches the caller,
// which is often a program that cannot survive it.
template <class F> ULONG Guarded(const char* what, F&& body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        t_lastError = std::string(what) + ": not enough memory";
        return MAPI_E_INSUFFICIENT_MEMORY;
    } catch (const std::exception& e) {
        t_lastError = std::string(what) + " failed: " + e.what();
    } catch (...) {
        t_lastError = std::string(what) + " failed on an unexpected error";
    }
    return MAPI_E_FAILURE;
}

std::mutex g_sessionsLock;
std::set<Session*> g_sessions;

// Keeps a session alive and locked for one call; empty when the handle is not ours.
struct SessionRef {
    Session* s = nullptr;
    std::unique_lock<std::mutex> hold;
    explicit SessionRef(LHANDLE h)
    {
        std::lock_guard<std::mutex> g(g_sessionsLock);
        auto* p = reinterpret_cast<Session*>(h);
        if (g_sessions.count(p)) {
            s = p;
            hold = std::unique_lock<std::mutex>(p->lock);
        }
    }
};

std::unique_ptr<InboxClient> MakeInbox(const MailAccount& a)
{
    return a.pop3 ? MakePop3Client(ConnectChannel, a.Inbox()) : MakeImapClient(ConnectChannel, a.Inbox());
}

// Loads the account, or asks for it when allowed; fills code when there is none.
bool ObtainAccount(HWND parent, bool ui, MailAccount& a, ULONG& code)
{
    LoadAccount(a);
    if (a.Complete()) return true;
    t_lastError = "No mail account is set up for Pinwell Mail.";
    if (!ui) {
        code = MAPI_E_LOGIN_FAILURE;
        return false;
    }
    if (!RunAccountDialog(parent, a, "")) {
        code = MAPI_E_USER_ABORT;
        return false;
    }
    return true;
}

Entry* FindEntry(Session& s, LPSTR id, size_t* index = nullptr)
{
    if (!id || !*id) return nullptr;
    char* end;
    unsigned long n = strtoul(id, &end, 10);
    if (*end || n == 0 || n > s.entries.size()) return nullptr;
    if (index) *index = n - 1;
    return &s.entries[n - 1];
}

// The envelope of one message, with those of every other listed message
// not yet known fetched in the same round trip: a check reads every
// envelope, and after a delete it starts again from the first message.
MailResult EnvelopeOf(Session& s, Entry& e)
{
    if (e.enveloped) return {};
    std::vector<std::string> keys;
    for (size_t i : s.listing)
        if (!s.entries[i].enveloped && !s.entries[i].deleted) keys.push_back(s.entries[i].key);
    if (std::find(keys.begin(), keys.end(), e.key) == keys.end()) keys.push_back(e.key);
    std::map<std::string, Envelope> found;
    MailResult r = s.inbox->Envelopes(keys, found);
    if (!r.Ok()) return r;
    for (auto& [key, env] : found) {
        auto it = s.byKey.find(key);
        if (it == s.byKey.end()) continue;
        Entry& x = s.entries[it->second];
        x.envelope = std::move(env);
        x.enveloped = true;
    }
    if (e.enveloped) return {};
    // The server left it out of the batch: ask for this one alone.
    r = s.inbox->Fetch(e.key, true, false, e.envelope.headers, e.envelope.unread);
    e.enveloped = r.Ok();
    return r;
}

// One block for the whole message, with a null pointer-sized header in front:
// both our MAPIFreeBuffer and a MAPI32 that chains its blocks free it whole.
class Block {
public:
    void Reserve(size_t bytes) { size_ += Align(bytes); }
    void ReserveString(const std::string& s) { Reserve(s.size() + 1); }
    bool Allocate()
    {
        base_ = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(void*) + size_));
        used_ = 0;
        return base_ != nullptr;
    }
    void* Take(size_t bytes)
    {
        void* p = base_ + sizeof(void*) + used_;
        used_ += Align(bytes);
        return p;
    }
    LPSTR String(const std::string& s)
    {
        auto* p = static_cast<char*>(Take(s.size() + 1));
        memcpy(p, s.c_str(), s.size() + 1);
        return p;
    }
    void* Data() const { return base_ + sizeof(void*); }

private:
    static size_t Align(size_t n) { return (n + 15) & ~size_t(15); }
    size_t size_ = 0, used_ = 0;
    char* base_ = nullptr;
};

std::string LocalDateText(const std::string& header)
{
    int64_t utc;
    if (!ParseMailDate(header, utc)) return {};
    ULARGE_INTEGER ft;
    ft.QuadPart = static_cast<ULONGLONG>(utc + 11644473600LL) * 10000000ULL;
    FILETIME f{ft.LowPart, ft.HighPart}, local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&f, &local) || !FileTimeToSystemTime(&local, &t)) return {};
    char buf[32];
    wsprintfA(buf, "%04u/%02u/%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    return buf;
}

// Writes the attachments into a new folder under the temporary folder.
bool WriteAttachments(const std::vector<Attachment>& files, std::vector<std::string>& paths)
{
    char temp[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp)) return false;
    std::string folder;
    for (unsigned i = 0; i < 1000; ++i) {
        folder = std::string(temp) + "PinwellMail-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(GetTickCount() + i);
        if (CreateDirectoryA(folder.c_str(), nullptr)) break;
        folder.clear();
    }
    if (folder.empty()) return false;
    for (size_t i = 0; i < files.size(); ++i) {
        std::string name = files[i].fileName;
        for (char& c : name)
            if (strchr("<>:\"/\\|?*", c) || static_cast<unsigned char>(c) < 32) c = '_';
        if (name.empty() || name == "." || name == "..") name = "attachment" + std::to_string(i + 1);
        std::string path = folder + "\\" + name;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            path = folder + "\\" + std::to_string(i + 1) + "-" + name;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        BOOL ok = WriteFile(h, files[i].data.data(), static_cast<DWORD>(files[i].data.size()), &written, nullptr);
        CloseHandle(h);
        if (!ok || written != files[i].data.size()) return false;
        paths.push_back(path);
    }
    return true;
}

bool ReadWholeFile(const char* path, std::string& data, ULONG& code)
{
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        code = MAPI_E_ATTACHMENT_NOT_FOUND;
        return false;
    }
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    code = MAPI_E_ATTACHMENT_OPEN_FAILURE;
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart < (64LL << 20);
    if (ok) {
        data.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) && got == data.size();
    }
    CloseHandle(h);
    return ok;
}

std::string RandomToken(size_t bytes)
{
    static std::mutex m;
    static unsigned long long state = 0;
    std::lock_guard<std::mutex> g(m);
    if (!state) {
        LARGE_INTEGER c;
        QueryPerformanceCounter(&c);
        state = static_cast<unsigned long long>(c.QuadPart) ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 32);
    }
    std::string out;
    for (size_t i = 0; i < bytes; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;  // a fresh token, not a secret
        char b[3];
        wsprintfA(b, "%02x", static_cast<unsigned>((state >> 33) & 0xFF));
        out += b;
    }
    return out;
}

std::string HeloName()
{
    char name[256];
    DWORD size = sizeof name;
    if (GetComputerNameExA(ComputerNameDnsHostname, name, &size) && size) return name;
    return "localhost";
}

ULONG SendWithAccount(HWND parent, bool ui, MailAccount& account, lpMapiMessage msg, FLAGS flags)
{
    OutgoingMail mail;
    std::vector<std::string> envelope;
    for (ULONG i = 0; i < msg->nRecipCount; ++i) {
        const MapiRecipDesc& r = msg->lpRecips[i];
        if (r.ulRecipClass == MAPI_ORIG) continue;
        if (r.ulRecipClass != MAPI_TO && r.ulRecipClass != MAPI_CC && r.ulRecipClass != MAPI_BCC)
            return MAPI_E_BAD_RECIPTYPE;
        std::string addr = r.lpszAddress && *r.lpszAddress ? ExtractAddress(r.lpszAddress) : "";
        if (addr.empty() && r.lpszName) addr = ExtractAddress(r.lpszName);
        if (addr.empty()) {
            t_lastError = std::string("Not an e-mail address: ") + (r.lpszAddress ? r.lpszAddress : r.lpszName ? r.lpszName : "");
            return MAPI_E_UNKNOWN_RECIPIENT;
        }
        std::string name = r.lpszName && ExtractAddress(r.lpszName) != addr ? r.lpszName : "";
        envelope.push_back(addr);
        if (r.ulRecipClass == MAPI_TO) mail.to.push_back({name, addr});
        if (r.ulRecipClass == MAPI_CC) mail.cc.push_back({name, addr});
    }
    if (envelope.empty()) return (flags & MAPI_DIALOG) ? MAPI_E_NOT_SUPPORTED : MAPI_E_INVALID_RECIPS;

    std::string text = msg->lpszNoteText ? msg->lpszNoteText : "";
    // The character at an attachment's position stands for the attachment.
    std::vector<ULONG> positions;
    for (ULONG i = 0; i < msg->nFileCount; ++i) {
        const MapiFileDesc& f = msg->lpFiles[i];
        if (!f.lpszPathName || !*f.lpszPathName) return MAPI_E_ATTACHMENT_NOT_FOUND;
        Attachment a;
        ULONG code;
        if (!ReadWholeFile(f.lpszPathName, a.data, code)) {
            t_lastError = std::string("Cannot read the attachment ") + f.lpszPathName;
            return code;
        }
        std::string path = f.lpszPathName;
        a.fileName = f.lpszFileName && *f.lpszFileName ? f.lpszFileName : path.substr(path.find_last_of("\\/:") + 1);
        mail.attachments.push_back(std::move(a));
        if (f.nPosition != static_cast<ULONG>(-1) && f.nPosition < text.size()) positions.push_back(f.nPosition);
    }
    std::sort(positions.rbegin(), positions.rend());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    for (ULONG p : positions) text.erase(p, 1);
    mail.text = text;
    mail.subject = msg->lpszSubject ? msg->lpszSubject : "";

    for (;;) {
        mail.from = {account.displayName, account.address};
        SYSTEMTIME t;
        GetLocalTime(&t);
        TIME_ZONE_INFORMATION tz;
        DWORD zone = GetTimeZoneInformation(&tz);
        long bias = tz.Bias + (zone == TIME_ZONE_ID_DAYLIGHT ? tz.DaylightBias : zone == TIME_ZONE_ID_STANDARD ? tz.StandardBias : 0);
        mail.date = FormatMailDate({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, static_cast<int>(-bias)});
        std::string domain = account.address.substr(account.address.find('@') + 1);
        mail.messageId = RandomToken(12) + "." + std::to_string(GetTickCount()) + "@" + domain;
        std::string message = BuildMessage(mail, "=_Pinwell_" + RandomToken(12));
        MailResult r = SmtpSend(ConnectChannel, account.Smtp(), HeloName(), account.address, envelope, message);
        if (r.Ok()) return SUCCESS_SUCCESS;
        ULONG code = Failure(r);
        if (!ui || !AccountProblem(r)) return code;
        // Cancel after a failure keeps the failure: the note was not sent.
        if (!RunAccountDialog(parent, account, r.detail)) return code;
    }
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        if (GetACP() != 1252) SetAnsiCodePage(&g_systemCodePage);
    }
    return TRUE;
}

ULONG WINAPI MAPILogon(ULONG_PTR uiParam, LPSTR profile, LPSTR password, FLAGS flags, ULONG, LPLHANDLE session)
{
    return Guarded("MAPILogon", [&]() -> ULONG {
        (void)profile;  // one account: every profile name means it
        if (!session) return MAPI_E_FAILURE;
        *session = 0;
        HWND parent = reinterpret_cast<HWND>(uiParam);
        bool ui = flags & (MAPI_LOGON_UI | MAPI_PASSWORD_UI);
        auto s = std::make_unique<Session>();
        ULONG code;
        if (!ObtainAccount(parent, ui, s->account, code)) return code;
        if (password && *password) s->account.password = password;
        for (;;) {
            s->inbox = MakeInbox(s->account);
            MailResult r = s->inbox->Open();
            if (r.Ok()) break;
            code = Failure(r);
            if (!ui || !AccountProblem(r)) return code;
            if (!RunAccountDialog(parent, s->account, r.detail)) return code;
        }
        s->epoch = s->inbox->Epoch();
        std::lock_guard<std::mutex> g(g_sessionsLock);
        g_sessions.insert(s.get());
        *session = reinterpret_cast<LHANDLE>(s.release());
        return SUCCESS_SUCCESS;
    });
}

ULONG WINAPI MAPILogoff(LHANDLE session, ULONG_PTR, FLAGS, ULONG)
{
    return Guarded("MAPILogoff", [&]() -> ULONG {
        Session* s;
        {
            std::lock_guard<std::mutex> g(g_sessionsLock);
            s = reinterpret_cast<Session*>(session);
            if (!g_sessions.erase(s)) return MAPI_E_INVALID_SESSION;
        }
        std::unique_ptr<Session> gone(s);
        std::lock_guard<std::mutex> wait(s->lock);  // a call still running on another thread ends first
        if (s->inbox) s->inbox->Close();
        return SUCCESS_SUCCESS;
    });
}

ULONG WINAPI MAPIFindNext(LHANDLE session, ULONG_PTR, LPSTR messageType, LPSTR seed, FLAGS flags, ULONG, LPSTR messageId)
{
    return Guarded("MAPIFindNext", [&]() -> ULONG {
        SessionRef ref(session);
        if (!ref.s) return MAPI_E_INVALID_SESSION;
        if (!messageId) return MAPI_E_FAILURE;
        Session& s = *ref.s;
        // Only interpersonal messages live here.
        if (messageType && *messageType && _strnicmp(messageType, "IPM", 3) != 0) return MAPI_E_NO_MESSAGES;
        size_t from = 0;
        if (!seed || !*seed) {
            std::vector<std::string> keys;
            MailResult r = s.inbox->List(flags & MAPI_UNREAD_ONLY, keys);
            if (!r.Ok()) return r.status == MailStatus::LoginFailed ? (t_lastError = r.detail, MAPI_E_FAILURE) : Failure(r);
            if (s.inbox->Epoch() != s.epoch) {  // the server renumbered: old ids mean nothing now
                s.entries.clear();
                s.byKey.clear();
                s.epoch = s.inbox->Epoch();
            }
            s.listing.clear();
            for (const std::string& k : keys) {
                auto it = s.byKey.find(k);
                if (it == s.byKey.end()) {
                    it = s.byKey.emplace(k, s.entries.size()).first;
                    s.entries.push_back(Entry{k, false, false, false, {}});
                }
                s.entries[it->second].deleted = false;
                s.listing.push_back(it->second);
            }
        } else {
            size_t index;
            if (!FindEntry(s, seed, &index)) return MAPI_E_INVALID_MESSAGE;
            auto pos = std::find(s.listing.begin(), s.listing.end(), index);
            if (pos == s.listing.end()) return MAPI_E_INVALID_MESSAGE;
            from = static_cast<size_t>(pos - s.listing.begin()) + 1;
        }
        for (size_t i = from; i < s.listing.size(); ++i) {
            const Entry& e = s.entries[s.listing[i]];
            if (e.deleted || ((flags & MAPI_UNREAD_ONLY) && e.read)) continue;
            wsprintfA(messageId, "%u", static_cast<unsigned>(s.listing[i] + 1));
            return SUCCESS_SUCCESS;
        }
        return MAPI_E_NO_MESSAGES;
    });
}

ULONG WINAPI MAPIReadMail(LHANDLE session, ULONG_PTR, LPSTR messageId, FLAGS flags, ULONG, lpMapiMessage* out)
{
    return Guarded("MAPIReadMail", [&]() -> ULONG {
        SessionRef ref(session);
        if (!ref.s) return MAPI_E_INVALID_SESSION;
        if (!out) return MAPI_E_FAILURE;
        *out = nullptr;
        Entry* e = FindEntry(*ref.s, messageId);
        if (!e || e->deleted) return MAPI_E_INVALID_MESSAGE;
        bool envelope = flags & MAPI_ENVELOPE_ONLY;
        bool peek = flags & MAPI_PEEK;
        std::string raw;
        bool unread = false;
        if (envelope) {
            if (MailResult r = EnvelopeOf(*ref.s, *e); !r.Ok()) return Failure(r);
            raw = e->envelope.headers;
            unread = e->envelope.unread;
        } else {
            // Asked before it is downloaded, so one huge message costs nothing
            // and its envelope stays readable.
            if (e->enveloped && e->envelope.size > kMaxMessageBytes)
                return Failure({MailStatus::TooLarge, "The message is " + std::to_string(e->envelope.size >> 20) +
                                                          " MB, more than the " + std::to_string(kMaxMessageBytes >> 20) +
                                                          " MB Pinwell Mail downloads."});
            MailResult r = ref.s->inbox->Fetch(e->key, false, !peek, raw, unread);
            if (!r.Ok()) return Failure(r);
        }
        if (e->read) unread = false;
        if (!peek && !envelope) e->read = true;
        ParsedMail m = ParseMessage(raw, envelope);
        std::vector<std::string> paths;
        bool files = !envelope && !(flags & MAPI_SUPPRESS_ATTACH) && !m.attachments.empty();
        if (files && !WriteAttachments(m.attachments, paths)) return MAPI_E_ATTACHMENT_WRITE_FAILURE;
        if (!files) m.attachments.clear();

        std::vector<std::pair<Address, ULONG>> recips;
        for (auto& a : m.to) recips.push_back({a, MAPI_TO});
        for (auto& a : m.cc) recips.push_back({a, MAPI_CC});
        auto smtp = [](const Address& a) { return a.addr.empty() ? std::string() : "SMTP:" + a.addr; };
        auto shown = [](const Address& a) { return a.name.empty() ? a.addr : a.name; };
        std::string date = LocalDateText(m.date);

        Block b;
        b.Reserve(sizeof(MapiMessage));
        b.Reserve(sizeof(MapiRecipDesc) * (1 + recips.size()));
        b.Reserve(sizeof(MapiFileDesc) * m.attachments.size());
        for (const std::string* s : {&m.subject, &m.text, &date}) b.ReserveString(*s);
        b.ReserveString(shown(m.from));
        b.ReserveString(smtp(m.from));
        for (auto& [a, cls] : recips) {
            b.ReserveString(shown(a));
            b.ReserveString(smtp(a));
        }
        for (size_t i = 0; i < m.attachments.size(); ++i) {
            b.ReserveString(paths[i]);
            b.ReserveString(m.attachments[i].fileName);
        }
        if (!b.Allocate()) return MAPI_E_INSUFFICIENT_MEMORY;
        auto* msg = static_cast<MapiMessage*>(b.Take(sizeof(MapiMessage)));
        auto* people = static_cast<MapiRecipDesc*>(b.Take(sizeof(MapiRecipDesc) * (1 + recips.size())));
        auto* fileDescs = static_cast<MapiFileDesc*>(b.Take(sizeof(MapiFileDesc) * m.attachments.size()));
        msg->lpszSubject = b.String(m.subject);
        msg->lpszNoteText = b.String(envelope ? std::string() : m.text);
        msg->lpszDateReceived = b.String(date);
        msg->flFlags = unread ? MAPI_UNREAD : 0;
        people[0].ulRecipClass = MAPI_ORIG;
        people[0].lpszName = b.String(shown(m.from));
        people[0].lpszAddress = b.String(smtp(m.from));
        msg->lpOriginator = &people[0];
        for (size_t i = 0; i < recips.size(); ++i) {
            people[i + 1].ulRecipClass = recips[i].second;
            people[i + 1].lpszName = b.String(shown(recips[i].first));
            people[i + 1].lpszAddress = b.String(smtp(recips[i].first));
        }
        msg->nRecipCount = static_cast<ULONG>(recips.size());
        msg->lpRecips = recips.empty() ? nullptr : &people[1];
        for (size_t i = 0; i < m.attachments.size(); ++i) {
            fileDescs[i].nPosition = static_cast<ULONG>(-1);
            fileDescs[i].lpszPathName = b.String(paths[i]);
            fileDescs[i].lpszFileName = b.String(m.attachments[i].fileName);
        }
        msg->nFileCount = static_cast<ULONG>(m.attachments.size());
        msg->lpFiles = m.attachments.empty() ? nullptr : fileDescs;
        *out = msg;
        return SUCCESS_SUCCESS;
    });
}

ULONG WINAPI MAPIDeleteMail(LHANDLE session, ULONG_PTR, LPSTR messageId, FLAGS, ULONG)
{
    return Guarded("MAPIDeleteMail", [&]() -> ULONG {
        SessionRef ref(session);
        if (!ref.s) return MAPI_E_INVALID_SESSION;
        Entry* e = FindEntry(*ref.s, messageId);
        if (!e || e->deleted) return MAPI_E_INVALID_MESSAGE;
        MailResult r = ref.s->inbox->Delete(e->key);
        if (r.Ok() || r.status == MailStatus::NoSuchMessage) e->deleted = true;
        return r.Ok() ? SUCCESS_SUCCESS : Failure(r);
    });
}

ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR uiParam, lpMapiMessage message, FLAGS flags, ULONG)
{
    return Guarded("MAPISendMail", [&]() -> ULONG {
        if (!message) return MAPI_E_FAILURE;
        HWND parent = reinterpret_cast<HWND>(uiParam);
        bool ui = flags & MAPI_LOGON_UI;
        MailAccount account;
        if (session) {
            SessionRef ref(session);
            if (!ref.s) return MAPI_E_INVALID_SESSION;
            account = ref.s->account;
        } else {
            ULONG code;
            if (!ObtainAccount(parent, ui, account, code)) return code;
        }
        return SendWithAccount(parent, ui, account, message, flags);
    });
}

// Frees a block of ours, or a chain of blocks as MAPI32's allocator links them.
ULONG WINAPI MAPIFreeBuffer(LPVOID buffer)
{
    if (!buffer) return SUCCESS_SUCCESS;
    void** block = static_cast<void**>(buffer) - 1;
    while (block) {
        void** next = static_cast<void**>(*block);
        HeapFree(GetProcessHeap(), 0, block);
        block = next;
    }
    return SUCCESS_SUCCESS;
}

// What the last call on this thread failed on, in words (for the set-up tool).
const char* WINAPI PinwellMailLastError()
{
    return t_lastError.c_str();
}

}  // extern "C"
