// The movie control's identity, lifetime, events and playback.
#include "MovieControl.h"

#include "control/ControlGuids.h"
#include "ModuleRefs.h"
#include "utf/Utf.h"

#include <olectl.h>
#include <shellapi.h>

#include <cwchar>
#include <new>

namespace control {

MovieControl::MovieControl() noexcept : m_stage(*this), m_events(*this) {
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
    HRESULT hr = S_OK;
    try {
        control->ApplyState(DefaultControlState());
    } catch (...) {
        hr = E_OUTOFMEMORY;
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

namespace {

// Only web addresses leave the control for the browser; other schemes (scripts, files, other
// programs' protocols) are ignored.
bool IsWebAddress(const std::wstring& url) {
    for (const wchar_t* scheme : {L"http://", L"https://", L"mailto:"}) {
        const size_t length = wcslen(scheme);
        if (url.size() > length && CompareStringOrdinal(url.c_str(), int(length), scheme, -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

}  // namespace

void MovieControl::OpenMovie(std::wstring path) noexcept {
    m_moviePath = std::move(path);
    m_session = m_moviePath.empty() ? nullptr : std::shared_ptr<MovieSession>(MovieSession::Open(m_moviePath));
    ApplySettings();
    StartPlayback();
}

void MovieControl::StartPlayback() noexcept {
    m_stage.StopFrameTimer();
    // The first tick enters frame 0, so no event ever fires from inside a host's call. A movie
    // the engine cannot run is shown, not played.
    if (m_session && !m_session->NeedsActionScript3() && m_stage.Handle()) {
        m_clock.Start(GetTickCount64(), m_session->FrameIntervalMs());
        m_stage.StartFrameTimer(m_clock.TickMs());
    }
}

void MovieControl::OnFrameTimer() noexcept {
    // A sink that runs a message loop while it answers an event lets the next tick in: that tick
    // is skipped rather than run inside this one. A frame that took too long makes the clock
    // skip the frames it overran (and the system keeps at most one tick waiting).
    if (m_inTick || !m_clock.FrameDue(GetTickCount64()))
        return;
    m_inTick = true;
    AddRef();  // a sink may release the control while its events are fired
    if (const std::shared_ptr<MovieSession> session = m_session) {
        const bool first = !session->Entered();
        session->AdvanceFrame();
        if (first && !m_state.PlayOnStart())
            session->Stop();
        FinishEngineStep(session);
    }
    m_inTick = false;
    Release();
}

void MovieControl::FinishEngineStep(const std::shared_ptr<MovieSession>& session) noexcept {
    try {
        for (const MovieRequest& request : session->TakeRequests()) {
            // A sink may freeze events or open another movie: the rest of this frame is moot.
            if (m_session != session)
                return;
            if (request.kind == MovieRequest::Kind::OpenUrl) {
                // The engine asks only from a button's actions, so this follows the user's click.
                if (IsWebAddress(request.first))
                    ShellExecuteW(m_stage.Handle(), L"open", request.first.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
                continue;
            }
            if (m_freezeCount > 0)
                continue;
            m_events.FireFsCommand(utf::ToUtf16(request.first), utf::ToUtf16(request.second));
        }
    } catch (...) {
        // Out of memory while copying a text: the frame's remaining requests are dropped.
    }
    if (m_session == session && m_painter.IsStale(*session))
        m_stage.Invalidate();
}

void MovieControl::PaintStage(HDC dc, const RECT& client) noexcept {
    m_painter.Paint(dc, client, m_session.get());
}

void MovieControl::OnMouse(StageMouse event, int x, int y) noexcept {
    const std::shared_ptr<MovieSession> session = m_session;
    if (!session || session->NeedsActionScript3())
        return;
    AddRef();  // a button's FSCommand reaches sinks, which may release the control
    try {
        playback::Player& player = session->Player();
        switch (event) {
        case StageMouse::Move:
            player.MouseMove(float(x), float(y));
            break;
        case StageMouse::Down:
            player.MouseDown(float(x), float(y));
            break;
        case StageMouse::Up:
            player.MouseUp(float(x), float(y));
            break;
        case StageMouse::Leave:
            // Far outside every button: the buttons go back to their idle state.
            player.MouseMove(-1e7f, -1e7f);
            break;
        }
    } catch (...) {
    }
    FinishEngineStep(session);
    Release();
}

void MovieControl::OnKey(bool down, int virtualKey, int character) noexcept {
    const std::shared_ptr<MovieSession> session = m_session;
    if (!session || session->NeedsActionScript3())
        return;
    AddRef();  // a key's script may send an FSCommand, whose sink may release the control
    if (down)
        session->KeyDown(virtualKey, character);
    else
        session->KeyUp(virtualKey);
    FinishEngineStep(session);
    Release();
}

bool MovieControl::OverButton() noexcept {
    return m_session && !m_session->NeedsActionScript3() && m_session->Player().HandCursor();
}

}  // namespace control
