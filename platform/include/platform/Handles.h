// Owners for Windows handles and C runtime streams: one small move-only type per kind.
// BSTR owners live in platform/OleScopes.h, so this header needs no OLE automation.
#pragma once

#include <windows.h>

#include <cstdio>
#include <utility>

template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Type value) noexcept : m_value(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Type get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return Traits::IsValid(m_value); }

    Type release() noexcept { return std::exchange(m_value, Traits::Invalid()); }
    void reset(Type value = Traits::Invalid()) noexcept {
        Type old = std::exchange(m_value, value);
        if (Traits::IsValid(old))
            Traits::Close(old);
    }
    // Out-parameter for calls that create the resource: closes the current one first.
    Type* put() noexcept {
        reset();
        return &m_value;
    }

private:
    Type m_value = Traits::Invalid();
};

struct FileHandleTraits {  // CreateFileW results: INVALID_HANDLE_VALUE means none
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct KernelHandleTraits {  // process, thread, event handles: null means none
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { ::FindClose(h); }
};

struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::FreeLibrary(h); }
};

struct StreamTraits {
    using Type = FILE*;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type f) { return f != nullptr; }
    static void Close(Type f) { std::fclose(f); }
};

struct GdiObjectTraits {  // pens, brushes, bitmaps, fonts
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteObject(h); }
};

struct MemoryDcTraits {  // CreateCompatibleDC results
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteDC(h); }
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

struct WindowTraits {
    using Type = HWND;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DestroyWindow(h); }
};

// Memory the system allocated with LocalAlloc for the caller (FormatMessageW with
// FORMAT_MESSAGE_ALLOCATE_BUFFER, CommandLineToArgvW).
template <typename T>
struct LocalMemoryTraits {
    using Type = T*;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static void Close(Type p) { ::LocalFree(p); }
};

using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueKernelHandle = UniqueResource<KernelHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
using UniqueStream = UniqueResource<StreamTraits>;
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;
using UniqueRegKey = UniqueResource<RegKeyTraits>;
using UniqueWindow = UniqueResource<WindowTraits>;
template <typename T>
using UniqueLocalMemory = UniqueResource<LocalMemoryTraits<T>>;
