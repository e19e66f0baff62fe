#include "engine/DisketteLocator.h"

#include "support/StringUtil.h"

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "%02d" of number.
std::string TwoDigits(std::int32_t number) {
    std::string text;
    FormatString(text, "%02d", static_cast<int>(number));
    return text;
}

} // namespace

std::string NumberedDisketteDirectory(const std::string& directory, std::int32_t number) {
    std::string path = directory;
    std::string separator;
    if (path.size() > 1 && IsSeparator(path.back())) {
        separator = path.substr(path.size() - 1);
        path.pop_back();
    }
    const std::size_t driveLength = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    // Only two decimal digits count as a diskette number: DISK1 ends in "K1", and a name
    // ending in "1X" or "-1" is not numbered either.
    if (path.size() - driveLength <= 2) {
        return std::string();
    }
    const char tens = path[path.size() - 2];
    const char ones = path[path.size() - 1];
    if (!IsDigit(tens) || !IsDigit(ones) || (tens == '0' && ones == '0')) {
        return std::string();
    }
    path.replace(path.size() - 2, 2, TwoDigits(number));
    return path + (separator.empty() ? "\\" : separator);
}

bool CDisketteLocator::Locate(const std::string& fileName, std::int32_t number) {
    CFilePath candidate = m_sourceDirectory;
    candidate.SetFileName(fileName);
    if (candidate.Exists()) {
        return true;
    }
    const std::string numbered = NumberedDisketteDirectory(m_sourceDirectory.GetText(), number);
    if (!numbered.empty()) {
        CFilePath moved = numbered;
        moved.SetFileName(fileName);
        if (moved.Exists()) {
            m_sourceDirectory = numbered;
            return true;
        }
    }
    // The prompt waits for the file where it was looked for first, in the source directory.
    return m_prompt.AskForDiskette(candidate, number);
}

std::string InsertDisketteText(const std::string* label, std::int32_t number,
                               const std::string& drive) {
    // Put together piece by piece: a label is profile text and may hold '%'.
    if (label != nullptr && !label->empty()) {
        return "Please insert the diskette labelled '" + *label + "' in drive " + drive + ":";
    }
    return "Please insert diskette " + std::to_string(number) + " in drive " + drive + ":";
}
