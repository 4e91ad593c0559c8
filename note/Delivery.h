// A note's e-mail delivery and what the note shows after a delivery, shared
// by the body menu's group and reply commands and by the send dialog's note.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "net/ComputerDelivery.h"

class CNoteDialog;

// Mails the note to the addresses: the note data under the identity (the
// local computer name for an empty one when computerNameForEmpty) and a
// fresh picture of the note when IncludePictureAttachment allows, which goes
// afterwards. Returns one error line per address when the mail system did not
// take the mail (none to use, offline, failed, cancelled): until then no
// address counts as reached; else one per address the mail server refused,
// followed by its words.
std::string DeliverByEmail(CNoteDialog& note, const std::vector<std::string>& addresses, std::string identity,
                           const std::string& plainText, bool computerNameForEmpty);

// What the note shows afterwards: the send-failed icon when errors is not
// empty (and, when ShowSendErrorMessage allows, unseenErrors in one box),
// or the sent icon / deletion by AfterSend. Returns false when the note was
// deleted.
bool ApplyDeliveryResult(CNoteDialog& note, const std::string& errors, const std::string& unseenErrors);

