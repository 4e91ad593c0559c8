// The common delivery of one note to a list of recipients, shared by the
// body menu's group and reply commands and by the send dialog.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CNoteDialog;

// Recipients are tokens of a recipient text, each followed by "~"; empty
// tokens are skipped.
std::vector<std::string> SplitRecipients(const std::string& recipientText);

struct DeliveryReport {
    std::string errors;             // one line per failed computer, "" when all went
    std::vector<std::string> email; // the e-mail recipients (sent by the e-mail feature)
};

// Sends the stored note noteId to every computer recipient in turn (the wait
// cursor shows meanwhile) and collects the e-mail recipients. Shows nothing.
DeliveryReport DeliverNote(std::int32_t noteId, const std::vector<std::string>& recipients,
                           const std::string& identity, const std::string& plainText);

// What the note shows afterwards: the send-failed icon (and, when
// showErrors and ShowSendErrorMessage allow, the collected errors in one box),
// or the sent icon / deletion by AfterSend. Returns false when the note was
// deleted.
bool ApplyDeliveryResult(CNoteDialog& note, const std::string& errors, bool showErrors);

