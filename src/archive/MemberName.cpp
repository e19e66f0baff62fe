#include "archive/MemberName.h"

#include <cstring>

namespace {

constexpr const char* kSeparators = "/\\:";
constexpr const char* kReservedCharacters = "<>:\"/\\|?*";

// Length in bytes of the character at name[i]: a lead byte takes its trail byte along.
std::size_t CharLength(const std::string& name, std::size_t i, LeadBytePredicate isLead) {
    return isLead(static_cast<unsigned char>(name[i])) && i + 1 < name.size() ? 2 : 1;
}

bool IsControlCharacter(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool IsDeviceName(const std::string& name) {
    // The part before the first dot decides, as it does for the Windows file system;
    // blanks before the dot are ignored there too.
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    const std::string upper = FoldCase(base);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CLOCK$"})
        if (upper == device)
            return true;
    return upper.size() == 4 &&
           (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

// The first control or reserved character of name; a trail byte is part of its character
// and is neither.
NameCheck CheckCharacters(const std::string& name, LeadBytePredicate isLead) {
    for (std::size_t i = 0; i < name.size(); i += CharLength(name, i, isLead)) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsControlCharacter(c))
            return {NameFault::kControlCharacter, name[i]};
        if (std::strchr(kReservedCharacters, c) != nullptr)
            return {NameFault::kReservedCharacter, name[i]};
    }
    return {};
}

} // namespace

std::string FinalComponent(const std::string& storedName, LeadBytePredicate isLead) {
    const std::size_t cut = FindLastOf(storedName, kSeparators, isLead);
    return cut == std::string::npos ? storedName : storedName.substr(cut + 1);
}

NameCheck CheckMemberName(const std::string& name, LeadBytePredicate isLead) {
    if (name.empty())
        return {NameFault::kEmpty};
    if (name == "." || name == "..")
        return {NameFault::kDirectory};
    const NameCheck characters = CheckCharacters(name, isLead);
    if (characters.fault != NameFault::kNone)
        return characters;
    if (name.back() == ' ' || name.back() == '.')
        return {NameFault::kTrailingSpaceOrDot};
    if (IsDeviceName(name))
        return {NameFault::kDeviceName};
    return {};
}

std::string UnsafeNameReason(const std::string& name, LeadBytePredicate isLead) {
    const NameCheck check = CheckMemberName(name, isLead);
    switch (check.fault) {
    case NameFault::kNone:
        return std::string();
    case NameFault::kEmpty:
        return "empty name";
    case NameFault::kDirectory:
        return "names a directory, not a file";
    case NameFault::kControlCharacter:
        return "contains a control character";
    case NameFault::kReservedCharacter:
        return std::string("contains the character '") + check.character + "'";
    case NameFault::kTrailingSpaceOrDot:
        return "ends in a space or a dot";
    case NameFault::kDeviceName:
        return "is a device name";
    }
    return "is not a valid name";
}

std::string FoldCase(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}
