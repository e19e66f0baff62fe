// An INI file held in memory for a long series of writes, saved as a whole when the caller
// asks. Writing one key through the platform's private-profile functions rewrites the whole
// file, so thousands of keys written one by one cost time that grows with the square of
// their number; here a write is a lookup in memory and a save writes the file once.
//
// The writes follow the rules of the portable backend (ProfileBackend.h): the one line of
// the key is changed, a new key goes after the last non-blank line of its section, a new
// section goes at the end, every other line of the file stays byte for byte, and the first
// of duplicate sections or keys is the one written. So what the document saves reads back
// through either backend as if each write had been made there.
//
// Save never leaves a half-written file: it writes a sibling file and renames it over the
// old one. Before it writes, it reads the file again: when someone else has changed it since
// the last load or save (another writer of the same log), the document is built afresh from
// that text and the writes made since the last save are applied on top, so nothing written
// by either side is lost.
#pragma once

#include <cstddef>
#include <string>
#include <map>
#include <vector>

class CProfileDocument {
public:
    // The document of file; the file is first read by Save.
    explicit CProfileDocument(std::string file);
    CProfileDocument(const CProfileDocument&) = delete;
    CProfileDocument& operator=(const CProfileDocument&) = delete;

    const std::string& GetFile() const { return m_file; }

    // Sets key=value in section in memory, adding the section or the key when needed.
    // Line breaks in key or value become blanks, so one write stays one line.
    void SetString(const std::string& section, const std::string& key, const std::string& value);

    // Writes made since the last successful save.
    std::size_t PendingWrites() const { return m_pending.size(); }

    // Writes the document to the file (see above). True on success (nothing pending is also
    // success); on failure the file is unchanged and the writes stay pending.
    bool Save();

    // The text the document would save now.
    std::string GetText() const;

private:
    struct Write {
        std::string section;
        std::string key;
        std::string value;
    };
    struct Line {
        std::string text; // without its line end
        std::string end;  // "\r\n", "\n", "\r", or "" for a last line without one
    };
    struct Section {
        std::vector<Line> lines; // the "[name]" line first, when there is one
        // Lower-cased key name -> index of its first line in lines.
        std::map<std::string, std::size_t> keys;
    };

    void Parse(const std::string& text);
    void Apply(const Write& write);
    Section& AddSection(const std::string& name);
    void AddKey(Section& section, const std::string& key, const std::string& value);

    std::string m_file;
    std::string m_lineEnd = "\r\n";  // for added lines: the file's own style
    std::vector<Section> m_sections; // [0]: the lines before the first "[name]"
    // Lower-cased section name -> index of its first occurrence in m_sections.
    std::map<std::string, std::size_t> m_sectionIndex;
    std::string m_lastText; // the file's text as last read or saved
    bool m_loaded = false;
    std::vector<Write> m_pending;
};
