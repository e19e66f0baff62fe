#include <windows.h>

#include "engine/SelfRegistration.h"
#include "support/StringUtil.h"

namespace {

// The entry points take no arguments and return a 32-bit result (0 = done).
using SelfRegEntryPoint = LONG(WINAPI*)();

} // namespace

SelfRegResult CWin32SelfRegPlatform::CallEntryPoint(const CFilePath& path, SelfRegMode mode) {
    // A library that cannot be loaded becomes an event line; the system's own message box
    // about it would stop an unattended run.
    const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE library = ::LoadLibraryA(path.c_str());
    ::SetErrorMode(previousMode);
    if (library == nullptr) {
        return SelfRegResult::LoadFailed;
    }
    const FARPROC address = ::GetProcAddress(library, SelfRegEntryPointName(mode));
    if (address == nullptr) {
        ::FreeLibrary(library);
        return SelfRegResult::NoFunction;
    }
    // GetProcAddress hands out every export as FARPROC; the cast back to the entry point's
    // real type goes through a plain function pointer.
    const auto entryPoint =
        reinterpret_cast<SelfRegEntryPoint>(reinterpret_cast<void (*)()>(address));
    const LONG result = entryPoint();
    ::FreeLibrary(library);
    return result == 0 ? SelfRegResult::Done : SelfRegResult::EntryPointFailed;
}

std::string CWin32SelfRegPlatform::ShortPath(const CFilePath& path) {
    return GetShortPath(path.GetText());
}

unsigned CWin32SelfRegPlatform::StartProgram(const std::string& commandLine) {
    return ::WinExec(commandLine.c_str(), SW_SHOW);
}
