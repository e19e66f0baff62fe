// The text rules of the INI files that our own writers handle (the portable profile backend
// and the in-memory profile document): what counts as a blank around section names, keys
// and values.
#pragma once

#include <cstring>

namespace initext {

// A space and the control characters from tab to carriage return (TrimBlanks takes these off
// names and values).
constexpr const char* kBlanks = " \t\n\v\f\r";

inline bool IsBlank(char c) {
    return c != '\0' && std::strchr(kBlanks, c) != nullptr;
}

} // namespace initext
