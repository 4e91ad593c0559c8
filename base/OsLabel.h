// The operating-system family label, computed once at start from the version
// the system reports. It picks skinning, note fading and the messaging
// fallback elsewhere.
#pragma once

#include <string>

std::string OsFamilyLabel(unsigned major, unsigned minor);

// Set once by start-up, read everywhere.
void SetOsFamilyLabel(const std::string& label);
const std::string& OsFamily();
