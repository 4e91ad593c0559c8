// PinwellMail.dll against real servers, called the way programs call it:
// through the system's MAPI32, which finds the provider by its registration.
//   mail_provider_test sendread FILE.jpg   send, find, read, delete
//   mail_provider_test refused CODE        logon and send give CODE (no dialog)
//   mail_provider_test down                a stopped server fails fast
//   mail_provider_test send TO SUBJECT     one message, for trying an account by hand
//   mail_provider_test take SUBJECT        finds it, says who sent it, deletes it
//   mail_provider_test scan PREFIX N [BIG] a check as Pinwell makes it: envelopes first, whole
//                                          messages only for the N subjects with PREFIX, each
//                                          deleted and the scan begun again; with BIG, then a
//                                          whole read of each message left, BIG of them too large
//   mail_provider_test scanwhole PREFIX N  the same check reading every message whole
//   mail_provider_test refusedrcpt TO...   one send to all; the provider names the refused ones
//   mail_provider_test cyrillic send|read  a note in code page 1251 sent, then read back and deleted
#include <windows.h>
#include <mapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int g_failures = 0;

// The provider's own account of its last failure on this thread, for the log.
const char* ProviderSays()
{
    using Fn = const char*(WINAPI*)();
    HMODULE h = GetModuleHandleA("PinwellMail.dll");
    auto fn = h ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(h, "PinwellMailLastError"))) : nullptr;
    return fn ? fn() : "";
}

#define CHECK(cond)                                                                 \
    do {                                                                            \
        if (!(cond)) {                                                              \
            std::printf("FAILED line %d: %s\n", __LINE__, #cond);                   \
            ++g_failures;                                                           \
        }                                                                           \
    } while (0)
#define CHECK_EQ(a, b)                                                              \
    do {                                                                            \
        auto va = (a);                                                              \
        auto vb = (b);                                                              \
        if (!(va == vb)) {                                                          \
            std::printf("FAILED line %d: %s == %s (%lu vs %lu) %s\n", __LINE__, #a, #b, \
                        (unsigned long)va, (unsigned long)vb, ProviderSays());     \
            ++g_failures;                                                           \
        }                                                                           \
    } while (0)

LPMAPILOGON Logon;
LPMAPILOGOFF Logoff;
LPMAPIFINDNEXT FindNext;
LPMAPIREADMAIL ReadMail;
LPMAPIDELETEMAIL DeleteMail;
LPMAPISENDMAIL SendMail;
LPMAPIFREEBUFFER FreeBuffer;

template <class T> void Load(HMODULE h, T& fn, const char* name)
{
    fn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(h, name)));
    if (!fn) {
        std::printf("MAPI32 has no %s\n", name);
        ExitProcess(2);
    }
}

std::string ReadFileBytes(const std::string& path)
{
    std::string data;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return data;
    data.resize(GetFileSize(h, nullptr));
    DWORD got;
    ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
    CloseHandle(h);
    return data;
}

ULONG Send(const std::string& subject, const std::string& text, const char* attachment = nullptr,
           std::vector<const char*> addresses = {"bob@pinwell.test"})
{
    std::vector<MapiRecipDesc> to(addresses.size());
    for (size_t i = 0; i < to.size(); ++i) {
        to[i].ulRecipClass = MAPI_TO;
        to[i].lpszName = const_cast<char*>(addresses[i]);
    }
    MapiFileDesc file{};
    file.nPosition = static_cast<ULONG>(text.size());
    file.lpszPathName = const_cast<char*>(attachment);
    std::string body = text + (attachment ? " " : "");  // the attachment's place, as Pinwell writes it
    MapiMessage m{};
    m.lpszSubject = const_cast<char*>(subject.c_str());
    m.lpszNoteText = body.data();
    m.nRecipCount = static_cast<ULONG>(to.size());
    m.lpRecips = to.data();
    m.nFileCount = attachment ? 1 : 0;
    m.lpFiles = attachment ? &file : nullptr;
    return SendMail(0, 0, &m, 0, 0);
}

// Every message id of the Inbox, in order.
std::vector<std::string> FindAll(LHANDLE s)
{
    std::vector<std::string> ids;
    char id[512] = "";
    while (FindNext(s, 0, nullptr, ids.empty() ? nullptr : id, MAPI_LONG_MSGID, 0, id) == SUCCESS_SUCCESS)
        ids.push_back(id);
    return ids;
}

