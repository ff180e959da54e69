#include "web/softraster.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <utility>

namespace softraster {

namespace {

// n / d rounded down, for d > 0.
std::int64_t floorDivide(std::int64_t n, std::int64_t d) {
    std::int64_t q = n / d;
    if (n % d != 0 && n < 0) --q;
    return q;
}

std::int64_t ceilDivide(std::int64_t n, std::int64_t d) { return -floorDivide(-n, d); }

// A double rounded half up to a whole number: exact, for |x| < 2^52.
std::int64_t roundHalfUp(double x) {
    const double whole = std::floor(x);
    return static_cast<std::int64_t>(whole) + (x - whole >= 0.5 ? 1 : 0);
}

double clamped(float channel) { return channel >= 0 ? std::min(static_cast<double>(channel), 1.0) : 0.0; }

// Twice the signed area of (a, b, p): positive when p lies to the left of
// a -> b, which is inside for a triangle counter-clockwise in y-up windows.
std::int64_t edge(const Vertex& a, const Vertex& b, std::int64_t px, std::int64_t py) {
    return std::int64_t{b.x - a.x} * (py - a.y) - std::int64_t{b.y - a.y} * (px - a.x);
}

// The top-left rule: whether a centre exactly on the edge a -> b of a
// counter-clockwise triangle is covered.
bool topOrLeft(const Vertex& a, const Vertex& b) {
    const std::int32_t dx = b.x - a.x, dy = b.y - a.y;
    return dy < 0 || (dy == 0 && dx < 0);
}

std::uint8_t factorOf(Factor factor, std::uint8_t alpha) {
    switch (factor) {
    case Factor::zero:
        return 0;
    case Factor::one:
        return 255;
    case Factor::sourceAlpha:
        return alpha;
    case Factor::oneMinusSourceAlpha:
        return static_cast<std::uint8_t>(255 - alpha);
    }
    return 0;
}

// The blend of one channel, its factors given: the one rule blendChannel
// states, here where the rasteriser's loop can inline it.
inline std::uint8_t blended(int source, int destination, int sourceFactor, int destinationFactor) {
    const int sum = source * sourceFactor + destination * destinationFactor;
    return static_cast<std::uint8_t>(std::min((sum + 127) / 255, 255));
}

bool replaces(const Blend& blend) { return blend.source == Factor::one && blend.destination == Factor::zero; }

// The pixel centre's coordinate on the grid, for pixel n.
constexpr std::int64_t centreOf(std::int64_t n) { return n * subpixelOne + subpixelOne / 2; }

}  // namespace

Rectangle intersection(const Rectangle& a, const Rectangle& b) {
    const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const int x1 = std::min(a.x + a.width, b.x + b.width), y1 = std::min(a.y + a.height, b.y + b.height);
    if (x1 <= x0 || y1 <= y0) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

Rectangle hull(const Rectangle& a, const Rectangle& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.width, b.x + b.width), y1 = std::max(a.y + a.height, b.y + b.height);
    return {x0, y0, x1 - x0, y1 - y0};
}

Image::Image(int width, int height)
    : width(width), height(height), rgba(static_cast<std::size_t>(width) * height * 4, 255) {
    assert(width >= 0 && height >= 0);
}

bool snap(double pixels, std::int32_t& fixed) {
    const double scaled = pixels * subpixelOne;  // exact: a power of two
    if (!(std::fabs(scaled) <= static_cast<double>(farthestCoordinate) * subpixelOne)) return false;
    fixed = static_cast<std::int32_t>(roundHalfUp(scaled));
    return true;
}

bool place(const float clip[4], const int viewport[4], std::int32_t& x, std::int32_t& y) {
    const float w = clip[3];
    if (!(w > 0) || !(clip[2] >= -w && clip[2] <= w)) return false;
    // One IEEE step a statement, so that no compiler fuses two.
    const float halfWidth = static_cast<float>(viewport[2]) * 0.5f;
    const float halfHeight = static_cast<float>(viewport[3]) * 0.5f;
    const float centreX = static_cast<float>(viewport[0]) + halfWidth;
    const float centreY = static_cast<float>(viewport[1]) + halfHeight;
    const float ndcX = clip[0] / w;
    const float ndcY = clip[1] / w;
    const float scaledX = ndcX * halfWidth;
    const float scaledY = ndcY * halfHeight;
    const float windowX = scaledX + centreX;
    const float windowY = scaledY + centreY;
    return snap(windowX, x) && snap(windowY, y);
}

std::uint8_t toByte(float channel) { return static_cast<std::uint8_t>(roundHalfUp(clamped(channel) * 255)); }

std::int32_t toLevels(float channel) {
    return static_cast<std::int32_t>(roundHalfUp(clamped(channel) * (255 * subpixelOne)));
}

std::uint8_t blendChannel(std::uint8_t source, std::uint8_t destination, std::uint8_t alpha, const Blend& blend) {
    return blended(source, destination, factorOf(blend.source, alpha), factorOf(blend.destination, alpha));
}

Rectangle reach(const Vertex& a, const Vertex& b, const Vertex& c, const Rectangle& clip) {
    const std::int64_t minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
    const std::int64_t minY = std::min({a.y, b.y, c.y}), maxY = std::max({a.y, b.y, c.y});
    // The pixels whose centres lie within the bounds.
    const std::int64_t x0 = ceilDivide(minX - subpixelOne / 2, subpixelOne);
    const std::int64_t x1 = floorDivide(maxX - subpixelOne / 2, subpixelOne);
    const std::int64_t y0 = ceilDivide(minY - subpixelOne / 2, subpixelOne);
    const std::int64_t y1 = floorDivide(maxY - subpixelOne / 2, subpixelOne);
    if (x1 < x0 || y1 < y0) return {};
    const Rectangle bounds{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0 + 1),
                           static_cast<int>(y1 - y0 + 1)};
    return intersection(bounds, clip);
}

