#include "distribution/SafeNames.h"

std::string UnsafeComponentReason(const std::string& name) {
    switch (CheckMemberName(name).fault) {
    case NameFault::kNone:
        return {};
    case NameFault::kEmpty:
        return "empty name";
    case NameFault::kDirectory:
        return "refers to a folder, not a file";
    case NameFault::kControlCharacter:
        return "control character in the name";
    case NameFault::kReservedCharacter:
        return "reserved character in the name";
    case NameFault::kTrailingSpaceOrDot:
        return "name ends in a blank or a dot";
    case NameFault::kDeviceName:
        return "device name";
    }
    return "not a valid name";
}

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
    const std::string p = FoldCase(pattern);
    const std::string n = FoldCase(name);
    std::size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}