std::string SubjectOf(LHANDLE s, const std::string& id)
{
    lpMapiMessage m = nullptr;
    if (ReadMail(s, 0, const_cast<char*>(id.c_str()), MAPI_PEEK | MAPI_ENVELOPE_ONLY, 0, &m) != SUCCESS_SUCCESS) return "?";
    std::string subject = m->lpszSubject;
    FreeBuffer(m);
    return subject;
}

int SendRead(const char* jpegPath)
{
    std::string jpeg = ReadFileBytes(jpegPath);
    CHECK(jpeg.size() > 1000);
    // A 200 KB note: lines far over 998 characters, lines of dots, 1252 text.
    std::string text;
    for (int i = 0; text.size() < 200 * 1024; ++i) {
        text += i % 7 == 0 ? ".\r\n" : i % 5 == 0 ? "..dots\r\n" : "";
        text += "Line " + std::to_string(i) + " caf\xE9 \x80 ~<BEGIN>" + std::string(static_cast<size_t>(i % 3000), 'x') + "\r\n";
    }
    CHECK_EQ(Send("Pinwell : Note from big", text, jpegPath), SUCCESS_SUCCESS);
    CHECK_EQ(Send("second", "two"), SUCCESS_SUCCESS);
    CHECK_EQ(Send("third", "three\r\n.\r\n"), SUCCESS_SUCCESS);

    LHANDLE s = 0;
    CHECK_EQ(Logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &s), SUCCESS_SUCCESS);
    if (!s) return 1;
    std::vector<std::string> ids;
    for (int i = 0; i < 50 && (ids = FindAll(s)).size() < 3; ++i) Sleep(100);  // delivery takes milliseconds
    CHECK_EQ(ids.size(), 3u);
    if (ids.size() != 3) return 1;
    CHECK(SubjectOf(s, ids[0]) == "Pinwell : Note from big");

    lpMapiMessage m = nullptr;
    CHECK_EQ(ReadMail(s, 0, ids[0].data(), MAPI_PEEK, 0, &m), SUCCESS_SUCCESS);
    if (m) {
        CHECK(std::string(m->lpszNoteText) == text);
        CHECK(m->flFlags & MAPI_UNREAD);
        CHECK(std::string(m->lpOriginator->lpszAddress) == "SMTP:bob@pinwell.test");
        CHECK_EQ(m->nRecipCount, 1u);
        CHECK_EQ(strlen(m->lpszDateReceived), 16u);
        CHECK_EQ(m->nFileCount, 1u);
        if (m->nFileCount == 1) {
            CHECK(std::string(m->lpFiles[0].lpszFileName) == "note.jpg");
            CHECK(ReadFileBytes(m->lpFiles[0].lpszPathName) == jpeg);
        }
        CHECK_EQ(FreeBuffer(m), SUCCESS_SUCCESS);
    }
    m = nullptr;
    CHECK_EQ(ReadMail(s, 0, ids[2].data(), MAPI_SUPPRESS_ATTACH, 0, &m), SUCCESS_SUCCESS);
    if (m) {
        CHECK(std::string(m->lpszNoteText) == "three\r\n.\r\n");
        FreeBuffer(m);
    }

    // Deleting the middle message leaves the other ids as they were.
    CHECK_EQ(DeleteMail(s, 0, ids[1].data(), 0, 0), SUCCESS_SUCCESS);
    CHECK_EQ(ReadMail(s, 0, ids[1].data(), MAPI_PEEK, 0, &m), static_cast<ULONG>(MAPI_E_INVALID_MESSAGE));
    char next[512];
    CHECK_EQ(FindNext(s, 0, nullptr, ids[0].data(), 0, 0, next), SUCCESS_SUCCESS);
    CHECK(next == ids[2]);
    CHECK(SubjectOf(s, ids[2]) == "third");
    CHECK(SubjectOf(s, ids[0]) == "Pinwell : Note from big");
    std::vector<std::string> left = FindAll(s);
    CHECK(left.size() == 2 && left[0] == ids[0] && left[1] == ids[2]);
    CHECK_EQ(DeleteMail(s, 0, ids[0].data(), 0, 0), SUCCESS_SUCCESS);
    CHECK_EQ(DeleteMail(s, 0, ids[2].data(), 0, 0), SUCCESS_SUCCESS);
    CHECK_EQ(FindNext(s, 0, nullptr, nullptr, 0, 0, next), static_cast<ULONG>(MAPI_E_NO_MESSAGES));
    CHECK_EQ(FindNext(s, 0, nullptr, const_cast<char*>("999"), 0, 0, next), static_cast<ULONG>(MAPI_E_INVALID_MESSAGE));
    CHECK_EQ(Logoff(s, 0, 0, 0), SUCCESS_SUCCESS);
    CHECK_EQ(Logoff(s, 0, 0, 0), static_cast<ULONG>(MAPI_E_INVALID_SESSION));

    // The deletes reached the server: a new session finds nothing.
    CHECK_EQ(Logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &s), SUCCESS_SUCCESS);
    CHECK_EQ(FindNext(s, 0, nullptr, nullptr, 0, 0, next), static_cast<ULONG>(MAPI_E_NO_MESSAGES));
    Logoff(s, 0, 0, 0);
    return 0;
}

