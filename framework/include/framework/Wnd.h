// CWnd: the framework's object for one window. Thin members over the window functions, message
// dispatch through the class's message map, and, for a window that hosts ActiveX controls,
// its control container.
//
// Three kinds of CWnd:
//   - windows the framework runs (dialogs, windows made by Create): their messages go through
//     the object's message map; the object destroys the window with itself;
//   - wrappers bound to a dialog's child by data exchange (DDX_Control), or to a hosted
//     control (CreateControl): GetDlgItem returns them; they are unbound when the dialog goes;
//   - temporary wrappers returned by FromHandle / GetDlgItem for any other window: valid while
//     the window exists, owned by the framework.
#pragma once

#include "framework/CmdTarget.h"
#include "framework/RuntimeClass.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class ControlContainer;
class ControlSite;
struct CCreateContext;  // kept for the Create signature; the framework never uses one

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    static const CRuntimeClass classCWnd;
    virtual const CRuntimeClass* GetRuntimeClass() const;

    // The framework's object for a window; null for null.
    static CWnd* FromHandle(HWND hwnd);

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Wraps an existing window without taking it over (no message map, not destroyed here).
    bool Attach(HWND hwnd);
    HWND Detach();

    // Creates a window of a registered class and runs it through this object's message map.
    virtual BOOL Create(const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect,
                        CWnd* parent, UINT id, CCreateContext* context = nullptr);
    // Creates an ActiveX control of the class as a child of the parent, in place active in its
    // own window at the rectangle (client pixels of the parent), with fresh state; this object
    // becomes its wrapper.
    BOOL CreateControl(REFCLSID clsid, const wchar_t* windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // Destroys the window, or the hosted control this object wraps.
    virtual BOOL DestroyWindow();

    // The child with the id: the bound wrapper if one is bound to it, else the hosted
    // control's wrapper, else a temporary wrapper; null when there is no such child.
    CWnd* GetDlgItem(int id) const;
    int GetDlgCtrlID() const;

    void GetWindowRect(RECT* rect) const;
    void GetClientRect(RECT* rect) const;
    // For a hosted control the move goes through the control (its object rectangles).
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(const RECT* rect, BOOL repaint = TRUE);
    void ScreenToClient(RECT* rect) const;
    void ScreenToClient(POINT* point) const;
    void ClientToScreen(RECT* rect) const;
    void SetWindowText(const wchar_t* text);
    std::wstring GetWindowText() const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    HMENU GetSystemMenu(BOOL revert) const;
    BOOL IsIconic() const;
    BOOL IsWindowVisible() const;
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int command);
    BOOL EnableWindow(BOOL enable = TRUE);
    void UpdateWindow();
    DWORD GetStyle() const;
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr);
    BOOL KillTimer(UINT_PTR id);
    // A message box owned by this window; a null caption gives the application's name.
    int MessageBox(const wchar_t* text, const wchar_t* caption = nullptr, UINT type = MB_OK);

    // Calls the hosted control's dispatch interface: a method, or a property get or put.
    // The parameter list is a VTS_ string (EventSinkMap.h); VTS_BSTR arguments are passed as
    // const wchar_t*. Results: VT_I4 into long, VT_BOOL into BOOL, VT_BSTR into std::wstring.
    // Does nothing (and says so) when this object wraps no control.
    HRESULT InvokeHelper(DISPID dispid, WORD flags, VARTYPE vtRet, void* pvRet, const BYTE* paramInfo, ...);

    ControlSite* GetControlSite() const { return m_pCtrlSite; }
    IUnknown* GetControlUnknown() const;

    // Binds a wrapper to the child (or hosted control) with the id, for DDX_Control. False
    // when there is no such child; a wrapper that is already bound stays as it is.
    bool BindDlgItem(int id, CWnd& wrapper);

protected:
    // Default processing of the message being handled.
    LRESULT Default();
    // Every message of a window the framework runs comes here first.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Looks the message up in the message map and runs its handler.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // The base handlers: default processing.
    void OnSize(UINT type, int cx, int cy);
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnTimer(UINT_PTR id);
    void OnDestroy();

    // The container of this window's hosted controls; created on first need.
    ControlContainer& EnsureControlContainer();
    ControlContainer* GetControlContainer() const { return m_pCtrlCont.get(); }

    // Creates a window through the given call and takes it over from its first message on:
    // the first window the call creates (other than the system's input-method window).
    template <typename CreateCall>
    HWND CreateAndTakeOver(CreateCall&& create);

    DECLARE_MESSAGE_MAP()

private:
    friend LRESULT CALLBACK FrameworkWindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    friend LRESULT CALLBACK CreationHookProc(int, WPARAM, LPARAM) noexcept;
    friend class ControlSite;

    void TakeOver(HWND hwnd);
    void WindowGone();
    void UnbindAll();
    void BindToSite(ControlSite& site);
    void Unbind();

    WNDPROC m_superProc = nullptr;       // the window's procedure before we took it over
    MSG m_currentMessage{};              // the message being handled, for Default
    bool m_ownsWindow = false;           // the window was created or taken over by this object
    ControlSite* m_pCtrlSite = nullptr;  // the hosted control this object wraps
    CWnd* m_boundParent = nullptr;       // the window this wrapper is bound into
    std::vector<CWnd*> m_boundWrappers;  // wrappers bound to this window's children
    std::unique_ptr<ControlContainer> m_pCtrlCont;
};

// Creation of a framework window: a thread-wide hook sees the window's creation before its
// first message and hands it to the object waiting for it.
struct PendingCreation {
    CWnd* wnd;  // null once taken
};
PendingCreation* ExchangePendingCreation(PendingCreation* next);
HHOOK InstallCreationHook();

template <typename CreateCall>
HWND CWnd::CreateAndTakeOver(CreateCall&& create) {
    PendingCreation pending{this};
    PendingCreation* outer = ExchangePendingCreation(&pending);
    HHOOK hook = InstallCreationHook();
    HWND hwnd = create();
    if (hook)
        UnhookWindowsHookEx(hook);
    ExchangePendingCreation(outer);
    return hwnd;
}
