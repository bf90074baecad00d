// Resource numbers of the installer.
#pragma once

// The movie control's file, carried whole.
#define IDR_CONTROL_IMAGE 1