int Refused(ULONG expected)
{
    LHANDLE s = 0;
    CHECK_EQ(Logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &s), expected);
    CHECK_EQ(s, 0u);
    CHECK_EQ(Send("x", "y"), expected);
    return 0;
}

int Down()
{
    DWORD start = GetTickCount();
    LHANDLE s = 0;
    ULONG logon = Logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &s);
    ULONG send = Send("x", "y");
    DWORD elapsed = GetTickCount() - start;
    CHECK_EQ(logon, static_cast<ULONG>(MAPI_E_FAILURE));
    CHECK_EQ(send, static_cast<ULONG>(MAPI_E_FAILURE));
    std::printf("stopped server: logon and send failed after %lu ms\n", static_cast<unsigned long>(elapsed));
    CHECK(elapsed < 10000);
    return 0;
}

// Waits a few seconds for the message, as delivery may lag the send.
int Take(const std::string& subject)
{
    LHANDLE s = 0;
    CHECK_EQ(Logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &s), SUCCESS_SUCCESS);
    if (!s) return 1;
    for (int i = 0; i < 50; ++i) {
        for (const std::string& id : FindAll(s)) {
            lpMapiMessage m = nullptr;
            if (ReadMail(s, 0, const_cast<char*>(id.c_str()), MAPI_PEEK, 0, &m) != SUCCESS_SUCCESS) continue;
            bool match = subject == m->lpszSubject;
            if (match) std::printf("From %s: %s\n%s\n", m->lpOriginator->lpszAddress, m->lpszSubject, m->lpszNoteText);
            FreeBuffer(m);
            if (match) {
                CHECK_EQ(DeleteMail(s, 0, const_cast<char*>(id.c_str()), 0, 0), SUCCESS_SUCCESS);
                Logoff(s, 0, 0, 0);
                return 0;
            }
        }
        Sleep(100);
    }
    CHECK(!"the message arrived");
    Logoff(s, 0, 0, 0);
    return 1;
}

void Scan(const std::string& prefix, int notes, bool envelopesFirst, int tooLarge)
{
    DWORD start = GetTickCount();
    LHANDLE s = 0;
    CHECK_EQ(Logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &s), SUCCESS_SUCCESS);
    if (!s) return;
    int found = 0, passedOver = 0;
    char id[512] = "";
    bool restart = true;
    while (FindNext(s, 0, nullptr, restart ? nullptr : id, MAPI_LONG_MSGID, 0, id) == SUCCESS_SUCCESS) {
        restart = false;
        lpMapiMessage m = nullptr;
        ULONG rc = ReadMail(s, 0, id, envelopesFirst ? MAPI_ENVELOPE_ONLY | MAPI_PEEK : MAPI_PEEK | MAPI_SUPPRESS_ATTACH, 0, &m);
        if (envelopesFirst) CHECK_EQ(rc, SUCCESS_SUCCESS);
        if (rc != SUCCESS_SUCCESS) {
            ++passedOver;
            continue;
        }
        bool note = std::string(m->lpszSubject).rfind(prefix, 0) == 0;
        FreeBuffer(m);
        if (!note) continue;
        if (envelopesFirst) {
            CHECK_EQ(ReadMail(s, 0, id, MAPI_PEEK | MAPI_SUPPRESS_ATTACH, 0, &m), SUCCESS_SUCCESS);
            if (m) FreeBuffer(m);
        }
        CHECK_EQ(DeleteMail(s, 0, id, 0, 0), SUCCESS_SUCCESS);
        ++found;
        restart = true;
    }
    std::printf("check: %d note e-mails taken, %d messages passed over, %lu ms\n", found, passedOver,
                static_cast<unsigned long>(GetTickCount() - start));
    CHECK_EQ(found, notes);
    if (tooLarge >= 0) {
        int refused = 0;
        for (const std::string& left : FindAll(s)) {
            lpMapiMessage m = nullptr;
            ULONG rc = ReadMail(s, 0, const_cast<char*>(left.c_str()), MAPI_PEEK | MAPI_SUPPRESS_ATTACH, 0, &m);
            if (m) FreeBuffer(m);
            if (rc == MAPI_E_TEXT_TOO_LARGE && strstr(ProviderSays(), " MB")) ++refused;
            else CHECK_EQ(rc, SUCCESS_SUCCESS);
        }
        CHECK_EQ(refused, tooLarge);
    }
    CHECK_EQ(Logoff(s, 0, 0, 0), SUCCESS_SUCCESS);
}

