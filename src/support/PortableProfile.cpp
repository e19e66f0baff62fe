// The portable INI backend: reads and rewrites the file itself, following the rules listed in
// ProfileBackend.h. Every call parses the file once; nothing is cached between calls.
#include "support/ProfileBackend.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string Trim(const std::string& s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && IsBlank(s[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(s[end - 1])) {
        --end;
    }
    return s.substr(begin, end - begin);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    if (a.size() != length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// One line of the file as the reader sees it.
struct CIniLine {
    enum class Kind { Blank, Section, Entry };
    Kind kind = Kind::Blank;
    std::string name;      // section or key name
    std::string value;     // text after '=', blanks removed
    bool hasValue = false; // the entry line has a '='
};

CIniLine ParseLine(const std::string& raw) {
    CIniLine line;
    const std::string text = Trim(raw);
    if (text.empty()) {
        return line;
    }
    if (text[0] == '[') {
        const std::size_t close = text.rfind(']');
        if (close != std::string::npos && close > 0) {
            line.kind = CIniLine::Kind::Section;
            line.name = Trim(text.substr(1, close - 1));
            return line;
        }
    }
    line.kind = CIniLine::Kind::Entry;
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        line.name = text;
        return line;
    }
    line.name = Trim(text.substr(0, equals));
    line.value = Trim(text.substr(equals + 1));
    line.hasValue = true;
    return line;
}

// The file as raw lines (line ends removed) and their parsed form.
struct CIniFile {
    std::vector<std::string> raw;
    std::vector<CIniLine> lines;
    std::string lineEnd = "\r\n";

    void Add(const std::string& text) {
        raw.push_back(text);
        lines.push_back(ParseLine(text));
    }
};

CIniFile LoadIniFile(const char* file) {
    CIniFile ini;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return ini;
    }
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    if (content.find('\n') != std::string::npos && content.find("\r\n") == std::string::npos) {
        ini.lineEnd = "\n";
    }
    // A line ends at "\r\n", "\n" or a lone "\r", as the platform reads it.
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = content.size();
        }
        ini.Add(content.substr(start, end - start));
        start = end + 1;
        if (end < content.size() && content[end] == '\r' && start < content.size() &&
            content[start] == '\n') {
            ++start;
        }
    }
    return ini;
}

// Line range [begin, end) of the body of one section; header is the index of its "[name]"
// line, or npos for the lines before the first section.
struct CSectionRange {
    std::size_t header = std::string::npos;
    std::size_t begin = 0;
    std::size_t end = 0;
};

std::size_t NextHeader(const CIniFile& ini, std::size_t from) {
    for (std::size_t i = from; i < ini.lines.size(); ++i) {
        if (ini.lines[i].kind == CIniLine::Kind::Section) {
            return i;
        }
    }
    return ini.lines.size();
}

bool FindSection(const CIniFile& ini, const char* rawName, CSectionRange& range) {
    const std::string trimmed = Trim(rawName);
    const char* name = trimmed.c_str();
    if (*name == '\0') {
        range.begin = 0;
        range.end = NextHeader(ini, 0);
        return true;
    }
    for (std::size_t i = NextHeader(ini, 0); i < ini.lines.size(); i = NextHeader(ini, i + 1)) {
        if (EqualNoCase(ini.lines[i].name, name)) {
            range.header = i;
            range.begin = i + 1;
            range.end = NextHeader(ini, i + 1);
            return true;
        }
    }
    return false;
}

std::size_t FindKey(const CIniFile& ini, const CSectionRange& range, const char* rawKey) {
    const std::string trimmed = Trim(rawKey);
    const char* key = trimmed.c_str();
    for (std::size_t i = range.begin; i < range.end; ++i) {
        const CIniLine& line = ini.lines[i];
        if (line.kind == CIniLine::Kind::Entry && EqualNoCase(line.name, key)) {
            return i;
        }
    }
    return std::string::npos;
}

std::uint32_t CopyValue(const std::string& text, char* buffer, std::uint32_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<std::uint32_t>(n);
}

// A value enclosed in a pair of matching quotes loses them. The platform copies the value
// from after the opening quote, closing quote included, and drops the last character copied
// when that text is not longer than the buffer size; a quoted value that just fits thus
// loses one character more. Kept so both readers agree.
std::uint32_t CopyQuotedValue(const std::string& value, char* buffer, std::uint32_t size) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (!quoted) {
        return CopyValue(value, buffer, size);
    }
    const std::string inner = value.substr(1);
    std::uint32_t count = CopyValue(inner, buffer, size);
    if (size >= inner.size() && count > 0) {
        buffer[--count] = '\0';
    }
    return count;
}

