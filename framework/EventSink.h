// The IDispatch a hosted control fires its events into: it answers for the control's event
// interface and hands each event to its site.
#pragma once

#include "platform/ComObject.h"

class ControlSite;

class EventSink final : public ComDispatchObject<> {
public:
    EventSink(ControlSite& site, REFIID eventsIid);

    // Stops delivery: events that still arrive are accepted and dropped.
    void Detach() { m_site = nullptr; }

    // IDispatch: events are identified by DISPID only
    STDMETHODIMP Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* badArgument) noexcept override;

private:
    ~EventSink() override = default;

    IUnknown* FindInterface(REFIID iid) noexcept override;

    ControlSite* m_site;
    IID m_eventsIid;
};
