// The control's one connection point: sinks of its outgoing event dispinterface (any IDispatch)
// connect here, and the control fires FSCommand through it. It shares the control's reference
// count.
#pragma once

#include "platform/ComRef.h"

#include <ocidl.h>

#include <string_view>
#include <vector>

namespace control {

class EventConnectionPoint final : public IConnectionPoint {
public:
    explicit EventConnectionPoint(IConnectionPointContainer& container) noexcept : m_container(container) {}
    EventConnectionPoint(const EventConnectionPoint&) = delete;
    EventConnectionPoint& operator=(const EventConnectionPoint&) = delete;

    // IUnknown: lifetime is the container's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return m_container.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return m_container.Release(); }

    // IConnectionPoint
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) noexcept override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override;
    // Connections are not enumerable: E_NOTIMPL, as the interface allows.
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) noexcept override;

    // Calls DISPID_MOVIE_FSCOMMAND on every sink with two BSTRs: rgvarg[1] the command,
    // rgvarg[0] its arguments. A sink may advise, unadvise or release the control meanwhile.
    void FireFsCommand(std::u16string_view command, std::u16string_view args) noexcept;

    void DisconnectAll() noexcept { m_connections.clear(); }

private:
    struct Connection {
        DWORD cookie;
        ComRef<IDispatch> sink;
    };
    IConnectionPointContainer& m_container;
    std::vector<Connection> m_connections;
    DWORD m_nextCookie = 1;
};

// An enumerator over one connection point, for IConnectionPointContainer::EnumConnectionPoints.
HRESULT CreateSinglePointEnumerator(IConnectionPoint* point, IEnumConnectionPoints** result) noexcept;

}  // namespace control
