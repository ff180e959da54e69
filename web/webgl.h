// The GPU end of the browser's GL layer, over WebGL 2: it rasterises
// vertices the layer has already transformed and lit, samples textures,
// blends and depth-tests into the window's back buffer, and shows it. It
// knows nothing of OpenGL 1.1's matrices, light or immediate mode.
//
// Enumerated values that OpenGL 1.1 and WebGL 2 share (blend factors, depth
// functions, pixel formats and types, texture parameters) pass through as
// they are.
#pragma once

#include <cstdint>

namespace webgl {

// A vertex ready to rasterise: clip coordinates, its colour (0 to 1, lit
// or not) and its texture coordinate.
struct Vertex {
    float position[4];
    float colour[4];
    float texCoord[2];
};

enum class Primitive { triangles, lines };

// How a fragment's colour takes the bound texture.
enum class TextureUse {
    none,      // the interpolated colour alone
    modulate,  // colour times texel
    replace,   // the texel's colour; its alpha where the texture has one
};

// The fixed-function state a draw happens under.
struct DrawState {
    bool blend = false;
    unsigned blendSource = 0, blendDestination = 0;
    bool depthTest = false;
    unsigned depthFunction = 0;
    bool depthWrite = true;
    float depthNear = 0, depthFar = 1;
    int viewport[4] = {0, 0, 0, 0};
    TextureUse textureUse = TextureUse::none;
    unsigned texture = 0;  // the layer's texture name, when textureUse is not none
};
inline bool operator==(const DrawState& a, const DrawState& b) {
    return a.blend == b.blend && a.blendSource == b.blendSource && a.blendDestination == b.blendDestination &&
           a.depthTest == b.depthTest && a.depthFunction == b.depthFunction && a.depthWrite == b.depthWrite &&
           a.depthNear == b.depthNear && a.depthFar == b.depthFar && a.viewport[0] == b.viewport[0] &&
           a.viewport[1] == b.viewport[1] && a.viewport[2] == b.viewport[2] && a.viewport[3] == b.viewport[3] &&
           a.textureUse == b.textureUse && (a.textureUse == TextureUse::none || a.texture == b.texture);
}
inline bool operator!=(const DrawState& a, const DrawState& b) { return !(a == b); }

// The client's unpacking of pixel rectangles it hands over.
struct Unpacking {
    int alignment = 4;
    int rowLength = 0;
};

enum class Buffer { back, front };

// Makes the shaders, and the window's back and front buffers (colour, and
// one depth buffer they share) at width x height, for the context GLUT has
// made current.
void openWindowBuffers(int width, int height);

void draw(const DrawState& state, Primitive primitive, const Vertex* vertices, int count);
void drawIndexed(const DrawState& state, Primitive primitive, const Vertex* vertices, int vertexCount,
                 const std::uint32_t* indices, int indexCount);
// A width x height picture of RGBA bytes at the window's lower-left corner,
// one pixel per pixel, at depth 0, blended and tested as state says.
void drawPixels(const DrawState& state, int width, int height, const void* rgba, const Unpacking& unpacking);
// Clears the back buffer's colour and/or depth.
void clear(bool colour, bool depth, const float clearColour[4], bool depthWrite);

// Texture objects by the layer's names, made on first use. hasAlpha is the
// internal format's: RGBA, or RGB (whose texels have alpha 1).
void makeTexture(unsigned name);
void textureImage(unsigned name, bool hasAlpha, int width, int height, unsigned format, unsigned type,
                  const void* pixels, const Unpacking& unpacking);
void textureSubImage(unsigned name, int x, int y, int width, int height, unsigned format, unsigned type,
                     const void* pixels, const Unpacking& unpacking);
void textureParameter(unsigned name, unsigned parameter, int value);
// While on, the texture mirrors texels the layer above keeps in the
// garden's memory and gives again after the memory was put back: the page
// keeps no copy of them, and a moment never reads them back from the GPU.
void mirrorTexture(unsigned name, bool on);
// Copies the rectangle at (x, y) of a buffer into the texture at (toX, toY).
void copyToTexture(unsigned name, Buffer from, int toX, int toY, int x, int y, int width, int height);

// RGBA bytes of a rectangle of a buffer, rows bottom-up with no padding.
void readPixels(Buffer from, int x, int y, int width, int height, unsigned char* rgba);

// The swap: the back buffer becomes the front buffer and is shown.
void present();
// The same swap, with the canvas showing a picture of the window's size
// instead, RGBA rows bottom-up, of which only the rectangle `changed` (x,
// y, width, height) differs from the last picture shown so.
void presentPixels(const unsigned char* rgba, const int changed[4]);
// The same swap, with the canvas left as it was.
void swapUnshown();
// While on, frames are rasterised only where their back buffer is read
// back (glCopyTexSubImage2D, glReadPixels), when it is read; the front
// buffer of such a frame must not be read. Switched between frames.
void rasteriseOnDemand(bool on);
void finish();

// Putting the garden's memory back to an earlier moment (web/snapshot.cpp).
// settle: everything waiting is carried out, so the GPU holds all that the
// memory says it does. keepCopiesOfChangedTextures: settles, and hands the
// page copies of the texels of every texture changed since the garden
// started, for a moment it keeps. resumeAfterRestore: after the memory was
// put back, WebGL is brought to what it says: its bindings, and each
// texture's texels from the page's copies where the GPU holds others;
// false when a copy was missing (a mirror's texels are
// made from nothing, for the layer above to give). fromElsewhere: the memory was kept by
// another start of the page, whose GPU held none of it but what its start
// made.
void settle();
void keepCopiesOfChangedTextures();
bool resumeAfterRestore(bool fromElsewhere);
const unsigned char* string(unsigned name);

}  // namespace webgl
