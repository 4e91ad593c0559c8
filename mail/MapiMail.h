// Simple MAPI, loaded from MAPI32.DLL at run time: one outgoing message at a
// time, and the Inbox scan of the e-mail check, which hands every note
// e-mail's data to the user thread and deletes the message (one whose note
// the data file has no room for stays).
//
// Sending runs on the user thread, the scan on the e-mail check thread; the
// two never overlap because sending is refused while a check runs, and a
// check does not start while a send runs.
#pragma once

#include <windows.h>
#include <mapi.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

// One outgoing message, owned by the send that makes it: a second send
// cannot change what the first one mails.
struct MailToSend {
    std::string subject;
    std::string body;
    std::vector<std::string> recipients;
    std::vector<std::string> attachments;
};

// What became of a send. handedOver: the mail system took the mail, for
// every recipient but those in refused. refused: the addresses the mail
// server would not take; words: what it said about them.
struct MailSendResult {
    bool handedOver = false;
    std::vector<std::string> refused;
    std::string words;
};

// What the Inbox scan asks of the program that runs it.
struct InboxCheckHooks {
    // A note's data is waiting in the data file: the user thread can take it.
    std::function<void()> handedOver;
    // Whether the data file can take this note data as a note. A note e-mail
    // it cannot take stays in the Inbox, untouched, for a later check.
    std::function<bool(const std::string& noteData)> fits;
    // A note e-mail stayed in the Inbox because the data file is too full.
    std::function<void()> refused;
};

class CMapiMail {
public:
    CMapiMail() = default;
    ~CMapiMail();
    CMapiMail(const CMapiMail&) = delete;
    CMapiMail& operator=(const CMapiMail&) = delete;

    // Loads MAPI32.DLL and looks the seven functions up by name; says so when
    // the library or one of the functions is missing.
    void Load();
    // All seven functions were found: mail can be sent and checked.
    bool IsLoaded() const { return m_loaded; }

    // Starts a new scan.
    void Reset();

    // Hands a message to the mail system (which may ask for a logon). A
    // cancelled or refused logon shows nothing; any other failure says so,
    // except recipients the mail server refused, which the result names.
    MailSendResult Send(const MailToSend& mail);

    // The check thread's session.
    bool Logon();
    bool Logoff();
    // The next Inbox message (the first after Reset, or the one after a
    // deleted note e-mail).
    bool FindNext();
    // The message FindNext found: its envelope is read, and the whole of it
    // only when it is a note e-mail, whose note data is handed over before
    // it is deleted; one the data file cannot take is left where it is. False
    // when the scan must stop: the program is ending, or the hand-over value
    // cannot be written.
    bool ProcessMessage(const InboxCheckHooks& hooks);
    // Every Inbox message in turn; "No email notes found" when none was one.
    // A message that cannot be read is passed over.
    void CheckInbox(const InboxCheckHooks& hooks = {});

    // A note e-mail is being sent: no check may start meanwhile (the mail
    // system's logon window keeps messages, and so the tick, running).
    bool IsSending() const { return m_sending; }
    void SetSending(bool sending) { m_sending = sending; }

    // The program is ending: a scan waiting for the user thread to take a
    // note stops waiting (the note stays in the data file for the next start).
    void AbandonWaits() { m_abandon = true; }

private:
    // What our provider said about the last failure on this thread; "" from
    // another mail client.
    std::string ProviderLastError() const;

    HMODULE m_library = nullptr;
    LPMAPISENDMAIL m_sendMail = nullptr;
    LPMAPILOGON m_logon = nullptr;
    LPMAPILOGOFF m_logoff = nullptr;
    LPMAPIFINDNEXT m_findNext = nullptr;
    LPMAPIREADMAIL m_readMail = nullptr;
    LPMAPIDELETEMAIL m_deleteMail = nullptr;
    LPMAPIFREEBUFFER m_freeBuffer = nullptr;
    bool m_loaded = false;
    bool m_noneFound = true;
    LHANDLE m_session = 0;

    static constexpr std::size_t kMessageIdSize = 512;
    char m_seedStorage[kMessageIdSize] = {};
    char m_foundStorage[kMessageIdSize] = {};
    char* m_seed = m_seedStorage;
    char* m_found = m_foundStorage;
    bool m_firstSearch = true;
    // After a delete the next message is already known (m_found), or known
    // not to exist: the scan goes on from there instead of from the first.
    bool m_nextKnown = false;
    bool m_nextExists = false;
    std::atomic<bool> m_abandon{false};
    std::atomic<bool> m_sending{false};
};

// The program's mail: the one the application object installed, or none
// (window tests). Installing returns the previous one.
CMapiMail* ProgramMail();
CMapiMail* SetProgramMail(CMapiMail* mail);

// Sends a note e-mail to every address: the plain text to read, the notice
// and the note data, and, when IncludePictureAttachment allows, the picture
// makePicture returns the path of ("" when it made none). Refused with a
// message while a check or another send runs.
MailSendResult SendNoteByEmail(const std::vector<std::string>& addresses, const std::string& plainText,
                               const std::string& noteData, const std::function<std::string()>& makePicture);
