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
    bool sent = false;
    if (mailSystem) {
        CSettingsStore settings;
        if (settings.IsOn(Switch::IncludePictureAttachment)) {
            std::string format = settings.ReadDefaultPictureFormat();
            if (format.empty()) format = kPictureFormatJpg;
            CreateNotePicture(note.m_hWnd, format);
        }
        if (identity.empty() && computerNameForEmpty) identity = CNetUtil().GetLocalComputerName();
        const std::string noteData = CNoteSender().BuildNoteData(identity, note.NoteId());
        sent = SendNoteByEmail(addresses, plainText, noteData);
        DeleteNotePictureFiles();
    }
    std::string errors;
    if (!sent)
        for (const std::string& address : addresses) errors += EmailNotSentLine(address, !mailSystem);
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
