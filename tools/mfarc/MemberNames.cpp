#include "MemberNames.h"

#include <cctype>
#include <cstring>

std::string FinalComponent(const std::string& storedName) {
    std::size_t start = storedName.find_last_of("/\\:");
    return start == std::string::npos ? storedName : storedName.substr(start + 1);
}

namespace {

bool IsDeviceName(const std::string& name) {
    // The part before the first dot decides, as it does for the Windows file system;
    // trailing spaces before the dot are ignored there too.
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    std::string upper;
    for (char c : base)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL")
        return true;
    if (upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0))
        return upper[3] >= '1' && upper[3] <= '9';
    return false;
}

} // namespace

std::string UnsafeNameReason(const std::string& name) {
    if (name.empty())
        return "empty name";
    if (name == "." || name == "..")
        return "names a directory, not a file";
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F)
            return "contains a control character";
        if (std::strchr("<>:\"/\\|?*", c) != nullptr)
            return std::string("contains the character '") + static_cast<char>(c) + "'";
    }
    if (name.back() == ' ' || name.back() == '.')
        return "ends in a space or a dot";
    if (IsDeviceName(name))
        return "is a device name";
    return std::string();
}
