#include "mail/MapiMail.h"

#include <wininet.h>

#include <cstring>
#include <type_traits>

#include "base/ProgramFlags.h"
#include "base/Seams.h"
#include "mail/MailNote.h"
#include "store/SettingsStore.h"
#include "win/OnDemand.h"
#include "win/Program.h"

namespace {
Seam<CMapiMail> g_programMail;
// How often the scan looks whether the user thread has taken a note.
constexpr int kHandOverPollMs = 200;

bool IsOnline() {
    DWORD state = 0;
    return ondemand::InternetGetConnectedState(&state, 0) != FALSE;
}
}  // namespace

CMapiMail::~CMapiMail() {
    // A check still running (the program ends without waiting for it) may be
    // inside the library: it goes with the process instead.
    if (m_library && !g_emailCheckRunning) ::FreeLibrary(m_library);
}

void CMapiMail::Load() {
    m_library = ::LoadLibraryA("MAPI32.DLL");
    if (!m_library) {
        ShowNotice("Unable to load mail system support.");
        return;
    }
    const auto find = [this](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
            reinterpret_cast<void*>(::GetProcAddress(m_library, name)));
    };
    find(m_sendMail, "MAPISendMail");
    find(m_logon, "MAPILogon");
    find(m_logoff, "MAPILogoff");
    find(m_findNext, "MAPIFindNext");
    find(m_readMail, "MAPIReadMail");
    find(m_deleteMail, "MAPIDeleteMail");
    find(m_freeBuffer, "MAPIFreeBuffer");
    m_loaded = m_sendMail && m_logon && m_logoff && m_findNext && m_readMail && m_deleteMail && m_freeBuffer;
    if (!m_loaded) ShowNotice("Mail system DLL is invalid.");
}

void CMapiMail::Reset() {
    m_seed = m_seedStorage;
    m_found = m_foundStorage;
    m_seed[0] = m_found[0] = '\0';
    m_firstSearch = true;
    m_nextKnown = false;
    m_noneFound = true;
}

MailSendResult CMapiMail::Send(const MailToSend& mail) {
    MailSendResult sent;
    if (!m_loaded) return sent;
    // Each attachment takes the place of one blank at the end of the body.
    std::string body = mail.body;
    body.append(mail.attachments.size(), ' ');
    std::vector<std::string> texts = mail.recipients;
    texts.insert(texts.end(), mail.attachments.begin(), mail.attachments.end());
    std::string subject = mail.subject;

    std::vector<MapiRecipDesc> recipients(mail.recipients.size());
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        recipients[i].ulRecipClass = MAPI_TO;
        recipients[i].lpszName = texts[i].data();
    }
    std::vector<MapiFileDesc> files(mail.attachments.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        files[i].nPosition = static_cast<ULONG>(mail.body.size() + i);
        files[i].lpszPathName = texts[recipients.size() + i].data();
    }
    MapiMessage message{};
    message.lpszSubject = subject.data();
    message.lpszNoteText = body.data();
    message.nRecipCount = static_cast<ULONG>(recipients.size());
    message.lpRecips = recipients.empty() ? nullptr : recipients.data();
    message.nFileCount = static_cast<ULONG>(files.size());
    message.lpFiles = files.empty() ? nullptr : files.data();

    const ULONG result = m_sendMail(0, 0, &message, MAPI_LOGON_UI, 0);
    sent.handedOver = result == SUCCESS_SUCCESS;
    if (result == SUCCESS_SUCCESS || result == MAPI_USER_ABORT || result == MAPI_E_LOGIN_FAILURE) return sent;
    if (result == MAPI_E_UNKNOWN_RECIPIENT) {
        // Our provider names the refused addresses with the server's words,
        // and says so when it mailed the others; any other provider mailed
        // nobody.
        sent.words = ProviderLastError();
        std::string words = sent.words;
        ::CharLowerBuffA(words.data(), static_cast<DWORD>(words.size()));
        for (const std::string& address : mail.recipients)
            if (!address.empty() && words.find(address) != std::string::npos) sent.refused.push_back(address);
        if (!sent.refused.empty()) {
            sent.handedOver = words.find("the other recipients were sent") != std::string::npos;
            return sent;
        }
        sent.words.clear();
    }
    ShowNotice("Send Mail failed to send message.");
    return sent;
}

