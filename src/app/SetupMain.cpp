// The setup program: the one program object and the entry point.
#include <windows.h>

#include "app/SetupApp.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    SetupApp app;
    return app.Run();
}
