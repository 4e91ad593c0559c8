#include "note/Delivery.h"

#include "mail/MailNote.h"
#include "mail/MapiMail.h"
#include "net/NetUtil.h"
#include "net/NoteSender.h"
#include "note/NoteDialog.h"
#include "note/NotePicture.h"
#include "note/NotePictureFile.h"
#include "store/SettingsStore.h"

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