void fillTriangle(Image& target, const Rectangle& clip, const Blend& blend, const Vertex& a, const Vertex& b,
                  const Vertex& c, const Texels* texels) {
    Vertex v[3] = {a, b, c};
    std::int64_t area = edge(v[0], v[1], v[2].x, v[2].y);
    if (area == 0) return;
    if (area < 0) {
        std::swap(v[1], v[2]);
        area = -area;
    }
    const Rectangle pixels = reach(v[0], v[1], v[2], intersection(clip, target.bounds()));
    if (pixels.empty()) return;
    if (texels) {
        const Rectangle shown{pixels.x + texels->dx, pixels.y + texels->dy, pixels.width, pixels.height};
        assert(texels->image && texels->image->bounds().contains(shown));
    }

    // Edge i lies opposite vertex i; its function at a centre is vertex i's
    // weight there.
    const Vertex* from[3] = {&v[1], &v[2], &v[0]};
    const Vertex* to[3] = {&v[2], &v[0], &v[1]};
    std::int64_t step[3], bias[3];
    for (int i = 0; i < 3; ++i) {
        step[i] = -std::int64_t{to[i]->y - from[i]->y} * subpixelOne;
        bias[i] = topOrLeft(*from[i], *to[i]) ? 0 : -1;
    }
    // Channels the same at every vertex need no interpolating.
    bool constant[4];
    std::uint8_t constantByte[4];
    for (int k = 0; k < 4; ++k) {
        constant[k] = v[0].colour[k] == v[1].colour[k] && v[0].colour[k] == v[2].colour[k];
        constantByte[k] = static_cast<std::uint8_t>((std::int64_t{v[0].colour[k]} * 2 + subpixelOne) /
                                                    (std::int64_t{2} * subpixelOne));
    }
    const std::int64_t denominator = area * 2 * subpixelOne;
    const bool copying = texels && replaces(blend);

    for (int py = pixels.y; py < pixels.y + pixels.height; ++py) {
        const std::int64_t cy = centreOf(py);
        std::int64_t atZero[3];  // each edge function at pixel 0 of the row
        std::int64_t first = pixels.x, last = pixels.x + pixels.width - 1;
        for (int i = 0; i < 3; ++i) {
            atZero[i] = edge(*from[i], *to[i], centreOf(0), cy);
            const std::int64_t threshold = atZero[i] + bias[i];  // covered where threshold + step x >= 0
            if (step[i] == 0) {
                if (threshold < 0) first = last + 1;
            } else if (step[i] > 0) {
                first = std::max(first, ceilDivide(-threshold, step[i]));
            } else {
                last = std::min(last, floorDivide(threshold, -step[i]));
            }
        }
        if (first > last) continue;
        std::uint8_t* out = target.at(static_cast<int>(first), py);
        const int count = static_cast<int>(last - first + 1);
        if (copying) {
            // Texels and window pixels alike have alpha 255.
            std::memcpy(out, texels->image->at(static_cast<int>(first) + texels->dx, py + texels->dy),
                        static_cast<std::size_t>(count) * 4);
            continue;
        }
        // Each channel's numerator, 2 sum + area subpixelOne, is linear
        // along the row: it is stepped, and so is its quotient by the
        // denominator, with the remainder, so that no pixel divides. Every
        // edge function is at least 0 at a covered centre, so numerators
        // are positive and truncation is the floor the quotient steps keep.
        std::int64_t quotient[4], remainder[4], quotientStep[4], remainderStep[4];
        for (int k = 0; k < 4; ++k) {
            if (constant[k]) continue;
            std::int64_t atFirst = 0, slope = 0;
            for (int i = 0; i < 3; ++i) {
                atFirst += std::int64_t{v[i].colour[k]} * (atZero[i] + step[i] * first);
                slope += std::int64_t{v[i].colour[k]} * step[i];
            }
            const std::int64_t numerator = atFirst * 2 + area * subpixelOne;
            assert(numerator >= 0);
            quotient[k] = numerator / denominator;
            remainder[k] = numerator - quotient[k] * denominator;
            quotientStep[k] = floorDivide(slope * 2, denominator);
            remainderStep[k] = slope * 2 - quotientStep[k] * denominator;
        }
        for (std::int64_t px = first; px <= last; ++px, out += 4) {
            std::uint8_t fragment[4];
            for (int k = 0; k < 4; ++k) {
                if (constant[k]) {
                    fragment[k] = constantByte[k];
                    continue;
                }
                fragment[k] = static_cast<std::uint8_t>(quotient[k]);
                quotient[k] += quotientStep[k];
                remainder[k] += remainderStep[k];
                if (remainder[k] >= denominator) {
                    remainder[k] -= denominator;
                    ++quotient[k];
                }
            }
            if (texels) {
                const std::uint8_t* texel = texels->image->at(static_cast<int>(px) + texels->dx, py + texels->dy);
                std::memcpy(fragment, texel, texels->texelAlpha ? 4 : 3);
            }
            const int sourceFactor = factorOf(blend.source, fragment[3]);
            const int destinationFactor = factorOf(blend.destination, fragment[3]);
            for (int k = 0; k < 3; ++k) out[k] = blended(fragment[k], out[k], sourceFactor, destinationFactor);
            out[3] = 255;
        }
    }
}

