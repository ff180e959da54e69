#include "tools/paint.h"

#include "image/image.h"
#include "tools/noise.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

Colour rgb(float red, float green, float blue) {
    Colour c;
    c.red = red;
    c.green = green;
    c.blue = blue;
    return c;
}

Colour mixColour(const Colour& a, const Colour& b, float t) {
    return rgb(mixFloat(a.red, b.red, t), mixFloat(a.green, b.green, t), mixFloat(a.blue, b.blue, t));
}

Colour scaleColour(const Colour& c, float k) { return rgb(c.red * k, c.green * k, c.blue * k); }

Colour addColour(const Colour& a, const Colour& b) {
    return rgb(a.red + b.red, a.green + b.green, a.blue + b.blue);
}

// Visits every pixel with its centre in picture coordinates (u across, v
// down, both in [0, 1)), so frequencies count whole cells across the picture.
template <typename Shader>
void shadeCanvas(Canvas& canvas, Shader shader) {
    for (int y = 0; y < canvas.height; ++y) {
        float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(canvas.height);
        for (int x = 0; x < canvas.width; ++x) {
            float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(canvas.width);
            canvasAt(canvas, x, y) = shader(u, v, x, y);
        }
    }
}

// A piecewise-linear ramp through colour stops at increasing positions.
struct ColourStop {
    float at;
    Colour colour;
};

Colour rampColour(const ColourStop* stops, int count, float t) {
    assert(count > 0);
    if (t <= stops[0].at) return stops[0].colour;
    for (int i = 1; i < count; ++i) {
        if (t <= stops[i].at) {
            float k = (t - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            return mixColour(stops[i - 1].colour, stops[i].colour, k);
        }
    }
    return stops[count - 1].colour;
}

// Sand: a pale base, gentle mottling, and grains a pixel or two across with a
// few dark and bright minerals among them.
struct SandRecipe {
    Colour base;
    Colour darkGrain;
    Colour brightGrain;
    Colour warmGrain;
    float darkShare;
    float brightShare;
    float warmShare;
    float grainContrast;
    std::uint32_t seed;
};

void paintSand(Canvas& canvas, const SandRecipe& recipe) {
    shadeCanvas(canvas, [&](float u, float v, int x, int y) {
        float mottle = 0.035f * fractalNoise(u, v, 4, 4, 4, 0.5f, recipe.seed);
        float drift = 0.025f * fractalNoise(u, v, 32, 32, 2, 0.5f, recipe.seed + 11u);
        float clumps = valueNoise(u, v, 128, 128, recipe.seed + 23u) - 0.5f;
        float grain = hashUnit(x, y, recipe.seed + 31u) - 0.5f;
        float brightness = 1.0f + mottle + drift + recipe.grainContrast * (0.6f * clumps + grain);
        Colour c = scaleColour(recipe.base, brightness);
        // A slight warm or cool cast per grain keeps the sand from looking printed.
        float cast = 0.03f * (hashUnit(x, y, recipe.seed + 37u) - 0.5f);
        c.red += cast;
        c.blue -= cast;
        float mineral = hashUnit(x, y, recipe.seed + 41u);
        float strength = 0.45f + 0.4f * hashUnit(x, y, recipe.seed + 43u);
        if (mineral < recipe.darkShare) {
            c = mixColour(c, recipe.darkGrain, strength);
        } else if (mineral < recipe.darkShare + recipe.warmShare) {
            c = mixColour(c, recipe.warmGrain, strength * 0.8f);
        } else if (mineral > 1.0f - recipe.brightShare) {
            c = mixColour(c, recipe.brightGrain, strength);
        }
        return c;
    });
}

}  // namespace

Canvas makeCanvas(int width, int height) {
    assert(width > 0 && height > 0);
    Canvas canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), Colour());
    return canvas;
}

Colour& canvasAt(Canvas& canvas, int x, int y) {
    assert(x >= 0 && x < canvas.width && y >= 0 && y < canvas.height);
    return canvas.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) +
                         static_cast<std::size_t>(x)];
}

const Colour& canvasAt(const Canvas& canvas, int x, int y) {
    assert(x >= 0 && x < canvas.width && y >= 0 && y < canvas.height);
    return canvas.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) +
                         static_cast<std::size_t>(x)];
}

unsigned char channelByte(float value, int x, int y) {
    // A 4 by 4 Bayer threshold, centred on zero, at most half a step.
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    float dither = (static_cast<float>(bayer[y & 3][x & 3]) + 0.5f) / 16.0f - 0.5f;
    float scaled = clampUnit(value) * 255.0f + dither;
    long rounded = std::lround(scaled);
    if (rounded < 0) rounded = 0;
    if (rounded > 255) rounded = 255;
    return static_cast<unsigned char>(rounded);
}

