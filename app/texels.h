// Drawing kept images texel for pixel: the plan's kept image and the kept
// background pictures are textures the size of the window, shown so that
// each window pixel gets the texel at the same place.
#pragma once

// The smallest power of two that holds a side of n texels: texture sides in
// OpenGL 1.1 must be powers of two.
int textureSideFor(int n);
// Makes the bound texture show its nearest texel, never a blend of several,
// and clamp at its edges: for textures read back texel for pixel.
void sampleNearestTexels();
// A width x height rectangle from the origin of the current matrices, at
// z = 0, showing texels (0, 0) up to (width, height) of the bound texture of
// textureWidth x textureHeight texels. Where the matrices map one unit to
// one window pixel and the texture samples its nearest texels, each pixel
// shows the texel at the same place.
void drawTexelRectangle(int width, int height, int textureWidth, int textureHeight);
