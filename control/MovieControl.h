// The movie control: a windowed ActiveX control that plays a movie file named by its Movie
// property, takes its settings from the persisted property stream and reports the movie's
// FSCommand calls as events. The COM surface is here; parsing, layout, painting and the timer
// live in their own classes.
#pragma once

#include "control/ControlState.h"
#include "EventConnectionPoint.h"
#include "MovieSession.h"
#include "control/StageLayout.h"
#include "StagePainter.h"
#include "StageWindow.h"
#include "control/Timeline.h"
#include "platform/ComObject.h"
#include "platform/ComRef.h"

#include <ocidl.h>
#include <oleidl.h>

#include <memory>
#include <string>

namespace control {

class MovieControl final : public ComDispatchObject<IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject, IOleControl,
                                                    IPersistStreamInit, IConnectionPointContainer, IProvideClassInfo2>,
                           private StageWindowHost {
public:
    // A new control with one reference, queried for `iid`.
    static HRESULT Create(REFIID iid, void** object) noexcept;

    // IDispatch, without a type library: names and ids come from a table (MovieControlIds.h).
    // GetTypeInfoCount (none) is the base's.
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) noexcept override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) noexcept override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) noexcept override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR application, LPCOLESTR document) noexcept override;
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) noexcept override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) noexcept override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) noexcept override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) noexcept override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* site, LONG index, HWND parent,
                                     LPCRECT position) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) noexcept override;
    HRESULT STDMETHODCALLTYPE Update() noexcept override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() noexcept override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) noexcept override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) noexcept override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) noexcept override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) noexcept override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) noexcept override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) noexcept override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) noexcept override;

    // IOleWindow (shared by IOleInPlaceObject and IOleInPlaceActiveObject)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) noexcept override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) noexcept override;

    // IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() noexcept override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() noexcept override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) noexcept override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() noexcept override;

    // IOleInPlaceActiveObject: no menus, toolbars or accelerators of its own.
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) noexcept override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) noexcept override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) noexcept override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) noexcept override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) noexcept override;

    // IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) noexcept override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* message) noexcept override;
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) noexcept override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) noexcept override;

    // IPersist, IPersistStreamInit
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) noexcept override;
    HRESULT STDMETHODCALLTYPE IsDirty() noexcept override;
    HRESULT STDMETHODCALLTYPE Load(IStream* stream) noexcept override;
    HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) noexcept override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) noexcept override;
    HRESULT STDMETHODCALLTYPE InitNew() noexcept override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) noexcept override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept override;

    // IProvideClassInfo2: the event interface's IID; no type information (no type library).
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) noexcept override;

private:
    MovieControl() noexcept;
    ~MovieControl() override;

    IUnknown* FindInterface(REFIID iid) noexcept override;

    // StageWindowHost
    void OnFrameTimer() noexcept override;
    void PaintStage(HDC dc, const RECT& client) noexcept override;
    void OnMouse(StageMouse event, int x, int y) noexcept override;
    bool OverButton() noexcept override;
    void OnKey(bool down, int virtualKey, int character) noexcept override;

    HRESULT InPlaceActivate() noexcept;
    void ApplyState(ControlState state) noexcept;
    // Hands the settings of m_state to the playing movie and draws again.
    void ApplySettings() noexcept;
    HRESULT PutMovie(const DISPPARAMS& params, UINT* argumentError) noexcept;
    // A put of a settable property other than Movie, its value converted to `type` first.
    HRESULT PutProperty(DISPID id, VARTYPE type, const VARIANT& value) noexcept;
    HRESULT CallMethod(DISPID id, const DISPPARAMS& params, VARIANT* result, UINT* argumentError) noexcept;
    void OpenMovie(std::wstring path) noexcept;
    void StartPlayback() noexcept;
    // After the engine ran (a frame, a host's call, the mouse): delivers the movie's requests
    // and redraws when the scene changed.
    void FinishEngineStep(const std::shared_ptr<MovieSession>& session) noexcept;

    ComRef<IOleClientSite> m_clientSite;
    ComRef<IOleInPlaceSite> m_inPlaceSite;  // set while in-place active
    RECT m_position{};                      // in the site window's client coordinates
    ControlState m_state;
    std::wstring m_moviePath;
    // nullptr: no playable movie. Shared so that a tick keeps its movie alive while a sink that
    // answers its events opens another.
    std::shared_ptr<MovieSession> m_session;
    StagePainter m_painter;
    FrameClock m_clock;
    StageWindow m_stage;
    EventConnectionPoint m_events;
    LONG m_freezeCount = 0;
    bool m_inTick = false;
};

}  // namespace control