// "Pinwell : Заметка" and "Привет, мир" as a Cyrillic system's programs hold them.
const char kCyrSubject[] = "Pinwell : \xC7\xE0\xEC\xE5\xF2\xEA\xE0";
const char kCyrText[] = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\r\n";

void Cyrillic(const std::string& step)
{
    CHECK_EQ(GetACP(), 1251u);
    if (step == "send") {
        CHECK_EQ(Send(kCyrSubject, kCyrText), SUCCESS_SUCCESS);
        return;
    }
    LHANDLE s = 0;
    CHECK_EQ(Logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &s), SUCCESS_SUCCESS);
    std::vector<std::string> ids = FindAll(s);
    CHECK_EQ(ids.size(), 1u);
    lpMapiMessage m = nullptr;
    if (ids.size() == 1 && ReadMail(s, 0, ids[0].data(), 0, 0, &m) == SUCCESS_SUCCESS) {
        CHECK(std::string(m->lpszSubject) == kCyrSubject);
        CHECK(std::string(m->lpszNoteText) == kCyrText);
        CHECK(std::string(m->lpOriginator->lpszName) == "\xC8\xE2\xE0\xED");  // Иван
        FreeBuffer(m);
        CHECK_EQ(DeleteMail(s, 0, ids[0].data(), 0, 0), SUCCESS_SUCCESS);
    }
    Logoff(s, 0, 0, 0);
}

// The accepted recipients get the mail; the caller learns who did not.
void RefusedRecipient(const std::vector<const char*>& to)
{
    CHECK_EQ(Send("Pinwell : Note for some", "text", nullptr, to), static_cast<ULONG>(MAPI_E_UNKNOWN_RECIPIENT));
    std::string said = ProviderSays();
    std::printf("the provider says: %s\n", said.c_str());
    for (const char* a : to)
        if (strstr(a, "nobody")) CHECK(said.find(a) != std::string::npos);
    CHECK(said.find("550") != std::string::npos);
}

}  // namespace

int main(int argc, char** argv)
{
    HMODULE mapi = LoadLibraryA("MAPI32.DLL");
    if (!mapi || argc < 2) return 2;
    Load(mapi, Logon, "MAPILogon");
    Load(mapi, Logoff, "MAPILogoff");
    Load(mapi, FindNext, "MAPIFindNext");
    Load(mapi, ReadMail, "MAPIReadMail");
    Load(mapi, DeleteMail, "MAPIDeleteMail");
    Load(mapi, SendMail, "MAPISendMail");
    Load(mapi, FreeBuffer, "MAPIFreeBuffer");
    std::string mode = argv[1];
    if (mode == "sendread" && argc > 2) SendRead(argv[2]);
    else if (mode == "refused" && argc > 2) Refused(strtoul(argv[2], nullptr, 10));
    else if (mode == "down") Down();
    else if (mode == "send" && argc > 3) CHECK_EQ(Send(argv[3], "Sent through PinwellMail.dll.", nullptr, {argv[2]}), SUCCESS_SUCCESS);
    else if ((mode == "scan" || mode == "scanwhole") && argc > 3)
        Scan(argv[2], atoi(argv[3]), mode == "scan", argc > 4 ? atoi(argv[4]) : -1);
    else if (mode == "cyrillic" && argc > 2) Cyrillic(argv[2]);
    else if (mode == "refusedrcpt" && argc > 2) RefusedRecipient(std::vector<const char*>(argv + 2, argv + argc));
    else if (mode == "take" && argc > 2) Take(argv[2]);
    else return 2;
    std::printf("%s: %s\n", mode.c_str(), g_failures ? "FAILED" : "passed");
    return g_failures ? 1 : 0;
}
