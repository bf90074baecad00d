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
    explicit ComRef(T* p) noexcept : p_(p) { if (p_) p_->AddRef(); }
    ComRef(const ComRef& other) noexcept : ComRef(other.p_) {}
    ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComRef() { reset(); }

    ComRef& operator=(ComRef other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    // Adopts a reference the caller already owns (one returned from a COM call).
    static ComRef Adopt(T* p) noexcept {
        ComRef ref;
        ref.p_ = p;
        return ref;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Out-parameter for calls that return a new reference.
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // Hands the reference to the caller (for out-parameters of our own methods).
    T* detach() noexcept { return std::exchange(p_, nullptr); }

    void reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }

    template <class U>
    ComRef<U> As(REFIID iid) const noexcept {
        ComRef<U> other;
        if (p_) p_->QueryInterface(iid, other.put_void());
        return other;
    }

private:
    T* p_ = nullptr;
};
