#include "ToolSupport.h"

#include "errors/Exceptions.h"

#include <cstdlib>
#include <ostream>

bool CArgumentReader::Next() {
    if (AtEnd())
        return false;
    m_current = m_next++;
    if (!m_optionsEnded && m_args[m_current] == "--") {
        m_optionsEnded = true;
        return Next();
    }
    return true;
}

bool CArgumentReader::IsOption() const {
    const std::string& a = Current();
    return !m_optionsEnded && a.size() > 1 && a[0] == '-';
}

bool CArgumentReader::TakeValue(const std::string& name, std::string& value) {
    if (!IsOption())
        return false;
    const std::string& a = Current();
    if (a == name) {
        if (AtEnd())
            throw UsageError{name + " needs a value"};
        value = m_args[m_next++];
        return true;
    }
    if (a.size() > name.size() + 1 && a.compare(0, name.size(), name) == 0 &&
        a[name.size()] == '=') {
        value = a.substr(name.size() + 1);
        return true;
    }
    return false;
}

void CArgumentReader::UnknownOption(const std::string& command) const {
    throw UsageError{"unknown option '" + Current() + "' for " + command +
                     " (put -- before a name that starts with '-')"};
}

void ProgressLine::Show(const std::string& verb, const std::string& name, std::uint64_t done,
                        std::uint64_t total) {
    if (!m_io.progress)
        return;
    int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent > 100)
        percent = 100;
    std::string text = verb + " " + name + " " + std::to_string(percent) + "%";
    if (text == m_last)
        return;
    Clear();
    m_io.err << text << std::flush;
    m_last = text;
}

void ProgressLine::Clear() {
    if (m_last.empty())
        return;
    m_io.err << '\r' << std::string(m_last.size(), ' ') << '\r' << std::flush;
    m_last.clear();
}

namespace {

bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

} // namespace

// Paths stay byte strings in the ANSI code page throughout, as the C runtime's file
// functions take them.
std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty())
        return name;
    if (IsPathSeparator(dir.back()))
        return dir + name;
#ifdef _WIN32
    return dir + "\\" + name;
#else
    return dir + "/" + name;
#endif
}

std::string DirectoryPart(const std::string& path) {
    std::size_t end = path.size();
    while (end > 0 && !IsPathSeparator(path[end - 1]))
        --end;
    return path.substr(0, end);
}

std::int16_t ParseDestinationId(const std::string& text) {
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < -32768 || value > 32767)
        throw UsageError{"'" + text + "' is not a destination id (-32768 to 32767)"};
    return static_cast<std::int16_t>(value);
}

int ReportCurrentFailure(ArchiveToolIo& io, const std::string& subject, const std::string& detail) {
    ExceptionDescription d = DescribeCurrentException();
    std::string line = "mfarc: ";
    if (!d.fileName.empty())
        line += d.fileName + ": ";
    else if (!subject.empty())
        line += subject + ": ";
    if (!detail.empty())
        line += detail + ": ";
    io.err << line << d.message.shortText << "\n";
    return kExitFailure;
}
