// A throwaway program for the import check's own test: it imports a function that is on the
// list but newer than Windows NT 4.0 (GetTickCount64, Windows Vista) and one that is on no
// list (GetCurrentProcessorNumber). It is never run.
#include <windows.h>

int main() {
    return static_cast<int>(::GetTickCount64() + ::GetCurrentProcessorNumber());
}
