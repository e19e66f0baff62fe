// Turning a member's stored name into a file name that is safe to create in a chosen
// directory on any system the archives are read on.
#pragma once

#include <string>

// The final component of a stored name: everything after the last '/', '\' or ':'.
std::string FinalComponent(const std::string& storedName);

// Why name (a final component) must not be created, or an empty string when it is safe.
// Refused: empty, "." and "..", device names (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9,
// with or without an extension, in any case), control characters, the characters
// < > : " / \ | ? *, and names ending in a space or a dot (which Windows would strip).
std::string UnsafeNameReason(const std::string& name);
