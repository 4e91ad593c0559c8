#pragma once
#include <windows.h>

#include "mail/provider/Account.h"

namespace pwmail {

// Asks for the account; problem (may be empty) says why it is asked again.
// True when the user confirmed (the account is then stored), false on Cancel.
bool RunAccountDialog(HWND parent, MailAccount& account, const std::string& problem);

extern HINSTANCE g_module;

}  // namespace pwmail
