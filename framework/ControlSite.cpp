#include "framework/ControlSite.h"

#include "framework/ControlContainer.h"
#include "EventSink.h"

#include <cmath>
#include <new>

namespace {

constexpr int kHimetricPerInch = 2540;

SIZE ScreenDpi() {
    SIZE dpi{96, 96};
    if (HDC screen = GetDC(nullptr)) {
        dpi.cx = GetDeviceCaps(screen, LOGPIXELSX);
        dpi.cy = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return dpi;
}

HRESULT StreamOver(std::span<const std::byte> bytes, ComRef<IStream>& stream) {
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    if (FAILED(hr))
        return hr;
    // Written, not adopted: a stream made over an existing block takes the block's rounded-up
    // size, and the control must see exactly the persisted bytes.
    if (!bytes.empty()) {
        ULONG written = 0;
        hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        if (FAILED(hr))
            return hr;
        if (written != bytes.size())
            return STG_E_MEDIUMFULL;
    }
    const LARGE_INTEGER start{};
    return stream->Seek(start, STREAM_SEEK_SET, nullptr);
}

void SetBool(VARIANT* v, bool value) {
    v->vt = VT_BOOL;
    v->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetLong(VARIANT* v, long value) {
    v->vt = VT_I4;
    v->lVal = value;
}

}  // namespace

ControlSite::ControlSite(ControlContainer& container, UINT id) : m_container(&container), m_id(id) {}

ControlSite::~ControlSite() {
    m_ownWrapper.m_pCtrlSite = nullptr;
}

HWND ControlSite::ContainerWindow() const {
    return m_container ? m_container->Owner().m_hWnd : nullptr;
}

HRESULT ControlSite::Create(REFCLSID clsid, const RECT& rect, DWORD itemStyle,
                            std::optional<std::span<const std::byte>> persisted) noexcept {
    if (m_container == nullptr)
        return E_UNEXPECTED;
    m_rect = rect;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, m_object.put_void());
    if (FAILED(hr))
        return hr;

    DWORD misc = 0;
    if (FAILED(m_object->GetMiscStatus(DVASPECT_CONTENT, &misc)))
        misc = 0;
    const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst)
        m_object->SetClientSite(this);
    hr = LoadState(persisted);
    if (SUCCEEDED(hr) && !siteFirst)
        hr = m_object->SetClientSite(this);
    if (SUCCEEDED(hr)) {
        SetExtentFromPixels(m_rect);
        hr = m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, ContainerWindow(), &m_rect);
    }
    if (FAILED(hr)) {
        Destroy();
        return hr;
    }

    m_inPlaceObject = m_object.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    if (m_inPlaceObject)
        m_inPlaceObject->GetWindow(&m_controlWindow);
    if (m_controlWindow) {
        SetWindowLongPtrW(m_controlWindow, GWLP_ID, static_cast<LONG_PTR>(m_id));
        ApplyItemStyle(itemStyle);
    }
    ConnectEvents();
    return S_OK;
}

HRESULT ControlSite::LoadState(std::optional<std::span<const std::byte>> persisted) {
    ComRef<IPersistStreamInit> persistInit = m_object.As<IPersistStreamInit>(IID_IPersistStreamInit);
    if (!persisted)
        return persistInit ? persistInit->InitNew() : S_OK;

    ComRef<IStream> stream;
    HRESULT hr = StreamOver(*persisted, stream);
    if (FAILED(hr))
        return hr;
    if (persistInit)
        return persistInit->Load(stream.get());
    if (ComRef<IPersistStream> persist = m_object.As<IPersistStream>(IID_IPersistStream))
        return persist->Load(stream.get());
    return S_OK;  // a control without persisted state of its own
}

HRESULT ControlSite::SetExtentFromPixels(const RECT& rect) {
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    if (!m_object || width < 0 || height < 0)
        return S_FALSE;
    const SIZE dpi = ScreenDpi();
    SIZEL extent{MulDiv(width, kHimetricPerInch, dpi.cx), MulDiv(height, kHimetricPerInch, dpi.cy)};
    return m_object->SetExtent(DVASPECT_CONTENT, &extent);
}