std::string CMapiMail::ProviderLastError() const {
    // Only our own provider tells why; another mail client's failure stays
    // the general message.
    using LastError = const char*(WINAPI*)();
    const HMODULE provider = ::GetModuleHandleA("PinwellMail.dll");
    const auto lastError =
        provider ? reinterpret_cast<LastError>(reinterpret_cast<void*>(::GetProcAddress(provider, "PinwellMailLastError")))
                 : nullptr;
    const char* text = lastError ? lastError() : nullptr;
    return text ? text : "";
}

bool CMapiMail::Logon() {
    if (!m_loaded) return false;
    const bool online = IsOnline();
    if (!online &&
        ::MessageBoxA(nullptr,
                      "Your computer is Offline. You must be connected to the Internet to download new email "
                      "messages.\n Would you like program to check your old email messages for Pinwell email "
                      "notes ?",
                      "Pinwell", MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return false;
    const FLAGS flags = MAPI_LOGON_UI | MAPI_NEW_SESSION | (online ? MAPI_FORCE_DOWNLOAD : 0);
    m_session = 0;
    if (m_logon(0, nullptr, nullptr, flags, 0, &m_session) != SUCCESS_SUCCESS) {
        m_session = 0;
        ShowNotice("Can not Log On to your default email account ...");
        return false;
    }
    return true;
}

bool CMapiMail::Logoff() {
    const ULONG result = m_logoff(m_session, 0, 0, 0);
    m_session = 0;
    if (result == SUCCESS_SUCCESS) return true;
    ShowNotice("Can not Log Off from your default email account ...");
    return false;
}

bool CMapiMail::FindNext() {
    if (m_nextKnown) {
        m_nextKnown = false;
        return m_nextExists;
    }
    if (m_firstSearch) {
        m_seed[0] = '\0';
        m_firstSearch = false;
    } else {
        std::memcpy(m_seed, m_found, kMessageIdSize);
        m_seed[kMessageIdSize - 1] = '\0';
    }
    m_found[0] = '\0';
    const ULONG result = m_findNext(m_session, 0, nullptr, m_seed, 0, 0, m_found);
    m_found[kMessageIdSize - 1] = '\0';
    return result == SUCCESS_SUCCESS;
}

bool CMapiMail::ProcessMessage(const InboxCheckHooks& hooks) {
    // The subject decides, and the envelope has it: the bodies and
    // attachments of the user's other mail are never downloaded. A message
    // the mail system cannot read is somebody else's problem, not a reason
    // to give up on the note e-mails behind it.
    lpMapiMessage message = nullptr;
    if (m_readMail(m_session, 0, m_found, MAPI_ENVELOPE_ONLY | MAPI_PEEK, 0, &message) != SUCCESS_SUCCESS ||
        !message)
        return true;
    const bool noteEmail = IsNoteEmailSubject(message->lpszSubject);
    m_freeBuffer(message);
    if (!noteEmail) return true;
    m_noneFound = false;

    message = nullptr;
    if (m_readMail(m_session, 0, m_found, MAPI_PEEK | MAPI_SUPPRESS_ATTACH, 0, &message) != SUCCESS_SUCCESS ||
        !message) {
        ShowNotice("Read Mail function failed ...");
        return true;
    }
    const std::optional<std::string> data = NoteDataFromEmailBody(message->lpszNoteText);
    m_freeBuffer(message);
    if (data && !data->empty()) {
        // The mail goes only once its note is in the data file; at exit or
        // on a write failure it stays in the Inbox for the next check. A
        // note the file cannot take would make the user delete notes of
        // their own: it waits in the Inbox until there is room, and the
        // messages behind it are still looked at.
        switch (HandOverEmailNote({}, *data, kHandOverPollMs, m_abandon, hooks.handedOver, hooks.fits)) {
        case EmailHandOver::Written: break;
        case EmailHandOver::Refused:
            if (hooks.refused) hooks.refused();
            return true;
        default: return false;
        }
    }
    // The id may mean nothing once its message is gone: the one after it is
    // looked up first.
    char next[kMessageIdSize] = {};
    const ULONG ahead = m_findNext(m_session, 0, nullptr, m_found, 0, 0, next);
    if (m_deleteMail(m_session, 0, m_found, 0, 0) != SUCCESS_SUCCESS) {
        ShowNotice("Can not delete Pinwell message from Inbox ...");
    } else if (ahead == SUCCESS_SUCCESS || ahead == MAPI_E_NO_MESSAGES) {
        next[kMessageIdSize - 1] = '\0';
        std::memcpy(m_found, next, kMessageIdSize);
        m_nextKnown = true;
        m_nextExists = ahead == SUCCESS_SUCCESS;
    } else {
        m_firstSearch = true;
    }
    return true;
}

void CMapiMail::CheckInbox(const InboxCheckHooks& hooks) {
    m_firstSearch = true;
    m_nextKnown = false;
    // At exit the scan stops before the next message.
    while (!m_abandon && FindNext())
        if (!ProcessMessage(hooks)) break;
    if (m_noneFound && !m_abandon)
        ShowNotice("Checking for email notes finished. No email notes found in your Inbox !  ", NoticeIcon::Information);
}

MailSendResult SendNoteByEmail(const std::vector<std::string>& addresses, const std::string& plainText,
                               const std::string& noteData, const std::function<std::string()>& makePicture) {
    CMapiMail* mail = ProgramMail();
    if (!mail || !mail->IsLoaded()) return {};
    // The check and a send share the one mail session; "Reply to" stays
    // offered during a check, so the refusal is here.
    if (g_emailCheckRunning) {
        ShowNotice("Checking for email notes is in progress. Note was not sent by email. Send it again when "
                   "checking is done.");
        return {};
    }
    // The mail system's logon window keeps messages running: another note
    // can be sent from there, and would make its picture over this one's.
    if (mail->IsSending()) {
        ShowNotice("Another note is being sent by email. Note was not sent by email. Send it again when "
                   "sending is done.");
        return {};
    }
    // Message boxes below keep the tick running: no check may start until
    // the mail has gone.
    struct Sending {
        CMapiMail* mail;
        explicit Sending(CMapiMail* m) : mail(m) { mail->SetSending(true); }
        ~Sending() { mail->SetSending(false); }
    } sending(mail);
    if (!IsOnline()) {
        ShowNotice("Program didn't send note to email recipient(s) because your computer is Offline (not "
                   "connected).\nYour computer must be connected to the Internet to send email note message.\n"
                   "Connect to Internet and then send note to email recipient(s) again.",
                   NoticeIcon::Information);
        return {};
    }
    MailToSend message;
    for (std::string address : addresses) {
        ::CharLowerBuffA(address.data(), static_cast<DWORD>(address.size()));
        message.recipients.push_back(address);
    }
    // An anonymous sender's mail never carries the user's name.
    const bool anonymous = noteData.compare(0, 10, "ANONYMOUS~") == 0;
    const std::string from = anonymous ? EmailFromText(noteData, {}, {})
                                       : EmailFromText(noteData, GetUserDisplayName(), GetComputerLabel());
    message.subject = NoteEmailSubject(from);
    if (CSettingsStore().IsOn(Switch::IncludePictureAttachment)) {
        const std::string picture = makePicture ? makePicture() : std::string();
        if (!picture.empty() && FileExists(picture))
            message.attachments.push_back(picture);
        else
            ShowNotice("Note picture file was not found. Possible error creating note picture file.\n"
                       "Email will be send without attachment.");
    }
    message.body = NoteEmailBody(from, plainText, noteData);
    return mail->Send(message);
}

CMapiMail* ProgramMail() { return g_programMail.Installed(); }

CMapiMail* SetProgramMail(CMapiMail* mail) { return g_programMail.Install(mail); }
