// The IDispatch a hosted control fires its events into: it answers for the control's event
// interface and hands each event to its site.
#pragma once

#include <windows.h>
#include <oleauto.h>

class ControlSite;

class EventSink final : public IDispatch {
public:
    EventSink(ControlSite& site, REFIID eventsIid);

    // Stops delivery: events that still arrive are accepted and dropped.
    void Detach() { m_site = nullptr; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                               DISPID* ids) noexcept override;
    STDMETHODIMP Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* badArgument) noexcept override;

private:
    ~EventSink() = default;

    ULONG m_refs = 1;
    ControlSite* m_site;
    IID m_eventsIid;
};