void paintLightSand(Canvas& canvas) {
    paintSand(canvas, {rgb(0.86f, 0.79f, 0.65f), rgb(0.46f, 0.41f, 0.36f), rgb(0.98f, 0.96f, 0.92f),
                       rgb(0.85f, 0.66f, 0.48f), 0.02f, 0.03f, 0.03f, 0.10f, 101u});
}

void paintDarkSand(Canvas& canvas) {
    paintSand(canvas, {rgb(0.56f, 0.49f, 0.40f), rgb(0.17f, 0.16f, 0.16f), rgb(0.80f, 0.76f, 0.68f),
                       rgb(0.60f, 0.38f, 0.26f), 0.07f, 0.025f, 0.04f, 0.16f, 202u});
}

// The stones below wrap onto GLU spheres, where u runs once round the equator
// and v only from pole to pole: cells twice as many across u as down v come
// out round on the rock.

void paintGranite(Canvas& canvas) {
    const std::uint32_t seed = 303u;
    shadeCanvas(canvas, [&](float u, float v, int x, int y) {
        float wu = u + 0.006f * gradientNoise(u, v, 32, 16, seed);
        float wv = v + 0.012f * gradientNoise(u, v, 32, 16, seed + 1u);
        CellSample cell = cellularNoise(wu, wv, 96, 48, seed + 2u);
        float mineral = static_cast<float>(cell.cellId & 0xFFFFu) / 65536.0f;
        float shade = static_cast<float>(cell.cellId >> 16) / 65536.0f;
        Colour c;
        if (mineral < 0.58f) {
            c = mixColour(rgb(0.78f, 0.69f, 0.65f), rgb(0.90f, 0.81f, 0.76f), shade);  // feldspar
        } else if (mineral < 0.87f) {
            c = mixColour(rgb(0.62f, 0.63f, 0.65f), rgb(0.80f, 0.80f, 0.82f), shade);  // quartz
        } else {
            c = mixColour(rgb(0.09f, 0.09f, 0.09f), rgb(0.22f, 0.21f, 0.20f), shade);  // mica
        }
        float within =
            0.04f * gradientNoise(u, v, 128, 64, seed + 3u) + 0.03f * (hashUnit(x, y, seed + 4u) - 0.5f);
        float boundary = smoothStep(0.0f, 0.15f, cell.secondNearest - cell.nearest);
        float weather = 0.05f * fractalNoise(u, v, 4, 2, 3, 0.5f, seed + 5u);
        return scaleColour(c, (0.92f + 0.08f * boundary) * (1.0f + within + weather));
    });
}

void paintBasalt(Canvas& canvas) {
    const std::uint32_t seed = 404u;
    shadeCanvas(canvas, [&](float u, float v, int x, int y) {
        float body = 0.30f * fractalNoise(u, v, 8, 4, 5, 0.6f, seed);
        float flow = 0.12f * fractalNoise(u, v, 2, 24, 3, 0.5f, seed + 4u);
        float fine = 0.08f * (hashUnit(x, y, seed + 1u) - 0.5f);
        Colour c = scaleColour(rgb(0.25f, 0.25f, 0.27f), 1.0f + body + flow + fine);
        float weathered = smoothStep(0.2f, 0.6f, fractalNoise(u, v, 4, 2, 4, 0.5f, seed + 5u));
        c = mixColour(c, rgb(0.38f, 0.36f, 0.34f), 0.6f * weathered);
        // Gas bubbles frozen into the lava: dark pits with a faint light lip.
        CellSample cell = cellularNoise(u, v, 40, 20, seed + 2u);
        float pick = static_cast<float>(cell.cellId & 0xFFFFu) / 65536.0f;
        if (pick < 0.4f) {
            float radius = 0.12f + 0.2f * static_cast<float>(cell.cellId >> 16) / 65536.0f;
            float pit = smoothStep(radius, radius * 0.6f, cell.nearest);
            float lip = smoothStep(radius * 1.5f, radius, cell.nearest) * (1.0f - pit);
            c = mixColour(c, rgb(0.34f, 0.34f, 0.35f), 0.6f * lip);
            c = mixColour(c, rgb(0.07f, 0.07f, 0.08f), 0.9f * pit);
        }
        float speck = hashUnit(x, y, seed + 3u);
        if (speck > 0.994f) c = mixColour(c, rgb(0.62f, 0.62f, 0.60f), 0.55f);
        return c;
    });
}

