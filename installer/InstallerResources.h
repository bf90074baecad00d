// Resource numbers of the installer.
#pragma once

// The movie control's file, carried deflated in a zip archive of one file (CarriedImage.h).
#define IDR_CONTROL_IMAGE 1
