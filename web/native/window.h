// The headless garden's window (web/native/window.cpp), and the calls the
// page makes into the garden, declared here for the program that makes
// them natively: web/input.cpp's input, web/menus.cpp's menus and the
// window's frame modes and pixels.
#pragma once

extern "C" {
// web/input.cpp
void sandmereKey(int key);
void sandmereMouse(int button, int state, int x, int y);
void sandmereMotion(int x, int y);
void sandmereDrawFrame();
// web/menus.cpp
int sandmereAttachedMenu(int button);
int sandmereMenuSize(int menu);
const char* sandmereMenuLabel(int menu, int entry);
int sandmereMenuSubmenu(int menu, int entry);
int sandmereMenuValue(int menu, int entry);
void sandmereChooseMenuValue(int menu, int value);
// web/native/window.cpp, as web/window.cpp
void sandmereFrameMode(int mode);
int sandmereShownPixels(unsigned char* rgba, int width, int height);
}

// The frame modes sandmereFrameMode takes, as the page names them.
enum class FrameMode { shown = 0, unshown = 1, readBackOnly = 2 };

// Whether the garden has asked for a frame since the last one GLUT drew.
bool headlessRedisplayPosted();
// The frame GLUT draws when one was asked for.
void drawHeadlessFrame();
int headlessWindowWidth();
int headlessWindowHeight();
