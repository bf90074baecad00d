// Where this process looks for libraries loaded by name.
#pragma once

// Takes the program's own folder and the current folder out of the library search, leaving the
// system folder: an album runs from wherever it was saved (a downloads folder), and a library of
// a system name planted beside it must never be loaded. Systems without the call fall back to
// removing the current folder; the oldest ones change nothing. True when the search was limited
// to the system folder.
bool RestrictLibrarySearchToSystemFolder();
