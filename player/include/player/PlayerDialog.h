// The player window: a resizable dialog whose only child is the Flash control, sized once so
// that the control is exactly the movie's stage, kept filling the window at the template's
// distances from the window's edges, with an About item in its window menu.
#pragma once

#include "framework/Dialog.h"
#include "player/ShockwaveFlash.h"
#include "player/resource.h"

#include <string>

class PlayerDialog : public CDialog {
public:
    enum { IDD = IDD_PLAYER };

    PlayerDialog(CWnd* parent, const std::wstring& moviePath, int movieWidth, int movieHeight,
                 const std::wstring& title);
    ~PlayerDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnSize(UINT type, int cx, int cy);
    void OnFSCommand(const wchar_t* command, const wchar_t* args);

    DECLARE_MESSAGE_MAP()
    DECLARE_EVENTSINK_MAP()

private:
    CShockwaveFlash m_flash;
    std::wstring m_moviePath;
    int m_movieWidth = 0;
    int m_movieHeight = 0;
    // Distances between the dialog's outer rectangle and the control's, in screen pixels;
    // measured once at initialisation.
    int m_marginLeft = 0;
    int m_marginRight = 0;
    int m_marginTop = 0;
    int m_marginBottom = 0;
    std::wstring m_title;
    HICON m_hIcon = nullptr;  // a shared icon: not destroyed here
};
