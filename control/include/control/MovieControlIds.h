// Identities of the movie control: the class the player's template names, its dispatch ids,
// and the version it carries.
#pragma once

// The class identifier as text, written once: the narrow form for resource scripts (the player's
// dialog template names the control by it), the wide form for code. The GUID value is in
// ControlGuids.h; a test checks that both agree.
#define MOVIE_CONTROL_CLSID_STRING "{D27CDB6E-AE6D-11CF-96B8-444553540000}"
#define MOVIE_CONTROL_CLSID_TEXT L"" MOVIE_CONTROL_CLSID_STRING

#define DISPID_MOVIE_MOVIE 102
#define DISPID_MOVIE_FSCOMMAND 150

// Properties of our own control, for hosts and tests that watch it play. Texts are the settings
// of the persisted property stream; a put changes the setting (and what Save writes).
#define DISPID_MOVIE_FRAMENUM 200      // "FrameNum": current frame, 0-based (integer; a put goes there)
#define DISPID_MOVIE_TOTALFRAMES 201   // "TotalFrames": frames of the loaded movie, 0 without one (read-only)
#define DISPID_MOVIE_QUALITY 202       // "Quality": "Low", "Medium", "High", "Best", "AutoLow", "AutoHigh"
#define DISPID_MOVIE_SCALE 203         // "Scale": "ShowAll", "NoBorder", "ExactFit", "NoScale"
#define DISPID_MOVIE_WMODE 204         // "WMode" (read-only)
#define DISPID_MOVIE_SCRIPTACCESS 205  // "AllowScriptAccess" (read-only)

// Members numbered as hosts of the reference control know them.
#define DISPID_MOVIE_LOOP 0x6A          // "Loop": flag; the main timeline starts over at its end
#define DISPID_MOVIE_PLAY 0x70          // "Play()": the main timeline plays on
#define DISPID_MOVIE_STOP 0x71          // "Stop()": the main timeline stays where it is
#define DISPID_MOVIE_BACK 0x72          // "Back()": one frame back, and stop
#define DISPID_MOVIE_FORWARD 0x73       // "Forward()": one frame on, and stop
#define DISPID_MOVIE_REWIND 0x74        // "Rewind()": the first frame, and stop
#define DISPID_MOVIE_SCALEMODE 0x78     // "ScaleMode": 0 ShowAll, 1 NoBorder, 2 ExactFit, 3 NoScale
#define DISPID_MOVIE_ALIGNMODE 0x79     // "AlignMode": flags 1 left, 2 right, 4 top, 8 bottom
#define DISPID_MOVIE_PLAYING 0x7D       // "Playing": flag; a put plays or stops
#define DISPID_MOVIE_STOPPLAY 0x7E      // "StopPlay()": as Stop()
#define DISPID_MOVIE_GOTOFRAME 0x7F     // "GotoFrame(frame)": 0-based, and stop there
#define DISPID_MOVIE_CURRENTFRAME 0x80  // "CurrentFrame()": the current frame, 0-based
#define DISPID_MOVIE_ISPLAYING 0x81     // "IsPlaying()": whether the main timeline plays
#define DISPID_MOVIE_FLASHVERSION 0x84  // "FlashVersion()": major << 16 | minor of this control
#define DISPID_MOVIE_SALIGN 0x86        // "SAlign": the letters L, T, R, B of the edges the stage keeps to

// The outgoing event interface (a dispinterface carrying FSCommand); any IDispatch sink may
// connect to it, also through IID_IDispatch.
#define MOVIE_CONTROL_EVENTS_IID_TEXT L"{245F033E-F242-49B4-B9B0-7B5819FBD7A7}"

#define MOVIE_CONTROL_PROGID_TEXT L"ShockwaveFlash.ShockwaveFlash"
#define MOVIE_CONTROL_NAME_TEXT L"Dovetta Movie Control"

// File version of the control we build and install: the reference player's last release, so
// that an album asking for the version its movie's format needs finds it installed.
#define MOVIE_CONTROL_VERSION_MAJOR 32
#define MOVIE_CONTROL_VERSION_MINOR 0
#define MOVIE_CONTROL_VERSION_RELEASE 0
#define MOVIE_CONTROL_VERSION_BUILD 465
#define MOVIE_CONTROL_VERSION_TEXT "32.0.0.465"
