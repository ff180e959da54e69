// The GPU end of the GL layer for the headless garden: there is no GPU.
// The plan's frames are the software back end's (web/backends.h), the same
// bytes as in every browser; whatever would go to WebGL is taken and
// dropped, so a 3-D frame leaves nothing behind, and what is read back from
// a buffer the GPU would have drawn is black.
#include <GL/gl.h>

#include <algorithm>
#include <cassert>
#include <cstddef>

#include "web/webgl.h"

namespace webgl {

void openWindowBuffers(int width, int height) { assert(width > 0 && height > 0); }

void draw(const DrawState&, Primitive, const Vertex*, int count) { assert(count >= 0); }

void drawIndexed(const DrawState&, Primitive, const Vertex*, int vertexCount, const std::uint32_t*,
                 int indexCount) {
    assert(vertexCount >= 0 && indexCount >= 0);
}

void drawPixels(const DrawState&, int width, int height, const void*, const Unpacking&) {
    assert(width >= 0 && height >= 0);
}

void clear(bool, bool, const float*, bool) {}

void makeTexture(unsigned) {}

void textureImage(unsigned, bool, int width, int height, unsigned, unsigned, const void*, const Unpacking&) {
    assert(width >= 0 && height >= 0);
}

void textureSubImage(unsigned, int, int, int width, int height, unsigned, unsigned, const void*,
                     const Unpacking&) {
    assert(width >= 0 && height >= 0);
}

void textureParameter(unsigned, unsigned, int) {}
void mirrorTexture(unsigned, bool) {}

void copyToTexture(unsigned, Buffer, int, int, int, int, int width, int height) {
    assert(width >= 0 && height >= 0);
}

// Black and opaque, as a buffer with no alpha of its own reads.
void readPixels(Buffer, int, int, int width, int height, unsigned char* rgba) {
    assert(width >= 0 && height >= 0);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i) {
        std::fill(rgba + i * 4, rgba + i * 4 + 3, 0);
        rgba[i * 4 + 3] = 255;
    }
}

void present() {}

void presentPixels(const unsigned char* rgba, const int changed[4]) {
    assert(rgba != nullptr && changed[2] >= 0 && changed[3] >= 0);
}

void swapUnshown() {}
void rasteriseOnDemand(bool) {}
void finish() {}
bool resumeAfterRestore(bool) { return true; }

const unsigned char* string(unsigned name) {
    switch (name) {
    case GL_VENDOR:
        return reinterpret_cast<const unsigned char*>("Sandmere");
    case GL_RENDERER:
        return reinterpret_cast<const unsigned char*>("no GPU (the headless garden)");
    case GL_VERSION:
        return reinterpret_cast<const unsigned char*>("1.1");
    default:
        return reinterpret_cast<const unsigned char*>("");
    }
}

}  // namespace webgl
