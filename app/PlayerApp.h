// The application object: loads the album while the program's static objects are built,
// then chooses between the install prompt and the player, and cleans up at exit.
#pragma once

#include "framework/WinApp.h"
#include "payload/PayloadLoader.h"

#include <string>

class PlayerApp : public CWinApp, public PlayerData {
public:
    // Runs the whole load: no window exists yet.
    PlayerApp();
    ~PlayerApp() override;

    // Runs the Status dialog when the load failed or no recent enough control is installed,
    // then the Player dialog when allowed; deletes the installer and the movie; returns FALSE.
    BOOL InitInstance() override;
    // Removes the run's working folder.
    int ExitInstance() override;

protected:
    DECLARE_MESSAGE_MAP()

private:
    void RunPlayer(const std::wstring& moviePath);
};
