// The movie control's identity, lifetime, events and playback.
#include "MovieControl.h"

#include "control/ControlGuids.h"
#include "ModuleRefs.h"
#include "MovieFile.h"

#include <olectl.h>

#include <new>

namespace control {

MovieControl::MovieControl() noexcept
    : renderer_(CreateBackgroundRenderer()), stage_(*this), events_(*this) {
    AddModuleRef();
}

MovieControl::~MovieControl() {
    // A host that skipped the teardown still gets its window back clean.
    stage_.Destroy();
    events_.DisconnectAll();
    ReleaseModuleRef();
}

HRESULT MovieControl::Create(REFIID iid, void** object) noexcept {
    if (!object) return E_POINTER;
    *object = nullptr;
    MovieControl* control = new (std::nothrow) MovieControl();
    if (!control) return E_OUTOFMEMORY;
    HRESULT hr = control->renderer_ ? S_OK : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) {
        try {
            control->ApplyState(DefaultControlState());
        } catch (...) {
            hr = E_OUTOFMEMORY;
        }
    }
    if (SUCCEEDED(hr)) hr = control->QueryInterface(iid, object);
    control->Release();
    return hr;
}

HRESULT MovieControl::QueryInterface(REFIID iid, void** object) noexcept {
    if (!object) return E_POINTER;
    IUnknown* found = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch) found = static_cast<IDispatch*>(this);
    else if (iid == IID_IOleObject) found = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) found = static_cast<IOleInPlaceObject*>(this);
    else if (iid == IID_IOleInPlaceActiveObject) found = static_cast<IOleInPlaceActiveObject*>(this);
    else if (iid == IID_IOleControl) found = static_cast<IOleControl*>(this);
    else if (iid == IID_IPersist || iid == IID_IPersistStreamInit) found = static_cast<IPersistStreamInit*>(this);
    else if (iid == IID_IConnectionPointContainer) found = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) found = static_cast<IProvideClassInfo2*>(this);
    *object = found;
    if (!found) return E_NOINTERFACE;
    found->AddRef();
    return S_OK;
}

ULONG MovieControl::AddRef() noexcept { return ULONG(InterlockedIncrement(&refs_)); }

ULONG MovieControl::Release() noexcept {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return ULONG(left);
}

// --- Events ---------------------------------------------------------------------------------

HRESULT MovieControl::EnumConnectionPoints(IEnumConnectionPoints** points) noexcept {
    return CreateSinglePointEnumerator(&events_, points);
}

HRESULT MovieControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept {
    if (!point) return E_POINTER;
    *point = nullptr;
    // IID_IDispatch too: a generic container connects without knowing our event interface.
    if (iid != kMovieControlEventsIid && iid != IID_IDispatch) return CONNECT_E_NOCONNECTION;
    *point = &events_;
    events_.AddRef();
    return S_OK;
}

HRESULT MovieControl::GetClassInfo(ITypeInfo** info) noexcept {
    if (!info) return E_POINTER;
    *info = nullptr;
    return E_NOTIMPL;
}

HRESULT MovieControl::GetGUID(DWORD kind, GUID* guid) noexcept {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = kMovieControlEventsIid;
    return S_OK;
}

HRESULT MovieControl::FreezeEvents(BOOL freeze) noexcept {
    if (freeze) ++freezeCount_;
    else if (freezeCount_ > 0) --freezeCount_;
    return S_OK;
}

// --- Playback -------------------------------------------------------------------------------

void MovieControl::OpenMovie(std::wstring path) noexcept {
    moviePath_ = std::move(path);
    movie_ = moviePath_.empty() ? nullptr : LoadMovieFile(moviePath_);
    timeline_.Reset(movie_ ? movie_->frameCount : 0);
    StartPlayback();
    stage_.Invalidate();
}

void MovieControl::StartPlayback() noexcept {
    stage_.StopFrameTimer();
    // The first tick enters frame 0, so no event ever fires from inside a host's call.
    if (movie_ && stage_.Handle()) stage_.StartFrameTimer(FrameIntervalMs(movie_->header.FramesPerSecond()));
}

void MovieControl::OnFrameTimer() noexcept {
    AddRef();  // a sink may release the control while its events are fired
    const std::shared_ptr<const MovieDocument> movie = movie_;
    if (movie) {
        if (const auto frame = timeline_.Advance()) {
            stage_.Invalidate();
            for (const MovieCommand& call : movie->CommandsAt(*frame)) {
                // A sink may freeze events or open another movie: the rest of this frame is moot.
                if (freezeCount_ > 0 || movie_ != movie) break;
                events_.FireFsCommand(call.command, call.args);
            }
        }
    }
    Release();
}

void MovieControl::PaintStage(HDC dc, const RECT& client) noexcept {
    renderer_->Paint(dc, client, StageScene{movie_.get(), timeline_.CurrentFrame(), scale_});
}

}  // namespace control
