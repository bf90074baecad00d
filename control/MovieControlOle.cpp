// The movie control as an OLE object: client site, extent, verbs and in-place activation of its
// own child window in the site's window.
#include "MovieControl.h"

#include <olectl.h>

namespace control {
namespace {

// Misc status: a windowed, inside-out control that activates as soon as it is visible and wants
// its client site before its persisted state is loaded.
constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                              OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;

}  // namespace

// --- IOleObject -----------------------------------------------------------------------------

HRESULT MovieControl::SetClientSite(IOleClientSite* site) noexcept {
    if (!site)
        InPlaceDeactivate();  // the host lets go of us: our window goes with it
    m_clientSite = ComRef<IOleClientSite>(site);
    return S_OK;
}

HRESULT MovieControl::GetClientSite(IOleClientSite** site) noexcept {
    if (!site)
        return E_POINTER;
    *site = ComRef<IOleClientSite>(m_clientSite).detach();
    return S_OK;
}

HRESULT MovieControl::SetHostNames(LPCOLESTR, LPCOLESTR) noexcept {
    return S_OK;
}

HRESULT MovieControl::Close(DWORD) noexcept {
    // Nothing of ours needs saving: the persisted state only changes when the host loads it.
    InPlaceDeactivate();
    return S_OK;
}

HRESULT MovieControl::SetMoniker(DWORD, IMoniker*) noexcept {
    return E_NOTIMPL;
}

HRESULT MovieControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT MovieControl::InitFromData(IDataObject*, BOOL, DWORD) noexcept {
    return E_NOTIMPL;
}

HRESULT MovieControl::GetClipboardData(DWORD, IDataObject** data) noexcept {
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

HRESULT MovieControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) noexcept {
    if (site && !m_clientSite)
        m_clientSite = ComRef<IOleClientSite>(site);
    switch (verb) {
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:  // no menus or toolbars to show: in place is all there is
    case OLEIVERB_SHOW:
    case OLEIVERB_PRIMARY:
        return InPlaceActivate();
    case OLEIVERB_HIDE:
        m_stage.Show(false);
        return S_OK;
    default:
        if (verb > 0) {
            const HRESULT hr = InPlaceActivate();  // unknown positive verbs act as the primary one
            return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
        }
        return E_NOTIMPL;
    }
}

HRESULT MovieControl::EnumVerbs(IEnumOLEVERB** verbs) noexcept {
    if (verbs)
        *verbs = nullptr;
    return OLE_S_USEREG;
}

HRESULT MovieControl::Update() noexcept {
    return S_OK;
}
HRESULT MovieControl::IsUpToDate() noexcept {
    return S_OK;
}

HRESULT MovieControl::GetUserClassID(CLSID* clsid) noexcept {
    return GetClassID(clsid);
}

HRESULT MovieControl::GetUserType(DWORD, LPOLESTR* type) noexcept {
    if (type)
        *type = nullptr;
    return OLE_S_USEREG;
}

HRESULT MovieControl::SetExtent(DWORD aspect, SIZEL* size) noexcept {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    // Only remembered (and saved with the state). The window follows the rectangles the site
    // gives through SetObjectRects: the control fills whatever it is given and never asks the
    // site for another rectangle, so a host that sets the extent in the middle of its own move
    // is not called back.
    m_state.extentWidth = size->cx;
    m_state.extentHeight = size->cy;
    return S_OK;
}

HRESULT MovieControl::GetExtent(DWORD aspect, SIZEL* size) noexcept {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    size->cx = m_state.extentWidth;
    size->cy = m_state.extentHeight;
    return S_OK;
}

// The control has no data or view changes to report to an advise sink.
HRESULT MovieControl::Advise(IAdviseSink*, DWORD* connection) noexcept {
    if (connection)
        *connection = 0;
    return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT MovieControl::Unadvise(DWORD) noexcept {
    return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT MovieControl::EnumAdvise(IEnumSTATDATA** advise) noexcept {
    if (advise)
        *advise = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT MovieControl::GetMiscStatus(DWORD, DWORD* status) noexcept {
    if (!status)
        return E_POINTER;
    *status = kMiscStatus;
    return S_OK;
}

HRESULT MovieControl::SetColorScheme(LOGPALETTE*) noexcept {
    return E_NOTIMPL;
}

// --- In-place activation --------------------------------------------------------------------

HRESULT MovieControl::InPlaceActivate() noexcept {
    if (m_inPlaceSite) {
        m_stage.Show(true);
        return S_OK;
    }
    if (!m_clientSite)
        return E_UNEXPECTED;
    ComRef<IOleInPlaceSite> site = m_clientSite.As<IOleInPlaceSite>(IID_IOleInPlaceSite);
    if (!site)
        return E_NOINTERFACE;
    if (site->CanInPlaceActivate() != S_OK)
        return E_FAIL;
    HRESULT hr = site->OnInPlaceActivate();
    if (FAILED(hr))
        return hr;

    HWND parent = nullptr;
    RECT position{}, clip{};
    ComRef<IOleInPlaceFrame> frame;
    ComRef<IOleInPlaceUIWindow> document;
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    hr = site->GetWindow(&parent);
    if (SUCCEEDED(hr))
        hr = site->GetWindowContext(frame.put(), document.put(), &position, &clip, &frameInfo);
    if (SUCCEEDED(hr) && !m_stage.Create(parent, position))
        hr = E_FAIL;
    if (FAILED(hr)) {
        site->OnInPlaceDeactivate();
        return hr;
    }
    m_inPlaceSite = std::move(site);
    m_position = position;
    StartPlayback();
    return S_OK;
}

HRESULT MovieControl::InPlaceDeactivate() noexcept {
    if (!m_inPlaceSite)
        return S_OK;
    m_stage.Destroy();
    // Cleared before the call: the site may call back into us while it is told.
    ComRef<IOleInPlaceSite> site = std::move(m_inPlaceSite);
    site->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT MovieControl::UIDeactivate() noexcept {
    return S_OK;
}

HRESULT MovieControl::SetObjectRects(LPCRECT position, LPCRECT) noexcept {
    if (!position)
        return E_POINTER;
    // The clip rectangle is not applied: the site's window clips its children already.
    m_position = *position;
    m_stage.Move(m_position);
    return S_OK;
}

HRESULT MovieControl::ReactivateAndUndo() noexcept {
    return INPLACE_E_NOTUNDOABLE;
}

HRESULT MovieControl::GetWindow(HWND* window) noexcept {
    if (!window)
        return E_POINTER;
    *window = m_stage.Handle();
    return *window ? S_OK : E_FAIL;
}

HRESULT MovieControl::ContextSensitiveHelp(BOOL) noexcept {
    return E_NOTIMPL;
}

// --- IOleInPlaceActiveObject ----------------------------------------------------------------

HRESULT MovieControl::TranslateAccelerator(LPMSG) noexcept {
    return S_FALSE;
}
HRESULT MovieControl::OnFrameWindowActivate(BOOL) noexcept {
    return S_OK;
}
HRESULT MovieControl::OnDocWindowActivate(BOOL) noexcept {
    return S_OK;
}
HRESULT MovieControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept {
    return S_OK;
}
HRESULT MovieControl::EnableModeless(BOOL) noexcept {
    return S_OK;
}

// --- IOleControl ----------------------------------------------------------------------------

HRESULT MovieControl::GetControlInfo(CONTROLINFO* info) noexcept {
    if (!info)
        return E_POINTER;
    // No mnemonics: the movie takes no keyboard shortcuts from the host.
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

HRESULT MovieControl::OnMnemonic(MSG*) noexcept {
    return E_NOTIMPL;
}
HRESULT MovieControl::OnAmbientPropertyChange(DISPID) noexcept {
    return S_OK;
}

}  // namespace control
