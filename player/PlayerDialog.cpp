#include "player/PlayerDialog.h"

#include "diagnostics/Diagnostics.h"
#include "control/MovieControlIds.h"
#include "framework/PaintDC.h"
#include "framework/Resources.h"
#include "player/AboutDialog.h"
#include "workspace/ExtractFolder.h"

BEGIN_MESSAGE_MAP(PlayerDialog, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_SIZE()
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(PlayerDialog, CDialog)
ON_EVENT(PlayerDialog, IDC_MOVIE, DISPID_MOVIE_FSCOMMAND, OnFSCommand, VTS_BSTR VTS_BSTR)
END_EVENTSINK_MAP()

PlayerDialog::PlayerDialog(CWnd* parent, const std::wstring& moviePath, int movieWidth, int movieHeight,
                           const std::wstring& title)
    : CDialog(IDD, parent) {
    m_hIcon = LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APP));
    m_moviePath = moviePath;
    m_movieWidth = movieWidth;
    m_movieHeight = movieHeight;
    m_title = title;
}

PlayerDialog::~PlayerDialog() = default;

void PlayerDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MOVIE, m_flash);
}

BOOL PlayerDialog::OnInitDialog() {
    CDialog::OnInitDialog();

    if (HMENU systemMenu = GetSystemMenu(FALSE)) {
        const std::wstring aboutText = LoadResourceString(IDS_ABOUT_MENU);
        if (!aboutText.empty()) {
            AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(systemMenu, MF_STRING, ID_SYS_ABOUT, aboutText.c_str());
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    SetWindowText(m_title.c_str());

    // Size the window so that the control is exactly the stage. The margins are stored before
    // the move, because the move already runs OnSize.
    if (CWnd* movie = GetDlgItem(IDC_MOVIE)) {
        RECT control;
        RECT dialog;
        movie->GetWindowRect(&control);
        GetWindowRect(&dialog);
        m_marginLeft = control.left - dialog.left;
        m_marginTop = control.top - dialog.top;
        m_marginRight = dialog.right - control.right;
        m_marginBottom = dialog.bottom - control.bottom;
        MoveWindow(dialog.left, dialog.top, m_marginLeft + m_movieWidth + m_marginRight,
                   m_marginTop + m_movieHeight + m_marginBottom, TRUE);
    }

    if (FileExists(m_moviePath))
        DebugTrace(L"Movie file exist at " + m_moviePath);
    else
        DebugTrace(L"Movie file does not exist at " + m_moviePath);

    m_flash.SetMovie(m_moviePath);
    return TRUE;
}

void PlayerDialog::OnSysCommand(UINT id, LPARAM lParam) {
    if ((id & 0xFFF0) == ID_SYS_ABOUT) {
        AboutDialog about;
        about.DoModal();
    } else {
        CDialog::OnSysCommand(id, lParam);
    }
}

void PlayerDialog::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(&client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
}

HCURSOR PlayerDialog::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void PlayerDialog::OnSize(UINT type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    CWnd* movie = GetDlgItem(IDC_MOVIE);
    if (movie == nullptr)
        return;
    RECT area;
    GetWindowRect(&area);
    area.left += m_marginLeft;
    area.top += m_marginTop;
    area.right -= m_marginRight;
    area.bottom -= m_marginBottom;
    ScreenToClient(&area);
    movie->MoveWindow(area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

void PlayerDialog::OnFSCommand(const wchar_t*, const wchar_t*) {
    // The movie's commands have no meaning for the player.
}
