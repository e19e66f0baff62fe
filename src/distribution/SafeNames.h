// Name rules for everything the distribution reader creates on the host: a file or folder
// name taken from a diskette, an archive member or a profile destination must be one plain
// name component that passes the member-name gate (archive/MemberName.h).
#pragma once

#include "archive/MemberName.h"

#include <string>

// Why name must not be created, or "" when it is safe: the reader's text for the gate's
// fault (CheckMemberName).
std::string UnsafeComponentReason(const std::string& name);

// Case-insensitive match of name against a pattern with '*' (any run) and '?' (one byte).
bool MatchesWildcard(const std::string& pattern, const std::string& name);