// names: each name followed by a zero byte. Adds the final zero, or cuts to size - 2 and
// ends the buffer with two zeros. As on the platform, a list counts as fitting only with one
// byte to spare after its final zero.
std::uint32_t CopyList(const std::string& names, char* buffer, std::uint32_t size) {
    if (size == 0) {
        return 0;
    }
    if (names.size() + 2 <= size) {
        std::memcpy(buffer, names.data(), names.size());
        buffer[names.size()] = '\0';
        buffer[names.size() + 1] = '\0';
        return static_cast<std::uint32_t>(names.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, names.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

std::string KeyNames(const CIniFile& ini, const CSectionRange& range) {
    std::string names;
    for (std::size_t i = range.begin; i < range.end; ++i) {
        const CIniLine& line = ini.lines[i];
        if (line.kind != CIniLine::Kind::Entry || !line.hasValue) {
            continue;
        }
        if (line.name.empty()) {
            break; // the platform's list ends at an "=value" line
        }
        if (line.name[0] != ';') {
            names += line.name;
            names += '\0';
        }
    }
    return names;
}

std::string SectionNames(const CIniFile& ini) {
    std::string names;
    for (const CIniLine& line : ini.lines) {
        if (line.kind == CIniLine::Kind::Section && !line.name.empty()) {
            names += line.name;
            names += '\0';
        }
    }
    return names;
}

// The default loses its trailing blanks, as the platform does it.
std::string TrimDefault(const char* defaultValue) {
    std::string text = defaultValue != nullptr ? defaultValue : "";
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

bool ReplaceFile(const std::string& from, const char* to) {
#ifdef _WIN32
    return ::MoveFileExA(from.c_str(), to, MOVEFILE_REPLACE_EXISTING) != FALSE;
#else
    return std::rename(from.c_str(), to) == 0;
#endif
}

// Writes the lines to a sibling file and puts it in place of file; the old file stays whole
// when anything fails.
bool SaveIniFile(const CIniFile& ini, const char* file) {
    const std::string temp = std::string(file) + ".~new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        for (const std::string& text : ini.raw) {
            out << text << ini.lineEnd;
        }
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.c_str());
            return false;
        }
    }
    if (!ReplaceFile(temp, file)) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

void EraseLines(CIniFile& ini, std::size_t begin, std::size_t end) {
    ini.raw.erase(ini.raw.begin() + static_cast<std::ptrdiff_t>(begin),
                  ini.raw.begin() + static_cast<std::ptrdiff_t>(end));
    ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(begin),
                    ini.lines.begin() + static_cast<std::ptrdiff_t>(end));
}

void InsertLine(CIniFile& ini, std::size_t at, const std::string& text) {
    ini.raw.insert(ini.raw.begin() + static_cast<std::ptrdiff_t>(at), text);
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at), ParseLine(text));
}

// Position after the last non-blank line of the section body.
std::size_t EndOfContent(const CIniFile& ini, const CSectionRange& range) {
    std::size_t end = range.end;
    while (end > range.begin && ini.lines[end - 1].kind == CIniLine::Kind::Blank) {
        --end;
    }
    return end;
}

// Sets, adds or (value == nullptr) deletes one key of an existing section. False when
// nothing changed.
bool SetKey(CIniFile& ini, const CSectionRange& range, const char* key, const char* value) {
    const std::size_t at = FindKey(ini, range, key);
    if (value == nullptr) {
        if (at == std::string::npos) {
            return false;
        }
        EraseLines(ini, at, at + 1);
        return true;
    }
    if (at != std::string::npos) {
        const std::string text = ini.lines[at].name + "=" + value;
        ini.raw[at] = text;
        ini.lines[at] = ParseLine(text);
        return true;
    }
    InsertLine(ini, EndOfContent(ini, range), Trim(key) + "=" + value);
    return true;
}

class CPortableProfileBackend final : public CProfileBackend {
public:
    std::uint32_t GetString(const char* section, const char* key, const char* defaultValue,
                            char* buffer, std::uint32_t size, const char* file) override {
        if (buffer == nullptr || file == nullptr) {
            return 0;
        }
        const CIniFile ini = LoadIniFile(file);
        if (section == nullptr) {
            return CopyList(SectionNames(ini), buffer, size);
        }
        CSectionRange range;
        const bool found = FindSection(ini, section, range);
        if (key == nullptr) {
            return CopyList(found ? KeyNames(ini, range) : std::string(), buffer, size);
        }
        const std::size_t at = found ? FindKey(ini, range, key) : std::string::npos;
        if (at == std::string::npos || !ini.lines[at].hasValue) {
            return CopyValue(TrimDefault(defaultValue), buffer, size);
        }
        return CopyQuotedValue(ini.lines[at].value, buffer, size);
    }

    bool WriteString(const char* section, const char* key, const char* value,
                     const char* file) override {
        if (section == nullptr || file == nullptr) {
            return false;
        }
        CIniFile ini = LoadIniFile(file);
        CSectionRange range;
        if (!FindSection(ini, section, range)) {
            if (key == nullptr || value == nullptr) {
                return true; // nothing to delete
            }
            ini.Add("[" + Trim(section) + "]");
            ini.Add(Trim(key) + "=" + value);
            return SaveIniFile(ini, file);
        }
        if (key == nullptr) {
            EraseLines(ini, range.header == std::string::npos ? range.begin : range.header,
                       range.end);
            return SaveIniFile(ini, file);
        }
        if (!SetKey(ini, range, key, value)) {
            return true;
        }
        return SaveIniFile(ini, file);
    }
};

} // namespace

CProfileBackend& PortableProfileBackend() {
    static CPortableProfileBackend backend;
    return backend;
}