void ControlSite::ApplyItemStyle(DWORD itemStyle) {
    // The template's tab-stop and group bits, visibility and enabled state; the rest of the
    // style is the control's own.
    constexpr DWORD kFromTemplate = WS_TABSTOP | WS_GROUP;
    const LONG style = GetWindowLongW(m_controlWindow, GWL_STYLE);
    SetWindowLongW(m_controlWindow, GWL_STYLE,
                   static_cast<LONG>((static_cast<DWORD>(style) & ~kFromTemplate) | (itemStyle & kFromTemplate)));
    if (itemStyle & WS_DISABLED)
        ::EnableWindow(m_controlWindow, FALSE);
    ::ShowWindow(m_controlWindow, (itemStyle & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);
}

void ControlSite::ConnectEvents() {
    const ComRef<IProvideClassInfo2> classInfo = m_object.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
    IID eventsIid{};
    if (!classInfo || FAILED(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &eventsIid)))
        return;  // a control without events
    const ComRef<IConnectionPointContainer> points =
        m_object.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!points)
        return;
    ComRef<IConnectionPoint> point;
    if (FAILED(points->FindConnectionPoint(eventsIid, point.put())))
        return;
    EventSink* sink = new (std::nothrow) EventSink(*this, eventsIid);
    if (sink == nullptr)
        return;
    ComRef<EventSink> owned = ComRef<EventSink>::Adopt(sink);
    DWORD cookie = 0;
    if (FAILED(point->Advise(static_cast<IDispatch*>(sink), &cookie)))
        return;
    m_sink = std::move(owned);
    m_connectionPoint = std::move(point);
    m_adviseCookie = cookie;
}

void ControlSite::Destroy() noexcept {
    if (m_container == nullptr)
        return;
    AddRef();  // the calls below may drop the container's reference
    if (m_connectionPoint) {
        m_connectionPoint->Unadvise(m_adviseCookie);
        m_connectionPoint.reset();
    }
    if (m_sink) {
        m_sink->Detach();
        m_sink.reset();
    }
    if (m_inPlaceObject)
        m_inPlaceObject->InPlaceDeactivate();
    if (m_object) {
        m_object->Close(OLECLOSE_NOSAVE);
        m_object->SetClientSite(nullptr);
    }
    m_activeObject.reset();
    m_inPlaceObject.reset();
    m_dispatch.reset();
    m_object.reset();
    if (m_boundWrapper)
        m_boundWrapper->Unbind();
    m_boundWrapper = nullptr;
    m_ownWrapper.m_hWnd = nullptr;
    m_ownWrapper.m_pCtrlSite = nullptr;
    m_controlWindow = nullptr;
    m_container = nullptr;
    Release();
}

IDispatch* ControlSite::GetControlDispatch() {
    if (!m_dispatch && m_object)
        m_dispatch = m_object.As<IDispatch>(IID_IDispatch);
    return m_dispatch.get();
}

