// The member-name gate: which stored names may become a file, for every reader that creates
// files from members (the setup program, the archive tool, the distribution reader) and for
// the writers that choose the stored names.
//
// A stored name is a byte string in the ANSI code page. Only its final component (after the
// last '/', '\' or ':') names the file that is created. Searches for those separators skip
// the trail byte of a double-byte character, so a name whose trail byte is '\' is not cut in
// the middle of a character; the lead-byte test is the platform's unless a caller (a test)
// passes its own.
#pragma once

#include "support/StringUtil.h"

#include <string>

// The final component of a stored name: everything after the last '/', '\' or ':'.
std::string FinalComponent(const std::string& storedName, LeadBytePredicate isLead = IsLeadByte);

// What is wrong with a final component as the name of a file to create.
enum class NameFault {
    kNone,
    kEmpty,              // ""
    kDirectory,          // "." or ".."
    kControlCharacter,   // a byte below 0x20, or 0x7F
    kReservedCharacter,  // one of < > : " / \ | ? * (not as a trail byte)
    kTrailingSpaceOrDot, // Windows would strip it and create another name
    kDeviceName,         // CON, PRN, AUX, NUL, CLOCK$, COM1-9, LPT1-9, with any extension
};

struct NameCheck {
    NameFault fault = NameFault::kNone;
    char character = '\0'; // the offending byte of a control or reserved character
};

// The first fault of name, checked in the order of the enumeration.
NameCheck CheckMemberName(const std::string& name, LeadBytePredicate isLead = IsLeadByte);

// Why name must not be created, or an empty string when it is safe: the archive tool's text
// for CheckMemberName's fault.
std::string UnsafeNameReason(const std::string& name, LeadBytePredicate isLead = IsLeadByte);

// A name as the Windows file system compares it: ASCII letters in upper case, other bytes
// unchanged.
std::string FoldCase(const std::string& name);