void paintSandstone(Canvas& canvas) {
    const std::uint32_t seed = 505u;
    const int bands = 9;
    static const ColourStop layers[] = {
        {0.0f, {0.90f, 0.78f, 0.60f}},   // cream
        {0.35f, {0.82f, 0.62f, 0.42f}},  // tan
        {0.65f, {0.77f, 0.51f, 0.30f}},  // ochre
        {1.0f, {0.63f, 0.37f, 0.25f}},   // red-brown
    };
    shadeCanvas(canvas, [&](float u, float v, int x, int y) {
        float warp =
            0.9f * fractalNoise(u, v, 2, 2, 4, 0.5f, seed) + 0.12f * fractalNoise(u, v, 8, 4, 3, 0.5f, seed + 1u);
        float strata = v * static_cast<float>(bands) + warp;
        int band = wrapIndex(static_cast<int>(std::floor(strata)), bands);
        float within = strata - std::floor(strata);
        float tone = hashUnit(band, 0, seed + 2u);
        float nextTone = hashUnit(wrapIndex(band + 1, bands), 0, seed + 2u);
        // Soft changes between layers, with the lower part of each a shade darker.
        float layerTone = mixFloat(tone, nextTone, smoothStep(0.8f, 1.0f, within));
        Colour c = rampColour(layers, 4, layerTone);
        float lamination = 0.035f * std::sin(6.28318530718f * 5.0f * strata);
        float grain = 0.07f * (hashUnit(x, y, seed + 3u) - 0.5f) + 0.04f * gradientNoise(u, v, 128, 64, seed + 4u);
        float weather = fractalNoise(u, v, 4, 2, 4, 0.55f, seed + 5u);
        float stain = 0.12f * smoothStep(0.15f, 0.6f, weather);
        return scaleColour(c, (1.0f + lamination + grain) * (1.0f - stain) * (0.97f + 0.05f * within));
    });
}

void paintSlate(Canvas& canvas) {
    const std::uint32_t seed = 606u;
    shadeCanvas(canvas, [&](float u, float v, int x, int y) {
        Colour c = rgb(0.29f, 0.32f, 0.37f);
        // Blue-grey, green-grey and plum-grey beds of the same stone.
        float patches = fractalNoise(u, v, 2, 4, 4, 0.5f, seed);
        c = mixColour(c, rgb(0.30f, 0.33f, 0.32f), 0.8f * smoothStep(0.0f, 0.5f, patches));
        c = mixColour(c, rgb(0.33f, 0.31f, 0.36f), 0.8f * smoothStep(0.0f, -0.5f, patches));
        float layering = 0.10f * fractalNoise(u, v, 2, 40, 4, 0.6f, seed + 1u);
        // Fine cleavage lines, slightly tilted; whole numbers of lines across
        // both directions keep them tiling.
        float cleave = v * 40.0f + u * 4.0f + 0.6f * gradientNoise(u, v, 4, 4, seed + 2u);
        float line = std::pow(std::fabs(std::sin(3.14159265f * cleave)), 24.0f) *
                     smoothStep(-0.3f, 0.4f, gradientNoise(u, v, 6, 24, seed + 6u));
        // Thin flakes split off along the cleavage show paler, fresh stone.
        float flake = smoothStep(0.45f, 0.75f, fractalNoise(u, v, 8, 48, 2, 0.5f, seed + 7u));
        c = mixColour(c, rgb(0.43f, 0.46f, 0.50f), 0.5f * flake);
        float fine = 0.05f * (hashUnit(x, y, seed + 3u) - 0.5f);
        c = scaleColour(c, (1.0f + layering + fine) * (1.0f - 0.22f * line));
        float rust = smoothStep(0.35f, 0.7f, fractalNoise(u, v, 4, 2, 5, 0.55f, seed + 4u));
        c = mixColour(c, rgb(0.52f, 0.37f, 0.25f), 0.5f * rust);
        float sheen = smoothStep(0.3f, 0.8f, fractalNoise(u, v, 4, 8, 3, 0.5f, seed + 5u));
        return mixColour(c, rgb(0.44f, 0.47f, 0.52f), 0.3f * sheen);
    });
}

void paintMossyStone(Canvas& canvas) {
    const std::uint32_t seed = 707u;
    shadeCanvas(canvas, [&](float u, float v, int x, int y) {
        float body = fractalNoise(u, v, 6, 3, 5, 0.55f, seed);
        Colour stone = scaleColour(rgb(0.53f, 0.52f, 0.49f), 1.0f + 0.12f * body);
        float crack = ridgedNoise(u, v, 4, 2, 3, 0.5f, seed + 1u);
        stone = scaleColour(stone, 1.0f - 0.35f * smoothStep(0.82f, 0.97f, crack));
        stone = scaleColour(stone, 1.0f + 0.05f * (hashUnit(x, y, seed + 2u) - 0.5f));
        // Pale lichen rosettes on the bare stone.
        CellSample spot = cellularNoise(u, v, 32, 16, seed + 3u);
        if ((spot.cellId & 0xFFu) < 50u) {
            float ring = smoothStep(0.38f, 0.25f, spot.nearest);
            stone = mixColour(stone, rgb(0.74f, 0.75f, 0.62f), 0.65f * ring);
        }
        float cover = fractalNoise(u, v, 4, 2, 5, 0.55f, seed + 4u) + 0.1f;
        float moss = smoothStep(-0.05f, 0.2f, cover);
        float tuft = fractalNoise(u, v, 64, 32, 2, 0.6f, seed + 5u);
        Colour green =
            mixColour(rgb(0.19f, 0.29f, 0.09f), rgb(0.47f, 0.55f, 0.17f), clampUnit(0.5f + 0.9f * tuft));
        green = scaleColour(green, 0.85f + 0.3f * hashUnit(x, y, seed + 6u));
        // Where the moss thins it browns before the stone shows.
        Colour edge = rgb(0.42f, 0.40f, 0.22f);
        Colour c = mixColour(stone, edge, smoothStep(-0.12f, 0.02f, cover) * 0.7f);
        return mixColour(c, green, moss);
    });
}

