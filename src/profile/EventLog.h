// The install log's event lines: section "Events", one line per event that nobody sees at
// the time but a support person may want to read later (the results of self-registering and
// self-unregistering libraries, in installation and removal runs alike).
//
// A line is "key=message". The key is the local time of day "%H:%M:%S", a colon and four
// digits from the system tick count modulo 1000 ("14:03:59:0042"); the digits come from the
// tick count, not from the clock, so they only spread the events of one second over
// different keys. A key that is already in the section (two events in the same second with
// the same remainder, or a line of an earlier run at the same time of day) would replace
// that line, so the next free number is taken instead: upwards to 9999, then from 0000. The
// key keeps the form "HH:MM:SS:NNNN" either way. Only when all 10000 keys of that second are
// taken is the event not written.
//
// The clock is injectable (CEventClock) and the file is written through the INI classes'
// backend, so the key logic runs the same natively and on Windows.
#pragma once

#include <cstdint>
#include <string>

#include "support/FilePath.h"
#include "support/ProfileBackend.h"
#include "support/StringUtil.h"

// Where event keys take their time from.
class CEventClock {
public:
    virtual ~CEventClock() = default;
    // The local time of day formatted with "%H:%M:%S".
    virtual std::string TimeOfDay() const = 0;
    // Milliseconds since the system started (GetTickCount on Windows, the monotonic clock
    // elsewhere).
    virtual std::uint32_t TickCount() const = 0;
};

// The machine's clock.
const CEventClock& SystemEventClock();

// "%s:%04ld" formatted from the time text and number.
std::string FormatEventKey(const std::string& timeOfDay, long number);

class CEventLog {
public:
    static constexpr const char* kSection = "Events";
    // Highest number a key may carry ("NNNN").
    static constexpr long kMaxKeyNumber = 9999;

    // Events of the install log at log, written through the default INI backend.
    explicit CEventLog(const CFilePath& log);
    CEventLog(const CFilePath& log, CProfileBackend& backend, const CEventClock& clock);
    CEventLog(const CEventLog&) = delete;
    CEventLog& operator=(const CEventLog&) = delete;

    // Formats the message printf-style (at most kMaxFormattedLength characters; a longer one
    // is cut) and appends it as one line. Returns the length of the message. A failed write
    // is not reported: events never stop the setup.
    int LogEvent(const char* format, ...) SETUP_PRINTF_FORMAT(2, 3);

    // Appends message under a key that is not yet in the section, creating the file or the
    // section when needed. Line breaks in message become blanks, so one event stays one
    // line. Returns the key written, or "" when the write failed or every key of the current
    // second is taken.
    std::string AppendEvent(const std::string& message);

    const CFilePath& GetFile() const { return m_file; }

private:
    CFilePath m_file;
    CProfileBackend* m_backend;
    const CEventClock* m_clock;
};
