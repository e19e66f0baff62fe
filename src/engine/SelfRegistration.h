// Self-registering libraries. After the files are installed every library of the
// "SelfRegisterDLLs" list is registered, either by loading it and calling its own
// "DllRegisterServer" or by starting the registration tool "regsvr" silently on it; removal
// does the reverse with "DllUnregisterServer" or "regsvr /s /u". Each attempt becomes one
// line of the install log's "Events" section; nothing is shown to the user and no failure
// stops the setup.
//
// The records (SelfRegDllRecord, SelfRegDllList) are portable data of the profile library.
// The operations are here, in CSelfRegistrar over a list, because they need three things a
// record does not know: the destinations' directories, the event log, and the platform's
// library loader and program start. The last sits behind CSelfRegPlatform, so the steps and
// the event texts are the same code natively (with a test platform) and on Windows
// (CWin32SelfRegPlatform).
#pragma once

#include <cstdint>
#include <string>

#include "profile/DestinationRecord.h"
#include "profile/EventLog.h"
#include "profile/SelfRegDllRecord.h"
#include "support/FilePath.h"

enum class SelfRegMode { Register, Unregister };

// The outcome of one attempt; the numbers are the codes the event texts stand for.
enum class SelfRegResult : int {
    Done = 0,             // "Successful %s of %s"
    FileNotFound = 1,     // "%s of %s failed: file not found"; counts as success
    LoadFailed = 2,       // "%s of %s failed: LoadLibrary"
    NoFunction = 3,       // "%s of %s failed: No function": the entry point is missing
    EntryPointFailed = 4, // "%s of %s failed: No function": it returned a non-zero result
    ToolNotStarted = 5,   // "%s of %s failed: WinExec failed"
};

// "Register" or "Unregister".
const char* SelfRegModeWord(SelfRegMode mode);
// "DllRegisterServer" or "DllUnregisterServer".
const char* SelfRegEntryPointName(SelfRegMode mode);
// True for Done and FileNotFound: a library that is not there is nobody's failure.
bool CountsAsSuccess(SelfRegResult result);

// Writes the event line of result: the texts above with the mode word and fileName as the
// profile gives it. Returns the length of the message.
int LogSelfRegEvent(CEventLog& log, SelfRegMode mode, const std::string& fileName,
                    SelfRegResult result);

// The registration tool's command line: "regsvr /s " (registering) or "regsvr /s /u "
// (unregistering) followed directly by path. A short path has no blanks and goes in as it
// is; a path that still holds a blank (no short form available) is put in double quotes, so
// the tool gets one argument instead of the pieces of a path.
std::string SelfRegToolCommand(SelfRegMode mode, const std::string& path);

// What an attempt needs from the platform.
class CSelfRegPlatform {
public:
    virtual ~CSelfRegPlatform() = default;
    // Loads the library at path, calls its entry point for mode without arguments and frees
    // it again: Done (result 0), LoadFailed, NoFunction or EntryPointFailed (any other
    // result, positive success codes included).
    virtual SelfRegResult CallEntryPoint(const CFilePath& path, SelfRegMode mode) = 0;
    // The short (8.3) form of the existing path, or "" when the platform has none.
    virtual std::string ShortPath(const CFilePath& path) = 0;
    // Starts commandLine with its window shown and does not wait for it. The platform's
    // result: above 32 when the program was started.
    virtual unsigned StartProgram(const std::string& commandLine) = 0;
};

class CSelfRegistrar {
public:
    // The three must outlive the registrar.
    CSelfRegistrar(const DestinationMap& destinations, CEventLog& log, CSelfRegPlatform& platform);

    // One attempt on fileName in the directory of destination, by its entry point or the
    // tool; writes the event line and returns CountsAsSuccess of the outcome. A destination
    // that is unknown or unresolved has no directory to look in: the library is reported as
    // not found rather than looked for in the current directory.
    bool SelfRegister(SelfRegMode mode, std::int16_t destination, const std::string& fileName,
                      bool useEntryPoint);

    bool Register(const SelfRegDllRecord& record);
    bool Unregister(const SelfRegDllRecord& record);
    // Every record in list order; true only when every attempt counted as success. A failure
    // does not stop the loop.
    bool RegisterAll(const SelfRegDllList& list);
    bool UnregisterAll(const SelfRegDllList& list);

private:
    SelfRegResult Attempt(SelfRegMode mode, std::int16_t destination, const std::string& fileName,
                          bool useEntryPoint);

    const DestinationMap& m_destinations;
    CEventLog& m_log;
    CSelfRegPlatform& m_platform;
};

#ifdef _WIN32
// The platform: LoadLibraryA, GetProcAddress, FreeLibrary, GetShortPathNameA and WinExec
// with SW_SHOW.
class CWin32SelfRegPlatform : public CSelfRegPlatform {
public:
    SelfRegResult CallEntryPoint(const CFilePath& path, SelfRegMode mode) override;
    std::string ShortPath(const CFilePath& path) override;
    unsigned StartProgram(const std::string& commandLine) override;
};
#endif