void paintSeaGlass(Canvas& canvas) {
    const std::uint32_t seed = 808u;
    shadeCanvas(canvas, [&](float u, float v, int x, int y) {
        float qu = fractalNoise(u, v, 3, 2, 4, 0.5f, seed);
        float qv = fractalNoise(u, v, 3, 2, 4, 0.5f, seed + 1u);
        float wu = u + 0.12f * qu, wv = v + 0.12f * qv;
        float flow = fractalNoise(wu, wv, 4, 2, 5, 0.5f, seed + 2u);
        Colour c = mixColour(rgb(0.20f, 0.50f, 0.49f), rgb(0.68f, 0.89f, 0.85f), clampUnit(0.55f + 0.75f * flow));
        // Light bent through the glass gathers into bright threads.
        float caustic = std::pow(ridgedNoise(wu, wv, 6, 3, 3, 0.5f, seed + 3u), 5.0f);
        c = addColour(c, scaleColour(rgb(0.9f, 1.0f, 0.97f), 0.35f * caustic));
        float frost = 0.03f * (hashUnit(x, y, seed + 4u) - 0.5f);
        c = scaleColour(c, 1.0f + frost);
        CellSample bubble = cellularNoise(u, v, 24, 12, seed + 5u);
        if ((bubble.cellId & 0xFFu) < 64u) {
            float radius = 0.08f + 0.12f * static_cast<float>((bubble.cellId >> 8) & 0xFFu) / 256.0f;
            float rim = smoothStep(radius * 0.55f, radius * 0.9f, bubble.nearest) *
                        smoothStep(radius * 1.1f, radius * 0.9f, bubble.nearest);
            c = mixColour(c, rgb(0.92f, 1.0f, 0.98f), 0.55f * rim);
        }
        return c;
    });
}

// Crystals: facets are cellular regions, each with its own tilt toward the
// light, bright along the ridges where two facets meet.
struct CrystalRecipe {
    Colour deep;
    Colour light;
    Colour ridge;
    int cellsU;
    int cellsV;
    float tiltStrength;
    float ridgeWidth;
    float veilStrength;
    int striationCells;
    std::uint32_t seed;
};

void paintCrystal(Canvas& canvas, const CrystalRecipe& recipe) {
    shadeCanvas(canvas, [&](float u, float v, int x, int y) {
        float wu = u + 0.01f * gradientNoise(u, v, 8, 4, recipe.seed);
        float wv = v + 0.01f * gradientNoise(u, v, 8, 4, recipe.seed + 1u);
        CellSample facet = cellularNoise(wu, wv, recipe.cellsU, recipe.cellsV, recipe.seed + 2u);
        float angle = 6.28318530718f * static_cast<float>(facet.cellId & 0xFFFFu) / 65536.0f;
        float depth = static_cast<float>(facet.cellId >> 16) / 65536.0f;
        float tilt = facet.offsetU * std::cos(angle) + facet.offsetV * std::sin(angle);
        float tone = clampUnit(0.25f + 0.5f * depth + recipe.tiltStrength * tilt);
        Colour c = mixColour(recipe.deep, recipe.light, tone);
        float ridge = smoothStep(recipe.ridgeWidth, 0.0f, facet.secondNearest - facet.nearest);
        c = mixColour(c, recipe.ridge, 0.7f * ridge);
        if (recipe.striationCells > 0) {
            float stria = gradientNoise(u, v, recipe.striationCells, 2, recipe.seed + 3u);
            c = scaleColour(c, 1.0f + 0.08f * stria);
        }
        float veil = std::pow(ridgedNoise(u, v, 4, 2, 4, 0.5f, recipe.seed + 4u), 6.0f);
        c = mixColour(c, recipe.ridge, recipe.veilStrength * veil);
        float sparkle = hashUnit(x, y, recipe.seed + 5u);
        if (sparkle > 0.997f) c = mixColour(c, rgb(1.0f, 1.0f, 1.0f), 0.7f);
        return c;
    });
}

