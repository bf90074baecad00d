#include "framework/Wnd.h"

#include "framework/ControlContainer.h"
#include "framework/ControlSite.h"
#include "DispatchCall.h"
#include "framework/WinApp.h"

#include <algorithm>
#include <cstdarg>
#include <utility>

namespace {

// The window property that leads from a framework window to its CWnd.
constexpr wchar_t kObjectProperty[] = L"Dovetta.Framework.CWnd";

PendingCreation* g_pendingCreation = nullptr;

bool IsOwnProcessWindow(HWND hwnd) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    return process == GetCurrentProcessId();
}

// Wrappers for windows the framework does not run. Entries of destroyed windows are dropped
// on the next lookup.
std::vector<std::unique_ptr<CWnd>>& TemporaryWrappers() {
    static std::vector<std::unique_ptr<CWnd>> wrappers;
    return wrappers;
}

// The system may create an input-method window for a thread's first top-level window.
bool IsInputMethodWindow(HWND hwnd) {
    wchar_t name[8] = {};
    GetClassNameW(hwnd, name, 8);
    return lstrcmpiW(name, L"IME") == 0;
}

std::unique_ptr<CWnd> CreateCWnd() {
    return std::make_unique<CWnd>();
}

}  // namespace

const CRuntimeClass CWnd::classCWnd = {"CWnd", sizeof(CWnd), 0xFFFF, &CreateCWnd, nullptr};

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

// --- Creation and the window procedure -------------------------------------------------------

PendingCreation* ExchangePendingCreation(PendingCreation* next) {
    return std::exchange(g_pendingCreation, next);
}

LRESULT CALLBACK CreationHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    PendingCreation* pending = g_pendingCreation;
    if (code == HCBT_CREATEWND && pending != nullptr && pending->wnd != nullptr) {
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        if (!IsInputMethodWindow(hwnd))
            std::exchange(pending->wnd, nullptr)->TakeOver(hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HHOOK InstallCreationHook() {
    return SetWindowsHookExW(WH_CBT, CreationHookProc, nullptr, GetCurrentThreadId());
}

LRESULT CALLBACK FrameworkWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    CWnd* wnd = static_cast<CWnd*>(GetPropW(hwnd, kObjectProperty));
    if (wnd == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    const MSG outer = wnd->m_currentMessage;
    wnd->m_currentMessage = MSG{hwnd, message, wParam, lParam, 0, {}};
    LRESULT result = 0;
    try {
        if (message == WM_NCDESTROY) {
            result = wnd->Default();
            wnd->m_currentMessage = outer;
            wnd->WindowGone();
            return result;
        }
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        result = 0;  // a failed handler leaves the message unanswered
    }
    wnd->m_currentMessage = outer;
    return result;
}

void CWnd::TakeOver(HWND hwnd) {
    m_hWnd = hwnd;
    m_ownsWindow = true;
    SetPropW(hwnd, kObjectProperty, this);
    m_superProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameworkWindowProc)));
}

void CWnd::WindowGone() {
    if (m_hWnd != nullptr) {
        if (m_superProc)
            SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
        RemovePropW(m_hWnd, kObjectProperty);
    }
    if (m_pCtrlCont)
        m_pCtrlCont->DestroyAll();
    UnbindAll();
    m_hWnd = nullptr;
    m_superProc = nullptr;
    m_ownsWindow = false;
}

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_pCtrlSite != nullptr) {
        if (m_ownsWindow)
            DestroyWindow();
        else
            Unbind();
    } else if (m_ownsWindow && m_hWnd != nullptr) {
        ::DestroyWindow(m_hWnd);
        if (m_hWnd != nullptr)
            WindowGone();  // not destroyed (another thread's window): at least let go of it
    }
    Unbind();
    UnbindAll();
    m_pCtrlCont.reset();
}

const CRuntimeClass* CWnd::GetRuntimeClass() const {
    return RUNTIME_CLASS(CWnd);
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (hwnd == nullptr)
        return nullptr;
    if (IsOwnProcessWindow(hwnd)) {
        if (auto* own = static_cast<CWnd*>(GetPropW(hwnd, kObjectProperty)))
            return own;
    }
    auto& wrappers = TemporaryWrappers();
    std::erase_if(wrappers, [](const std::unique_ptr<CWnd>& w) { return !IsWindow(w->m_hWnd); });
    for (const auto& w : wrappers) {
        if (w->m_hWnd == hwnd)
            return w.get();
    }
    wrappers.push_back(std::make_unique<CWnd>());
    wrappers.back()->m_hWnd = hwnd;
    return wrappers.back().get();
}

