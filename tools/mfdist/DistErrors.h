// The failures of the distribution builder, each with the exit code that mfdist returns
// for it. Library code throws CDistError; the command-line front end reports its message
// and returns its code.
#pragma once

#include <stdexcept>
#include <string>

enum DistExitCode : int {
    kDistOk = 0,
    kDistUsage = 1,                // bad command line, output directory not empty
    kDistDescription = 2,          // unreadable description, syntax, unknown section or key
    kDistMissingSource = 3,        // a named source file (or the setup program) is missing
    kDistNoMatch = 4,              // a wildcard matches no file
    kDistUndefinedDestination = 5, // a destination id that is neither defined nor predefined
    kDistNoFiles = 6,              // a component without files
    kDistBadName = 7,              // a name that cannot be stored or collides
    kDistTooBig = 8,               // the set does not fit the diskettes
    kDistIo = 9,                   // reading a source or writing the output failed
    kDistCheckFailed = 10,         // --check found the distribution incomplete or damaged
};

class CDistError : public std::runtime_error {
public:
    CDistError(int code, const std::string& message) : std::runtime_error(message), m_code(code) {}
    int Code() const { return m_code; }

private:
    int m_code;
};
