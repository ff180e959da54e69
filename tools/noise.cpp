#include "tools/noise.h"

#include <cassert>
#include <cmath>

namespace {

const float kTwoPi = 6.28318530718f;

// Unit gradients at 256 evenly spread angles; a table keeps the noise free of
// per-call trigonometry, which matters with a million and a half pixels to
// draw on every build.
struct GradientTable {
    float x[256];
    float y[256];
    GradientTable() {
        for (int i = 0; i < 256; ++i) {
            x[i] = std::cos(kTwoPi * static_cast<float>(i) / 256.0f);
            y[i] = std::sin(kTwoPi * static_cast<float>(i) / 256.0f);
        }
    }
};
const GradientTable gradients;

float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

}  // namespace

std::uint32_t hashLattice(int x, int y, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float hashUnit(int x, int y, std::uint32_t seed) {
    return static_cast<float>(hashLattice(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

int wrapIndex(int i, int period) {
    assert(period > 0);
    int r = i % period;
    return r < 0 ? r + period : r;
}

float clampUnit(float x) { return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x); }

float smoothStep(float edge0, float edge1, float x) {
    float t = clampUnit((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

float mixFloat(float a, float b, float t) { return a + (b - a) * t; }

float gradientNoise(float u, float v, int frequencyU, int frequencyV, std::uint32_t seed) {
    float x = u * static_cast<float>(frequencyU);
    float y = v * static_cast<float>(frequencyV);
    float floorX = std::floor(x);
    float floorY = std::floor(y);
    float fx = x - floorX;
    float fy = y - floorY;
    int x0 = wrapIndex(static_cast<int>(floorX), frequencyU);
    int y0 = wrapIndex(static_cast<int>(floorY), frequencyV);
    int x1 = x0 + 1 == frequencyU ? 0 : x0 + 1;
    int y1 = y0 + 1 == frequencyV ? 0 : y0 + 1;

    auto corner = [&](int cx, int cy, float dx, float dy) {
        unsigned g = hashLattice(cx, cy, seed) & 255u;
        return gradients.x[g] * dx + gradients.y[g] * dy;
    };
    float n00 = corner(x0, y0, fx, fy);
    float n10 = corner(x1, y0, fx - 1.0f, fy);
    float n01 = corner(x0, y1, fx, fy - 1.0f);
    float n11 = corner(x1, y1, fx - 1.0f, fy - 1.0f);
    float sx = fade(fx);
    float sy = fade(fy);
    // 2-D gradient noise peaks near 0.7; stretch it to fill about [-1, 1].
    return 1.41f * mixFloat(mixFloat(n00, n10, sx), mixFloat(n01, n11, sx), sy);
}

float valueNoise(float u, float v, int frequencyU, int frequencyV, std::uint32_t seed) {
    float x = u * static_cast<float>(frequencyU);
    float y = v * static_cast<float>(frequencyV);
    float floorX = std::floor(x);
    float floorY = std::floor(y);
    float sx = fade(x - floorX);
    float sy = fade(y - floorY);
    int x0 = wrapIndex(static_cast<int>(floorX), frequencyU);
    int y0 = wrapIndex(static_cast<int>(floorY), frequencyV);
    int x1 = x0 + 1 == frequencyU ? 0 : x0 + 1;
    int y1 = y0 + 1 == frequencyV ? 0 : y0 + 1;
    float a = hashUnit(x0, y0, seed), b = hashUnit(x1, y0, seed);
    float c = hashUnit(x0, y1, seed), d = hashUnit(x1, y1, seed);
    return mixFloat(mixFloat(a, b, sx), mixFloat(c, d, sx), sy);
}

float fractalNoise(float u, float v, int frequencyU, int frequencyV, int octaves, float gain, std::uint32_t seed) {
    float sum = 0.0f, amplitude = 1.0f, total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * gradientNoise(u, v, frequencyU, frequencyV, seed + 7919u * i);
        total += amplitude;
        amplitude *= gain;
        frequencyU *= 2;
        frequencyV *= 2;
    }
    return sum / total;
}

float ridgedNoise(float u, float v, int frequencyU, int frequencyV, int octaves, float gain, std::uint32_t seed) {
    float sum = 0.0f, amplitude = 1.0f, total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        float n = 1.0f - std::fabs(gradientNoise(u, v, frequencyU, frequencyV, seed + 104729u * i));
        sum += amplitude * n * n;
        total += amplitude;
        amplitude *= gain;
        frequencyU *= 2;
        frequencyV *= 2;
    }
    return clampUnit(sum / total);
}

CellSample cellularNoise(float u, float v, int frequencyU, int frequencyV, std::uint32_t seed) {
    float x = u * static_cast<float>(frequencyU);
    float y = v * static_cast<float>(frequencyV);
    int cellX = static_cast<int>(std::floor(x));
    int cellY = static_cast<int>(std::floor(y));
    CellSample sample;
    float best = 1e9f, second = 1e9f;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int cx = cellX + dx, cy = cellY + dy;
            // The point's place comes from its wrapped cell, its distance from
            // the unwrapped one: that is what makes the pattern tile.
            int wx = wrapIndex(cx, frequencyU), wy = wrapIndex(cy, frequencyV);
            std::uint32_t h = hashLattice(wx, wy, seed);
            float px = static_cast<float>(cx) + 0.1f + 0.8f * static_cast<float>(h & 0xFFFFu) / 65536.0f;
            float py = static_cast<float>(cy) + 0.1f + 0.8f * static_cast<float>(h >> 16) / 65536.0f;
            float ox = px - x, oy = py - y;
            float d = std::sqrt(ox * ox + oy * oy);
            if (d < best) {
                second = best;
                best = d;
                sample.offsetU = ox;
                sample.offsetV = oy;
                sample.cellId = hashLattice(wx, wy, seed ^ 0xA511E9B3u);
            } else if (d < second) {
                second = d;
            }
        }
    }
    sample.nearest = best;
    sample.secondNearest = second;
    return sample;
}