HRESULT ControlSite::MoveControl(const RECT& rect) noexcept {
    if (m_container == nullptr)
        return E_UNEXPECTED;
    if (m_moving)
        return S_OK;  // the control asked for a new position while being moved
    m_moving = true;
    const bool resized = (rect.right - rect.left) != (m_rect.right - m_rect.left) ||
                         (rect.bottom - rect.top) != (m_rect.bottom - m_rect.top);
    m_rect = rect;
    if (resized)
        SetExtentFromPixels(m_rect);
    HRESULT hr = S_OK;
    if (m_inPlaceObject) {
        RECT clip;
        ::GetClientRect(ContainerWindow(), &clip);
        hr = m_inPlaceObject->SetObjectRects(&m_rect, &clip);
    } else if (m_controlWindow) {
        ::MoveWindow(m_controlWindow, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    m_moving = false;
    return hr;
}

CWnd* ControlSite::GetWrapper() {
    if (m_boundWrapper)
        return m_boundWrapper;
    m_ownWrapper.m_hWnd = m_controlWindow;
    m_ownWrapper.m_pCtrlSite = m_container ? this : nullptr;
    return &m_ownWrapper;
}

HRESULT ControlSite::DeliverEvent(DISPID dispid, const DISPPARAMS& params) noexcept {
    if (m_container == nullptr)
        return S_OK;
    AddRef();  // a handler may destroy the control
    HRESULT hr = S_OK;
    try {
        hr = m_container->Owner().OnEvent(m_id, dispid, params);
    } catch (...) {
        hr = E_UNEXPECTED;
    }
    Release();
    return hr;
}

// --- IUnknown -------------------------------------------------------------------------------

IUnknown* ControlSite::FindInterface(REFIID iid) noexcept {
    IOleClientSite* const client = this;
    IOleInPlaceSite* const inPlace = this;
    IOleInPlaceFrame* const frame = this;
    return FindIn(iid, {{IID_IUnknown, client},
                        {IID_IOleClientSite, client},
                        {IID_IOleWindow, inPlace},
                        {IID_IOleInPlaceSite, inPlace},
                        {IID_IOleInPlaceUIWindow, frame},
                        {IID_IOleInPlaceFrame, frame},
                        {IID_IOleControlSite, static_cast<IOleControlSite*>(this)},
                        {IID_IDispatch, static_cast<IDispatch*>(this)}});
}

// --- IOleClientSite: a dialog has no storage and no monikers ---------------------------------

STDMETHODIMP ControlSite::SaveObject() noexcept {
    return E_NOTIMPL;
}

STDMETHODIMP ControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlSite::GetContainer(IOleContainer** container) noexcept {
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ControlSite::ShowObject() noexcept {
    return S_OK;
}

STDMETHODIMP ControlSite::OnShowWindow(BOOL) noexcept {
    return S_OK;
}

STDMETHODIMP ControlSite::RequestNewObjectLayout() noexcept {
    return E_NOTIMPL;
}

// --- IOleWindow -------------------------------------------------------------------------------

STDMETHODIMP ControlSite::GetWindow(HWND* window) noexcept {
    if (window == nullptr)
        return E_POINTER;
    *window = ContainerWindow();
    return *window ? S_OK : E_FAIL;
}

STDMETHODIMP ControlSite::ContextSensitiveHelp(BOOL) noexcept {
    return S_OK;
}

// --- IOleInPlaceSite --------------------------------------------------------------------------

STDMETHODIMP ControlSite::CanInPlaceActivate() noexcept {
    return m_container ? S_OK : S_FALSE;
}

STDMETHODIMP ControlSite::OnInPlaceActivate() noexcept {
    m_inPlaceActive = true;
    return S_OK;
}

STDMETHODIMP ControlSite::OnUIActivate() noexcept {
    return S_OK;
}

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) noexcept {
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr || frameInfo == nullptr)
        return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;  // the dialog is both frame and document
    *position = m_rect;
    ::GetClientRect(ContainerWindow(), clip);
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = ContainerWindow();
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP ControlSite::Scroll(SIZE) noexcept {
    return E_NOTIMPL;
}  // a dialog does not scroll

STDMETHODIMP ControlSite::OnUIDeactivate(BOOL) noexcept {
    return S_OK;
}

STDMETHODIMP ControlSite::OnInPlaceDeactivate() noexcept {
    m_inPlaceActive = false;
    return S_OK;
}

STDMETHODIMP ControlSite::DiscardUndoState() noexcept {
    return S_OK;
}

STDMETHODIMP ControlSite::DeactivateAndUndo() noexcept {
    if (m_inPlaceObject)
        m_inPlaceObject->UIDeactivate();
    return S_OK;
}

STDMETHODIMP ControlSite::OnPosRectChange(LPCRECT position) noexcept {
    if (position == nullptr)
        return E_POINTER;
    return MoveControl(*position);
}

// --- IOleInPlaceUIWindow / IOleInPlaceFrame: no toolbars, menus or status line ----------------

STDMETHODIMP ControlSite::GetBorder(LPRECT) noexcept {
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP ControlSite::RequestBorderSpace(LPCBORDERWIDTHS) noexcept {
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP ControlSite::SetBorderSpace(LPCBORDERWIDTHS widths) noexcept {
    return widths == nullptr ? S_OK : INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP ControlSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) noexcept {
    m_activeObject = ComRef<IOleInPlaceActiveObject>(object);  // a reference of our own
    return S_OK;
}

STDMETHODIMP ControlSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) noexcept {
    if (widths)
        *widths = OLEMENUGROUPWIDTHS{};
    return S_OK;
}

STDMETHODIMP ControlSite::SetMenu(HMENU, HOLEMENU, HWND) noexcept {
    return S_OK;
}

STDMETHODIMP ControlSite::RemoveMenus(HMENU) noexcept {
    return S_OK;
}

STDMETHODIMP ControlSite::SetStatusText(LPCOLESTR) noexcept {
    return S_OK;
}

STDMETHODIMP ControlSite::EnableModeless(BOOL) noexcept {
    return S_OK;
}

STDMETHODIMP ControlSite::TranslateAccelerator(LPMSG, WORD) noexcept {
    return S_FALSE;
}

// --- IOleControlSite --------------------------------------------------------------------------

STDMETHODIMP ControlSite::OnControlInfoChanged() noexcept {
    return S_OK;
}

STDMETHODIMP ControlSite::LockInPlaceActive(BOOL) noexcept {
    return E_NOTIMPL;
}

STDMETHODIMP ControlSite::GetExtendedControl(IDispatch** control) noexcept {
    if (control)
        *control = nullptr;
    return E_NOTIMPL;  // no extended control object
}

STDMETHODIMP ControlSite::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) noexcept {
    if (himetric == nullptr || container == nullptr)
        return E_POINTER;
    const SIZE dpi = ScreenDpi();
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
        container->x = static_cast<float>(himetric->x) * dpi.cx / kHimetricPerInch;
        container->y = static_cast<float>(himetric->y) * dpi.cy / kHimetricPerInch;
        return S_OK;
    }
    if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
        himetric->x = std::lround(container->x * kHimetricPerInch / dpi.cx);
        himetric->y = std::lround(container->y * kHimetricPerInch / dpi.cy);
        return S_OK;
    }
    return E_INVALIDARG;
}

