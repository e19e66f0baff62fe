// The two INI-file backends behind the profile entries.
//
// CProfileBackend has the shape of the platform's private-profile functions, buffer rules
// included, so the entries above it behave alike on every backend:
//   GetString(section, key, default, buffer, size, file)
//     key given: copies the value of key in section, or default when there is none, cut to
//       size - 1 characters; returns the number of characters copied.
//     key == nullptr: the key names of section in file order, each ended by a zero byte, the
//       list ended by one more; a list that does not fit is cut and the result is size - 2.
//     section == nullptr: the same for the section names of the file.
//   WriteString(section, key, value, file)
//     sets key=value in section, creating file and section when needed; value == nullptr
//     deletes the key, key == nullptr deletes the section. True on success.
//
// The platform backend (Windows only) calls GetPrivateProfileStringA and
// WritePrivateProfileStringA; a file name without a directory then lies in the Windows
// directory. The portable backend reads and writes the file itself and takes such a name
// relative to the current directory. Its rules, shared with the platform:
//   - "[name]" starts a section; blanks around the line are ignored, the name runs to the
//     last ']' of the line. Blanks around section and key names are removed, in the file
//     and in the names asked for.
//     Section and key names match regardless of ASCII letter case. Section lists leave out
//     sections with an empty name.
//   - Lines end at "\r\n", "\n" or a lone "\r".
//   - "key=value": blanks around key and value are removed; a value enclosed in a pair of
//     matching single or double quotes loses them. The first of duplicate keys or sections
//     counts. A line without '=' has no value: reading it gives the default.
//   - Key lists skip blank lines, lines starting with ';' and lines without '='; a line with
//     an empty key name ("=value") ends the list.
//   - A key list counts as fitting only with one byte to spare after its final zero.
//   - Lines before the first section belong to a section with an empty name.
//   - Writing changes the one line of the key (or adds it after the last line of its
//     section, or adds the section at the end); every other line of the file stays as it
//     was. The new file replaces the old one only once it is written completely.
#pragma once

#include <cstdint>
#include <string>

class CProfileBackend {
public:
    virtual ~CProfileBackend() = default;
    virtual std::uint32_t GetString(const char* section, const char* key, const char* defaultValue,
                                    char* buffer, std::uint32_t size, const char* file) = 0;
    virtual bool WriteString(const char* section, const char* key, const char* value,
                             const char* file) = 0;
};

// The portable backend (every build).
CProfileBackend& PortableProfileBackend();
#ifdef _WIN32
// The platform's private-profile functions.
CProfileBackend& PlatformProfileBackend();
#endif
// The platform backend on Windows, the portable one elsewhere.
CProfileBackend& DefaultProfileBackend();

// Convenience for callers that write whole records: one value through the default backend.
bool WriteProfileValue(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value);
