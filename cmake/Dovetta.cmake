# Settings shared by every target.

# Warnings are errors in CI (CI=true in the environment, as .ci/run sets it) or when asked for;
# the tree builds clean with -Wall -Wextra. Decided at every configure, so a build folder made
# outside CI follows the environment of the run that reconfigures it.
option(DOVETTA_WERROR "Treat compiler warnings as errors (always on when CI=true)" OFF)
if(DOVETTA_WERROR OR "$ENV{CI}" STREQUAL "true")
  add_compile_options(-Werror)
endif()

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601)
  # Everything is linked statically: the player is one self-contained file, and a COM
  # server that imported libgcc/libstdc++ DLLs would not load.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # The player travels inside every album: keep the shipped programs small.
  add_compile_options($<$<CONFIG:Release>:-ffunction-sections> $<$<CONFIG:Release>:-fdata-sections>)
  add_link_options($<$<CONFIG:Release>:-s> $<$<CONFIG:Release>:-Wl,--gc-sections>)
  add_compile_options(-Wall -Wextra)
else()
  add_compile_options(-Wall -Wextra)
endif()

# Marks a Windows program whose entry point is wmain or wWinMain.
function(dovetta_unicode_entry target)
  if(WIN32)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()

# Windows programs, libraries and test programs all land in one folder, so that tests find
# the programs they start and the installer finds the control it carries.
if(WIN32)
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()