void clear(Image& target, const Rectangle& within, const std::uint8_t rgb[3]) {
    const Rectangle r = intersection(within, target.bounds());
    if (r.empty()) return;
    const std::uint8_t pixel[4] = {rgb[0], rgb[1], rgb[2], 255};
    const bool same = rgb[0] == 255 && rgb[1] == 255 && rgb[2] == 255;
    for (int y = r.y; y < r.y + r.height; ++y) {
        std::uint8_t* out = target.at(r.x, y);
        if (same) {
            std::memset(out, 255, static_cast<std::size_t>(r.width) * 4);
        } else {
            for (std::ptrdiff_t n = 0; n < r.width; ++n) std::memcpy(out + n * 4, pixel, 4);
        }
    }
}

void copy(const Image& from, const Rectangle& rectangle, Image& to, int toX, int toY) {
    assert(from.bounds().contains(rectangle));
    assert(to.bounds().contains({toX, toY, rectangle.width, rectangle.height}));
    for (int row = 0; row < rectangle.height; ++row)
        std::memmove(to.at(toX, toY + row), from.at(rectangle.x, rectangle.y + row),
                     static_cast<std::size_t>(rectangle.width) * 4);
}

Rectangle difference(const Image& a, const Image& b) { return difference(a, b, a.bounds()); }

Rectangle difference(const Image& a, const Image& b, const Rectangle& within) {
    assert(a.width == b.width && a.height == b.height);
    const Rectangle r = intersection(within, a.bounds());
    if (r.empty()) return {};
    // Compared eight bytes at a time: the C library's byte by byte
    // comparison is slow in WebAssembly.
    const std::size_t rowBytes = static_cast<std::size_t>(r.width) * 4;
    const auto rowDiffers = [&](int y) {
        const std::uint8_t* p = a.at(r.x, y);
        const std::uint8_t* q = b.at(r.x, y);
        std::size_t i = 0;
        for (; i + 8 <= rowBytes; i += 8) {
            std::uint64_t x = 0, z = 0;
            std::memcpy(&x, p + i, 8);
            std::memcpy(&z, q + i, 8);
            if (x != z) return true;
        }
        return std::memcmp(p + i, q + i, rowBytes - i) != 0;
    };
    const int end = r.y + r.height;
    int bottom = r.y, top = end - 1;
    while (bottom < end && !rowDiffers(bottom)) ++bottom;
    if (bottom == end) return {};
    while (!rowDiffers(top)) --top;
    int left = r.x + r.width, right = r.x - 1;
    for (int y = bottom; y <= top; ++y) {
        const auto pixelDiffers = [&](int x) { return std::memcmp(a.at(x, y), b.at(x, y), 4) != 0; };
        for (int x = r.x; x < left; ++x)
            if (pixelDiffers(x)) {
                left = x;
                break;
            }
        for (int x = r.x + r.width - 1; x > right; --x)
            if (pixelDiffers(x)) {
                right = x;
                break;
            }
    }
    return {left, bottom, right - left + 1, top - bottom + 1};
}

}  // namespace softraster
