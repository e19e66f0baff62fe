#include "support/ProfileDocument.h"

#include <cstdio>
#include <memory>
#include <string_view>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

#include "support/IniText.h"
#include "support/StringUtil.h"

namespace {

using std::string_view;

using initext::IsBlank;
using initext::kBlanks;

std::string LowerAscii(string_view s) {
    std::string lower(s);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

// What a line is, by the readers' rules: a "[name]" header (the name runs to the last ']'),
// an entry (name before the first '=', or the whole line without one), or blank.
enum class LineKind { Blank, Header, Entry };

LineKind Classify(string_view raw, string_view& name) {
    const string_view text = TrimBlanks(raw, kBlanks);
    if (text.empty()) {
        return LineKind::Blank;
    }
    if (text[0] == '[') {
        const std::size_t close = text.rfind(']');
        if (close != string_view::npos && close > 0) {
            name = TrimBlanks(text.substr(1, close - 1), kBlanks);
            return LineKind::Header;
        }
    }
    name = TrimBlanks(text.substr(0, text.find('=')), kBlanks);
    return LineKind::Entry;
}

// C stdio rather than file streams: the setup program links no iostreams.
struct CFileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using CStdioFile = std::unique_ptr<std::FILE, CFileCloser>;

bool ReadWholeFile(const std::string& file, std::string& text) {
    CStdioFile in(std::fopen(file.c_str(), "rb"));
    text.clear();
    if (!in) {
        return false;
    }
    char chunk[16384];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0) {
        text.append(chunk, got);
    }
    return std::ferror(in.get()) == 0;
}

bool MoveOver(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    // Windows 95 and 98 have MoveFileExA only as a stub; there the old file has to go
    // first, and for a moment only the new one exists, complete, under its sibling name.
    if (::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        return false;
    }
    ::DeleteFileA(to.c_str());
    return ::MoveFileA(from.c_str(), to.c_str()) != FALSE;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

// Writes text to a sibling of file and puts it in place of file; the old file stays whole
// when anything fails.
bool ReplaceWholeFile(const std::string& file, const std::string& text) {
    const std::string sibling = file + ".~new";
    {
        CStdioFile out(std::fopen(sibling.c_str(), "wb"));
        if (!out) {
            return false;
        }
        const bool written = std::fwrite(text.data(), 1, text.size(), out.get()) == text.size() &&
                             std::fflush(out.get()) == 0;
        if (std::fclose(out.release()) != 0 || !written) {
            std::remove(sibling.c_str());
            return false;
        }
    }
    if (!MoveOver(sibling, file)) {
        std::remove(sibling.c_str());
        return false;
    }
    return true;
}

} // namespace

CProfileDocument::CProfileDocument(std::string file) : m_file(std::move(file)) {
    Parse({});
}

void CProfileDocument::SetString(const std::string& section, const std::string& key,
                                 const std::string& value) {
    m_pending.push_back({OneLine(section), OneLine(key), OneLine(value)});
    if (m_loaded) {
        Apply(m_pending.back());
    }
}

bool CProfileDocument::Save() {
    if (m_pending.empty()) {
        return true;
    }
    std::string current;
    ReadWholeFile(m_file, current);
    if (!m_loaded || current != m_lastText) {
        Parse(current);
        for (const Write& write : m_pending) {
            Apply(write);
        }
        m_loaded = true;
    }
    std::string text = GetText();
    if (!ReplaceWholeFile(m_file, text)) {
        return false;
    }
    m_lastText = std::move(text);
    m_pending.clear();
    return true;
}

std::string CProfileDocument::GetText() const {
    std::string text;
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines) {
            text += line.text;
            text += line.end;
        }
    }
    return text;
}

void CProfileDocument::Parse(const std::string& text) {
    m_sections.clear();
    m_sections.emplace_back(); // the lines before the first "[name]"
    m_sectionIndex.clear();
    m_lineEnd = text.find('\n') != std::string::npos && text.find("\r\n") == std::string::npos
                    ? "\n"
                    : "\r\n";
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::size_t next = end;
        if (next < text.size()) {
            next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
        }
        Line line{text.substr(start, end - start), text.substr(end, next - end)};
        string_view name;
        const LineKind kind = Classify(line.text, name);
        if (kind == LineKind::Header) {
            const std::string lower = LowerAscii(name);
            m_sections.emplace_back();
            // A "[]" section is never the one written: an empty name means the lines
            // before the first section.
            if (!lower.empty()) {
                m_sectionIndex.emplace(lower, m_sections.size() - 1);
            }
        } else if (kind == LineKind::Entry) {
            m_sections.back().keys.emplace(LowerAscii(name), m_sections.back().lines.size());
        }
        m_sections.back().lines.push_back(std::move(line));
        start = next;
    }
}

void CProfileDocument::Apply(const Write& write) {
    const std::string sectionName = LowerAscii(TrimBlanks(write.section, kBlanks));
    const auto found = m_sectionIndex.find(sectionName);
    if (sectionName.empty() || found != m_sectionIndex.end()) {
        Section& section = m_sections[sectionName.empty() ? 0 : found->second];
        const auto key = section.keys.find(LowerAscii(TrimBlanks(write.key, kBlanks)));
        if (key == section.keys.end()) {
            AddKey(section, write.key, write.value);
            return;
        }
        Line& line = section.lines[key->second];
        string_view name;
        Classify(line.text, name);
        line.text = std::string(name) + "=" + write.value;
        return;
    }
    AddKey(AddSection(write.section), write.key, write.value);
}

CProfileDocument::Section& CProfileDocument::AddSection(const std::string& name) {
    // Only the lines before the first section can be none at all; a last line of the file
    // without a line end gets one.
    std::vector<Line>& last = m_sections.back().lines;
    if (!last.empty() && last.back().end.empty()) {
        last.back().end = m_lineEnd;
    }
    const string_view trimmed = TrimBlanks(name, kBlanks);
    Section section;
    section.lines.push_back({"[" + std::string(trimmed) + "]", m_lineEnd});
    m_sections.push_back(std::move(section));
    m_sectionIndex.emplace(LowerAscii(trimmed), m_sections.size() - 1);
    return m_sections.back();
}

// The new key goes after the last non-blank line of the section; only blank lines follow
// it, so the indices of the section's keys stay valid.
void CProfileDocument::AddKey(Section& section, const std::string& key, const std::string& value) {
    std::size_t at = section.lines.size();
    string_view name;
    while (at > 0 && Classify(section.lines[at - 1].text, name) == LineKind::Blank) {
        --at;
    }
    if (at > 0 && section.lines[at - 1].end.empty()) {
        section.lines[at - 1].end = m_lineEnd;
    }
    const string_view trimmed = TrimBlanks(key, kBlanks);
    section.lines.insert(section.lines.begin() + static_cast<std::ptrdiff_t>(at),
                         Line{std::string(trimmed) + "=" + value, m_lineEnd});
    section.keys.emplace(LowerAscii(trimmed), at);
}
