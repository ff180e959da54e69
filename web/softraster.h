// The plan's pixels computed on the CPU, in integers. Every rule by which
// the layer's software frames become bytes is here, once:
//
// - Vertices: a vertex's window coordinates come from its clip coordinates
//   in float (x / w, then times half the viewport plus its centre, each one
//   IEEE step), and snap to a grid of 1/256 pixel, rounding half up. Eight
//   bits of sub-pixel are what Mesa's llvmpipe snaps to, so the two cover
//   the same pixels; and at the farthest coordinate allowed, 8,192 pixels
//   out, every product below fits 64 bits.
// - Coverage: a pixel is covered when its centre, (x + 1/2, y + 1/2), lies
//   inside the triangle, by three edge functions in 64-bit integers. A
//   centre on an edge is covered only when that edge is a top or a left
//   edge, in the window as it is shown (y up): a left edge runs downwards
//   round the triangle counter-clockwise, a top edge is level and runs
//   leftwards. Two triangles that share an edge so cover each of its pixels
//   exactly once.
// - Colour: each vertex's channel c (0 to 1) is placed on a grid of 1/256
//   of an 8-bit level, c x 255 x 256 rounded half up; a pixel's value is
//   the barycentric mean of the three, weighted by the edge functions at
//   its centre (from the snapped vertices), exactly, as a fraction.
// - 8 bits: a pixel's interpolated value rounded half up to a whole level;
//   a clear colour c becomes c x 255 rounded half up.
// - Blend: each channel becomes (s x fs + d x fd + 127) / 255, integer
//   division, at most 255, with s and d the fragment's and the buffer's
//   bytes and fs, fd their factors as bytes (zero 0, one 255, the source
//   alpha a, or 255 - a). Blending off is one and zero: the fragment as it
//   is. Nothing dithers.
// - Alpha: the window has no alpha channel, as the garden's own (GLUT_RGB):
//   every pixel written has alpha 255, and a fragment's alpha only weighs
//   the blend.
// - Texels: a triangle may show a texture one texel per pixel: where every
//   vertex's texel position (s x width, t x height, snapped as positions
//   are) lies the same whole number of texels from its window position, a
//   covered pixel shows the texel that far from it, as the nearest texel
//   at its centre is.
//
// No floating-point step after the snap; none before it that an engine or
// a CPU could round its own way (the layer is built without contraction
// or fast-math).
#pragma once

#include <cstdint>
#include <vector>

namespace softraster {

constexpr int subpixelBits = 8;
constexpr std::int32_t subpixelOne = 1 << subpixelBits;
// How far out, in pixels, a window coordinate may lie.
constexpr float farthestCoordinate = 8192;

// x, y, width, height, in pixels.
struct Rectangle {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    bool contains(const Rectangle& r) const {
        return r.x >= x && r.y >= y && r.x + r.width <= x + width && r.y + r.height <= y + height;
    }
};
Rectangle intersection(const Rectangle& a, const Rectangle& b);
// The smallest rectangle holding both; an empty one holds nothing.
Rectangle hull(const Rectangle& a, const Rectangle& b);

// RGBA bytes, rows bottom-up with nothing between them; made opaque white.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
    Image() = default;
    Image(int width, int height);
    std::uint8_t* at(int x, int y) { return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
    const std::uint8_t* at(int x, int y) const {
        return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
    Rectangle bounds() const { return {0, 0, width, height}; }
};

// A coordinate in pixels onto the grid, into `fixed`; false when it lies
// beyond farthestCoordinate (or is not a number).
bool snap(double pixels, std::int32_t& fixed);
// A vertex in clip coordinates through the viewport (x, y, width, height)
// onto the grid; false when it would need clipping against w or the depth
// range, or lies too far out.
bool place(const float clip[4], const int viewport[4], std::int32_t& x, std::int32_t& y);

// A channel from 0 to 1 as a byte, and on the 1/256-level grid.
std::uint8_t toByte(float channel);
std::int32_t toLevels(float channel);

enum class Factor { zero, one, sourceAlpha, oneMinusSourceAlpha };
struct Blend {
    Factor source = Factor::one, destination = Factor::zero;
};
// One channel of the blend, for a fragment of alpha `alpha`.
std::uint8_t blendChannel(std::uint8_t source, std::uint8_t destination, std::uint8_t alpha, const Blend& blend);

// A snapped vertex and its colour on the 1/256-level grid.
struct Vertex {
    std::int32_t x = 0, y = 0;
    std::int32_t colour[4] = {0, 0, 0, 0};
};

// Where a triangle shows a texture texel for pixel: texel (x + dx, y + dy)
// at pixel (x, y); its alpha, or the interpolated one (for an RGB texture
// under GL_REPLACE). The texels' own alpha is 255: a software texture's
// texels come from the window.
struct Texels {
    const Image* image = nullptr;
    int dx = 0, dy = 0;
    bool texelAlpha = true;
};

// The window rectangle of pixels the triangle can cover, clipped to `clip`.
Rectangle reach(const Vertex& a, const Vertex& b, const Vertex& c, const Rectangle& clip);

// Fills the pixels of `target` within `clip` that the triangle covers,
// with its interpolated colour or the texels, blended.
void fillTriangle(Image& target, const Rectangle& clip, const Blend& blend, const Vertex& a, const Vertex& b,
                  const Vertex& c, const Texels* texels = nullptr);

// Sets every pixel of `within` to the colour (and alpha 255).
void clear(Image& target, const Rectangle& within, const std::uint8_t rgb[3]);

// Copies the rectangle of `from` to (toX, toY) of `to`; both must hold it.
void copy(const Image& from, const Rectangle& rectangle, Image& to, int toX, int toY);

// The smallest rectangle outside which two images of one size are the same.
Rectangle difference(const Image& a, const Image& b);
// The same, of the pixels within `within` alone.
Rectangle difference(const Image& a, const Image& b, const Rectangle& within);

}  // namespace softraster