bool CWnd::Attach(HWND hwnd) {
    if (m_hWnd != nullptr || hwnd == nullptr)
        return false;
    m_hWnd = hwnd;
    return true;
}

HWND CWnd::Detach() {
    if (m_ownsWindow)
        return nullptr;  // a window the framework runs stays with its object
    return std::exchange(m_hWnd, nullptr);
}

BOOL CWnd::Create(const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id, CCreateContext*) {
    if (m_hWnd != nullptr)
        return FALSE;
    HWND parentWindow = parent ? parent->m_hWnd : nullptr;
    HMENU menuOrId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    HWND hwnd = CreateAndTakeOver([&] {
        return CreateWindowExW(0, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                               rect.bottom - rect.top, parentWindow, menuOrId, AfxGetResourceHandle(), nullptr);
    });
    return hwnd != nullptr;
}

BOOL CWnd::CreateControl(REFCLSID clsid, const wchar_t* windowName, DWORD style, const RECT& rect, CWnd* parent,
                         UINT id) {
    if (parent == nullptr || parent->m_hWnd == nullptr || m_hWnd != nullptr || m_pCtrlSite != nullptr)
        return FALSE;
    ControlSite* site = parent->EnsureControlContainer().CreateControl(clsid, id, rect, style, std::nullopt);
    if (site == nullptr)
        return FALSE;
    BindToSite(*site);
    m_boundParent = parent;
    parent->m_boundWrappers.push_back(this);
    m_ownsWindow = true;  // the control goes with this wrapper
    if (windowName != nullptr && *windowName != L'\0' && m_hWnd != nullptr)
        ::SetWindowTextW(m_hWnd, windowName);
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (ControlSite* site = m_pCtrlSite) {
        ControlContainer* container = site->GetContainer();
        if (container != nullptr)
            container->DestroyControl(site);  // unbinds this wrapper
        Unbind();
        m_ownsWindow = false;
        return TRUE;
    }
    if (m_hWnd == nullptr)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

// --- Dispatch ---------------------------------------------------------------------------------

LRESULT CWnd::Default() {
    const MSG& m = m_currentMessage;
    if (m.hwnd == nullptr)
        return 0;
    if (m_superProc != nullptr)
        return CallWindowProcW(m_superProc, m.hwnd, m.message, m.wParam, m.lParam);
    return DefWindowProcW(m.hwnd, m.message, m.wParam, m.lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = Default();
    // The hosted controls go while their windows still exist: WM_DESTROY reaches a window
    // before its children are destroyed.
    if (message == WM_DESTROY && m_pCtrlCont)
        m_pCtrlCont->DestroyAll();
    return result;
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_COMMAND) {
        // Menu and accelerator commands (no control window) and button clicks.
        if (lParam != 0 && HIWORD(wParam) != BN_CLICKED)
            return false;
        if (!OnCmdMsg(LOWORD(wParam)))
            return false;
        *result = 0;
        return true;
    }
    const MessageMapEntry* entry = FindMessageEntry(GetMessageMap(), message, 0);
    if (entry == nullptr)
        return false;
    *result = entry->handler(*this, wParam, lParam);
    return true;
}

void CWnd::OnSize(UINT, int, int) {
    Default();
}
void CWnd::OnSysCommand(UINT, LPARAM) {
    Default();
}
void CWnd::OnPaint() {
    Default();
}
HCURSOR CWnd::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(Default());
}
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
void CWnd::OnDestroy() {
    Default();
}

// --- Children, wrappers and hosted controls ---------------------------------------------------

ControlContainer& CWnd::EnsureControlContainer() {
    if (!m_pCtrlCont)
        m_pCtrlCont = std::make_unique<ControlContainer>(*this);
    return *m_pCtrlCont;
}

CWnd* CWnd::GetDlgItem(int id) const {
    if (m_hWnd == nullptr)
        return nullptr;
    HWND child = ::GetDlgItem(m_hWnd, id);
    if (child == nullptr)
        return nullptr;
    for (CWnd* wrapper : m_boundWrappers) {
        if (wrapper->m_hWnd == child)
            return wrapper;
    }
    if (m_pCtrlCont) {
        if (ControlSite* site = m_pCtrlCont->FindByWindow(child))
            return site->GetWrapper();
    }
    return FromHandle(child);
}