void paintAmethyst(Canvas& canvas) {
    paintCrystal(canvas, {rgb(0.24f, 0.07f, 0.36f), rgb(0.78f, 0.58f, 0.92f), rgb(0.95f, 0.88f, 1.0f), 12, 6, 0.9f,
                          0.05f, 0.25f, 0, 909u});
}

void paintAquamarine(Canvas& canvas) {
    // Long prisms running pole to pole, with fine growth lines along them.
    paintCrystal(canvas, {rgb(0.10f, 0.33f, 0.52f), rgb(0.62f, 0.86f, 0.94f), rgb(0.92f, 0.98f, 1.0f), 20, 3, 1.2f,
                          0.04f, 0.15f, 160, 1010u});
}

void paintCitrine(Canvas& canvas) {
    // Small golden facets with milky veils running through them.
    paintCrystal(canvas, {rgb(0.62f, 0.30f, 0.05f), rgb(0.98f, 0.82f, 0.36f), rgb(1.0f, 0.96f, 0.82f), 28, 14,
                          0.8f, 0.06f, 0.45f, 0, 1111u});
}

void paintWood(Canvas& canvas) {
    const std::uint32_t seed = 1212u;
    const int rings = 12;
    shadeCanvas(canvas, [&](float u, float v, int x, int y) {
        // The growth rings run along u and wander slowly, as a plank sawn
        // slightly across the log shows them.
        float wander =
            0.9f * fractalNoise(u, v, 1, 2, 3, 0.45f, seed) + 0.06f * fractalNoise(u, v, 8, 4, 2, 0.5f, seed + 1u);
        float ring = v * static_cast<float>(rings) + wander;
        float phase = ring - std::floor(ring);
        // Each year grew its own amount: vary where the dark latewood starts.
        int year = wrapIndex(static_cast<int>(std::floor(ring)), rings);
        float lateStart = 0.35f + 0.4f * hashUnit(year, 1, seed + 6u);
        float darkness = 0.55f + 0.4f * hashUnit(year, 2, seed + 6u);
        // Light earlywood grows slowly dark into the latewood, then breaks off.
        float late = smoothStep(lateStart, 0.94f, phase) * (1.0f - smoothStep(0.96f, 1.0f, phase));
        Colour c = mixColour(rgb(0.78f, 0.58f, 0.36f), rgb(0.50f, 0.30f, 0.16f), darkness * late);
        float fibre = 0.10f * fractalNoise(u, v, 3, 128, 3, 0.7f, seed + 2u) +
                      0.05f * gradientNoise(u, v, 2, 256, seed + 7u);
        float pore = valueNoise(u, v, 64, 256, seed + 3u);
        float pores = 0.10f * smoothStep(0.78f, 0.92f, pore);
        float tint = 0.05f * fractalNoise(u, v, 2, 2, 2, 0.5f, seed + 4u);
        float fine = 0.025f * (hashUnit(x, y, seed + 5u) - 0.5f);
        return scaleColour(c, 1.0f + fibre + tint + fine - pores);
    });
}

// The backgrounds stand behind the garden, which covers their middle and
// lower part; what catches the eye sits in the sky and along the horizon.

namespace {

// The height of a ridge line (in picture rows from the top, 0 to 1) across u.
float ridgeLine(float u, float base, float height, int frequency, float roughness, std::uint32_t seed) {
    float n = fractalNoise(u, 0.37f, frequency, 1, 5, roughness, seed);
    return base - height * (0.5f + 0.5f * n);
}

}  // namespace

