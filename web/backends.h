// The two back ends under the layer's one OpenGL 1.1 front (web/gl11.cpp):
// the software one (web/softraster.h), whose frames are the same bytes
// everywhere, and WebGL (web/webgl.h) for what software does not draw.
//
// Which one draws follows from the frame's own state alone. A frame starts
// in software at a colour clear, and what software draws exactly stays
// there: clears, untextured triangles, textures shown texel for pixel from
// textures software holds, copies into textures, reads. The first call it
// cannot carry out (a depth test, lighting, lines, another texture use,
// glDrawPixels, indexed draws) hands the frame to WebGL with what software
// drew so far, and the frame stays there until the next colour clear. A
// texture that software copies into keeps its texels in software; WebGL
// gets them when it samples it.
//
// The calls are webgl.h's, with its types; draw() is also told whether the
// vertices were lit.
#pragma once

#include <cstdint>

#include "web/webgl.h"

namespace backends {

void openWindowBuffers(int width, int height);

void draw(const webgl::DrawState& state, webgl::Primitive primitive, const webgl::Vertex* vertices, int count,
          bool lit);
void drawIndexed(const webgl::DrawState& state, webgl::Primitive primitive, const webgl::Vertex* vertices,
                 int vertexCount, const std::uint32_t* indices, int indexCount);
void drawPixels(const webgl::DrawState& state, int width, int height, const void* rgba,
                const webgl::Unpacking& unpacking);
void clear(bool colour, bool depth, const float clearColour[4], bool depthWrite);

void makeTexture(unsigned name);
void textureImage(unsigned name, bool hasAlpha, int width, int height, unsigned format, unsigned type,
                  const void* pixels, const webgl::Unpacking& unpacking);
void textureSubImage(unsigned name, int x, int y, int width, int height, unsigned format, unsigned type,
                     const void* pixels, const webgl::Unpacking& unpacking);
void textureParameter(unsigned name, unsigned parameter, int value);
void copyToTexture(unsigned name, webgl::Buffer from, int toX, int toY, int x, int y, int width, int height);

// RGBA bytes of a rectangle of a buffer, rows bottom-up with no padding.
void readPixels(webgl::Buffer from, int x, int y, int width, int height, unsigned char* rgba);

// The back buffer becomes the front buffer, and is shown on the canvas
// when `shown`.
void swap(bool shown);
// The picture the canvas shows, as readPixels gives the window: the last
// shown frame, whatever was swapped unshown since (a replay's frames, even
// carried out on demand). White before any.
void shownPixels(unsigned char* rgba);
// As webgl::rasteriseOnDemand: while on, a frame is carried out only where
// it is read back, when it is; its front buffer must then not be read.
void rasteriseOnDemand(bool on);
void finish();

// As webgl::resumeAfterRestore, after the garden's memory was put back: the
// software back end's own state came back with it, but what it had given
// WebGL (texels of software textures, the picture shown) goes again.
bool resumeAfterRestore(bool fromElsewhere);

}  // namespace backends