bool CWnd::BindDlgItem(int id, CWnd& wrapper) {
    if (wrapper.m_hWnd != nullptr || wrapper.m_pCtrlSite != nullptr)
        return true;
    if (m_hWnd == nullptr)
        return false;
    if (m_pCtrlCont) {
        if (ControlSite* site = m_pCtrlCont->FindById(static_cast<UINT>(id))) {
            wrapper.BindToSite(*site);
            wrapper.m_boundParent = this;
            m_boundWrappers.push_back(&wrapper);
            return true;
        }
    }
    HWND child = ::GetDlgItem(m_hWnd, id);
    if (child == nullptr)
        return false;
    wrapper.m_hWnd = child;
    wrapper.m_boundParent = this;
    m_boundWrappers.push_back(&wrapper);
    return true;
}

void CWnd::BindToSite(ControlSite& site) {
    m_pCtrlSite = &site;
    m_hWnd = site.GetControlWindow();
    site.SetBoundWrapper(this);
}

void CWnd::Unbind() {
    if (m_boundParent != nullptr) {
        std::erase(m_boundParent->m_boundWrappers, this);
        m_boundParent = nullptr;
        m_hWnd = nullptr;
    }
    if (m_pCtrlSite != nullptr) {
        if (m_pCtrlSite->GetBoundWrapper() == this)
            m_pCtrlSite->SetBoundWrapper(nullptr);
        m_pCtrlSite = nullptr;
        m_hWnd = nullptr;
    }
}

void CWnd::UnbindAll() {
    while (!m_boundWrappers.empty())
        m_boundWrappers.back()->Unbind();
}

IUnknown* CWnd::GetControlUnknown() const {
    return m_pCtrlSite ? m_pCtrlSite->GetControlUnknown() : nullptr;
}

HRESULT CWnd::InvokeHelper(DISPID dispid, WORD flags, VARTYPE vtRet, void* pvRet, const BYTE* paramInfo, ...) {
    IDispatch* dispatch = m_pCtrlSite ? m_pCtrlSite->GetControlDispatch() : nullptr;
    if (dispatch == nullptr)
        return OLE_E_NOTRUNNING;  // not bound to a hosted control
    va_list args;
    va_start(args, paramInfo);
    const HRESULT hr = InvokeDispatchV(dispatch, dispid, flags, vtRet, pvRet, paramInfo, args);
    va_end(args);
    return hr;
}

// --- Thin members -----------------------------------------------------------------------------

int CWnd::GetDlgCtrlID() const {
    return ::GetDlgCtrlID(m_hWnd);
}

void CWnd::GetWindowRect(RECT* rect) const {
    ::GetWindowRect(m_hWnd, rect);
}

void CWnd::GetClientRect(RECT* rect) const {
    ::GetClientRect(m_hWnd, rect);
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    if (m_pCtrlSite != nullptr) {
        m_pCtrlSite->MoveControl(RECT{x, y, x + width, y + height});
        return;
    }
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

void CWnd::MoveWindow(const RECT* rect, BOOL repaint) {
    MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

void CWnd::ScreenToClient(RECT* rect) const {
    ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&rect->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&rect->right));
}

void CWnd::ScreenToClient(POINT* point) const {
    ::ScreenToClient(m_hWnd, point);
}

void CWnd::ClientToScreen(RECT* rect) const {
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&rect->left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&rect->right));
}

void CWnd::SetWindowText(const wchar_t* text) {
    ::SetWindowTextW(m_hWnd, text);
}

std::wstring CWnd::GetWindowText() const {
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    const int copied = ::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

HMENU CWnd::GetSystemMenu(BOOL revert) const {
    return ::GetSystemMenu(m_hWnd, revert);
}

BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}

BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::ShowWindow(int command) {
    return ::ShowWindow(m_hWnd, command);
}

BOOL CWnd::EnableWindow(BOOL enable) {
    return ::EnableWindow(m_hWnd, enable);
}

void CWnd::UpdateWindow() {
    ::UpdateWindow(m_hWnd);
}

DWORD CWnd::GetStyle() const {
    return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE));
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc) {
    return ::SetTimer(m_hWnd, id, elapse, proc);
}

BOOL CWnd::KillTimer(UINT_PTR id) {
    return ::KillTimer(m_hWnd, id);
}

int CWnd::MessageBox(const wchar_t* text, const wchar_t* caption, UINT type) {
    std::wstring appName;
    if (caption == nullptr) {
        appName = AfxGetAppName();
        caption = appName.c_str();
    }
    return ::MessageBoxW(m_hWnd, text, caption, type);
}
