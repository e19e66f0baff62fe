#include "distribution/SafeNames.h"

#include <cstring>

namespace {

bool IsDeviceName(const std::string& name) {
    const std::string base = UpperAscii(name.substr(0, name.find('.')));
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$"};
    for (const char* device : kDevices)
        if (base == device)
            return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

} // namespace

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string FinalNameComponent(const std::string& storedName) {
    const std::size_t cut = storedName.find_last_of("/\\:");
    return cut == std::string::npos ? storedName : storedName.substr(cut + 1);
}

std::string UnsafeComponentReason(const std::string& name) {
    if (name.empty())
        return "empty name";
    if (name == "." || name == "..")
        return "refers to a folder, not a file";
    for (unsigned char c : name) {
        if (c < 0x20)
            return "control character in the name";
        if (std::strchr("<>:\"/\\|?*", static_cast<char>(c)) != nullptr)
            return "reserved character in the name";
    }
    if (name.back() == ' ' || name.back() == '.')
        return "name ends in a blank or a dot";
    if (IsDeviceName(name))
        return "device name";
    return {};
}

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
    const std::string p = UpperAscii(pattern);
    const std::string n = UpperAscii(name);
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
