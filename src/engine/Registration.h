// Making the installed application known to the system, and taking it back at removal.
//
// The Registering page (1549) runs Register once the files are in place and the install log
// is written: the App Paths entry of the main program, the removal entry that starts this
// setup program again with /U, the self-registering libraries, and the directory of each of
// the help viewer's component files that lies in the Windows help directory. At removal the
// Removing page (1546) runs UnregisterLibraries before it deletes any file, and the
// Unregistering page (1550) runs Unregister: the App Paths and removal entries are deleted. The
// help viewer's values stay, since other applications share those files.
//
// Which values are written, in which order and from which data is portable and lives here;
// the registry itself sits behind CRegistrationTarget (CWin32RegistrationTarget on Windows,
// a recording one in the tests). Nothing here reports an error or stops the setup: an entry
// that cannot be made is left missing.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/SelfRegistration.h"
#include "profile/DestinationRecord.h"
#include "profile/SelfRegDllRecord.h"
#include "support/FilePath.h"

// Key under HKEY_LOCAL_MACHINE that records where the help viewer's component files lie: one
// string value per file, named by the file, holding its directory.
constexpr const char* kHelpFilesKey = "SOFTWARE\\Microsoft\\Windows\\Help";

// The help viewer's component files, in the order they are registered.
constexpr std::array<const char*, 4> kHelpComponentFiles = {"qvntls32.dll", "qvnlnk32.dll",
                                                            "qvnnav32.exe", "qvnnav32.hlp"};

// What the registration steps do to the registry (all under HKEY_LOCAL_MACHINE).
class CRegistrationTarget {
public:
    virtual ~CRegistrationTarget() = default;
    virtual void RegisterAppPath(const CFilePath& exePath) = 0;
    virtual void UnregisterAppPath(const CFilePath& exePath) = 0;
    virtual void RegisterUninstall(const std::string& command, const std::string& keyName,
                                   const std::string& displayName) = 0;
    virtual void UnregisterUninstall(const std::string& keyName) = 0;
    // Sets the string value valueName under HKEY_LOCAL_MACHINE\subkey to data, creating the
    // key when it is missing.
    virtual void SetStringValue(const std::string& subkey, const std::string& valueName,
                                const std::string& data) = 0;
};

// The data the steps work from: the destinations as the copy phase left them, the profile's
// "Primary NameExtension" and "Display Name", and this setup program's own file name.
struct RegistrationInputs {
    const DestinationMap& destinations;
    std::string primaryFileName;
    std::string displayName;
    std::string programFileName;
};

// The main program's full path: destination 0's directory with the primary file name. False
// when destination 0 has no directory or no primary file name is given: there is then no
// program to register, and an empty name would make the App Paths key itself the entry.
bool MainProgramPath(const RegistrationInputs& inputs, CFilePath& out);

// The removal command: destination 0's directory with this program's file name, then " /U".
// A path with a blank is put in double quotes, so that the system starts this program and not
// the first word of its path. False when destination 0 has no directory or the file name is
// empty.
bool UninstallCommand(const RegistrationInputs& inputs, std::string& out);

// The directory a help component file is registered with: destination id's directory as
// drive and directory without the trailing backslash (C:\WINDOWS\HELP; a root keeps it:
// C:\), or "" when the destination has no directory.
std::string HelpFileDirectory(const DestinationMap& destinations, std::int16_t id);

// Writes the self-registration list to the install log as section "SelfRegisterDLLs" in the
// profile's format (key = file name, value "%d|%d" = destination id, entry-point flag), so that
// a removal run, which reads the log as its profile, knows what to unregister.
void WriteSelfRegListToLog(const SelfRegDllList& list, const CFilePath& log);

class CApplicationRegistrar {
public:
    // All four must outlive the registrar.
    CApplicationRegistrar(const RegistrationInputs& inputs, CRegistrationTarget& registry,
                          CSelfRegistrar& selfRegistrar, const SelfRegDllList& libraries);

    // In this order: the App Paths entry (only with a main program, see MainProgramPath), the
    // removal entry (only with a command, see UninstallCommand, and a display name: an empty
    // one would put the values on the Uninstall key that holds every application's entry),
    // the libraries written to installLog and registered (one event line each), and the help
    // component files found in the Windows help directory.
    void Register(const CFilePath& installLog);

    // The libraries unregistered (one event line each). Runs while their files are still
    // there, before the removal deletes them.
    void UnregisterLibraries();

    // The App Paths entry and the removal entry deleted. An empty display name deletes nothing: it
    // would name the Uninstall key that holds every application's entry.
    void Unregister();

    // Sets the value of a help component file to its directory (see HelpFileDirectory) when
    // the file lies in destination id's directory; does nothing otherwise.
    void RegisterHelpFile(const std::string& subkey, const std::string& fileName, std::int16_t id);

private:
    const RegistrationInputs& m_inputs;
    CRegistrationTarget& m_registry;
    CSelfRegistrar& m_selfRegistrar;
    const SelfRegDllList& m_libraries;
};

#ifdef _WIN32
// The real registry, through the RegistryEntries functions.
class CWin32RegistrationTarget : public CRegistrationTarget {
public:
    void RegisterAppPath(const CFilePath& exePath) override;
    void UnregisterAppPath(const CFilePath& exePath) override;
    void RegisterUninstall(const std::string& command, const std::string& keyName,
                           const std::string& displayName) override;
    void UnregisterUninstall(const std::string& keyName) override;
    void SetStringValue(const std::string& subkey, const std::string& valueName,
                        const std::string& data) override;
};
#endif
