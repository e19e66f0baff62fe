#include "helper/HelperPaths.h"

#include <cstring>

namespace {

constexpr const char* kLogName = "install.log";

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The token at p ends at a blank or the end of the text.
const char* TokenEnd(const char* p) {
    while (*p != '\0' && !IsBlank(*p)) {
        ++p;
    }
    return p;
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) {
        ++p;
    }
    return p;
}

// Past the program's own name: a quoted name runs to the closing quote.
const char* SkipProgramName(const char* p) {
    p = SkipBlanks(p);
    if (*p == '"') {
        const char* close = std::strchr(p + 1, '"');
        return close != nullptr ? close + 1 : p + std::strlen(p);
    }
    return TokenEnd(p);
}

bool CopyText(const char* begin, const char* end, char* out, std::size_t size) {
    const std::size_t length = static_cast<std::size_t>(end - begin);
    if (length + 1 > size) {
        return false;
    }
    std::memcpy(out, begin, length);
    out[length] = '\0';
    return true;
}

bool IsFullPath(const char* path) {
    const bool drive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                       path[1] == ':' && path[2] == '\\';
    const bool share = path[0] == '\\' && path[1] == '\\' && path[2] != '\0' && path[2] != '\\';
    return drive || share;
}

// A ".." component anywhere, or a character no file name of ours holds.
bool HasBadCharacters(const char* path) {
    for (const char* p = path; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32 || std::strchr("/*?\"<>|", c) != nullptr) {
            return true;
        }
        if (c == ':' && p != path + 1) {
            return true;
        }
        const bool startsComponent = p == path || p[-1] == '\\';
        if (startsComponent && p[0] == '.' && p[1] == '.' && (p[2] == '\\' || p[2] == '\0')) {
            return true;
        }
    }
    return false;
}

bool EndsWithIni(const char* name, std::size_t length) {
    if (length <= 4) {
        return false; // ".ini" alone has no title
    }
    const char* extension = name + length - 4;
    return extension[0] == '.' && UpperAscii(extension[1]) == 'I' &&
           UpperAscii(extension[2]) == 'N' && UpperAscii(extension[3]) == 'I';
}

// The directory part of a share path must hold more than "\\server\share\".
bool IsRootDirectory(const char* directory, std::size_t length) {
    if (directory[0] != '\\') {
        return length <= 3; // "C:\"
    }
    int separators = 0;
    for (std::size_t i = 2; i < length; ++i) {
        separators += directory[i] == '\\' ? 1 : 0;
    }
    return separators <= 2;
}

} // namespace

const char* HelperRefusalText(HelperRefusal refusal) {
    switch (refusal) {
    case HelperRefusal::kNone:
        return "accepted";
    case HelperRefusal::kNoRemovalOption:
        return "no /U option";
    case HelperRefusal::kNoProfileOption:
        return "no /PP: option";
    case HelperRefusal::kNotFullPath:
        return "not a full path";
    case HelperRefusal::kBadCharacters:
        return "not a plain path";
    case HelperRefusal::kNotProfileName:
        return "not a profile";
    case HelperRefusal::kTooLong:
        return "path too long";
    case HelperRefusal::kDriveRoot:
        return "profile in a root directory";
    case HelperRefusal::kMissingFiles:
        return "no setup program with its install log beside it";
    case HelperRefusal::kNotApplicationDir:
        return "not the application directory of its log";
    case HelperRefusal::kSystemDirectory:
        return "a system directory";
    }
    return "refused";
}

HelperRefusal ReadHelperCommandLine(const char* commandLine, char* profile, std::size_t size) {
    bool removal = false;
    const char* value = nullptr;
    for (const char* p = SkipBlanks(SkipProgramName(commandLine)); *p != '\0';
         p = SkipBlanks(TokenEnd(p))) {
        if (std::strncmp(p, "/PP:", 4) == 0) {
            value = p + 4;
            break; // the value runs to the end of the line
        }
        removal = removal || (p[0] == '/' && p[1] == 'U');
    }
    if (!removal) {
        return HelperRefusal::kNoRemovalOption;
    }
    if (value == nullptr) {
        return HelperRefusal::kNoProfileOption;
    }
    const char* begin = SkipBlanks(value);
    const char* end = begin + std::strlen(begin);
    while (end > begin && (IsBlank(end[-1]) || end[-1] == '"')) {
        --end;
    }
    while (begin < end && *begin == '"') {
        ++begin;
    }
    if (begin == end) {
        return HelperRefusal::kNoProfileOption;
    }
    return CopyText(begin, end, profile, size) ? HelperRefusal::kNone : HelperRefusal::kTooLong;
}

