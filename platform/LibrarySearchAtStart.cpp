// Limits the library search before any other code of the program runs.
//
// The application object's constructor does the whole start-up during static initialisation,
// before the entry point, so the restriction cannot wait for WinMain: it is made by the static
// object of the highest priority there is (101), ahead of every other static constructor.
// Linked as an object file into each program, so the linker cannot drop it.
#include "LibrarySearch.h"

namespace {

struct LibrarySearchAtStart {
    LibrarySearchAtStart() { RestrictLibrarySearchToSystemFolder(); }
};

__attribute__((init_priority(101))) LibrarySearchAtStart librarySearchAtStart;

}  // namespace
