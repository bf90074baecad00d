#include "EventSink.h"

#include "framework/ControlSite.h"

EventSink::EventSink(ControlSite& site, REFIID eventsIid) : m_site(&site), m_eventsIid(eventsIid) {}

STDMETHODIMP EventSink::QueryInterface(REFIID iid, void** out) noexcept {
    if (out == nullptr)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, m_eventsIid)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventSink::AddRef() noexcept {
    return ++m_refs;
}

STDMETHODIMP_(ULONG) EventSink::Release() noexcept {
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) noexcept {
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
    if (info)
        *info = nullptr;
    return DISP_E_BADINDEX;  // the sink carries no type information
}

STDMETHODIMP EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept {
    return DISP_E_UNKNOWNNAME;  // events are identified by DISPID only
}

STDMETHODIMP EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO*, UINT*) noexcept {
    if (result)
        VariantInit(result);
    if (m_site == nullptr)
        return S_OK;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    // Keep the sink alive while a handler runs, whatever the handler does to the control.
    AddRef();
    m_site->DeliverEvent(dispid, params ? *params : none);
    Release();
    return S_OK;
}
