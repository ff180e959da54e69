// The garden drawn literally, the way it was before the fast paths: every
// mark redrawn each frame as its own fan, every sand triangle sent in a
// batch of its own. The benchmark times the garden against these.
#pragma once

// One frame without the swap, as drawFrame() draws it, but with the plan as
// every mark through drawRakeMark and the sand as one drawSandTriangle (or,
// in wireframe, drawSandTriangleOutline) call per triangle.
void drawReferenceFrame();

// Key i from draw mode with the capture drawing every mark again: the
// garden's own mode switch, handed the literal capture.
void enterDisplayModeByReference();

// The garden's own start-up, up to the main loop; then the window is mapped
// and its first exposure passes, and from then on the display callback does
// nothing: only the caller draws, frame by frame.
void startGardenForCallerFrames(char** argv);
