// What the desktop learns from the garden's window: its WM_CLASS and its
// icon, which GLUT has no call for.
#pragma once

#include <cstddef>

// Sets WM_CLASS (instance "sandmere", class "Sandmere") and _NET_WM_ICON on
// the window of the current GLX context; called right after the window is
// made. Does nothing without an X display and a GLX window (another GLUT
// backend), and never ends the program over an X error.
void describeWindowToDesktop();

// The garden's icon at 16, 32, 48 and 64 pixels as _NET_WM_ICON holds it:
// width, height, then the pixels as 0xAARRGGBB, picture after picture. Made
// at build time from packaging/sandmere.svg.
extern const unsigned long gardenWindowIcon[];
extern const std::size_t gardenWindowIconLength;
