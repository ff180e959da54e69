// The software rasteriser's stated rules (web/softraster.h), natively.
#include "web/softraster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using softraster::Blend;
using softraster::Factor;
using softraster::Image;
using softraster::Rectangle;
using softraster::Vertex;

constexpr int side = 64;

// A vertex at (x, y) pixels, which must lie on the grid, of one colour.
Vertex at(double x, double y, float r = 0, float g = 0, float b = 0, float a = 1) {
    Vertex v;
    EXPECT_TRUE(softraster::snap(x, v.x));
    EXPECT_TRUE(softraster::snap(y, v.y));
    const float colour[4] = {r, g, b, a};
    for (int k = 0; k < 4; ++k) v.colour[k] = softraster::toLevels(colour[k]);
    return v;
}

Image filled(std::uint8_t value) {
    Image image(side, side);
    const std::uint8_t bytes[3] = {value, value, value};
    softraster::clear(image, image.bounds(), bytes);
    return image;
}

// Every triangle adds one level of red where it covers a pixel.
const Blend adding{Factor::one, Factor::one};
void count(Image& image, const Vertex& a, const Vertex& b, const Vertex& c) {
    Vertex v[3] = {a, b, c};
    for (Vertex& each : v) each.colour[0] = softraster::toLevels(1.0f / 255);
    softraster::fillTriangle(image, image.bounds(), adding, v[0], v[1], v[2]);
}

// Whether (px, py) lies strictly inside the convex polygon, counter-clockwise.
bool strictlyInside(const std::vector<Vertex>& polygon, double px, double py) {
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Vertex& a = polygon[i];
        const Vertex& b = polygon[(i + 1) % polygon.size()];
        const double cross = double(b.x - a.x) * (py * 256 - a.y) - double(b.y - a.y) * (px * 256 - a.x);
        if (cross <= 0) return false;
    }
    return true;
}

TEST(SoftRaster, AFanCoversEachPixelInsideItOnceAndNothingOutside) {
    // A disc's fan as the plan draws one: a centre off the grid's whole
    // pixels, a rim of twenty points; every other triangle given clockwise.
    const double cx = 31.3, cy = 29.71, radius = 17.6;
    std::vector<Vertex> rim;
    for (int i = 0; i < 20; ++i) {
        const double angle = i * 3.14159265358979 / 10;
        rim.push_back(at(std::round((cx + radius * std::cos(angle)) * 256) / 256,
                         std::round((cy + radius * std::sin(angle)) * 256) / 256));
    }
    const Vertex centre = at(std::round(cx * 256) / 256, std::round(cy * 256) / 256);
    Image image = filled(0);
    for (int i = 0; i < 20; ++i) {
        const Vertex& a = rim[i];
        const Vertex& b = rim[(i + 1) % 20];
        if (i % 2)
            count(image, centre, b, a);
        else
            count(image, centre, a, b);
    }
    int covered = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int times = image.at(x, y)[0];
            ASSERT_LE(times, 1) << "pixel " << x << ", " << y << " covered twice";
            covered += times;
            if (strictlyInside(rim, x + 0.5, y + 0.5)) {
                EXPECT_EQ(times, 1) << "pixel " << x << ", " << y;
            }
        }
    // Against the disc's area, pi r^2 less its rim's corners.
    EXPECT_NEAR(covered, 3.14159 * radius * radius, 0.03 * 3.14159 * radius * radius);
    EXPECT_GT(covered, 900);
}

TEST(SoftRaster, ACentreOnAnEdgeIsCoveredOnlyByATopOrLeftEdge) {
    // A square whose sides run through pixel centres, as two triangles.
    Image image = filled(0);
    const Vertex a = at(10.5, 10.5), b = at(20.5, 10.5), c = at(20.5, 20.5), d = at(10.5, 20.5);
    count(image, a, b, c);
    count(image, a, c, d);
    int covered = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const bool inside = x >= 10 && x <= 19 && y >= 11 && y <= 20;
            EXPECT_EQ(image.at(x, y)[0], inside ? 1 : 0) << "pixel " << x << ", " << y;
            covered += image.at(x, y)[0];
        }
    EXPECT_EQ(covered, 100);
}

TEST(SoftRaster, ColourIsInterpolatedFromTheVerticesAndRoundedHalfUp) {
    // Top edge a -> b and left edge b -> c: of the three vertices only b's
    // pixel is covered; the midpoints of those edges lie on pixel centres.
    Image image = filled(9);
    const Vertex a = at(30.5, 30.5, 1, 0, 0), b = at(10.5, 30.5, 0, 1, 0), c = at(10.5, 10.5, 0, 0, 1);
    softraster::fillTriangle(image, image.bounds(), Blend{}, a, b, c);
    const auto expect = [&](int x, int y, int r, int g, int bl) {
        const std::uint8_t* p = image.at(x, y);
        EXPECT_EQ(p[0], r) << x << ", " << y;
        EXPECT_EQ(p[1], g) << x << ", " << y;
        EXPECT_EQ(p[2], bl) << x << ", " << y;
        EXPECT_EQ(p[3], 255) << x << ", " << y;  // the window has no alpha
    };
    expect(10, 30, 0, 255, 0);
    expect(20, 30, 128, 128, 0);  // 127.5 each
    expect(10, 20, 0, 128, 128);
    expect(30, 30, 9, 9, 9);      // on the right edge: not covered
    expect(15, 25, 64, 128, 64);  // a quarter, a half, a quarter: 63.75, 127.5, 63.75
}

