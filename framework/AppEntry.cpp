// The program's entry point (linked with -municode -mwindows): runs the application object.
#include "framework/WinApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    return AfxWinMain(instance, commandLine, showCommand);
}
