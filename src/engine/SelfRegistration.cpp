#include "engine/SelfRegistration.h"

const char* SelfRegModeWord(SelfRegMode mode) {
    return mode == SelfRegMode::Register ? "Register" : "Unregister";
}

const char* SelfRegEntryPointName(SelfRegMode mode) {
    return mode == SelfRegMode::Register ? "DllRegisterServer" : "DllUnregisterServer";
}

bool CountsAsSuccess(SelfRegResult result) {
    return result == SelfRegResult::Done || result == SelfRegResult::FileNotFound;
}

int LogSelfRegEvent(CEventLog& log, SelfRegMode mode, const std::string& fileName,
                    SelfRegResult result) {
    const char* word = SelfRegModeWord(mode);
    const char* name = fileName.c_str();
    switch (result) {
    case SelfRegResult::Done:
        return log.LogEvent("Successful %s of %s", word, name);
    case SelfRegResult::FileNotFound:
        return log.LogEvent("%s of %s failed: file not found", word, name);
    case SelfRegResult::LoadFailed:
        return log.LogEvent("%s of %s failed: LoadLibrary", word, name);
    case SelfRegResult::NoFunction:
    case SelfRegResult::EntryPointFailed:
        return log.LogEvent("%s of %s failed: No function", word, name);
    case SelfRegResult::ToolNotStarted:
        return log.LogEvent("%s of %s failed: WinExec failed", word, name);
    }
    return 0;
}

std::string SelfRegToolCommand(SelfRegMode mode, const std::string& path) {
    std::string command = mode == SelfRegMode::Register ? "regsvr /s " : "regsvr /s /u ";
    if (path.find(' ') != std::string::npos) {
        command += '"' + path + '"';
    } else {
        command += path;
    }
    return command;
}

CSelfRegistrar::CSelfRegistrar(const DestinationMap& destinations, CEventLog& log,
                               CSelfRegPlatform& platform)
    : m_destinations(destinations), m_log(log), m_platform(platform) {}

SelfRegResult CSelfRegistrar::Attempt(SelfRegMode mode, std::int16_t destination,
                                      const std::string& fileName, bool useEntryPoint) {
    CFilePath path;
    if (!m_destinations.GetPath(destination, path)) {
        return SelfRegResult::FileNotFound;
    }
    path.SetFileName(fileName);
    if (!path.Exists()) {
        return SelfRegResult::FileNotFound;
    }
    if (useEntryPoint) {
        return m_platform.CallEntryPoint(path, mode);
    }
    std::string toolPath = m_platform.ShortPath(path);
    if (toolPath.empty()) {
        toolPath = path.GetText();
    }
    const unsigned started = m_platform.StartProgram(SelfRegToolCommand(mode, toolPath));
    return started <= 32 ? SelfRegResult::ToolNotStarted : SelfRegResult::Done;
}

bool CSelfRegistrar::SelfRegister(SelfRegMode mode, std::int16_t destination,
                                  const std::string& fileName, bool useEntryPoint) {
    const SelfRegResult result = Attempt(mode, destination, fileName, useEntryPoint);
    LogSelfRegEvent(m_log, mode, fileName, result);
    return CountsAsSuccess(result);
}

bool CSelfRegistrar::Register(const SelfRegDllRecord& record) {
    return SelfRegister(SelfRegMode::Register, record.destination, record.fileName,
                        record.useEntryPoint);
}

bool CSelfRegistrar::Unregister(const SelfRegDllRecord& record) {
    return SelfRegister(SelfRegMode::Unregister, record.destination, record.fileName,
                        record.useEntryPoint);
}

bool CSelfRegistrar::RegisterAll(const SelfRegDllList& list) {
    bool allDone = true;
    for (const SelfRegDllRecord& record : list.Records()) {
        allDone = Register(record) && allDone;
    }
    return allDone;
}

bool CSelfRegistrar::UnregisterAll(const SelfRegDllList& list) {
    bool allDone = true;
    for (const SelfRegDllRecord& record : list.Records()) {
        allDone = Unregister(record) && allDone;
    }
    return allDone;
}
