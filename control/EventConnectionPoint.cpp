#include "EventConnectionPoint.h"

#include "control/ControlGuids.h"
#include "control/MovieControlIds.h"
#include "platform/ComObject.h"
#include "platform/OleScopes.h"

#include <olectl.h>

#include <new>

namespace control {
namespace {

UniqueBstr MakeBstr(std::u16string_view text) noexcept {
    return UniqueBstr(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), UINT(text.size())));
}

class SinglePointEnumerator final : public ComObject<IEnumConnectionPoints> {
public:
    SinglePointEnumerator(IConnectionPoint* point, ULONG position) noexcept : m_point(point), m_position(position) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** points, ULONG* fetched) noexcept override {
        if (!points || (count != 1 && !fetched))
            return E_POINTER;
        ULONG given = 0;
        if (count > 0 && m_position == 0) {
            points[0] = m_point.get();
            points[0]->AddRef();
            m_position = 1;
            given = 1;
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
        const bool enough = count <= 1 - m_position;
        m_position = count == 0 ? m_position : 1;
        return enough ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        m_position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** copy) noexcept override {
        if (!copy)
            return E_POINTER;
        *copy = new (std::nothrow) SinglePointEnumerator(m_point.get(), m_position);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

private:
    IUnknown* FindInterface(REFIID iid) noexcept override {
        IEnumConnectionPoints* const self = this;
        return FindIn(iid, {{IID_IUnknown, self}, {IID_IEnumConnectionPoints, self}});
    }

    ComRef<IConnectionPoint> m_point;
    ULONG m_position;
};

}  // namespace

HRESULT CreateSinglePointEnumerator(IConnectionPoint* point, IEnumConnectionPoints** result) noexcept {
    if (!result)
        return E_POINTER;
    *result = new (std::nothrow) SinglePointEnumerator(point, 0);
    return *result ? S_OK : E_OUTOFMEMORY;
}

HRESULT EventConnectionPoint::QueryInterface(REFIID iid, void** object) noexcept {
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT EventConnectionPoint::GetConnectionInterface(IID* iid) noexcept {
    if (!iid)
        return E_POINTER;
    *iid = kMovieControlEventsIid;
    return S_OK;
}

HRESULT EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) noexcept {
    if (!container)
        return E_POINTER;
    *container = &m_container;
    m_container.AddRef();
    return S_OK;
}

HRESULT EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept {
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    // A sink built for our event interface answers its IID; a generic one answers IDispatch.
    ComRef<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(kMovieControlEventsIid, dispatch.put_void())) || !dispatch) {
        if (FAILED(sink->QueryInterface(IID_IDispatch, dispatch.put_void())) || !dispatch) {
            return CONNECT_E_CANNOTCONNECT;
        }
    }
    try {
        m_connections.push_back({m_nextCookie, std::move(dispatch)});
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    *cookie = m_nextCookie++;
    return S_OK;
}

HRESULT EventConnectionPoint::Unadvise(DWORD cookie) noexcept {
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (it->cookie == cookie) {
            // Moved out first: releasing the sink may call back into this connection point.
            ComRef<IDispatch> sink = std::move(it->sink);
            m_connections.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT EventConnectionPoint::EnumConnections(IEnumConnections** connections) noexcept {
    if (connections)
        *connections = nullptr;
    return E_NOTIMPL;
}

void EventConnectionPoint::FireFsCommand(std::u16string_view command, std::u16string_view args) noexcept {
    if (m_connections.empty())
        return;
    std::vector<ComRef<IDispatch>> sinks;
    try {
        sinks.reserve(m_connections.size());
        for (const Connection& connection : m_connections)
            sinks.push_back(connection.sink);
    } catch (...) {
        return;  // out of memory: the event is lost, the movie plays on
    }
    UniqueBstr commandText = MakeBstr(command);
    UniqueBstr argsText = MakeBstr(args);
    if (!commandText || !argsText)
        return;

    for (const ComRef<IDispatch>& sink : sinks) {
        // Arguments stand in reverse order: the last one first.
        VARIANTARG arguments[2];
        arguments[0].vt = VT_BSTR;
        arguments[0].bstrVal = argsText.get();
        arguments[1].vt = VT_BSTR;
        arguments[1].bstrVal = commandText.get();
        DISPPARAMS params{arguments, nullptr, 2, 0};
        sink->Invoke(DISPID_MOVIE_FSCOMMAND, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                     nullptr);
    }
}

}  // namespace control
