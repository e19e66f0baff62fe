#include "support/StringUtil.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

bool IsLeadByte(unsigned char c) {
#ifdef _WIN32
    return ::IsDBCSLeadByte(c) != FALSE;
#else
    (void)c;
    return false;
#endif
}

namespace {

// Length in bytes of the character starting at s[i]: 2 for a lead byte followed by a trail
// byte, else 1. A lead byte at the very end counts as one byte.
std::size_t CharLength(const std::string& s, std::size_t i, LeadBytePredicate isLead) {
    return (isLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

} // namespace

std::size_t FindChar(const std::string& s, char ch, std::size_t start, LeadBytePredicate isLead) {
    for (std::size_t i = start; i < s.size(); i += CharLength(s, i, isLead)) {
        if (s[i] == ch) {
            return i;
        }
    }
    return std::string::npos;
}

std::size_t FindLastOf(const std::string& s, const char* set, LeadBytePredicate isLead) {
    std::size_t found = std::string::npos;
    for (std::size_t i = 0; i < s.size(); i += CharLength(s, i, isLead)) {
        if (s[i] != '\0' && std::strchr(set, s[i]) != nullptr) {
            found = i;
        }
    }
    return found;
}

std::size_t FindLastChar(const std::string& s, char ch) {
    const char set[2] = {ch, '\0'};
    return FindLastOf(s, set);
}

std::string_view TrimBlanks(std::string_view s, const char* blanks) {
    const std::size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        // Empty, but still a view of s (callers copy from its data()).
        return s.substr(s.size());
    }
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

void TruncateString(std::string& s, std::size_t n) {
    if (n < s.size()) {
        s.resize(n);
    }
}

void RemoveLeadingChar(std::string& s, char ch) {
    if (!s.empty() && s.front() == ch) {
        s.erase(0, 1);
    }
}

void RemoveTrailingChar(std::string& s, char ch) {
    if (!s.empty() && s.back() == ch) {
        s.pop_back();
    }
}

void RemoveLeadingBackslash(std::string& s) {
    if (s.size() > 1 && s.front() == '\\') {
        s.erase(0, 1);
    }
}

void RemoveTrailingBackslash(std::string& s) {
    if (s.size() > 1 && s.back() == '\\') {
        s.pop_back();
    }
}

void AddTrailingBackslash(std::string& s) {
    if (s.empty() || s.back() != '\\') {
        s.push_back('\\');
    }
}

void AddLeadingBackslash(std::string& s) {
    if (s.empty() || s.front() != '\\') {
        s.insert(s.begin(), '\\');
    }
}

bool ExtractField(std::string& out, const char* text, int index, char separator) {
    if (text == nullptr) {
        return false;
    }
    return ExtractField(out, std::string(text), index, separator);
}

bool ExtractField(std::string& out, const std::string& text, int index, char separator) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const std::size_t sep = FindChar(text, separator, start);
        if (sep == std::string::npos) {
            out.clear();
            return false;
        }
        start = sep + 1;
    }
    if (index < 0) {
        out.clear();
        return false;
    }
    const std::size_t end = FindChar(text, separator, start);
    out = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return true;
}

std::int32_t ParseLong(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<std::int32_t>(value);
}

std::int16_t ParseShort(const std::string& text) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(ParseLong(text) & 0xFFFF));
}

bool ExtractShortField(std::int16_t& out, const std::string& text, int index, char separator) {
    std::string field;
    if (!ExtractField(field, text, index, separator)) {
        return false;
    }
    out = ParseShort(field);
    return true;
}

bool ExtractLongField(std::int32_t& out, const std::string& text, int index, char separator) {
    std::string field;
    if (!ExtractField(field, text, index, separator)) {
        return false;
    }
    out = ParseLong(field);
    return true;
}

bool ExtractBoolField(bool& out, const std::string& text, int index, char separator) {
    std::string field;
    if (!ExtractField(field, text, index, separator)) {
        return false;
    }
    out = ParseLong(field) != 0;
    return true;
}

int FormatString(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = FormatStringV(out, format, args);
    va_end(args);
    return length;
}

int FormatStringV(std::string& out, const char* format, va_list args) {
    out = FormatCutV(kMaxFormattedLength, format, args);
    return static_cast<int>(out.size());
}

namespace {

// Formats into a buffer of `room` bytes; true when the whole result fit. A C99 vsnprintf
// reports the full length and always ends the buffer with a zero; the Windows runtime's
// reports -1 on truncation, and leaves the buffer without a zero when the result fills it
// exactly. Either way `text` ends up holding what fit, cut before the last byte.
bool FormatInto(std::string& text, std::size_t room, const char* format, va_list args) {
    text.assign(room, '\0');
    va_list copy;
    va_copy(copy, args);
#ifdef _WIN32
    // The system runtime's formatter: the C++ library would otherwise bring a C99 one along.
    const int produced = ::_vsnprintf(&text[0], room, format, copy);
#else
    const int produced = std::vsnprintf(&text[0], room, format, copy);
#endif
    va_end(copy);
    text[room - 1] = '\0';
    const bool whole = produced >= 0 && static_cast<std::size_t>(produced) < room;
    text.resize(whole ? static_cast<std::size_t>(produced) : std::strlen(text.c_str()));
    return whole;
}

} // namespace

std::string FormatCutV(std::size_t maxLength, const char* format, va_list args) {
    std::string text;
    FormatInto(text, maxLength + 1, format, args);
    return text;
}

std::string FormatWholeV(const char* format, va_list args) {
    constexpr std::size_t kLargestRoom = std::size_t{1} << 20;
    std::string text;
    std::size_t room = 256;
    while (!FormatInto(text, room, format, args) && room < kLargestRoom) {
        room *= 2;
    }
    return text;
}

int CHexNameGenerator::NextValue() {
    m_state = m_state * 214013u + 2531011u;
    return static_cast<int>((m_state >> 16) & 0x7FFFu);
}

std::string CHexNameGenerator::NextString(int n) {
    int v[5];
    for (int& value : v) {
        value = NextValue();
    }
    std::string result;
    FormatString(result, "%.4x%.4x%.4x%.4x%.4x", v[4], v[3], v[2], v[1], v[0]);
    TruncateString(result, static_cast<std::size_t>(n < 0 ? 0 : n));
    return result;
}

std::string RandomHexString(int n) {
    // The one piece of process-wide state of the support library (see CHexNameGenerator).
    static CHexNameGenerator generator;
    return generator.NextString(n);
}

#ifdef _WIN32
std::string GetShortPath(const std::string& path) {
    std::string buffer(MAX_PATH, '\0');
    DWORD length = ::GetShortPathNameA(path.c_str(), &buffer[0], MAX_PATH);
    if (length >= MAX_PATH) {
        buffer.assign(length, '\0');
        length = ::GetShortPathNameA(path.c_str(), &buffer[0], length);
        if (length >= buffer.size()) {
            length = 0;
        }
    }
    buffer.resize(length);
    return buffer;
}
#endif
