// Simple MAPI, loaded from MAPI32.DLL at run time: one outgoing message at a
// time, and the Inbox scan of the e-mail check, which hands every note
// e-mail's data to the user thread and deletes the message.
//
// Sending runs on the user thread, the scan on the e-mail check thread; the
// two never overlap because sending is refused while a check runs.
#pragma once

#include <windows.h>
#include <mapi.h>

#include <atomic>
#include <string>
#include <vector>

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

    // Empties the message and starts a new scan.
    void Reset();
    void SetSubject(const std::string& subject) { m_subject = subject; }
    void SetBody(const std::string& body) { m_body = body; }
    void AddRecipient(const std::string& address);
    void AddAttachment(const std::string& path);

    // Hands the message to the mail system (which may ask for a logon).
    // Success, a cancelled logon and a refused logon count as sent as far as
    // messages go; only success puts handedOver, if given, to true.
    bool Send(bool* handedOver = nullptr);

    // The check thread's session.
    bool Logon();
    bool Logoff();
    // The next Inbox message (the first after Reset or a delete).
    bool FindNext();
    // Reads the message FindNext found; a note e-mail has its note data handed
    // over and is deleted. False when reading or freeing it failed.
    bool ProcessMessage();
    // Every Inbox message in turn; "No email notes found" when none was one.
    void CheckInbox();

    // A note e-mail is being sent: no check may start meanwhile (the mail
    // system's logon window keeps messages, and so the tick, running).
    bool IsSending() const { return m_sending; }
    void SetSending(bool sending) { m_sending = sending; }

    // The program is ending: a scan waiting for the user thread to take a
    // note stops waiting (the note stays in the data file for the next start).
    void AbandonWaits() { m_abandon = true; }

private:
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

    std::string m_subject;
    std::string m_body;
    std::vector<std::string> m_recipients;
    std::vector<std::string> m_attachments;

    static constexpr std::size_t kMessageIdSize = 512;
    char m_seedStorage[kMessageIdSize] = {};
    char m_foundStorage[kMessageIdSize] = {};
    char* m_seed = m_seedStorage;
    char* m_found = m_foundStorage;
    bool m_firstSearch = true;
    std::atomic<bool> m_abandon{false};
    std::atomic<bool> m_sending{false};
};

// The program's mail: the one the application object installed, or none
// (window tests). Installing returns the previous one.
CMapiMail* ProgramMail();
CMapiMail* SetProgramMail(CMapiMail* mail);

// Sends a note e-mail to every address: the plain text to read, the notice
// and the note data, and the note picture made beforehand when
// IncludePictureAttachment allows. True only when the mail system took it.
bool SendNoteByEmail(const std::vector<std::string>& addresses, const std::string& plainText,
                     const std::string& noteData);
