#include "EventSink.h"

#include "framework/ControlSite.h"

EventSink::EventSink(ControlSite& site, REFIID eventsIid) : m_site(&site), m_eventsIid(eventsIid) {}

IUnknown* EventSink::FindInterface(REFIID iid) noexcept {
    IDispatch* self = this;
    return FindIn(iid, {{IID_IUnknown, self}, {IID_IDispatch, self}, {m_eventsIid, self}});
}

STDMETHODIMP EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                               UINT*) noexcept {
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
