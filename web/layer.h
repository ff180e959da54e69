// What the browser's GLUT window asks of the GL layer (web/gl11.cpp).
#pragma once

// Makes the layer's buffers for the window GLUT has just opened, width x
// height pixels, and puts OpenGL 1.1's starting state in place.
void openLayerWindow(int width, int height);
// Draws everything still queued, then makes the back buffer the front
// buffer and, when shown, shows it on the canvas.
void swapLayerBuffers(bool shown);