TEST(SoftRaster, BlackAtHalfAlphaOverWhiteIs127AndAlphaZeroChangesNothing) {
    const Blend over{Factor::sourceAlpha, Factor::oneMinusSourceAlpha};
    Image image = filled(255);
    softraster::fillTriangle(image, {0, 0, 32, side}, over, at(0, 0, 0, 0, 0, 0.5f), at(side, 0, 0, 0, 0, 0.5f),
                             at(0, side, 0, 0, 0, 0.5f));
    softraster::fillTriangle(image, {32, 0, 32, side}, over, at(0, 0, 0, 0, 0, 0), at(side, 0, 0, 0, 0, 0),
                             at(side, side, 0, 0, 0, 0));
    // Alpha 0.5 is the byte 128: (255 x 127 + 127) / 255.
    EXPECT_EQ(image.at(5, 5)[0], 127);
    EXPECT_EQ(image.at(5, 5)[2], 127);
    EXPECT_EQ(image.at(40, 5)[0], 255);
    // A mark's triangle, from 0.5 at its centre to 0 at its rim: at a tenth
    // of the way out, alpha 0.45 is 114.75 levels, the byte 115, and white
    // becomes (255 x 140 + 127) / 255.
    Image disc = filled(255);
    softraster::fillTriangle(disc, disc.bounds(), over, at(20.5, 20.5, 0, 0, 0, 0.5f), at(40.5, 20.5, 0, 0, 0, 0),
                             at(20.5, 40.5, 0, 0, 0, 0));
    EXPECT_EQ(disc.at(21, 21)[0], 140);
    EXPECT_EQ(disc.at(21, 21)[3], 255);
}

TEST(SoftRaster, TheStatedRoundings) {
    std::int32_t fixed = 0;
    ASSERT_TRUE(softraster::snap(0.5 / 256, fixed));
    EXPECT_EQ(fixed, 1);
    ASSERT_TRUE(softraster::snap(-0.5 / 256, fixed));
    EXPECT_EQ(fixed, 0);
    ASSERT_TRUE(softraster::snap(1.49 / 256, fixed));
    EXPECT_EQ(fixed, 1);
    EXPECT_FALSE(softraster::snap(8193, fixed));
    EXPECT_FALSE(softraster::snap(std::nan(""), fixed));
    EXPECT_EQ(softraster::toByte(0.5f), 128);
    EXPECT_EQ(softraster::toByte(1.2f), 255);
    EXPECT_EQ(softraster::toByte(-1), 0);
    // A window of 600 through an orthographic projection of float steps:
    // its corners land on whole pixels.
    const int viewport[4] = {0, 0, 600, 600};
    const float corner[4] = {0.99999994f, -1, 0, 1};
    std::int32_t x = 0, y = 0;
    ASSERT_TRUE(softraster::place(corner, viewport, x, y));
    EXPECT_EQ(x, 600 * 256);
    EXPECT_EQ(y, 0);
    const float behind[4] = {0, 0, 0, -1}, beyondFar[4] = {0, 0, 1.5f, 1};
    EXPECT_FALSE(softraster::place(behind, viewport, x, y));
    EXPECT_FALSE(softraster::place(beyondFar, viewport, x, y));
}

TEST(SoftRaster, TexelsShowOneForAPixelAtTheirOffset) {
    Image texture(side, side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            std::uint8_t* t = texture.at(x, y);
            t[0] = static_cast<std::uint8_t>(x);
            t[1] = static_cast<std::uint8_t>(y);
            t[2] = 7;
        }
    Image image = filled(1);
    const softraster::Texels texels{&texture, 3, -2, false};
    const Vertex a = at(4, 5, 0, 0, 0, 0.25f), b = at(20, 5, 0, 0, 0, 0.25f), c = at(20, 30, 0, 0, 0, 0.25f),
                 d = at(4, 30, 0, 0, 0, 0.25f);
    softraster::fillTriangle(image, image.bounds(), Blend{}, a, b, c, &texels);
    softraster::fillTriangle(image, image.bounds(), Blend{}, a, c, d, &texels);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const std::uint8_t* p = image.at(x, y);
            if (x >= 4 && x < 20 && y >= 5 && y < 30) {
                ASSERT_EQ(p[0], x + 3);
                ASSERT_EQ(p[1], y - 2);
                ASSERT_EQ(p[2], 7);
                ASSERT_EQ(p[3], 255);  // the window has no alpha
            } else {
                ASSERT_EQ(p[0], 1) << x << ", " << y;
            }
        }
}

TEST(SoftRaster, TheDifferenceOfTwoPicturesIsTheRectangleTheyDifferIn) {
    Image a = filled(255), b = filled(255);
    EXPECT_TRUE(softraster::difference(a, b).empty());
    b.at(7, 40)[1] = 0;
    b.at(30, 12)[3] = 0;
    const Rectangle r = softraster::difference(a, b);
    EXPECT_EQ(r.x, 7);
    EXPECT_EQ(r.y, 12);
    EXPECT_EQ(r.width, 24);
    EXPECT_EQ(r.height, 29);
}

}  // namespace
