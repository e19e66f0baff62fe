#include "profile/EventLog.h"

#include <cstdarg>
#include <ctime>
#include <set>

#include "support/Profile.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

class CSystemEventClock final : public CEventClock {
public:
    std::string TimeOfDay() const override {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
#ifdef _WIN32
        localtime_s(&local, &now);
#else
        localtime_r(&now, &local);
#endif
        char text[16] = {};
        std::strftime(text, sizeof text, "%H:%M:%S", &local);
        return text;
    }

    std::uint32_t TickCount() const override {
#ifdef _WIN32
        return ::GetTickCount();
#else
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                          static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
#endif
    }
};

// The key names of the section, as the backend lists them.
std::set<std::string> KeysOfSection(const CFilePath& file, const char* section,
                                    CProfileBackend& backend) {
    std::set<std::string> keys;
    CProfileSection list(section);
    list.SetFile(file);
    list.SetBackend(backend);
    CProfileString entry;
    if (list.First(entry)) {
        do {
            keys.insert(entry.GetKey());
        } while (list.Next(entry));
    }
    return keys;
}

} // namespace

const CEventClock& SystemEventClock() {
    static const CSystemEventClock clock;
    return clock;
}

std::string FormatEventKey(const std::string& timeOfDay, long number) {
    std::string key;
    FormatString(key, "%s:%04ld", timeOfDay.c_str(), number);
    return key;
}

CEventLog::CEventLog(const CFilePath& log)
    : CEventLog(log, DefaultProfileBackend(), SystemEventClock()) {}

CEventLog::CEventLog(const CFilePath& log, CProfileBackend& backend, const CEventClock& clock)
    : m_file(log), m_backend(&backend), m_clock(&clock) {}

int CEventLog::LogEvent(const char* format, ...) {
    std::string message;
    va_list args;
    va_start(args, format);
    const int length = FormatStringV(message, format, args);
    va_end(args);
    AppendEvent(message);
    return length;
}

std::string CEventLog::AppendEvent(const std::string& message) {
    const std::string timeOfDay = m_clock->TimeOfDay();
    long number = static_cast<long>(m_clock->TickCount() % 1000u);

    const std::set<std::string> taken = KeysOfSection(m_file, kSection, *m_backend);
    std::string key = FormatEventKey(timeOfDay, number);
    for (long tried = 1; taken.count(key) != 0; ++tried) {
        if (tried > kMaxKeyNumber) {
            return std::string();
        }
        number = number == kMaxKeyNumber ? 0 : number + 1;
        key = FormatEventKey(timeOfDay, number);
    }

    std::string line = message;
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    if (!m_backend->WriteString(kSection, key.c_str(), line.c_str(), m_file.c_str())) {
        return std::string();
    }
    return key;
}
