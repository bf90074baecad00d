// The class and event interface identifiers of the movie control as GUID values. Their texts, for
// the registry and for hosts, are in MovieControlIds.h; a test checks that both agree.
#pragma once

#include <guiddef.h>

inline constexpr GUID kMovieControlClsid = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

inline constexpr GUID kMovieControlEventsIid = {
    0x245F033E, 0xF242, 0x49B4, {0xB9, 0xB0, 0x7B, 0x58, 0x19, 0xFB, 0xD7, 0xA7}};
