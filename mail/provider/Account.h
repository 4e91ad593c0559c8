// The one mail account of the provider, stored per user in the registry;
// the password protected by the platform (CryptProtectData).
#pragma once
#include <windows.h>

#include <string>

#include "mail/provider/MailClients.h"

namespace pwmail {

struct MailAccount {
    std::string address;      // also the sender
    std::string displayName;  // may be empty
    std::string user, password;
    std::string smtpHost;
    int smtpPort = 587;
    Security smtpSecurity = Security::StartTls;
    bool pop3 = false;  // the Inbox over POP3 rather than IMAP
    std::string inboxHost;
    int inboxPort = 143;
    Security inboxSecurity = Security::StartTls;
    bool plainPasswordAllowed = false;  // with security None, to a server elsewhere

    bool Complete() const;
    ServerConfig Smtp() const { return {smtpHost, smtpPort, smtpSecurity, user, password, plainPasswordAllowed}; }
    ServerConfig Inbox() const { return {inboxHost, inboxPort, inboxSecurity, user, password, plainPasswordAllowed}; }
};

int DefaultSmtpPort(Security s);
int DefaultInboxPort(bool pop3, Security s);
const char* SecurityName(Security s);  // "none", "starttls", "tls"
bool ParseSecurity(const std::string& text, Security& s);

// False when no account is stored (the fields then hold defaults).
bool LoadAccount(MailAccount& account);
bool SaveAccount(const MailAccount& account, std::string& error);

}  // namespace pwmail
