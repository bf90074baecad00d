// Where a dialog goes after its initialisation: a dialog that its initialisation did not
// place itself is centred over its owner, or in the work area of its monitor.
#pragma once

#include <windows.h>

// The top-left corner that centres a window of the given size on the centre rectangle, then
// kept inside the area: a window crossing the right or bottom edge is moved back inside, and
// one larger than the area is placed at the area's left or top edge.
POINT CenteredPosition(const RECT& window, const RECT& centre, const RECT& area);

// What the window was like just before its initialisation handler ran.
struct PlacementBefore {
    RECT rect;
    DWORD style;
};

// Centres a dialog after its initialisation when:
//   - the template asks for no placement of its own (no DS_CENTER, DS_CENTERMOUSE,
//     DS_ABSALIGN),
//   - the window is still hidden and not a child,
//   - the initialisation left its top-left corner where it was,
//   - it has no owner, or a disabled one.
// Over the owner when the owner is visible and not minimised (within the owner's monitor's
// work area), else in the work area of the dialog's monitor.
void CenterDialogAfterInit(HWND dialog, DWORD templateStyle, const PlacementBefore& before);