HelperRefusal MakeHelperPaths(const char* profile, HelperPaths& out) {
    if (!IsFullPath(profile)) {
        return HelperRefusal::kNotFullPath;
    }
    if (HasBadCharacters(profile)) {
        return HelperRefusal::kBadCharacters;
    }
    const std::size_t length = std::strlen(profile);
    if (length + std::strlen(kLogName) + 1 > kHelperMaxPath) {
        return HelperRefusal::kTooLong;
    }
    const char* name = std::strrchr(profile, '\\') + 1;
    const std::size_t nameLength = length - static_cast<std::size_t>(name - profile);
    if (!EndsWithIni(name, nameLength)) {
        return HelperRefusal::kNotProfileName;
    }
    const std::size_t directoryLength = static_cast<std::size_t>(name - profile);
    if (IsRootDirectory(profile, directoryLength)) {
        return HelperRefusal::kDriveRoot;
    }
    CopyText(profile, name, out.directory, sizeof out.directory);
    CopyText(profile, profile + length, out.profile, sizeof out.profile);
    CopyText(profile, profile + length - 3, out.program, sizeof out.program);
    std::strcat(out.program, "exe");
    CopyText(profile, name, out.log, sizeof out.log);
    std::strcat(out.log, kLogName);
    return HelperRefusal::kNone;
}

bool ResolvedPathOfRecord(const char* record, char* out, std::size_t size) {
    const char* first = std::strchr(record, '|');
    const char* second = first != nullptr ? std::strchr(first + 1, '|') : nullptr;
    if (second == nullptr) {
        return false;
    }
    const char* begin = second + 1;
    const char* end = std::strchr(begin, '|');
    return CopyText(begin, end != nullptr ? end : begin + std::strlen(begin), out, size);
}

bool SameDirectoryText(const char* a, const char* b) {
    std::size_t lengthA = std::strlen(a);
    std::size_t lengthB = std::strlen(b);
    if (lengthA > 0 && a[lengthA - 1] == '\\') {
        --lengthA;
    }
    if (lengthB > 0 && b[lengthB - 1] == '\\') {
        --lengthB;
    }
    if (lengthA != lengthB || lengthA == 0) {
        return false;
    }
    for (std::size_t i = 0; i < lengthA; ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

namespace {

// Finds the line "[rename]" (any case, at a line start); after is then the offset just past
// it, its line break included.
bool FindRenameHeader(const char* text, std::size_t length, std::size_t& after) {
    constexpr char kHeader[] = "[RENAME]";
    constexpr std::size_t kHeaderLength = sizeof kHeader - 1;
    for (std::size_t line = 0; line < length;) {
        std::size_t end = line;
        while (end < length && text[end] != '\n') {
            ++end;
        }
        std::size_t i = 0;
        while (i < kHeaderLength && line + i < end && UpperAscii(text[line + i]) == kHeader[i]) {
            ++i;
        }
        if (i == kHeaderLength) {
            after = end < length ? end + 1 : end;
            return true;
        }
        line = end + 1;
    }
    return false;
}

// Appends part to out at position used; false when it does not fit (one byte stays free for
// the terminating zero).
bool Append(char* out, std::size_t size, std::size_t& used, const char* part, std::size_t length) {
    if (used + length + 1 > size) {
        return false;
    }
    std::memcpy(out + used, part, length);
    used += length;
    out[used] = '\0';
    return true;
}

} // namespace

std::size_t AddWininitDeletion(const char* text, std::size_t length, const char* path, char* out,
                               std::size_t size) {
    std::size_t used = 0;
    std::size_t after = 0;
    bool fits = true;
    if (FindRenameHeader(text, length, after)) {
        fits = Append(out, size, used, text, after);
    } else {
        fits = Append(out, size, used, text, length);
        if (length > 0 && text[length - 1] != '\n') {
            fits = fits && Append(out, size, used, "\r\n", 2);
        }
        fits = fits && Append(out, size, used, "[rename]", 8);
        after = length;
    }
    // The header may have been the last line, without a line break.
    if (used == 0 || out[used - 1] != '\n') {
        fits = fits && Append(out, size, used, "\r\n", 2);
    }
    fits = fits && Append(out, size, used, "NUL=", 4) &&
           Append(out, size, used, path, std::strlen(path)) && Append(out, size, used, "\r\n", 2) &&
           Append(out, size, used, text + after, length - after);
    return fits ? used : 0;
}
