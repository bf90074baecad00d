// The IUnknown (and, for objects without type information, IDispatch) boilerplate of our COM
// objects, written once: one reference count, QueryInterface from the object's table of
// interfaces, Release deleting the object when the last reference goes.
//
//   class Sink final : public ComDispatchObject<IOleClientSite> {
//       IUnknown* FindInterface(REFIID iid) noexcept override {
//           return FindIn(iid, {{IID_IUnknown, static_cast<IDispatch*>(this)},
//                               {IID_IDispatch, static_cast<IDispatch*>(this)},
//                               {IID_IOleClientSite, static_cast<IOleClientSite*>(this)}});
//       }
//       ...
//   };
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <initializer_list>

// One row of an interface table: an interface identifier and the interface answering for it.
struct ComInterfaceEntry {
    REFIID iid;
    IUnknown* pointer;
};

// A new object holds one reference, its creator's.
template <typename... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject() noexcept = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override {
        if (out == nullptr)
            return E_POINTER;
        IUnknown* found = FindInterface(iid);
        *out = found;
        if (found == nullptr)
            return E_NOINTERFACE;
        found->AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ULONG(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() noexcept override {
        const LONG left = InterlockedDecrement(&m_refs);
        if (left == 0)
            delete this;
        return ULONG(left);
    }

protected:
    virtual ~ComObject() = default;

    // The interface that answers for `iid`, or nullptr; usually FindIn over the object's table.
    virtual IUnknown* FindInterface(REFIID iid) noexcept = 0;

    static IUnknown* FindIn(REFIID iid, std::initializer_list<ComInterfaceEntry> table) noexcept {
        for (const ComInterfaceEntry& entry : table)
            if (IsEqualIID(iid, entry.iid))
                return entry.pointer;
        return nullptr;
    }

private:
    LONG m_refs = 1;
};

// An object whose IDispatch has no type information and no names: its members are called by
// DISPID only (event sinks, ambient properties). Invoke is the object's own.
template <typename... Interfaces>
class ComDispatchObject : public ComObject<IDispatch, Interfaces...> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;  // there is no type information at any index
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return DISP_E_UNKNOWNNAME; }
};
