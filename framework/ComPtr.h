// Owner of one COM interface reference: releases it when dropped. Move-only; taking another
// reference is explicit (ComPtr<T>::Share).
#pragma once

#include <unknwn.h>

#include <utility>

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Adopts a reference the caller already owns.
    explicit ComPtr(T* adopted) : m_p(adopted) {}
    ~ComPtr() { reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_p(other.detach()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other)
            reset(other.detach());
        return *this;
    }

    // A new owned reference to an interface held elsewhere.
    static ComPtr Share(T* p) {
        if (p)
            p->AddRef();
        return ComPtr(p);
    }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // Releases the current reference and hands out the slot for a call that fills it.
    T** put() {
        reset();
        return &m_p;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    T* detach() { return std::exchange(m_p, nullptr); }
    void reset(T* adopted = nullptr) {
        T* old = std::exchange(m_p, adopted);
        if (old)
            old->Release();
    }

    // Asks the object for another of its interfaces.
    template <typename U>
    HRESULT QueryTo(REFIID iid, ComPtr<U>& out) const {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(iid, out.put_void());
    }

private:
    T* m_p = nullptr;
};
