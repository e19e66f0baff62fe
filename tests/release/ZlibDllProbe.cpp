// A throwaway program for the import check's own test: linked against zlib's import library,
// it imports zlib1.dll, which Windows does not ship. It is never run.
#include <zlib.h>

int main() {
    return zlibVersion()[0] == '1' ? 0 : 1;
}
