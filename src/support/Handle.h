// One owning handle template for every kind of platform handle.
//
// CUniqueHandle<Traits> owns one handle and closes it when it goes. Traits gives the handle
// type, the value that means "no handle" and the close function. Handles move but never copy;
// Attach takes ownership of a raw handle (closing the old one), Detach gives ownership away.
#pragma once

#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

template <typename Traits> class CUniqueHandle {
public:
    using Type = typename Traits::Type;

    CUniqueHandle() noexcept : m_handle(Traits::Invalid()) {}
    explicit CUniqueHandle(Type handle) noexcept : m_handle(handle) {}
    ~CUniqueHandle() { Close(); }

    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.Detach()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        if (this != &other) {
            Attach(other.Detach());
        }
        return *this;
    }

    Type Get() const noexcept { return m_handle; }
    bool IsValid() const noexcept { return m_handle != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    void Attach(Type handle) noexcept {
        Close();
        m_handle = handle;
    }
    Type Detach() noexcept { return std::exchange(m_handle, Traits::Invalid()); }
    void Close() noexcept {
        if (IsValid()) {
            Traits::Close(m_handle);
            m_handle = Traits::Invalid();
        }
    }

private:
    Type m_handle;
};

#ifdef _WIN32
// Kernel objects opened by CreateFile and friends (INVALID_HANDLE_VALUE when none).
struct CFileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
// Searches started by FindFirstFile.
struct CFindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::FindClose(h); }
};
// Registry keys.
struct CRegKeyTraits {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::RegCloseKey(h); }
};
// Libraries loaded with LoadLibrary.
struct CLibraryTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::FreeLibrary(h); }
};

using CFileHandle = CUniqueHandle<CFileHandleTraits>;
using CFindHandle = CUniqueHandle<CFindHandleTraits>;
using CRegKeyHandle = CUniqueHandle<CRegKeyTraits>;
using CLibraryHandle = CUniqueHandle<CLibraryTraits>;
#endif
