// Move-only owners for the Windows handles the control uses; each closes its handle once.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

template <class Handle, class Traits>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }
    Handle release() noexcept { return std::exchange(h_, Traits::Invalid()); }
    void reset(Handle h = Traits::Invalid()) noexcept {
        Handle old = std::exchange(h_, h);
        if (old != Traits::Invalid()) Traits::Close(old);
    }
    // Out-parameter for calls that create a handle.
    Handle* put() noexcept {
        reset();
        return &h_;
    }

private:
    Handle h_ = Traits::Invalid();
};

struct FileTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;

struct GdiObjectTraits {
    static HGDIOBJ Invalid() noexcept { return nullptr; }
    static void Close(HGDIOBJ h) noexcept { DeleteObject(h); }
};
using UniqueGdiObject = UniqueHandle<HGDIOBJ, GdiObjectTraits>;

struct MemoryDcTraits {
    static HDC Invalid() noexcept { return nullptr; }
    static void Close(HDC h) noexcept { DeleteDC(h); }
};
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;

struct RegKeyTraits {
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY h) noexcept { RegCloseKey(h); }
};
using UniqueRegKey = UniqueHandle<HKEY, RegKeyTraits>;

struct BstrTraits {
    static BSTR Invalid() noexcept { return nullptr; }
    static void Close(BSTR s) noexcept { SysFreeString(s); }
};
using UniqueBstr = UniqueHandle<BSTR, BstrTraits>;

struct WindowTraits {
    static HWND Invalid() noexcept { return nullptr; }
    static void Close(HWND h) noexcept { DestroyWindow(h); }
};
using UniqueWindow = UniqueHandle<HWND, WindowTraits>;

// A device context borrowed from a window with GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context for a scope and puts the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A VARIANT that is cleared when it goes out of scope.
class ScopedVariant {
public:
    ScopedVariant() noexcept { VariantInit(&value_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&value_); }
    VARIANT* get() noexcept { return &value_; }
    const VARIANT* operator->() const noexcept { return &value_; }

private:
    VARIANT value_;
};