void paintDuskHills(Canvas& canvas) {
    const std::uint32_t seed = 1313u;
    // The garden hides the middle of the picture, so the sunset and the hills
    // stand high, and a still lake below them mirrors the glow.
    const float lakeTop = 0.56f;
    static const ColourStop sky[] = {
        {0.00f, {0.07f, 0.09f, 0.24f}}, {0.15f, {0.21f, 0.20f, 0.42f}}, {0.27f, {0.52f, 0.35f, 0.52f}},
        {0.35f, {0.90f, 0.55f, 0.42f}}, {0.42f, {1.00f, 0.77f, 0.52f}},
    };
    const float sunU = 0.68f, sunV = 0.41f;
    // Three ranges of hills, paler the farther off, mist lying in the
    // hollows between them.
    struct Range {
        float base, height;
        int frequency;
        float roughness;
        Colour colour;
        Colour mist;
    };
    const Range ranges[] = {
        {0.42f, 0.08f, 3, 0.5f, {0.47f, 0.36f, 0.52f}, {0.86f, 0.58f, 0.52f}},
        {0.48f, 0.09f, 2, 0.55f, {0.29f, 0.22f, 0.38f}, {0.62f, 0.42f, 0.50f}},
        {0.555f, 0.07f, 2, 0.6f, {0.13f, 0.11f, 0.19f}, {0.34f, 0.25f, 0.34f}},
    };
    // Outlines depend on the column only: work them out once per column.
    // Mist settles by a smoothed outline of each range; measured from the
    // ragged crest itself it would fall in vertical streaks.
    const std::size_t columns = static_cast<std::size_t>(canvas.width);
    std::vector<float> crests[3], mistLines[3];
    std::vector<float> banks(columns), reeds(columns);
    for (std::size_t x = 0; x < columns; ++x) {
        float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(canvas.width);
        for (int i = 0; i < 3; ++i) {
            const Range& range = ranges[i];
            std::uint32_t rangeSeed = seed + 10u + static_cast<std::uint32_t>(i);
            float crest = ridgeLine(u, range.base, range.height, range.frequency, range.roughness, rangeSeed);
            if (i == 2) {
                // Trees along the nearest crest, a pixel or so of ragged edge.
                crest -= 0.008f * (0.5f + 0.5f * fractalNoise(u, 0.5f, 60, 1, 2, 0.6f, seed + 20u));
            }
            crests[i].push_back(crest);
            mistLines[i].push_back(
                ridgeLine(u, range.base, range.height, range.frequency, range.roughness * 0.3f, rangeSeed));
        }
        banks[x] = 0.80f + 0.025f * fractalNoise(u, 0.9f, 3, 1, 4, 0.5f, seed + 40u);
        // Reeds stand in clumps along the near bank.
        float clump = smoothStep(0.05f, 0.45f, fractalNoise(u, 0.1f, 9, 1, 2, 0.5f, seed + 41u));
        float reed = hashUnit(static_cast<int>(x), 0, seed + 42u);
        reeds[x] =
            reed < 0.8f * clump ? clump * (0.006f + 0.03f * hashUnit(static_cast<int>(x), 1, seed + 42u)) : 0.0f;
    }
    const float pixel = 1.0f / static_cast<float>(canvas.height);

    auto landscape = [&](float u, float v, std::size_t column, int x, int y) {
        Colour c = rampColour(sky, 5, v);
        float du = u - sunU, dv = (v - sunV) * 1.6f;
        float distance2 = du * du + dv * dv;
        c = addColour(c, scaleColour(rgb(1.0f, 0.62f, 0.32f), 0.35f * std::exp(-distance2 / 0.012f)));
        c = addColour(c, scaleColour(rgb(0.9f, 0.45f, 0.35f), 0.18f * std::exp(-distance2 / 0.12f)));

        // Long thin clouds, lit from below by the set sun.
        float cloudBand = smoothStep(0.04f, 0.12f, v) * smoothStep(0.34f, 0.24f, v);
        float density = 0.0f;
        if (cloudBand > 0.0f) {
            float cloudWarp = 0.05f * fractalNoise(u, v, 3, 3, 3, 0.5f, seed);
            float cloud = fractalNoise(u + cloudWarp, v, 3, 14, 5, 0.55f, seed + 1u);
            density = smoothStep(0.05f, 0.45f, cloud) * cloudBand;
        }
        float lit = clampUnit(smoothStep(0.08f, 0.32f, v) * (1.0f - 0.8f * std::fabs(du)));
        Colour cloudColour = mixColour(rgb(0.28f, 0.21f, 0.38f), rgb(0.98f, 0.58f, 0.48f), lit);
        c = mixColour(c, cloudColour, 0.8f * density);

        // The first stars, high up where the sky is already dark.
        float starZone = smoothStep(0.22f, 0.03f, v) * (1.0f - density);
        if (starZone > 0.0f && hashUnit(x, y, seed + 2u) > 0.9975f) {
            float glow = 0.3f + 0.7f * hashUnit(x, y, seed + 3u);
            c = mixColour(c, rgb(0.95f, 0.95f, 1.0f), glow * starZone);
        }

        // Far to near, each range laid over what is behind it, its crest
        // softened over one pixel so that the outline does not stair-step.
        for (int i = 0; i < 3; ++i) {
            const Range& range = ranges[i];
            float cover = clampUnit((v - crests[i][column]) / pixel + 0.5f);
            if (cover > 0.0f) {
                float below = std::fmax(0.0f, v - mistLines[i][column]);
                float mist = smoothStep(0.0f, 0.07f, below) * (i == 2 ? 0.3f : 0.55f);
                Colour hill =
                    scaleColour(range.colour, 1.0f + 0.06f * fractalNoise(u, v, 16, 16, 3, 0.5f, seed + 30u));
                c = mixColour(c, mixColour(hill, range.mist, mist), cover);
            }
        }
        return c;
    };

    shadeCanvas(canvas, [&](float u, float v, int x, int y) {
        std::size_t column = static_cast<std::size_t>(x);
        float bank = banks[column];
        if (v < lakeTop) return landscape(u, v, column, x, y);
        Colour c;
        if (v < bank) {
            // The lake mirrors the hills and the glow, a little darker and
            // bluer, its surface stirred into faint horizontal streaks.
            float depth = v - lakeTop;
            float stir = fractalNoise(u, v, 2, 60, 3, 0.5f, seed + 50u);
            float mirrored = std::fmax(0.0f, lakeTop - depth - 0.004f * stir);
            float sampleU = u + 0.003f * stir;
            sampleU -= std::floor(sampleU);
            std::size_t sampleColumn =
                std::min(columns - 1, static_cast<std::size_t>(sampleU * static_cast<float>(canvas.width)));
            c = scaleColour(landscape(sampleU, mirrored, sampleColumn, x, y), 0.72f + 0.04f * stir);
            c = mixColour(c, rgb(0.08f, 0.08f, 0.17f), 0.55f * smoothStep(0.0f, 0.26f, depth));
            // A thin bright line where the water meets the far shore.
            c = mixColour(c, rgb(0.95f, 0.70f, 0.55f), 0.35f * smoothStep(3.0f * pixel, 0.0f, depth));
        } else {
            // The near bank, dark against the water, darker still at the bottom.
            c = mixColour(rgb(0.10f, 0.08f, 0.13f), rgb(0.05f, 0.04f, 0.08f), smoothStep(bank, 1.0f, v));
            c = scaleColour(c, 1.0f + 0.15f * fractalNoise(u, v, 40, 40, 2, 0.5f, seed + 51u));
        }
        // Reeds against the water, softened over a pixel at their tips.
        float reedTop = bank - reeds[column];
        if (reeds[column] > 0.0f && v < bank) {
            float cover = clampUnit((v - reedTop) / pixel + 0.5f);
            c = mixColour(c, rgb(0.06f, 0.05f, 0.08f), 0.9f * cover);
        }
        return c;
    });
}

