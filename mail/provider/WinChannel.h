// Sockets and TLS (SChannel) for the mail conversations, with a timeout on
// every wait, and the server certificate checked against the system's trust.
#pragma once
#include "mail/provider/MailClients.h"

namespace pwmail {

// Connecting gives up after this; every later read or write after kIoSeconds.
constexpr int kConnectSeconds = 8;
constexpr int kIoSeconds = 20;

std::unique_ptr<MailChannel> ConnectChannel(const ServerConfig& server, MailResult& result);

}  // namespace pwmail
