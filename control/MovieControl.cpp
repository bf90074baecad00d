// The movie control's identity, lifetime, events and playback.
#include "MovieControl.h"

#include "control/ControlGuids.h"
#include "ModuleRefs.h"
#include "MovieFile.h"

#include <olectl.h>

#include <new>

namespace control {

MovieControl::MovieControl() noexcept : m_renderer(CreateBackgroundRenderer()), m_stage(*this), m_events(*this) {
    AddModuleRef();
}

MovieControl::~MovieControl() {
    // A host that skipped the teardown still gets its window back clean.
    m_stage.Destroy();
    m_events.DisconnectAll();
    ReleaseModuleRef();
}

HRESULT MovieControl::Create(REFIID iid, void** object) noexcept {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    MovieControl* control = new (std::nothrow) MovieControl();
    if (!control)
        return E_OUTOFMEMORY;
    HRESULT hr = control->m_renderer ? S_OK : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) {
        try {
            control->ApplyState(DefaultControlState());
        } catch (...) {
            hr = E_OUTOFMEMORY;
        }
    }
    if (SUCCEEDED(hr))
        hr = control->QueryInterface(iid, object);
    control->Release();
    return hr;
}

IUnknown* MovieControl::FindInterface(REFIID iid) noexcept {
    IDispatch* const dispatch = this;
    IOleInPlaceObject* const inPlace = this;
    IPersistStreamInit* const persist = this;
    IProvideClassInfo2* const classInfo = this;
    return FindIn(iid, {{IID_IUnknown, dispatch},
                        {IID_IDispatch, dispatch},
                        {IID_IOleObject, static_cast<IOleObject*>(this)},
                        {IID_IOleWindow, inPlace},
                        {IID_IOleInPlaceObject, inPlace},
                        {IID_IOleInPlaceActiveObject, static_cast<IOleInPlaceActiveObject*>(this)},
                        {IID_IOleControl, static_cast<IOleControl*>(this)},
                        {IID_IPersist, persist},
                        {IID_IPersistStreamInit, persist},
                        {IID_IConnectionPointContainer, static_cast<IConnectionPointContainer*>(this)},
                        {IID_IProvideClassInfo, classInfo},
                        {IID_IProvideClassInfo2, classInfo}});
}

// --- Events ---------------------------------------------------------------------------------

HRESULT MovieControl::EnumConnectionPoints(IEnumConnectionPoints** points) noexcept {
    return CreateSinglePointEnumerator(&m_events, points);
}

HRESULT MovieControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept {
    if (!point)
        return E_POINTER;
    *point = nullptr;
    // IID_IDispatch too: a generic container connects without knowing our event interface.
    if (iid != kMovieControlEventsIid && iid != IID_IDispatch)
        return CONNECT_E_NOCONNECTION;
    *point = &m_events;
    m_events.AddRef();
    return S_OK;
}

HRESULT MovieControl::GetClassInfo(ITypeInfo** info) noexcept {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return E_NOTIMPL;
}

HRESULT MovieControl::GetGUID(DWORD kind, GUID* guid) noexcept {
    if (!guid)
        return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = kMovieControlEventsIid;
    return S_OK;
}

HRESULT MovieControl::FreezeEvents(BOOL freeze) noexcept {
    if (freeze)
        ++m_freezeCount;
    else if (m_freezeCount > 0)
        --m_freezeCount;
    return S_OK;
}

// --- Playback -------------------------------------------------------------------------------

void MovieControl::OpenMovie(std::wstring path) noexcept {
    m_moviePath = std::move(path);
    m_movie = m_moviePath.empty() ? nullptr : LoadMovieFile(m_moviePath);
    m_timeline.Reset(m_movie ? m_movie->frameCount : 0);
    StartPlayback();
    m_stage.Invalidate();
}

void MovieControl::StartPlayback() noexcept {
    m_stage.StopFrameTimer();
    // The first tick enters frame 0, so no event ever fires from inside a host's call.
    if (m_movie && m_stage.Handle())
        m_stage.StartFrameTimer(FrameIntervalMs(m_movie->header.FramesPerSecond()));
}

void MovieControl::OnFrameTimer() noexcept {
    AddRef();  // a sink may release the control while its events are fired
    const std::shared_ptr<const MovieDocument> movie = m_movie;
    if (movie) {
        if (const auto frame = m_timeline.Advance()) {
            m_stage.Invalidate();
            for (const MovieCommand& call : movie->CommandsAt(*frame)) {
                // A sink may freeze events or open another movie: the rest of this frame is moot.
                if (m_freezeCount > 0 || m_movie != movie)
                    break;
                m_events.FireFsCommand(call.command, call.args);
            }
        }
    }
    Release();
}

void MovieControl::PaintStage(HDC dc, const RECT& client) noexcept {
    m_renderer->Paint(dc, client, StageScene{m_movie.get(), m_timeline.CurrentFrame(), m_scale});
}

}  // namespace control
