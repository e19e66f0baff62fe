// Name rules for everything the distribution reader creates on the host: a file or folder
// name taken from a diskette, an archive member or a profile destination must be one plain
// name component that is safe on any system the tool runs on.
#pragma once

#include <string>

// The final component of a stored name: everything after the last '/', '\' or ':'.
std::string FinalNameComponent(const std::string& storedName);

// Why name must not be created, or "" when it is safe. Refused: empty, "." and "..", device
// names (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension, in any case), control
// characters, < > : " / \ | ? *, and names ending in a blank or a dot.
std::string UnsafeComponentReason(const std::string& name);

// Case-insensitive match of name against a pattern with '*' (any run) and '?' (one byte).
bool MatchesWildcard(const std::string& pattern, const std::string& name);

// ASCII upper case (bytes above 0x7F unchanged).
std::string UpperAscii(std::string text);