void paintMistyShore(Canvas& canvas) {
    const std::uint32_t seed = 1414u;
    // Horizon and sun stand high: the garden hides the middle of the picture.
    const float horizon = 0.42f;
    const float sunU = 0.32f, sunV = 0.19f;
    static const ColourStop sky[] = {
        {0.00f, {0.56f, 0.65f, 0.76f}},
        {0.22f, {0.76f, 0.80f, 0.84f}},
        {0.42f, {0.92f, 0.91f, 0.88f}},
    };
    // The land's outlines and the water's edge depend on the column only.
    const std::size_t columns = static_cast<std::size_t>(canvas.width);
    std::vector<float> headlands(columns), headRidges(columns), coastRidges(columns), shores(columns);
    for (std::size_t x = 0; x < columns; ++x) {
        float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(canvas.width);
        // A headland on the left, and a lower, paler coast far off on the right.
        float head = 0.13f * std::exp(-std::pow((u - 0.10f) / 0.22f, 2.0f));
        float trees = 0.012f * ridgedNoise(u, 0.3f, 90, 1, 2, 0.5f, seed + 2u) * smoothStep(0.35f, 0.1f, u);
        headlands[x] = head;
        headRidges[x] = horizon - head - 0.02f * fractalNoise(u, 0.2f, 6, 1, 4, 0.5f, seed + 1u) - trees;
        coastRidges[x] = horizon - 0.035f * std::exp(-std::pow((u - 0.86f) / 0.18f, 2.0f)) -
                         0.008f * fractalNoise(u, 0.6f, 8, 1, 3, 0.5f, seed + 3u);
        shores[x] = 0.72f + 0.015f * std::sin(6.28318530718f * (u * 1.5f + 0.2f)) +
                    0.01f * fractalNoise(u, 0.8f, 6, 1, 3, 0.5f, seed + 4u);
    }
    shadeCanvas(canvas, [&](float u, float v, int x, int y) {
        Colour c;
        float sunDu = u - sunU;
        const std::size_t column = static_cast<std::size_t>(x);
        if (v < horizon) {
            c = rampColour(sky, 3, v);
            float dv = v - sunV;
            float distance = std::sqrt(sunDu * sunDu + dv * dv);
            float disc = smoothStep(0.040f, 0.032f, distance);
            c = mixColour(c, rgb(1.0f, 0.99f, 0.93f), 0.85f * disc);
            c = addColour(c, scaleColour(rgb(1.0f, 0.95f, 0.84f), 0.22f * std::exp(-distance * distance / 0.02f)));
            // Banks of mist drifting along the horizon.
            float bank = fractalNoise(u, v, 2, 12, 4, 0.5f, seed);
            float low = smoothStep(0.17f, horizon, v);
            c = mixColour(c, rgb(0.93f, 0.93f, 0.91f), 0.35f * low * smoothStep(-0.2f, 0.5f, bank));

            float headRidge = headRidges[column];
            float coastRidge = coastRidges[column];
            // Outlines softened over one pixel; the headland fades out before
            // the open water in the middle.
            const float pixel = 1.0f / static_cast<float>(canvas.height);
            float coastCover = clampUnit((v - coastRidge) / pixel + 0.5f);
            c = mixColour(c, mixColour(rgb(0.66f, 0.71f, 0.75f), c, 0.45f), coastCover);
            float headCover = clampUnit((v - headRidge) / pixel + 0.5f) * smoothStep(0.6f, 0.45f, u);
            // Mist thickens toward the water, measured from the smooth hill
            // shape so that the ragged tree line casts no streaks down it.
            float mist = 0.35f + 0.5f * smoothStep(horizon - headlands[column], horizon, v);
            c = mixColour(c, mixColour(rgb(0.45f, 0.53f, 0.58f), c, mist), headCover);
        } else {
            float depth = v - horizon;
            float shore = shores[column];
            if (v < shore) {
                float t = depth / (shore - horizon);
                c = mixColour(rgb(0.84f, 0.86f, 0.86f), rgb(0.50f, 0.59f, 0.63f), std::pow(t, 0.7f));
                // Ripples grow as the water nears: sample them on a plane seen in perspective.
                float distance = 0.02f / (depth + 0.01f);
                float ripple =
                    fractalNoise(u * (0.5f + 3.0f * distance), distance * 2.0f, 4, 4, 3, 0.5f, seed + 5u);
                c = scaleColour(c, 1.0f + 0.05f * ripple * smoothStep(0.0f, 0.03f, depth));
                // The headland's dim reflection, broken up by the ripples.
                float head = headlands[column];
                if (u < 0.55f && depth < head * 0.8f) {
                    c = mixColour(c, rgb(0.55f, 0.62f, 0.66f), 0.35f * smoothStep(head * 0.8f, 0.0f, depth));
                }
                // The sun's path on the water, glittering.
                float path = std::exp(-sunDu * sunDu / (0.0016f + 0.02f * depth));
                float glitter = smoothStep(0.2f, 0.7f, ripple + 0.3f * (hashUnit(x, y, seed + 6u) - 0.5f));
                c = mixColour(c, rgb(1.0f, 0.98f, 0.92f), path * (0.25f + 0.55f * glitter));
                // A thin line of foam where the last wave spreads out.
                float foam = smoothStep(shore - 0.012f, shore - 0.002f, v);
                c = mixColour(c, rgb(0.95f, 0.96f, 0.95f), 0.8f * foam);
            } else {
                float dry = smoothStep(shore, shore + 0.08f, v);
                Colour wet = rgb(0.60f, 0.58f, 0.54f);
                Colour sand = rgb(0.83f, 0.77f, 0.67f);
                c = mixColour(wet, sand, dry);
                float grain = 0.04f * (hashUnit(x, y, seed + 7u) - 0.5f) +
                              0.04f * fractalNoise(u, v, 24, 24, 3, 0.5f, seed + 8u);
                // Wind ripples on the dry sand, wider apart as they come nearer.
                float nearness = 0.9f / (v - horizon + 0.05f);
                float ripple = std::sin(6.28318530718f *
                                        (8.0f * nearness + 1.5f * fractalNoise(u, v, 3, 3, 3, 0.5f, seed + 9u)));
                c = scaleColour(c, 1.0f + grain + 0.035f * dry * ripple);
            }
        }
        return c;
    });
}

