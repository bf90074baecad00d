// The site of one hosted ActiveX control: the one object through which the control talks to its
// container (client site, in-place site, in-place frame, control site, and an IDispatch for the
// ambient properties), sharing one reference count.
//
// Activation, in this order: misc status; client site first if the control asks for that;
// persisted state (IPersistStreamInit::Load, or InitNew); client site; extent;
// DoVerb(OLEIVERB_INPLACEACTIVATE) in its own window; event connection.
// Tear-down in reverse: unadvise, in-place deactivate, Close(OLECLOSE_NOSAVE),
// SetClientSite(nullptr), release.
#pragma once

#include "framework/Wnd.h"
#include "platform/ComObject.h"
#include "platform/ComRef.h"

#include <windows.h>
#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>

#include <cstddef>
#include <optional>
#include <span>

class ControlContainer;
class EventSink;

class ControlSite final : public ComDispatchObject<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, IOleControlSite> {
public:
    ControlSite(ControlContainer& container, UINT id);

    // Creates and activates the control at the rectangle (client pixels of the container's
    // window). With a persisted stream the control loads it; without one it starts fresh.
    HRESULT Create(REFCLSID clsid, const RECT& rect, DWORD itemStyle,
                   std::optional<std::span<const std::byte>> persisted) noexcept;
    // Disconnects, deactivates, closes and releases the control; the site stays inert.
    void Destroy() noexcept;

    UINT GetId() const { return m_id; }
    ControlContainer* GetContainer() const { return m_container; }
    HWND GetControlWindow() const { return m_controlWindow; }
    IUnknown* GetControlUnknown() const { return m_object.get(); }
    // The control's dispatch interface, or null.
    IDispatch* GetControlDispatch();

    // Moves the control: new extent and object rectangles (client pixels).
    HRESULT MoveControl(const RECT& rect) noexcept;

    // The wrapper GetDlgItem hands out: the bound one, else the site's own.
    CWnd* GetWrapper();
    void SetBoundWrapper(CWnd* wrapper) { m_boundWrapper = wrapper; }
    CWnd* GetBoundWrapper() const { return m_boundWrapper; }

    // An event from the control, on its way to the container's owner.
    HRESULT DeliverEvent(DISPID dispid, const DISPPARAMS& params) noexcept;

    // IOleClientSite
    STDMETHODIMP SaveObject() noexcept override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) noexcept override;
    STDMETHODIMP GetContainer(IOleContainer** container) noexcept override;
    STDMETHODIMP ShowObject() noexcept override;
    STDMETHODIMP OnShowWindow(BOOL show) noexcept override;
    STDMETHODIMP RequestNewObjectLayout() noexcept override;

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* window) noexcept override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) noexcept override;

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() noexcept override;
    STDMETHODIMP OnInPlaceActivate() noexcept override;
    STDMETHODIMP OnUIActivate() noexcept override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) noexcept override;
    STDMETHODIMP Scroll(SIZE extent) noexcept override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) noexcept override;
    STDMETHODIMP OnInPlaceDeactivate() noexcept override;
    STDMETHODIMP DiscardUndoState() noexcept override;
    STDMETHODIMP DeactivateAndUndo() noexcept override;
    STDMETHODIMP OnPosRectChange(LPCRECT position) noexcept override;

    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(LPRECT border) noexcept override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) noexcept override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) noexcept override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) noexcept override;

    // IOleInPlaceFrame
    STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) noexcept override;
    STDMETHODIMP SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) noexcept override;
    STDMETHODIMP RemoveMenus(HMENU shared) noexcept override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) noexcept override;
    STDMETHODIMP EnableModeless(BOOL enable) noexcept override;
    STDMETHODIMP TranslateAccelerator(LPMSG message, WORD id) noexcept override;

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() noexcept override;
    STDMETHODIMP LockInPlaceActive(BOOL lock) noexcept override;
    STDMETHODIMP GetExtendedControl(IDispatch** control) noexcept override;
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) noexcept override;
    STDMETHODIMP TranslateAccelerator(LPMSG message, DWORD modifiers) noexcept override;
    STDMETHODIMP OnFocus(BOOL gotFocus) noexcept override;
    STDMETHODIMP ShowPropertyFrame() noexcept override;

    // IDispatch: the ambient properties, asked for by DISPID
    STDMETHODIMP Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* badArgument) noexcept override;

private:
    ~ControlSite() override;

    IUnknown* FindInterface(REFIID iid) noexcept override;

    HWND ContainerWindow() const;
    HRESULT LoadState(std::optional<std::span<const std::byte>> persisted);
    HRESULT SetExtentFromPixels(const RECT& rect);
    void ApplyItemStyle(DWORD itemStyle);
    void ConnectEvents();

    ControlContainer* m_container;  // null once destroyed
    UINT m_id;
    RECT m_rect{};
    HWND m_controlWindow = nullptr;
    bool m_inPlaceActive = false;
    bool m_moving = false;
    ComRef<IOleObject> m_object;
    ComRef<IOleInPlaceObject> m_inPlaceObject;
    ComRef<IOleInPlaceActiveObject> m_activeObject;
    ComRef<IDispatch> m_dispatch;
    ComRef<IConnectionPoint> m_connectionPoint;
    DWORD m_adviseCookie = 0;
    ComRef<EventSink> m_sink;
    CWnd m_ownWrapper;
    CWnd* m_boundWrapper = nullptr;
};
