// The root of every class that receives messages, commands or control events: it owns the
// lookup of its class's message map and event sink map.
#pragma once

#include "framework/EventSinkMap.h"
#include "framework/MessageMap.h"

class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Runs the handler that the message map names for a command; false when there is none.
    virtual bool OnCmdMsg(UINT commandId);

    // Delivers a hosted control's event to the handler that the event sink map names.
    // S_FALSE when the map has no entry for it (the event is then ignored).
    HRESULT OnEvent(UINT controlId, DISPID dispid, const DISPPARAMS& params);

    virtual const MessageMap* GetMessageMap() const;
    virtual const EventSinkMap* GetEventSinkMap() const;

protected:
    static const MessageMap* GetThisMessageMap();
    static const EventSinkMap* GetThisEventSinkMap();
};
