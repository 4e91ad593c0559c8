#include "note/Delivery.h"

#include <shellapi.h>

#include "mail/MailNote.h"
#include "mail/MapiMail.h"
#include "net/NetUtil.h"
#include "net/NoteSender.h"
#include "note/NoteDialog.h"
#include "note/NoteFileCommands.h"
#include "note/NotePictureFile.h"
#include "store/SettingsStore.h"

class CShellLauncher : public IProcessLauncher {
public:
    void RunHidden(const std::string& command, const std::string& parameters) override {
        ::ShellExecuteA(nullptr, "open", command.c_str(), parameters.c_str(), nullptr, SW_HIDE);
    }
};

namespace {
// A peer that takes the connection but never answers must not freeze the
// program for good; a receiver answers within milliseconds.
constexpr int kReplyTimeoutMs = 15000;
}  // namespace

std::vector<std::string> SplitRecipients(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t tilde; (tilde = text.find('~', start)) != std::string::npos; start = tilde + 1)
        if (tilde > start) out.push_back(text.substr(start, tilde - start));
    return out;
}

DeliveryReport DeliverNote(std::int32_t noteId, const std::vector<std::string>& recipients,
                           const std::string& identity, const std::string& plainText) {
    DeliveryReport report;
    CShellLauncher launcher;
    NoteSenderOptions options;
    options.launcher = &launcher;
    options.replyTimeoutMs = kReplyTimeoutMs;
    CNoteSender sender(options);
    HCURSOR old = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    for (const std::string& recipient : recipients) {
        if (CNetUtil().IsEmailAddress(recipient))
            report.email.push_back(recipient);
        else
            report.errors += sender.SendNote(recipient, noteId, identity, plainText);
    }
    ::SetCursor(old);
    return report;
}

std::string DeliverByEmail(CNoteDialog& note, const std::vector<std::string>& addresses, std::string identity,
                           const std::string& plainText, bool computerNameForEmpty) {
    if (addresses.empty()) return {};
    const CMapiMail* mail = ProgramMail();
    const bool mailSystem = mail && mail->IsLoaded();
    MailSendResult sent;
    if (mailSystem) {
        if (identity.empty() && computerNameForEmpty) identity = CNetUtil().GetLocalComputerName();
        const std::string noteData = CNoteSender().BuildNoteData(identity, note.NoteId());
        bool madePicture = false;
        const HWND window = note.m_hWnd;
        sent = SendNoteByEmail(addresses, plainText, noteData, [&madePicture, window] {
            // A picture left by an earlier note must never travel with this one.
            DeleteNotePictureFiles();
            madePicture = true;
            std::string format = CSettingsStore().ReadDefaultPictureFormat();
            if (format.empty()) format = kPictureFormatJpg;
            return CreateNotePicture(window, format);
        });
        // Only our own: a refused send must not take the running one's picture.
        if (madePicture) DeleteNotePictureFiles();
    }
    std::string errors;
    for (const std::string& address : sent.handedOver ? sent.refused : addresses)
        errors += EmailNotSentLine(address, !mailSystem);
    if (!sent.words.empty()) errors += sent.words + "\n";
    return errors;
}

bool ApplyDeliveryResult(CNoteDialog& note, const std::string& errors, const std::string& unseenErrors) {
    CSettingsStore settings;
    if (!errors.empty()) {
        note.SetStatusIcon(CNoteDialog::kSendFailed);
        if (!unseenErrors.empty() && settings.IsOn(Switch::ShowSendErrorMessage))
            ::MessageBoxA(note.m_hWnd, unseenErrors.c_str(), "Pinwell", MB_OK);
        return true;
    }
    if (settings.ReadAfterSend() == "DeleteNote") {
        note.DeleteNote(false);
        return false;
    }
    note.SetStatusIcon(CNoteDialog::kSent);
    return true;
}
