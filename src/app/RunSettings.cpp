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

std::string MakeRemovalCommand(const CFilePath& systemDir, const CFilePath& programPath) {
    CFilePath helper(systemDir);
    helper.SetFileName("_xktinst.exe");
    CFilePath profile(programPath);
    profile.SetExtension("ini");
    return helper.GetText() + " /U /PP:" + profile.GetText();
}
