#include "PlayerApp.h"

#include "diagnostics/Diagnostics.h"
#include "flashcheck/StatusDialog.h"
#include "player/PlayerDialog.h"
#include "workspace/ExtractFolder.h"
#include "workspace/FolderRemoval.h"

#include <windows.h>

// The one application object. Its constructor runs during static initialisation, after the
// trace file name (which is constructed ahead of every default-priority static object).
PlayerApp theApp;

BEGIN_MESSAGE_MAP(PlayerApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

PlayerApp::PlayerApp() : CWinApp(nullptr) {
    // A working-folder level that cannot be created is shown to the user with the system's text.
    SetCreationFailureReport(&ReportLastError);
    m_loadResult = LoadPayload();
}

PlayerApp::~PlayerApp() = default;

BOOL PlayerApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    const std::wstring folder = GetExtractFolder();
    const std::wstring installerPath = InstallerPath(folder);
    const std::wstring moviePath = MoviePath(folder);

    if (m_loadResult != LoadResult::NoError || !m_flashPresent) {
        StatusDialog status(nullptr, m_loadResult, m_titleText, m_requiredVersion,
                            [] { return InstallerPath(GetExtractFolder()); });
        if (status.DoModal() == IDOK)
            RunPlayer(moviePath);
    } else {
        RunPlayer(moviePath);
    }

    // A file still in use stays until the folder is removed at exit.
    ::DeleteFileW(installerPath.c_str());
    ::DeleteFileW(moviePath.c_str());
    return FALSE;
}

void PlayerApp::RunPlayer(const std::wstring& moviePath) {
    PlayerDialog player(nullptr, moviePath, m_width, m_height, m_titleText);
    m_pMainWnd = &player;
    player.DoModal();
    m_pMainWnd = nullptr;
}

int PlayerApp::ExitInstance() {
    RemoveFolder(GetExtractFolder());
    return CWinApp::ExitInstance();
}
