// The portable INI backend: reads and rewrites the file itself, following the rules listed in
// ProfileBackend.h. Every call reads the file once; a read reuses the previous call's parse
// when the text is unchanged (the parsed lines are views into the text). Writing splices
// the one changed line into the text, so every other byte of the file stays as it was.
#include "support/ProfileBackend.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "support/IniText.h"
#include "support/StringUtil.h"

namespace {

using std::string_view;

using initext::IsBlank;
using initext::kBlanks;

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(string_view a, string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// One line of the file as the reader sees it; the views point into CIniFile::content.
struct CIniLine {
    enum class Kind { Blank, Section, Entry };
    Kind kind = Kind::Blank;
    string_view name;      // section or key name
    string_view value;     // text after '=', blanks removed
    bool hasValue = false; // the entry line has a '='
    std::size_t begin = 0; // offset of the line's first character
    std::size_t end = 0;   // offset of its line end
    std::size_t next = 0;  // offset of the next line
};

void ParseLine(string_view raw, CIniLine& line) {
    const string_view text = TrimBlanks(raw, kBlanks);
    if (text.empty()) {
        return;
    }
    if (text[0] == '[') {
        const std::size_t close = text.rfind(']');
        if (close != string_view::npos && close > 0) {
            line.kind = CIniLine::Kind::Section;
            line.name = TrimBlanks(text.substr(1, close - 1), kBlanks);
            return;
        }
    }
    line.kind = CIniLine::Kind::Entry;
    const std::size_t equals = text.find('=');
    if (equals == string_view::npos) {
        line.name = text;
        return;
    }
    line.name = TrimBlanks(text.substr(0, equals), kBlanks);
    line.value = TrimBlanks(text.substr(equals + 1), kBlanks);
    line.hasValue = true;
}

// The whole file and its lines. A line ends at "\r\n", "\n" or a lone "\r", as the
// platform reads it.
struct CIniFile {
    std::string content;
    std::vector<CIniLine> lines;
    std::string lineEnd = "\r\n"; // for lines the writer adds: the file's own style

    void Parse() {
        lines.clear();
        lineEnd = "\r\n";
        const string_view all(content);
        std::size_t start = 0;
        while (start < all.size()) {
            std::size_t end = all.find_first_of("\r\n", start);
            if (end == string_view::npos) {
                end = all.size();
            }
            CIniLine line;
            line.begin = start;
            line.end = end;
            line.next = end + 1;
            if (end < all.size() && all[end] == '\r' && end + 1 < all.size() &&
                all[end + 1] == '\n') {
                ++line.next;
            }
            line.next = std::min(line.next, all.size());
            ParseLine(all.substr(start, end - start), line);
            lines.push_back(line);
            start = line.next;
        }
        if (content.find('\n') != std::string::npos && content.find("\r\n") == std::string::npos) {
            lineEnd = "\n";
        }
    }
};

// The whole file in content; false when it cannot be opened.
bool ReadWholeFile(const char* file, std::string& content) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    content.clear();
    char chunk[16384];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        content.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    return true;
}

bool LoadIniFile(const char* file, CIniFile& ini) {
    if (!ReadWholeFile(file, ini.content)) {
        ini.content.clear();
        ini.Parse();
        return false;
    }
    ini.Parse();
    return true;
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
    const string_view name = TrimBlanks(rawName, kBlanks);
    if (name.empty()) {
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
    const string_view key = TrimBlanks(rawKey, kBlanks);
    for (std::size_t i = range.begin; i < range.end; ++i) {
        const CIniLine& line = ini.lines[i];
        if (line.kind == CIniLine::Kind::Entry && EqualNoCase(line.name, key)) {
            return i;
        }
    }
    return std::string::npos;
}

std::uint32_t CopyValue(string_view text, char* buffer, std::uint32_t size) {
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
std::uint32_t CopyQuotedValue(string_view value, char* buffer, std::uint32_t size) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (!quoted) {
        return CopyValue(value, buffer, size);
    }
    const string_view inner = value.substr(1);
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

// Writes content to a sibling file and puts it in place of file; the old file stays whole
// when anything fails.
bool SaveIniFile(const std::string& content, const char* file) {
    const std::string temp = std::string(file) + ".~new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
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

// Offset just after the last non-blank line of the section body (after its line end), or
// after the header when the body is empty. A last line without line end gets one first.
std::size_t InsertionPoint(CIniFile& ini, const CSectionRange& range) {
    std::size_t last = range.end;
    while (last > range.begin && ini.lines[last - 1].kind == CIniLine::Kind::Blank) {
        --last;
    }
    if (last == 0) {
        return 0;
    }
    const CIniLine& line = ini.lines[last - 1];
    if (line.next == line.end) {
        ini.content.insert(line.end, ini.lineEnd);
        return line.end + ini.lineEnd.size();
    }
    return line.next;
}

// Sets, adds or (value == nullptr) deletes one key of an existing section; every other byte
// of the file stays. False when nothing changed.
bool SetKey(CIniFile& ini, const CSectionRange& range, const char* key, const char* value) {
    const std::size_t at = FindKey(ini, range, key);
    if (value == nullptr) {
        if (at == std::string::npos) {
            return false;
        }
        ini.content.erase(ini.lines[at].begin, ini.lines[at].next - ini.lines[at].begin);
        return true;
    }
    if (at != std::string::npos) {
        const CIniLine& line = ini.lines[at];
        const std::string text = std::string(line.name) + "=" + value;
        ini.content.replace(line.begin, line.end - line.begin, text);
        return true;
    }
    const std::string text = std::string(TrimBlanks(key, kBlanks)) + "=" + value + ini.lineEnd;
    ini.content.insert(InsertionPoint(ini, range), text);
    return true;
}

void AppendSection(CIniFile& ini, const char* section, const char* key, const char* value) {
    if (!ini.content.empty() && ini.content.back() != '\n' && ini.content.back() != '\r') {
        ini.content += ini.lineEnd;
    }
    ini.content += "[" + std::string(TrimBlanks(section, kBlanks)) + "]" + ini.lineEnd;
    ini.content += std::string(TrimBlanks(key, kBlanks)) + "=" + value + ini.lineEnd;
}

void EraseSection(CIniFile& ini, const CSectionRange& range) {
    const std::size_t first = range.header != std::string::npos ? range.header : range.begin;
    const std::size_t begin = first < ini.lines.size() ? ini.lines[first].begin : 0;
    const std::size_t end =
        range.end < ini.lines.size() ? ini.lines[range.end].begin : ini.content.size();
    ini.content.erase(begin, end - begin);
}

#ifdef _WIN32
// The release compilers' win32 threads model has no std::mutex; a critical section exists
// on every Windows.
class CCacheLock {
public:
    CCacheLock() noexcept { ::InitializeCriticalSection(&m_section); }
    ~CCacheLock() { ::DeleteCriticalSection(&m_section); }
    CCacheLock(const CCacheLock&) = delete;
    CCacheLock& operator=(const CCacheLock&) = delete;
    void lock() noexcept { ::EnterCriticalSection(&m_section); }
    void unlock() noexcept { ::LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};
#else
using CCacheLock = std::mutex;
#endif

class CPortableProfileBackend final : public CProfileBackend {
public:
    std::uint32_t GetString(const char* section, const char* key, const char* defaultValue,
                            char* buffer, std::uint32_t size, const char* file) override {
        if (buffer == nullptr || file == nullptr) {
            return 0;
        }
        const std::lock_guard<CCacheLock> lock(m_mutex);
        const CIniFile& ini = Load(file);
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
        const std::lock_guard<CCacheLock> lock(m_mutex);
        CIniFile ini;
        LoadIniFile(file, ini);
        CSectionRange range;
        if (!FindSection(ini, section, range)) {
            if (key == nullptr || value == nullptr) {
                return true; // nothing to delete
            }
            AppendSection(ini, section, key, value);
        } else if (key == nullptr) {
            EraseSection(ini, range);
        } else if (!SetKey(ini, range, key, value)) {
            return true;
        }
        return SaveIniFile(ini.content, file);
    }

private:
    // The file parsed, reusing the parse of the previous call when the file's text has not
    // changed: reading every key of a long section then costs one read and compare of the
    // file per key instead of one parse. The text is compared whole, so a change by anyone
    // is always seen.
    const CIniFile& Load(const char* file) {
        std::string content;
        if (!ReadWholeFile(file, content)) {
            content.clear();
        }
        if (content != m_last.content || m_last.lines.empty()) {
            m_last.content = std::move(content);
            m_last.Parse(); // the lines point into m_last.content, which stays put from here
        }
        return m_last;
    }

    CCacheLock m_mutex;
    CIniFile m_last;
};

} // namespace

CProfileBackend& PortableProfileBackend() {
    static CPortableProfileBackend backend;
    return backend;
}
