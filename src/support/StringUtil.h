// String helpers: trimming blanks, single characters and backslashes, splitting '|'-separated
// record values into fields, bounded printf-style formatting and the pseudo-random hex names.
//
// Strings are byte strings in the ANSI code page. Searches for a separator character skip the
// second byte of a double-byte character (IsLeadByte); the add/remove helpers compare single
// bytes. Nothing here throws except std::bad_alloc.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#if defined(__GNUC__) && !defined(_WIN32)
#define SETUP_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define SETUP_PRINTF_FORMAT(fmt, args)
#endif

// True when byte c starts a double-byte character in the active code page. On Windows this
// asks the platform; elsewhere every character is one byte.
bool IsLeadByte(unsigned char c);

using LeadBytePredicate = bool (*)(unsigned char);

// Position of the first ch in s at or after start, skipping trail bytes; npos if none.
// start must be a character boundary. isLead decides lead bytes (tests pass their own).
std::size_t FindChar(const std::string& s, char ch, std::size_t start = 0,
                     LeadBytePredicate isLead = IsLeadByte);
// Position of the last character of s that is one of set, skipping trail bytes; npos if none.
std::size_t FindLastOf(const std::string& s, const char* set,
                       LeadBytePredicate isLead = IsLeadByte);
// Position of the last ch in s, skipping trail bytes; npos if none.
std::size_t FindLastChar(const std::string& s, char ch);

// The blanks that TrimBlanks takes off unless told otherwise.
constexpr const char* kSpaceAndTab = " \t";
// s without its leading and trailing bytes that are in blanks. The result views s: it lives
// only as long as the text s refers to.
std::string_view TrimBlanks(std::string_view s, const char* blanks = kSpaceAndTab);

// s keeps its first n characters (all of them when it is shorter).
void TruncateString(std::string& s, std::size_t n);
// If s is not empty and begins with ch, the first character goes.
void RemoveLeadingChar(std::string& s, char ch);
// If s is not empty and ends with ch, the last character goes.
void RemoveTrailingChar(std::string& s, char ch);
// If s is longer than one character and begins with '\', that character goes.
void RemoveLeadingBackslash(std::string& s);
// If s is longer than one character and ends with '\', that character goes; "\" stays.
void RemoveTrailingBackslash(std::string& s);
// Unless s ends with '\', a '\' is appended ("" becomes "\").
void AddTrailingBackslash(std::string& s);
// Unless s begins with '\', a '\' is put in front ("" becomes "\").
void AddLeadingBackslash(std::string& s);

// Field index (counted from 0) of a separator-delimited record value.
// text == nullptr: returns false and leaves out untouched. Fewer than index separators:
// out is emptied and the result is false. Otherwise out = the field (possibly empty), true.
bool ExtractField(std::string& out, const char* text, int index, char separator = '|');
bool ExtractField(std::string& out, const std::string& text, int index, char separator = '|');

// Typed forms: the field converted with ParseLong. A missing field leaves out unchanged and
// returns false, so callers preset their defaults; an empty field converts to 0.
bool ExtractShortField(std::int16_t& out, const std::string& text, int index, char separator = '|');
bool ExtractLongField(std::int32_t& out, const std::string& text, int index, char separator = '|');
// out = converted value != 0.
bool ExtractBoolField(bool& out, const std::string& text, int index, char separator = '|');

// Decimal conversion of record fields: leading white space skipped, an optional '+' or '-',
// then digits up to the first other character; no digits give 0. There is no overflow check:
// the value wraps modulo 2^32.
std::int32_t ParseLong(const std::string& text);
// The low 16 bits of ParseLong, as a signed number.
std::int16_t ParseShort(const std::string& text);

// printf-style formatting into a 512-byte buffer: the result keeps at most
// kMaxFormattedLength characters (longer results are cut there). Returns out's length.
constexpr std::size_t kMaxFormattedLength = 511;
int FormatString(std::string& out, const char* format, ...) SETUP_PRINTF_FORMAT(2, 3);
// The same with the arguments as a va_list, for other printf-style functions.
int FormatStringV(std::string& out, const char* format, va_list args);
// printf-style formatting that keeps at most maxLength characters.
std::string FormatCutV(std::size_t maxLength, const char* format, va_list args);
// printf-style formatting of any length (up to a megabyte).
std::string FormatWholeV(const char* format, va_list args);

// The generator behind the random file names: state = state * 214013 + 2531011 (mod 2^32),
// value = (state >> 16) & 0x7FFF. One instance per use; the process-wide one behind
// RandomHexString starts at 1 and is never reseeded, so each run draws the same names.
class CHexNameGenerator {
public:
    explicit CHexNameGenerator(std::uint32_t seed = 1) : m_state(seed) {}
    int NextValue();
    // Five values v1..v5 printed as "%.4x" in the order v5 v4 v3 v2 v1, cut to n (0..20).
    std::string NextString(int n);

private:
    std::uint32_t m_state;
};

// n lower-case hex digits (n is clamped to 0..20) from the process-wide generator.
std::string RandomHexString(int n);

#ifdef _WIN32
// The platform's short (8.3) form of an existing path, or "" when it cannot give one.
std::string GetShortPath(const std::string& path);
#endif