STDMETHODIMP ControlSite::TranslateAccelerator(LPMSG, DWORD) noexcept {
    return S_FALSE;
}

STDMETHODIMP ControlSite::OnFocus(BOOL) noexcept {
    return S_OK;
}

STDMETHODIMP ControlSite::ShowPropertyFrame() noexcept {
    return E_NOTIMPL;
}

// --- IDispatch: ambient properties -----------------------------------------------------------

STDMETHODIMP ControlSite::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                 UINT*) noexcept {
    if (!(flags & DISPATCH_PROPERTYGET) || result == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    switch (dispid) {
    case DISPID_AMBIENT_USERMODE:  // running, not being designed
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
    case DISPID_AMBIENT_AUTOCLIP:
        SetBool(result, true);
        return S_OK;
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
    case DISPID_AMBIENT_MESSAGEREFLECT:
        SetBool(result, false);
        return S_OK;
    case DISPID_AMBIENT_BACKCOLOR:
        SetLong(result, static_cast<long>(0x80000000u | COLOR_BTNFACE));  // a system colour
        return S_OK;
    case DISPID_AMBIENT_FORECOLOR:
        SetLong(result, static_cast<long>(0x80000000u | COLOR_BTNTEXT));
        return S_OK;
    case DISPID_AMBIENT_LOCALEID:
        SetLong(result, static_cast<long>(GetUserDefaultLCID()));
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}
