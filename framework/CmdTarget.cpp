#include "framework/CmdTarget.h"

const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message, UINT id) {
    for (; map != nullptr; map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry* entry = map->entries; entry->handler != nullptr; ++entry) {
            if (entry->message == message && (message != WM_COMMAND || entry->id == id))
                return entry;
        }
    }
    return nullptr;
}

const EventSinkEntry* FindEventSinkEntry(const EventSinkMap* map, UINT controlId, DISPID dispid) {
    for (; map != nullptr; map = map->base ? map->base() : nullptr) {
        for (const EventSinkEntry* entry = map->entries; entry->handler != nullptr; ++entry) {
            if (entry->controlId == controlId && entry->dispid == dispid)
                return entry;
        }
    }
    return nullptr;
}

bool CCmdTarget::OnCmdMsg(UINT commandId) {
    const MessageMapEntry* entry = FindMessageEntry(GetMessageMap(), WM_COMMAND, commandId);
    if (entry == nullptr)
        return false;
    entry->handler(*this, 0, 0);
    return true;
}

HRESULT CCmdTarget::OnEvent(UINT controlId, DISPID dispid, const DISPPARAMS& params) {
    const EventSinkEntry* entry = FindEventSinkEntry(GetEventSinkMap(), controlId, dispid);
    if (entry == nullptr)
        return S_FALSE;
    return entry->handler(*this, params);
}

const MessageMap* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const EventSinkMap* CCmdTarget::GetEventSinkMap() const {
    return GetThisEventSinkMap();
}

const MessageMap* CCmdTarget::GetThisMessageMap() {
    static const MessageMapEntry entries[] = {{0, 0, nullptr}};
    static const MessageMap map = {nullptr, entries};
    return &map;
}

const EventSinkMap* CCmdTarget::GetThisEventSinkMap() {
    static const EventSinkEntry entries[] = {{0, 0, nullptr}};
    static const EventSinkMap map = {nullptr, entries};
    return &map;
}
