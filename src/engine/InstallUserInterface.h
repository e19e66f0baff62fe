// What an installation run on Windows shows the user, as the engine sees it. The engine
// declares it and the program's windows implement it (the copy page: the error dialog, or the
// unattended log), so the engine itself includes no window code.
#pragma once

#include <string>

class CException;

class CInstallUserInterface {
public:
    virtual ~CInstallUserInterface() = default;
    // Reports that installing from archiveName failed with error ("Cannot install files from
    // '%s':", Continue Operation / Cancel Operation); true when the user chooses to continue
    // with the next archive record.
    virtual bool ReportArchiveError(const CException& error, const std::string& archiveName) = 0;
};
