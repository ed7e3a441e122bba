// The font of the sheet's own buttons and of the colour popup: the window's
// font with face "MS Sans Serif" at 8 points, so that their text matches the
// dialog text beside it.
#pragma once

#include <windows.h>

// A new font; the caller deletes it.
HFONT CreateDialogFont(HWND window);