const std::vector<GardenPicture>& gardenPictures() {
    // One painter for each of the garden's pictures, in the table's order.
    static const std::vector<GardenPicture> pictures = [] {
        void (*const painters[])(Canvas&) = {
            paintLightSand, paintDarkSand,   paintGranite,   paintBasalt,     paintSandstone,
            paintSlate,     paintMossyStone, paintSeaGlass,  paintAmethyst,   paintAquamarine,
            paintCitrine,   paintWood,       paintDuskHills, paintMistyShore,
        };
        static_assert(sizeof painters / sizeof painters[0] == gardenPictureCount, "one painter for each picture");
        std::vector<GardenPicture> list;
        for (std::size_t i = 0; i < gardenPictureCount; ++i) {
            const GardenPictureFile& file = gardenPictureFiles[i];
            int side = pictureSideFor(file.role);
            list.push_back({file.fileName, side, side, painters[i]});
        }
        return list;
    }();
    return pictures;
}

// The raster the writer stores as this canvas: the writer puts raster row 0
// at the top of the file's picture, and the canvas's row 0 is its top.
std::unique_ptr<RasterImage> paintedPicture(const GardenPicture& picture) {
    Canvas canvas = makeCanvas(picture.width, picture.height);
    picture.paint(canvas);
    auto raster = std::make_unique<RasterImage>(canvas.width, canvas.height);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const Colour& c = canvasAt(canvas, x, y);
            raster->pixels[y * canvas.width + x] =
                Pixel(channelByte(c.red, x, y), channelByte(c.green, x, y), channelByte(c.blue, x, y), 255);
        }
    }
    return raster;
}
