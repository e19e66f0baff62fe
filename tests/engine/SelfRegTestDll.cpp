// Libraries for the self-registration tests, built in three kinds:
//   SELFREG_KIND_OK:      both entry points return 0;
//   SELFREG_KIND_SFALSE:  "DllRegisterServer" returns 1 (a success code other than 0) and
//                         "DllUnregisterServer" 0, so a mixed-up entry point shows;
//   SELFREG_KIND_NONE:    neither entry point, only an unrelated export.
#include <windows.h>

#if defined(SELFREG_KIND_OK) || defined(SELFREG_KIND_SFALSE)
extern "C" __declspec(dllexport) LONG WINAPI DllRegisterServer() {
#ifdef SELFREG_KIND_SFALSE
    return 1;
#else
    return 0;
#endif
}

extern "C" __declspec(dllexport) LONG WINAPI DllUnregisterServer() {
    return 0;
}
#else
extern "C" __declspec(dllexport) LONG WINAPI SomethingElse() {
    return 0;
}
#endif
