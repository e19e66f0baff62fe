// Sample Viewer: the sample application's program. It only says hello; the sample exists to
// be installed.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    MessageBoxA(NULL, "Sample Viewer 1.0 is installed.", "Sample Viewer", MB_OK);
    return 0;
}
