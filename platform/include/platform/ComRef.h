// An owning reference to a COM interface: AddRef on copy, Release on destruction. Adopt takes
// over a reference the caller already owns.
#pragma once

#include <unknwn.h>

#include <cstddef>
#include <utility>

template <class T>
class ComRef {
public:
    ComRef() noexcept = default;
    ComRef(std::nullptr_t) noexcept {}
    // Takes a new reference of its own to `p`.
    explicit ComRef(T* p) noexcept : m_p(p) {
        if (m_p)
            m_p->AddRef();
    }
    ComRef(const ComRef& other) noexcept : ComRef(other.m_p) {}
    ComRef(ComRef&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComRef() { reset(); }

    ComRef& operator=(ComRef other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }

    // Adopts a reference the caller already owns (one returned from a COM call).
    static ComRef Adopt(T* p) noexcept {
        ComRef ref;
        ref.m_p = p;
        return ref;
    }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    // Out-parameter for calls that return a new reference.
    T** put() noexcept {
        reset();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // Hands the reference to the caller (for out-parameters of our own methods).
    T* detach() noexcept { return std::exchange(m_p, nullptr); }

    void reset() noexcept {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }

    template <class U>
    ComRef<U> As(REFIID iid) const noexcept {
        ComRef<U> other;
        if (m_p)
            m_p->QueryInterface(iid, other.put_void());
        return other;
    }

private:
    T* m_p = nullptr;
};
