#include "engine/Registration.h"

#include "profile/RecordSection.h"

namespace {

constexpr const char* kSelfRegSection = "SelfRegisterDLLs";

} // namespace

bool MainProgramPath(const RegistrationInputs& inputs, CFilePath& out) {
    CFilePath path;
    if (inputs.primaryFileName.empty() || !inputs.destinations.GetPath(kDestApplication, path)) {
        return false;
    }
    path.SetFileName(inputs.primaryFileName);
    out = path;
    return true;
}

bool UninstallCommand(const RegistrationInputs& inputs, std::string& out) {
    CFilePath program;
    if (inputs.programFileName.empty() || !inputs.destinations.GetPath(kDestApplication, program)) {
        return false;
    }
    program.SetFileName(inputs.programFileName);
    const std::string& text = program.GetText();
    out = text.find(' ') != std::string::npos ? '"' + text + '"' : text;
    out += " /U";
    return true;
}

std::string HelpFileDirectory(const DestinationMap& destinations, std::int16_t id) {
    CFilePath directory;
    if (!destinations.GetPath(id, directory)) {
        return std::string();
    }
    // The text itself rather than GetDriveDirectory, which knows only drive paths: a help
    // directory on a network path keeps its value too.
    std::string text = directory.GetText();
    while (text.size() > 1 && (text.back() == '\\' || text.back() == '/') &&
           text[text.size() - 2] != ':') {
        text.pop_back();
    }
    return text;
}

void WriteSelfRegListToLog(const SelfRegDllList& list, const CFilePath& log) {
    for (const SelfRegDllRecord& record : list.Records()) {
        WriteRecord(log, kSelfRegSection, record.fileName,
                    std::to_string(record.destination) + (record.useEntryPoint ? "|1" : "|0"));
    }
}

CApplicationRegistrar::CApplicationRegistrar(const RegistrationInputs& inputs,
                                             CRegistrationTarget& registry,
                                             CSelfRegistrar& selfRegistrar,
                                             const SelfRegDllList& libraries)
    : m_inputs(inputs), m_registry(registry), m_selfRegistrar(selfRegistrar),
      m_libraries(libraries) {}

void CApplicationRegistrar::Register(const CFilePath& installLog) {
    CFilePath mainProgram;
    if (MainProgramPath(m_inputs, mainProgram)) {
        m_registry.RegisterAppPath(mainProgram);
    }
    std::string command;
    if (!m_inputs.displayName.empty() && UninstallCommand(m_inputs, command)) {
        m_registry.RegisterUninstall(command, m_inputs.displayName, m_inputs.displayName);
    }
    WriteSelfRegListToLog(m_libraries, installLog);
    m_selfRegistrar.RegisterAll(m_libraries);
    for (const char* file : kHelpComponentFiles) {
        RegisterHelpFile(kHelpFilesKey, file, kDestHelp);
    }
}

void CApplicationRegistrar::UnregisterLibraries() {
    m_selfRegistrar.UnregisterAll(m_libraries);
}

void CApplicationRegistrar::Unregister() {
    CFilePath mainProgram;
    if (MainProgramPath(m_inputs, mainProgram)) {
        m_registry.UnregisterAppPath(mainProgram);
    }
    if (!m_inputs.displayName.empty()) {
        m_registry.UnregisterUninstall(m_inputs.displayName);
    }
}

void CApplicationRegistrar::RegisterHelpFile(const std::string& subkey, const std::string& fileName,
                                             std::int16_t id) {
    CFilePath file;
    if (!m_inputs.destinations.GetPath(id, file)) {
        return;
    }
    file.SetFileName(fileName);
    if (file.Exists()) {
        m_registry.SetStringValue(subkey, fileName, HelpFileDirectory(m_inputs.destinations, id));
    }
}
