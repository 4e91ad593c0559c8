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
    m_subject.clear();
    m_body.clear();
    m_recipients.clear();
    m_attachments.clear();
    m_seed = m_seedStorage;
    m_found = m_foundStorage;
    m_seed[0] = m_found[0] = '\0';
    m_firstSearch = true;
    m_noneFound = true;
}

void CMapiMail::AddRecipient(const std::string& address) { m_recipients.push_back(address); }

void CMapiMail::AddAttachment(const std::string& path) { m_attachments.push_back(path); }

bool CMapiMail::Send(bool* handedOver) {
    if (handedOver) *handedOver = false;
    if (!m_loaded) return false;
    // Each attachment takes the place of one blank at the end of the body.
    const std::size_t textLength = m_body.size();
    m_body.append(m_attachments.size(), ' ');

    std::vector<MapiRecipDesc> recipients(m_recipients.size());
    for (std::size_t i = 0; i < m_recipients.size(); ++i) {
        recipients[i].ulRecipClass = MAPI_TO;
        recipients[i].lpszName = m_recipients[i].data();
    }
    std::vector<MapiFileDesc> files(m_attachments.size());
    for (std::size_t i = 0; i < m_attachments.size(); ++i) {
        files[i].nPosition = static_cast<ULONG>(textLength + i);
        files[i].lpszPathName = m_attachments[i].data();
    }
    MapiMessage message{};
    message.lpszSubject = m_subject.data();
    message.lpszNoteText = m_body.data();
    message.nRecipCount = static_cast<ULONG>(recipients.size());
    message.lpRecips = recipients.empty() ? nullptr : recipients.data();
    message.nFileCount = static_cast<ULONG>(files.size());
    message.lpFiles = files.empty() ? nullptr : files.data();

    const ULONG result = m_sendMail(0, 0, &message, MAPI_LOGON_UI, 0);
    m_recipients.clear();
    m_attachments.clear();
    if (handedOver) *handedOver = result == SUCCESS_SUCCESS;
    if (result == SUCCESS_SUCCESS || result == MAPI_USER_ABORT || result == MAPI_E_LOGIN_FAILURE) return true;
    ShowNotice("Send Mail failed to send message.");
    return false;
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

bool CMapiMail::ProcessMessage() {
    lpMapiMessage message = nullptr;
    if (m_readMail(m_session, 0, m_found, MAPI_PEEK | MAPI_SUPPRESS_ATTACH, 0, &message) != SUCCESS_SUCCESS ||
        !message)
        return false;
    if (IsNoteEmailSubject(message->lpszSubject)) {
        bool keep = false;
        if (const auto data = NoteDataFromEmailBody(message->lpszNoteText); data && !data->empty())
            // A note that could not be handed over stays in the Inbox for the
            // next check rather than being lost with the message.
            keep = !HandOverEmailNote({}, *data, kHandOverPollMs, m_abandon);
        if (!keep) {
            if (m_deleteMail(m_session, 0, m_found, 0, 0) != SUCCESS_SUCCESS)
                ShowNotice("Can not delete Pinwell message from Inbox ...");
            else
                m_firstSearch = true;
        }
        m_noneFound = false;
    }
    return m_freeBuffer(message) == SUCCESS_SUCCESS;
}

void CMapiMail::CheckInbox() {
    m_firstSearch = true;
    while (FindNext()) {
        if (!ProcessMessage()) {
            ShowNotice("Read Mail function failed ...");
            break;
        }
    }
    if (m_noneFound)
        ShowNotice("Checking for email notes finished. No email notes found in your Inbox !  ", NoticeIcon::Information);
}

bool SendNoteByEmail(const std::vector<std::string>& addresses, const std::string& plainText,
                     const std::string& noteData) {
    CMapiMail* mail = ProgramMail();
    if (!mail || !mail->IsLoaded()) return false;
    // The check and a send share the one message; "Reply to" stays offered
    // during a check, so the refusal is here.
    if (g_emailCheckRunning) {
        ShowNotice("Checking for email notes is in progress. Note was not sent by email. Send it again when "
                   "checking is done.");
        return false;
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
        return false;
    }
    mail->Reset();
    for (std::string address : addresses) {
        ::CharLowerBuffA(address.data(), static_cast<DWORD>(address.size()));
        mail->AddRecipient(address);
    }
    // An anonymous sender's mail never carries the user's name.
    const bool anonymous = noteData.compare(0, 10, "ANONYMOUS~") == 0;
    const std::string from = anonymous ? EmailFromText(noteData, {}, {})
                                       : EmailFromText(noteData, GetUserDisplayName(), GetComputerLabel());
    mail->SetSubject(NoteEmailSubject(from));
    if (CSettingsStore().IsOn(Switch::IncludePictureAttachment)) {
        const std::string jpg = NotePicturePath(kNotePictureJpg);
        const std::string bmp = NotePicturePath(kNotePictureBmp);
        if (FileExists(jpg))
            mail->AddAttachment(jpg);
        else if (FileExists(bmp))
            mail->AddAttachment(bmp);
        else
            ShowNotice("Note picture file was not found. Possible error creating note picture file.\n"
                       "Email will be send without attachment.");
    }
    mail->SetBody(NoteEmailBody(from, plainText, noteData));
    bool handedOver = false;
    mail->Send(&handedOver);
    return handedOver;
}

CMapiMail* ProgramMail() { return g_programMail.Installed(); }

CMapiMail* SetProgramMail(CMapiMail* mail) { return g_programMail.Install(mail); }
