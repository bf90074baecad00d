// Resource numbers of the player program.
#pragma once

#define IDD_ABOUT 100
#define IDD_PLAYER 102
#define IDD_STATUS 130
#define IDC_MOVIE 1000
#define IDI_APP 128
#define ID_SYS_ABOUT 0x0010

#define IDS_ABOUT_MENU 101
#define IDS_MOVIE_NOT_FOUND 102
#define IDS_TEMP_WRITE_FAILED 103
#define IDS_ERROR_TITLE 104
#define IDS_INSTALL_FAILED 105
#define IDS_INSTALL_PROMPT 106
#define IDS_NOTIFICATION_TITLE 107
#define IDS_ALBUM_TITLE 108
#define IDS_RESOURCE_INSTALL_FAILED 109

// Resource type of the dialog initialisation data (persisted control state).
#define RT_DLGINIT_DATA 240
// Dialog initialisation message that hands a control its persisted state from a stream.
#define WM_OCC_LOADFROMSTREAM 0x0376
