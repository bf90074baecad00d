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

// Read-only properties of our own control, for hosts and tests that watch it play. Texts are the
// settings taken from the persisted property stream.
#define DISPID_MOVIE_FRAMENUM 200      // "FrameNum": current frame, 0-based (integer)
#define DISPID_MOVIE_TOTALFRAMES 201   // "TotalFrames": frames of the loaded movie, 0 without one
#define DISPID_MOVIE_QUALITY 202       // "Quality"
#define DISPID_MOVIE_SCALE 203         // "Scale"
#define DISPID_MOVIE_WMODE 204         // "WMode"
#define DISPID_MOVIE_SCRIPTACCESS 205  // "AllowScriptAccess"

// The outgoing event interface (a dispinterface carrying FSCommand); any IDispatch sink may
// connect to it, also through IID_IDispatch.
#define MOVIE_CONTROL_EVENTS_IID_TEXT L"{245F033E-F242-49B4-B9B0-7B5819FBD7A7}"

#define MOVIE_CONTROL_PROGID_TEXT L"ShockwaveFlash.ShockwaveFlash"
#define MOVIE_CONTROL_NAME_TEXT L"Dovetta Movie Control"

// File version of the control we build and install (well above what albums ask for).
#define MOVIE_CONTROL_VERSION_MAJOR 10
#define MOVIE_CONTROL_VERSION_MINOR 2
#define MOVIE_CONTROL_VERSION_RELEASE 0
#define MOVIE_CONTROL_VERSION_BUILD 1
#define MOVIE_CONTROL_VERSION_TEXT "10.2.0.1"
