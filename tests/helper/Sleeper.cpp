// Stands in for a setup program that is still ending: runs for the number of milliseconds
// given on its command line (default 2000) and shows nothing.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    const long ms = std::strtol(arguments, nullptr, 10);
    ::Sleep(ms > 0 ? static_cast<DWORD>(ms) : 2000);
    return 0;
}
