// The delivery of one note to the computers among its recipients, shared by
// the send dialog and the note's group and reply commands.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Recipients are tokens of a recipient text, each followed by "~"; empty
// tokens are skipped.
std::vector<std::string> SplitRecipients(const std::string& recipientText);

struct DeliveryReport {
    std::string errors;             // one line per failed computer, "" when all went
    std::vector<std::string> email; // the e-mail recipients, for DeliverByEmail
};

// Sends the stored note noteId to every computer recipient in turn (the wait
// cursor shows meanwhile) and collects the e-mail recipients. Shows nothing.
DeliveryReport DeliverNote(std::int32_t noteId, const std::vector<std::string>& recipients,
                           const std::string& identity, const std::string& plainText);
