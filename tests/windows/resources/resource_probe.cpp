// A program that does nothing but carry the player's resources, so that they can be
// checked in a real module before the player itself links them.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
