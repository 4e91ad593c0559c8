// The sending side of a note transfer: note data from a stored note, one
// delivery to one computer, and the system messaging command when the
// computer has no receiver listening.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Starts a system command in a hidden window. The Win32 side implements it;
// tests record what would have run. The command's outcome is not looked at.
class IProcessLauncher {
public:
    virtual ~IProcessLauncher() = default;
    virtual void RunHidden(const std::string& command, const std::string& parameters) = 0;
};

struct MessagingCommand {
    std::string command;     // "net" or "msg"
    std::string parameters;  // display name and message filled in
};

// The plain-text message the messaging command carries.
std::string MessagingFallbackText(const std::string& plainText);
// The command for an operating-system family label; none for families that
// have no messaging command.
std::optional<MessagingCommand> MessagingFallbackCommand(const std::string& osLabel,
                                                         const std::string& displayName,
                                                         const std::string& plainText);

// Field 1 of the note data for a sent-from setting: the computer name when
// empty, upper case unless it is an e-mail address or a "Name:" identity.
std::string SenderIdentity(const std::string& sentFrom);

struct NoteSenderOptions {
    // Where the note record and CommunicationPort are read; empty = main
    // data file.
    std::string dataFile;
    // Runs the messaging command; without one nothing runs, and the
    // fallback's error line is returned all the same.
    IProcessLauncher* launcher = nullptr;
    // How long to wait for the receiver's answer; negative = as long as the
    // system lets a receive wait.
    int replyTimeoutMs = -1;
    // After a full acknowledgement, how long to watch for a stray byte
    // behind it before counting it good (receivers close right after it).
    int afterReplyMs = 1000;
    // The local address to send from, on a computer with several; empty =
    // the one the system picks.
    std::string sourceAddress;
};

class CNoteSender {
public:
    explicit CNoteSender(NoteSenderOptions options = {});

    // Note data of the stored note with that identifier, the identity in
    // field 1; shows the oversize warning when it is longer than the
    // receivers' buffer.
    std::string BuildNoteData(const std::string& identity, std::int32_t noteId) const;

    // Delivers one note to one computer. Returns "" on success, otherwise
    // one error line ending in "\n", naming the recipient in upper case.
    std::string SendNote(const std::string& recipient, std::int32_t noteId,
                         const std::string& sentFrom, const std::string& plainText) const;

    // The network part of SendNote for note data already built: resolve,
    // connect (or fall back), send, check the acknowledgement.
    std::string SendNoteData(const std::string& recipient, int port, const std::string& noteData,
                             const std::string& plainText) const;

private:
    NoteSenderOptions options_;
};
