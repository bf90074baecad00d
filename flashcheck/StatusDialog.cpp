#include "flashcheck/StatusDialog.h"

#include "flashcheck/ModuleVersion.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"
#include "platform/Handles.h"
#include "player/resource.h"

#include <shellapi.h>

namespace {

// The one-shot timer that brings up the box once the dialog is on screen.
constexpr UINT_PTR kStartTimer = 10;
constexpr UINT kStartDelayMs = 100;

}  // namespace

BEGIN_MESSAGE_MAP(StatusDialog, CDialog)
ON_WM_TIMER()
END_MESSAGE_MAP()

StatusDialog::StatusDialog(CWnd* parent, LoadResult loadResult, std::wstring title, const ProductVersion& required,
                           std::function<std::wstring()> installerPath)
    : CDialog(IDD_STATUS, parent),
      m_hIcon(::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_APP))),
      m_loadResult(loadResult),
      m_title(std::move(title)),
      m_required(required),
      m_installerPath(std::move(installerPath)) {}

BOOL StatusDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(m_title.c_str());
    SetTimer(kStartTimer, kStartDelayMs);
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}

int StatusDialog::ShowBox(UINT textId, UINT captionId, UINT style) {
    const std::wstring text = LoadResourceString(textId);
    const std::wstring caption = LoadResourceString(captionId);
    return MessageBox(text.c_str(), caption.c_str(), style);
}

void StatusDialog::OnTimer(UINT_PTR id) {
    KillTimer(kStartTimer);
    const std::wstring installerPath = m_installerPath();
    switch (m_loadResult) {
    case LoadResult::NoError:
        OfferInstallation(installerPath);
        break;
    case LoadResult::MovieNotFound:
        ShowBox(IDS_MOVIE_NOT_FOUND, IDS_ERROR_TITLE, MB_OK);
        OnCancel();
        break;
    case LoadResult::TempWriteFailed:
        ShowBox(IDS_TEMP_WRITE_FAILED, IDS_ERROR_TITLE, MB_OK);
        OnCancel();
        break;
    case LoadResult::ResourceInstallFailed:
        ShowBox(IDS_RESOURCE_INSTALL_FAILED, IDS_ERROR_TITLE, MB_OK);
        OnCancel();
        break;
    default:
        OnCancel();
        break;
    }
    CDialog::OnTimer(id);
}

void StatusDialog::OfferInstallation(const std::wstring& installerPath) {
    if (ShowBox(IDS_INSTALL_PROMPT, IDS_NOTIFICATION_TITLE, MB_YESNO) != IDYES) {
        OnCancel();
        return;
    }
    RunAndWait(installerPath, L"/Q");
    if (CheckModuleVersion(FlashOcxPath(), m_required)) {
        OnOK();
    } else {
        ShowBox(IDS_INSTALL_FAILED, IDS_ERROR_TITLE, MB_OK);
        OnCancel();
    }
}

bool RunAndWait(const std::wstring& file, const std::wstring& parameters) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // No shell error box: the dialog reports a failed installation itself, with one box.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    CWnd* mainWnd = AfxGetApp() ? AfxGetApp()->GetMainWnd() : nullptr;
    info.hwnd = mainWnd ? mainWnd->GetSafeHwnd() : nullptr;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&info))
        return false;
    UniqueKernelHandle process(info.hProcess);
    if (!process)
        return true;  // started, but nothing to wait for

    // Waits for the process and for messages together, so the end of a silent installer is
    // noticed at once rather than at the next message that happens to arrive.
    const HANDLE handles[] = {process.get()};
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return true;
            if (msg.message != WM_TIMER) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        if (::WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT)
            return true;
        ::MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_ALLINPUT);
    }
}
