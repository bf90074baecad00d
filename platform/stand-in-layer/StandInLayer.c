/* A small library of our own that the player carries where the Microsoft Layer for Unicode
   library would go. It exists so that the carrying, the extraction and the loading can be
   built and tested without shipping a third-party file; it translates nothing. */
#include "platform/StandInLayer.h"

#include <windows.h>

/* A value the tests compare, to tell this library from any other file of the same name. */
__declspec(dllexport) DWORD StandInLayerMagic(void) {
    return STANDIN_LAYER_MAGIC;
}

/* What this library is, for anyone who finds it on disk. */
__declspec(dllexport) const char* StandInLayerDescription(void) {
    return "Dovetta stand-in for the Unicode layer library";
}
