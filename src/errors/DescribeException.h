// Texts for any exception, for the command-line tools and for logs: the same class name,
// cause and texts that the error dialog would show, plus the file name a platform file
// exception carries.
#pragma once

#include "errors/XException.h"

#include <string>

struct ExceptionDescription {
    std::string className; // run-time class name of the family member, e.g. "CXFileException"
    int cause = 0;
    ErrorMessage message;
    std::string fileName;     // the file of a CFileException, else empty
    std::int32_t osError = 0; // the system error of a CFileException, else 0
};

ExceptionDescription DescribeException(const CException& e);

// Call only inside a catch block: describes the exception in flight, whatever its type
// (std::bad_alloc as a memory error, other foreign exceptions as CXException cause 1).
ExceptionDescription DescribeCurrentException();

// One line: "<file name>: <short text>", or the short text alone when there is no file.
std::string FormatExceptionLine(const ExceptionDescription& description);

// A report as one line, for the event log of a run that nobody watches: the message the
// error dialog would head with (a ": " added unless it ends with ':'), the exception's line
// and its error code, e.g.
// "Cannot install files from 'BAD.MFA': CRC error. (17.4 (CMultiFileException))".
std::string FormatReportLine(int messageId, const std::string& message,
                             const ExceptionDescription& description);
