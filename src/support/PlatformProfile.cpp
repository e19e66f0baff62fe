// The platform INI backend: the private-profile functions of the Windows kernel.
#include "support/ProfileBackend.h"

#include <windows.h>

namespace {

class CPlatformProfileBackend final : public CProfileBackend {
public:
    std::uint32_t GetString(const char* section, const char* key, const char* defaultValue,
                            char* buffer, std::uint32_t size, const char* file) override {
        return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file);
    }

    bool WriteString(const char* section, const char* key, const char* value,
                     const char* file) override {
        return ::WritePrivateProfileStringA(section, key, value, file) != FALSE;
    }
};

} // namespace

CProfileBackend& PlatformProfileBackend() {
    static CPlatformProfileBackend backend;
    return backend;
}
