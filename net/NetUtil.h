// Address tests and host look-ups shared by the sender, the send dialog and
// the e-mail notes.
#pragma once

#include <string>

class CNetUtil {
public:
    // Contains "@" and "." and has a "." three to five characters from its
    // end: a dot before a final part of two to four characters. This test
    // decides everywhere whether a recipient is mailed or reached over TCP.
    bool IsEmailAddress(const std::string& text) const;
    // Not an e-mail address, two to five dots, and nothing but digits besides.
    bool IsIpAddress(const std::string& text) const;
    // The host name in upper case; "MYCOMPUTER" when the system has none.
    std::string GetLocalComputerName() const;
    // The first IPv4 address of the name, dotted; empty when it does not
    // resolve.
    std::string GetHostIpAddress(const std::string& hostName) const;
};

// ASCII letters to upper case; other bytes stay as they are.
std::string ToUpperAscii(std::string text);
