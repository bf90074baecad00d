#include "framework/Dialog.h"

#include "framework/DialogPlacement.h"
#include "framework/DialogTemplate.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"

#include <objbase.h>

namespace {

constexpr UINT kInitListType = 240;

// The dialog manager sends WM_INITDIALOG only to a dialog with a dialog procedure; everything
// else is handled by the framework's window procedure before the dialog manager sees it.
INT_PTR CALLBACK FrameworkDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

bool IsRegisteredWindowClass(const std::wstring& name) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    return GetClassInfoExW(nullptr, name.c_str(), &info) ||
           GetClassInfoExW(AfxGetInstanceHandle(), name.c_str(), &info);
}

// The class identifier an item names, if it names an ActiveX control: a text that begins with
// "{" is a class identifier; another text that is no window class is a program identifier.
bool HostedControlClass(const DialogTemplateItem& item, CLSID& clsid) {
    if (item.classOrdinal != 0 || item.className.empty())
        return false;
    if (NamesClassIdentifier(item))
        return SUCCEEDED(CLSIDFromString(item.className.c_str(), &clsid));
    if (IsRegisteredWindowClass(item.className))
        return false;
    return SUCCEEDED(CLSIDFromProgID(item.className.c_str(), &clsid));
}

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    if (m_hWnd != nullptr)
        return -1;
    HINSTANCE module = AfxGetResourceHandle();
    const std::span<const std::byte> bytes = FindResourceBytes(module, RT_DIALOG, m_nIDTemplate);
    const std::optional<DialogTemplateInfo> info = ParseDialogTemplate(bytes);
    if (bytes.empty() || !info)
        return -1;

    std::vector<bool> keep(info->items.size(), true);
    m_hostedItems.clear();
    for (std::size_t i = 0; i < info->items.size(); ++i) {
        const DialogTemplateItem& item = info->items[i];
        CLSID clsid;
        if (!HostedControlClass(item, clsid))
            continue;
        keep[i] = false;
        m_hostedItems.push_back(
            HostedControlItem{clsid, item.id, RECT{item.x, item.y, item.x + item.cx, item.y + item.cy}, item.style, i});
    }
    const std::vector<std::uint32_t> ordinaryTemplate = RebuildDialogTemplate(bytes, *info, keep);
    m_templateStyle = info->style;

    m_initList.clear();
    m_initListValid = true;
    const std::span<const std::byte> initBytes =
        FindResourceBytes(module, MAKEINTRESOURCEW(kInitListType), m_nIDTemplate);
    if (!initBytes.empty()) {
        std::optional<std::vector<DialogInitEntry>> parsed = ParseDialogInit(initBytes);
        m_initListValid = parsed.has_value();
        if (parsed)
            m_initList = std::move(*parsed);
    }

    HWND owner = OwnerForModalRun();
    const bool ownerDisabledHere = owner != nullptr && ::IsWindowEnabled(owner);
    if (ownerDisabledHere)
        ::EnableWindow(owner, FALSE);

    m_nModalResult = -1;
    m_continueModal = true;
    HWND created = CreateAndTakeOver([&] {
        return CreateDialogIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(ordinaryTemplate.data()), owner,
                                          &FrameworkDialogProc, 0);
    });
    if (created != nullptr && m_continueModal)
        RunModalLoop();

    // Give the owner back its input and the activation before the dialog disappears, so the
    // activation does not go to another program's window meanwhile.
    if (ownerDisabledHere)
        ::EnableWindow(owner, TRUE);
    if (owner != nullptr && m_hWnd != nullptr && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(owner);
    if (m_hWnd != nullptr)
        ::DestroyWindow(m_hWnd);
    m_continueModal = false;
    m_hostedItems.clear();
    m_initList.clear();
    return created != nullptr ? m_nModalResult : -1;
}

HWND CDialog::OwnerForModalRun() const {
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (owner == nullptr) {
        CWinApp* app = AfxGetApp();
        if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != this)
            owner = app->m_pMainWnd->m_hWnd;
    }
    if (owner != nullptr && !::IsWindow(owner))
        return nullptr;
    // A popup cannot be owned by a child window: its top-level window owns it.
    while (owner != nullptr && (::GetWindowLongW(owner, GWL_STYLE) & WS_CHILD))
        owner = ::GetParent(owner);
    return owner;
}

void CDialog::RunModalLoop() {
    bool showWhenIdle = !(GetStyle() & WS_VISIBLE);
    MSG msg;
    while (m_continueModal && m_hWnd != nullptr) {
        if (showWhenIdle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            showWhenIdle = false;
            ShowWindow(SW_SHOWNORMAL);
            UpdateWindow();
            continue;
        }
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT ends the run; it stays for the loop that is waiting for it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            m_nModalResult = -1;
            return;
        }
        if (got == -1)
            return;
        if (!IsDialogMessageW(m_hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    m_continueModal = false;
    if (m_hWnd != nullptr)
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the modal loop
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return HandleInitDialog();
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CDialog::HandleInitDialog() {
    PlacementBefore before{};
    GetWindowRect(&before.rect);
    before.style = GetStyle();
    if (!m_hostedItems.empty())
        EnsureControlContainer().CreateDialogControls(m_hostedItems, m_initList);
    const BOOL result = OnInitDialog();
    if (m_hWnd != nullptr)
        CenterDialogAfterInit(m_hWnd, m_templateStyle, before);
    return result;
}

BOOL CDialog::OnInitDialog() {
    if (!m_initListValid || !ApplyDialogInit(m_hWnd, m_initList)) {
        EndDialog(-1);
        return FALSE;
    }
    if (!UpdateData(FALSE)) {
        EndDialog(-1);
        return FALSE;
    }
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return !exchange.Failed();
}

bool CDialog::OnCmdMsg(UINT commandId) {
    if (CWnd::OnCmdMsg(commandId))
        return true;
    CWinApp* app = AfxGetApp();
    return app != nullptr && app->OnCmdMsg(commandId);
}
