// Owners for OLE automation values: BSTR strings and VARIANTs.
#pragma once

#include "platform/Handles.h"

#include <windows.h>
#include <oleauto.h>

struct BstrTraits {
    using Type = BSTR;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type s) { return s != nullptr; }
    static void Close(Type s) { ::SysFreeString(s); }
};

using UniqueBstr = UniqueResource<BstrTraits>;

// A VARIANT that is cleared when it goes out of scope.
class ScopedVariant {
public:
    ScopedVariant() noexcept { VariantInit(&m_value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&m_value); }
    VARIANT* get() noexcept { return &m_value; }
    const VARIANT* operator->() const noexcept { return &m_value; }

private:
    VARIANT m_value;
};
