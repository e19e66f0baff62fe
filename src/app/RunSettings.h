// What a run of the setup program starts from: the three paths, the flags of the command
// line and the texts of the profile's "general" section. Pure functions of the program's
// path, the command line and the profile, so that start-up can be tested without windows.
#pragma once

#include <cstdint>
#include <string>

#include "app/CommandLine.h"
#include "support/FilePath.h"
#include "support/ProfileBackend.h"

struct CRunPaths {
    CFilePath profile;    // the install profile (in removal mode later the install log)
    CFilePath sourceDir;  // where distribution files are looked up; ends with a backslash
    CFilePath installLog; // the program's directory plus "install.log"; an installation moves
                          // it to the application directory (SetupApp::MoveInstallLogTo)
};

struct CRunOptions {
    bool removal = false;           // "U"
    bool unattended = false;        // "B"
    bool ignoreConditions = false;  // "I"
    bool confirmRemoval = false;    // "Y": also unattended, and page 1545 answers Continue
    bool showHelp = false;          // "?"
    std::uint32_t notifyThread = 0; // "T"; 0 = none
};

// Texts of the "general" section, each with its default.
struct CGeneralSettings {
    std::string appTitle;             // "App Title"
    std::string appSetup;             // "App Setup"
    std::string pmGroup;              // "PM Group"
    std::string primaryNameExtension; // "Primary NameExtension"
    std::string displayName;          // "Display Name"
    CFilePath splashPath;             // "Splash Path"; only its file name is used
};

// The message posted to the "T" thread when the program ends (WM_USER + 314).
constexpr unsigned kNotifyExitMessage = 1338;

// Profile = program path with extension "ini"; source directory = the program's directory;
// install log = "install.log" in the program's directory.
CRunPaths MakeRunPaths(const CFilePath& programPath);

// "install.log" in directory (a directory path ending with a backslash).
CFilePath InstallLogIn(const CFilePath& directory);

// Applies the options in the order D, T, U, B, I, then Y and ?. "D" replaces the directory of the
// source directory and of the profile (a trailing backslash added when missing); an empty "D" is
// ignored, since it would point both at the root of the current drive. "T" takes the
// leading decimal digits (none give 0). "Y" turns on unattended mode as well: a removal
// confirmed for nobody at the screen must not wait anywhere else either.
void ApplyOptions(const CCommandLine& commandLine, CRunPaths& paths, CRunOptions& options);

// Reads the six keys of "general" from profile; a missing profile, section or key gives the
// defaults "MISSING APP TITLE", "MISSING APP SETUP", "MISSING PM GROUP" and "" for the rest.
CGeneralSettings ReadGeneralSettings(const CFilePath& profile,
                                     CProfileBackend& backend = DefaultProfileBackend());

// The text shown for /?: the options and the exit codes.
std::string UsageText();

// The command that starts the removal helper at the end of a removal run:
// "<system dir>_xktinst.exe /U /PP:<program path with extension ini>".
std::string MakeRemovalCommand(const CFilePath& systemDir, const CFilePath& programPath);
