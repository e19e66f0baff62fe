// The text rules of the INI files that our own writers handle (the portable profile backend
// and the in-memory profile document): what counts as a blank around section names, keys
// and values.
#pragma once

#include <string_view>

namespace initext {

inline bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// s without its leading and trailing blanks.
inline std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

} // namespace initext
