// LoadStringId over the STRINGTABLE resource of the running executable.
#include "resources/StringTable.h"

#include <windows.h>

std::string LoadStringId(unsigned id) {
    // LoadStringA truncates silently: it copies at most size - 1 characters and returns the
    // count. A result that fills the buffer may have been cut, so grow and read again.
    // A string resource holds at most 65535 characters, which bounds the loop.
    HINSTANCE module = GetModuleHandleA(nullptr);
    std::string text(256, '\0');
    for (;;) {
        int n = LoadStringA(module, id, text.data(), static_cast<int>(text.size()));
        if (n <= 0) {
            return {};
        }
        if (static_cast<std::size_t>(n) < text.size() - 1 || text.size() > 65536) {
            text.resize(static_cast<std::size_t>(n));
            return text;
        }
        text.resize(text.size() * 2);
    }
}
