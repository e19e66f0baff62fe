#include "app/RunSettings.h"

#include "support/Profile.h"
#include "support/StringUtil.h"

CRunPaths MakeRunPaths(const CFilePath& programPath) {
    CRunPaths paths;
    paths.profile = programPath;
    paths.profile.SetExtension("ini");
    paths.sourceDir = programPath;
    paths.sourceDir.SetFileName(std::string());
    paths.installLog = programPath;
    paths.installLog.SetFileName("install.log");
    return paths;
}

CFilePath InstallLogIn(const CFilePath& directory) {
    CFilePath log = directory;
    log.SetFileName("install.log");
    return log;
}

void ApplyOptions(const CCommandLine& commandLine, CRunPaths& paths, CRunOptions& options) {
    std::string dir = commandLine.GetOption("D");
    if (!dir.empty()) {
        AddTrailingBackslash(dir);
        paths.sourceDir.SetDriveDirectory(dir);
        paths.profile.SetDriveDirectory(dir);
    }
    if (commandLine.HasOption("T")) {
        options.notifyThread = static_cast<std::uint32_t>(ParseLong(commandLine.GetOption("T")));
    }
    options.removal = commandLine.HasOption("U");
    options.unattended = commandLine.HasOption("B");
    options.ignoreConditions = commandLine.HasOption("I");
    options.confirmRemoval = commandLine.HasOption("Y");
    options.unattended = options.unattended || options.confirmRemoval;
    options.showHelp = commandLine.HasOption("?");
}

CGeneralSettings ReadGeneralSettings(const CFilePath& profile, CProfileBackend& backend) {
    const auto read = [&](const char* key, const char* defaultValue) {
        return CProfileString(backend, defaultValue, "general", key, profile).GetValue();
    };
    CGeneralSettings general;
    general.appTitle = read("App Title", "MISSING APP TITLE");
    general.appSetup = read("App Setup", "MISSING APP SETUP");
    general.pmGroup = read("PM Group", "MISSING PM GROUP");
    general.primaryNameExtension = read("Primary NameExtension", "");
    general.displayName = read("Display Name", "");
    general.splashPath = read("Splash Path", "");
    return general;
}

std::string UsageText() {
    return "Options (case-sensitive):\r\n"
           "/D:dir\tprofile and distribution files from dir\r\n"
           "/T:id\tmessage 1338 to thread id at the end\r\n"
           "/U\tremove what install.log records\r\n"
           "/B\tunattended: nothing waits for a person;\r\n"
           "\teach answer taken is an event in install.log\r\n"
           "/Y\tunattended, and the removal is confirmed\r\n"
           "/I\tinstall even when requirements are not met\r\n"
           "/?\tthis text\r\n"
           "\r\n"
           "Exit codes:\r\n"
           "0\tinstalled or removed completely\r\n"
           "1602\tcancelled\r\n"
           "1603\tnot complete because of an error\r\n"
           "3010\tcomplete; a restart replaces files in use\r\n";
}

std::string MakeRemovalCommand(const CFilePath& systemDir, const CFilePath& programPath) {
    CFilePath helper(systemDir);
    helper.SetFileName("_xktinst.exe");
    CFilePath profile(programPath);
    profile.SetExtension("ini");
    return helper.GetText() + " /U /PP:" + profile.GetText();
}
