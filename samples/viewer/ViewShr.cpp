// The sample's shared library: installed into the system directory and counted in
// SharedDLLs. It exports one function so that it is a library worth sharing.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI ViewShrVersion(void) {
    return 0x0100;
}
