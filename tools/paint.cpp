#include "tools/paint.h"

#include "image/image.h"
#include "tools/noise.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <utility>

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

// Pixels are shaded at their centres in picture coordinates (u across, v
// down, both in [0, 1)), so frequencies count whole cells across the picture:
// the centre of pixel i of the `count` along one side.
float pixelCentre(int i, int count) { return (static_cast<float>(i) + 0.5f) / static_cast<float>(count); }

// The u of each column's centre.
std::vector<float> columnCentres(const Canvas& canvas) {
    std::vector<float> u(static_cast<std::size_t>(canvas.width));
    for (int x = 0; x < canvas.width; ++x) u[static_cast<std::size_t>(x)] = pixelCentre(x, canvas.width);
    return u;
}

// Paints the canvas a row at a time, top to bottom: shadeRow(v, y, row)
// fills the `canvas.width` pixels from `row` on, row number y at v, so that
// the noises of a row are worked out for all its columns at once.
template <typename RowShader>
void shadeRows(Canvas& canvas, RowShader shadeRow) {
    for (int y = 0; y < canvas.height; ++y) shadeRow(pixelCentre(y, canvas.height), y, &canvasAt(canvas, 0, y));
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
    const std::vector<float> columnU = columnCentres(canvas);
    const FractalNoise mottleNoise(4, 4, 4, 0.5f, recipe.seed, columnU);
    const FractalNoise driftNoise(32, 32, 2, 0.5f, recipe.seed + 11u, columnU);
    const ValueNoise clumpNoise(128, 128, recipe.seed + 23u, columnU);
    std::vector<float> mottles, drifts, clumpRow;
    shadeRows(canvas, [&](float v, int y, Colour* row) {
        mottleNoise.row(v, mottles);
        driftNoise.row(v, drifts);
        clumpNoise.row(v, clumpRow);
        for (int x = 0; x < canvas.width; ++x) {
            float mottle = 0.035f * mottles[x];
            float drift = 0.025f * drifts[x];
            float clumps = clumpRow[x] - 0.5f;
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
            row[x] = c;
        }
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

namespace {

// A 4 by 4 Bayer threshold, centred on zero, at most half a step: the
// dither of the pixels whose x and y leave these remainders by 4.
struct DitherTable {
    float at[4][4];
    DitherTable() {
        static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) at[y][x] = (static_cast<float>(bayer[y][x]) + 0.5f) / 16.0f - 0.5f;
    }
};
const DitherTable dithers;

// The byte a picture stores for a channel value with its pixel's dither.
inline unsigned char ditheredByte(float value, float dither) {
    float scaled = clampUnit(value) * 255.0f + dither;
    // Rounded half away from zero, as std::lround rounds, without a library
    // call for each of a picture's channels: the fraction truncation drops
    // from a float this small is exact, so comparing it with a half decides
    // as lround does. Below zero (and for not a number) lround's result
    // clamps to 0.
    if (!(scaled >= 0.0f)) return 0;
    int whole = static_cast<int>(scaled);
    int rounded = scaled - static_cast<float>(whole) >= 0.5f ? whole + 1 : whole;
    return static_cast<unsigned char>(std::min(rounded, 255));
}

}  // namespace

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
    const std::vector<float> columnU = columnCentres(canvas);
    const std::uint32_t seed = 303u;
    const GradientNoise warpNoiseU(32, 16, seed, columnU), warpNoiseV(32, 16, seed + 1u, columnU);
    const CellularNoise grains(96, 48, seed + 2u);
    const GradientNoise withinNoise(128, 64, seed + 3u, columnU);
    const FractalNoise weatherNoise(4, 2, 3, 0.5f, seed + 5u, columnU);
    std::vector<float> warpsU, warpsV, withins, weathers, grainU(columnU.size()), grainV(columnU.size());
    std::vector<CellSample> cells;
    shadeRows(canvas, [&](float v, int y, Colour* row) {
        warpNoiseU.row(v, warpsU);
        warpNoiseV.row(v, warpsV);
        withinNoise.row(v, withins);
        weatherNoise.row(v, weathers);
        for (std::size_t x = 0; x < columnU.size(); ++x) {
            grainU[x] = columnU[x] + 0.006f * warpsU[x];
            grainV[x] = v + 0.012f * warpsV[x];
        }
        grains.row(grainU, grainV, cells);
        for (int x = 0; x < canvas.width; ++x) {
            const CellSample& cell = cells[x];
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
            float within = 0.04f * withins[x] + 0.03f * (hashUnit(x, y, seed + 4u) - 0.5f);
            float boundary = smoothStep(0.0f, 0.15f, cell.secondNearest - cell.nearest);
            float weather = 0.05f * weathers[x];
            row[x] = scaleColour(c, (0.92f + 0.08f * boundary) * (1.0f + within + weather));
        }
    });
}

void paintBasalt(Canvas& canvas) {
    const std::vector<float> columnU = columnCentres(canvas);
    const std::uint32_t seed = 404u;
    const FractalNoise bodyNoise(8, 4, 5, 0.6f, seed, columnU), flowNoise(2, 24, 3, 0.5f, seed + 4u, columnU);
    const FractalNoise weatherNoise(4, 2, 4, 0.5f, seed + 5u, columnU);
    const CellularNoise bubbles(40, 20, seed + 2u);
    std::vector<float> bodies, flows, weathers;
    std::vector<CellSample> bubbleRow;
    shadeRows(canvas, [&](float v, int y, Colour* row) {
        bodyNoise.row(v, bodies);
        flowNoise.row(v, flows);
        weatherNoise.row(v, weathers);
        bubbles.row(columnU, v, bubbleRow);
        for (int x = 0; x < canvas.width; ++x) {
            float body = 0.30f * bodies[x];
            float flow = 0.12f * flows[x];
            float fine = 0.08f * (hashUnit(x, y, seed + 1u) - 0.5f);
            Colour c = scaleColour(rgb(0.25f, 0.25f, 0.27f), 1.0f + body + flow + fine);
            float weathered = smoothStep(0.2f, 0.6f, weathers[x]);
            c = mixColour(c, rgb(0.38f, 0.36f, 0.34f), 0.6f * weathered);
            // Gas bubbles frozen into the lava: dark pits with a faint light lip.
            const CellSample& cell = bubbleRow[x];
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
            row[x] = c;
        }
    });
}

void paintSandstone(Canvas& canvas) {
    const std::vector<float> columnU = columnCentres(canvas);
    const std::uint32_t seed = 505u;
    const int bands = 9;
    static const ColourStop layers[] = {
        {0.0f, {0.90f, 0.78f, 0.60f}},   // cream
        {0.35f, {0.82f, 0.62f, 0.42f}},  // tan
        {0.65f, {0.77f, 0.51f, 0.30f}},  // ochre
        {1.0f, {0.63f, 0.37f, 0.25f}},   // red-brown
    };
    const FractalNoise broadWarpNoise(2, 2, 4, 0.5f, seed, columnU),
        fineWarpNoise(8, 4, 3, 0.5f, seed + 1u, columnU);
    const GradientNoise grainNoise(128, 64, seed + 4u, columnU);
    const FractalNoise weatherNoise(4, 2, 4, 0.55f, seed + 5u, columnU);
    std::vector<float> broadWarps, fineWarps, grains, weathers;
    shadeRows(canvas, [&](float v, int y, Colour* row) {
        broadWarpNoise.row(v, broadWarps);
        fineWarpNoise.row(v, fineWarps);
        grainNoise.row(v, grains);
        weatherNoise.row(v, weathers);
        for (int x = 0; x < canvas.width; ++x) {
            float warp = 0.9f * broadWarps[x] + 0.12f * fineWarps[x];
            float strata = v * static_cast<float>(bands) + warp;
            int layer = floorToInt(strata);
            int band = wrapIndex(layer, bands);
            float within = strata - static_cast<float>(layer);
            float tone = hashUnit(band, 0, seed + 2u);
            float nextTone = hashUnit(wrapIndex(band + 1, bands), 0, seed + 2u);
            // Soft changes between layers, with the lower part of each a shade darker.
            float layerTone = mixFloat(tone, nextTone, smoothStep(0.8f, 1.0f, within));
            Colour c = rampColour(layers, 4, layerTone);
            float lamination = 0.035f * std::sin(6.28318530718f * 5.0f * strata);
            float grain = 0.07f * (hashUnit(x, y, seed + 3u) - 0.5f) + 0.04f * grains[x];
            float weather = weathers[x];
            float stain = 0.12f * smoothStep(0.15f, 0.6f, weather);
            row[x] = scaleColour(c, (1.0f + lamination + grain) * (1.0f - stain) * (0.97f + 0.05f * within));
        }
    });
}

void paintSlate(Canvas& canvas) {
    const std::vector<float> columnU = columnCentres(canvas);
    const std::uint32_t seed = 606u;
    const FractalNoise patchNoise(2, 4, 4, 0.5f, seed, columnU), layerNoise(2, 40, 4, 0.6f, seed + 1u, columnU);
    const GradientNoise cleaveNoise(4, 4, seed + 2u, columnU), lineNoise(6, 24, seed + 6u, columnU);
    const FractalNoise flakeNoise(8, 48, 2, 0.5f, seed + 7u, columnU),
        rustNoise(4, 2, 5, 0.55f, seed + 4u, columnU);
    const FractalNoise sheenNoise(4, 8, 3, 0.5f, seed + 5u, columnU);
    std::vector<float> patchRow, layers, cleaves, lines, flakes, rusts, sheens;
    shadeRows(canvas, [&](float v, int y, Colour* row) {
        patchNoise.row(v, patchRow);
        layerNoise.row(v, layers);
        cleaveNoise.row(v, cleaves);
        lineNoise.row(v, lines);
        flakeNoise.row(v, flakes);
        rustNoise.row(v, rusts);
        sheenNoise.row(v, sheens);
        for (int x = 0; x < canvas.width; ++x) {
            Colour c = rgb(0.29f, 0.32f, 0.37f);
            // Blue-grey, green-grey and plum-grey beds of the same stone.
            float patches = patchRow[x];
            c = mixColour(c, rgb(0.30f, 0.33f, 0.32f), 0.8f * smoothStep(0.0f, 0.5f, patches));
            c = mixColour(c, rgb(0.33f, 0.31f, 0.36f), 0.8f * smoothStep(0.0f, -0.5f, patches));
            float layering = 0.10f * layers[x];
            // Fine cleavage lines, slightly tilted; whole numbers of lines across
            // both directions keep them tiling.
            float cleave = v * 40.0f + columnU[x] * 4.0f + 0.6f * cleaves[x];
            float line =
                std::pow(std::fabs(std::sin(3.14159265f * cleave)), 24.0f) * smoothStep(-0.3f, 0.4f, lines[x]);
            // Thin flakes split off along the cleavage show paler, fresh stone.
            float flake = smoothStep(0.45f, 0.75f, flakes[x]);
            c = mixColour(c, rgb(0.43f, 0.46f, 0.50f), 0.5f * flake);
            float fine = 0.05f * (hashUnit(x, y, seed + 3u) - 0.5f);
            c = scaleColour(c, (1.0f + layering + fine) * (1.0f - 0.22f * line));
            float rust = smoothStep(0.35f, 0.7f, rusts[x]);
            c = mixColour(c, rgb(0.52f, 0.37f, 0.25f), 0.5f * rust);
            float sheen = smoothStep(0.3f, 0.8f, sheens[x]);
            row[x] = mixColour(c, rgb(0.44f, 0.47f, 0.52f), 0.3f * sheen);
        }
    });
}

void paintMossyStone(Canvas& canvas) {
    const std::vector<float> columnU = columnCentres(canvas);
    const std::uint32_t seed = 707u;
    const FractalNoise bodyNoise(6, 3, 5, 0.55f, seed, columnU);
    const RidgedNoise crackNoise(4, 2, 3, 0.5f, seed + 1u, columnU);
    const CellularNoise lichen(32, 16, seed + 3u);
    const FractalNoise coverNoise(4, 2, 5, 0.55f, seed + 4u, columnU),
        tuftNoise(64, 32, 2, 0.6f, seed + 5u, columnU);
    std::vector<float> bodies, cracks, covers, tufts;
    std::vector<CellSample> spots;
    shadeRows(canvas, [&](float v, int y, Colour* row) {
        lichen.row(columnU, v, spots);
        bodyNoise.row(v, bodies);
        crackNoise.row(v, cracks);
        coverNoise.row(v, covers);
        tuftNoise.row(v, tufts);
        for (int x = 0; x < canvas.width; ++x) {
            float body = bodies[x];
            Colour stone = scaleColour(rgb(0.53f, 0.52f, 0.49f), 1.0f + 0.12f * body);
            float crack = cracks[x];
            stone = scaleColour(stone, 1.0f - 0.35f * smoothStep(0.82f, 0.97f, crack));
            stone = scaleColour(stone, 1.0f + 0.05f * (hashUnit(x, y, seed + 2u) - 0.5f));
            // Pale lichen rosettes on the bare stone.
            const CellSample& spot = spots[x];
            if ((spot.cellId & 0xFFu) < 50u) {
                float ring = smoothStep(0.38f, 0.25f, spot.nearest);
                stone = mixColour(stone, rgb(0.74f, 0.75f, 0.62f), 0.65f * ring);
            }
            float cover = covers[x] + 0.1f;
            float moss = smoothStep(-0.05f, 0.2f, cover);
            float tuft = tufts[x];
            Colour green =
                mixColour(rgb(0.19f, 0.29f, 0.09f), rgb(0.47f, 0.55f, 0.17f), clampUnit(0.5f + 0.9f * tuft));
            green = scaleColour(green, 0.85f + 0.3f * hashUnit(x, y, seed + 6u));
            // Where the moss thins it browns before the stone shows.
            Colour edge = rgb(0.42f, 0.40f, 0.22f);
            Colour c = mixColour(stone, edge, smoothStep(-0.12f, 0.02f, cover) * 0.7f);
            row[x] = mixColour(c, green, moss);
        }
    });
}

void paintSeaGlass(Canvas& canvas) {
    const std::vector<float> columnU = columnCentres(canvas);
    const std::uint32_t seed = 808u;
    const FractalNoise warpNoiseU(3, 2, 4, 0.5f, seed, columnU), warpNoiseV(3, 2, 4, 0.5f, seed + 1u, columnU);
    const FractalNoise flowNoise(4, 2, 5, 0.5f, seed + 2u);
    const RidgedNoise causticNoise(6, 3, 3, 0.5f, seed + 3u);
    const CellularNoise bubbles(24, 12, seed + 5u);
    std::vector<float> warpsU, warpsV, flowU(columnU.size()), flowV(columnU.size()), flows, caustics;
    std::vector<CellSample> bubbleRow;
    shadeRows(canvas, [&](float v, int y, Colour* row) {
        warpNoiseU.row(v, warpsU);
        warpNoiseV.row(v, warpsV);
        for (std::size_t x = 0; x < columnU.size(); ++x) {
            float qu = warpsU[x];
            float qv = warpsV[x];
            flowU[x] = columnU[x] + 0.12f * qu;
            flowV[x] = v + 0.12f * qv;
        }
        flowNoise.row(flowU, flowV, flows);
        causticNoise.row(flowU, flowV, caustics);
        bubbles.row(columnU, v, bubbleRow);
        for (int x = 0; x < canvas.width; ++x) {
            float flow = flows[x];
            Colour c =
                mixColour(rgb(0.20f, 0.50f, 0.49f), rgb(0.68f, 0.89f, 0.85f), clampUnit(0.55f + 0.75f * flow));
            // Light bent through the glass gathers into bright threads.
            float caustic = std::pow(caustics[x], 5.0f);
            c = addColour(c, scaleColour(rgb(0.9f, 1.0f, 0.97f), 0.35f * caustic));
            float frost = 0.03f * (hashUnit(x, y, seed + 4u) - 0.5f);
            c = scaleColour(c, 1.0f + frost);
            const CellSample& bubble = bubbleRow[x];
            if ((bubble.cellId & 0xFFu) < 64u) {
                float radius = 0.08f + 0.12f * static_cast<float>((bubble.cellId >> 8) & 0xFFu) / 256.0f;
                float rim = smoothStep(radius * 0.55f, radius * 0.9f, bubble.nearest) *
                            smoothStep(radius * 1.1f, radius * 0.9f, bubble.nearest);
                c = mixColour(c, rgb(0.92f, 1.0f, 0.98f), 0.55f * rim);
            }
            row[x] = c;
        }
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
    const std::vector<float> columnU = columnCentres(canvas);
    const GradientNoise warpNoiseU(8, 4, recipe.seed, columnU), warpNoiseV(8, 4, recipe.seed + 1u, columnU);
    const CellularNoise facets(recipe.cellsU, recipe.cellsV, recipe.seed + 2u);
    std::optional<GradientNoise> striationNoise;
    if (recipe.striationCells > 0) striationNoise.emplace(recipe.striationCells, 2, recipe.seed + 3u, columnU);
    const RidgedNoise veilNoise(4, 2, 4, 0.5f, recipe.seed + 4u, columnU);
    std::vector<float> warpsU, warpsV, striae, veils, facetU(columnU.size()), facetV(columnU.size());
    std::vector<CellSample> facetRow;
    shadeRows(canvas, [&](float v, int y, Colour* row) {
        warpNoiseU.row(v, warpsU);
        warpNoiseV.row(v, warpsV);
        if (striationNoise) striationNoise->row(v, striae);
        veilNoise.row(v, veils);
        for (std::size_t x = 0; x < columnU.size(); ++x) {
            facetU[x] = columnU[x] + 0.01f * warpsU[x];
            facetV[x] = v + 0.01f * warpsV[x];
        }
        facets.row(facetU, facetV, facetRow);
        for (int x = 0; x < canvas.width; ++x) {
            const CellSample& facet = facetRow[x];
            float angle = 6.28318530718f * static_cast<float>(facet.cellId & 0xFFFFu) / 65536.0f;
            float depth = static_cast<float>(facet.cellId >> 16) / 65536.0f;
            float tilt = facet.offsetU * std::cos(angle) + facet.offsetV * std::sin(angle);
            float tone = clampUnit(0.25f + 0.5f * depth + recipe.tiltStrength * tilt);
            Colour c = mixColour(recipe.deep, recipe.light, tone);
            float ridge = smoothStep(recipe.ridgeWidth, 0.0f, facet.secondNearest - facet.nearest);
            c = mixColour(c, recipe.ridge, 0.7f * ridge);
            if (striationNoise) {
                float stria = striae[x];
                c = scaleColour(c, 1.0f + 0.08f * stria);
            }
            float veil = std::pow(veils[x], 6.0f);
            c = mixColour(c, recipe.ridge, recipe.veilStrength * veil);
            float sparkle = hashUnit(x, y, recipe.seed + 5u);
            if (sparkle > 0.997f) c = mixColour(c, rgb(1.0f, 1.0f, 1.0f), 0.7f);
            row[x] = c;
        }
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
    const std::vector<float> columnU = columnCentres(canvas);
    const std::uint32_t seed = 1212u;
    const int rings = 12;
    // The growth rings run along u and wander slowly, as a plank sawn
    // slightly across the log shows them.
    const FractalNoise slowWanderNoise(1, 2, 3, 0.45f, seed, columnU),
        quickWanderNoise(8, 4, 2, 0.5f, seed + 1u, columnU);
    const FractalNoise fibreNoise(3, 128, 3, 0.7f, seed + 2u, columnU);
    const GradientNoise fineFibreNoise(2, 256, seed + 7u, columnU);
    const ValueNoise poreNoise(64, 256, seed + 3u, columnU);
    const FractalNoise tintNoise(2, 2, 2, 0.5f, seed + 4u, columnU);
    std::vector<float> slowWanders, quickWanders, fibres, fineFibres, poreRow, tints;
    shadeRows(canvas, [&](float v, int y, Colour* row) {
        slowWanderNoise.row(v, slowWanders);
        quickWanderNoise.row(v, quickWanders);
        fibreNoise.row(v, fibres);
        fineFibreNoise.row(v, fineFibres);
        poreNoise.row(v, poreRow);
        tintNoise.row(v, tints);
        for (int x = 0; x < canvas.width; ++x) {
            float wander = 0.9f * slowWanders[x] + 0.06f * quickWanders[x];
            float ring = v * static_cast<float>(rings) + wander;
            int ringNumber = floorToInt(ring);
            float phase = ring - static_cast<float>(ringNumber);
            // Each year grew its own amount: vary where the dark latewood starts.
            int year = wrapIndex(ringNumber, rings);
            float lateStart = 0.35f + 0.4f * hashUnit(year, 1, seed + 6u);
            float darkness = 0.55f + 0.4f * hashUnit(year, 2, seed + 6u);
            // Light earlywood grows slowly dark into the latewood, then breaks off.
            float late = smoothStep(lateStart, 0.94f, phase) * (1.0f - smoothStep(0.96f, 1.0f, phase));
            Colour c = mixColour(rgb(0.78f, 0.58f, 0.36f), rgb(0.50f, 0.30f, 0.16f), darkness * late);
            float fibre = 0.10f * fibres[x] + 0.05f * fineFibres[x];
            float pore = poreRow[x];
            float pores = 0.10f * smoothStep(0.78f, 0.92f, pore);
            float tint = 0.05f * tints[x];
            float fine = 0.025f * (hashUnit(x, y, seed + 5u) - 0.5f);
            row[x] = scaleColour(c, 1.0f + fibre + tint + fine - pores);
        }
    });
}

// The backgrounds stand behind the garden, which covers their middle and
// lower part; what catches the eye sits in the sky and along the horizon.

namespace {

// A fractal noise along one row at v, at the columns' centres u: for the
// outlines that depend on the column only.
std::vector<float> fractalRow(const std::vector<float>& u, float v, int frequencyU, int frequencyV, int octaves,
                              float gain, std::uint32_t seed) {
    const FractalNoise noise(frequencyU, frequencyV, octaves, gain, seed);
    std::vector<float> values;
    noise.row(u, v, values);
    return values;
}

// The height of a ridge line (in picture rows from the top, 0 to 1) at the
// columns' centres u.
std::vector<float> ridgeLine(const std::vector<float>& u, float base, float height, int frequency, float roughness,
                             std::uint32_t seed) {
    std::vector<float> line = fractalRow(u, 0.37f, frequency, 1, 5, roughness, seed);
    for (float& n : line) n = base - height * (0.5f + 0.5f * n);
    return line;
}

// A noise's values along the row being painted, worked out for all the
// row's columns when a pixel first asks for one: a row none of whose pixels
// asks costs nothing.
class LazyRow {
public:
    using Fill = std::function<void(float v, std::vector<float>& values)>;
    explicit LazyRow(Fill fill) : fill_(std::move(fill)) {}
    void startRow(float v) {
        v_ = v;
        filled_ = false;
    }
    float operator[](int x) {
        if (!filled_) {
            fill_(v_, values_);
            filled_ = true;
        }
        return values_[static_cast<std::size_t>(x)];
    }

private:
    Fill fill_;
    float v_ = 0.0f;
    std::vector<float> values_;
    bool filled_ = false;
};

// For a noise made with the picture's columns.
LazyRow lazyRowOf(const FractalNoise& noise) {
    return LazyRow([&noise](float v, std::vector<float>& values) { noise.row(v, values); });
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
    const std::vector<float> columnU = columnCentres(canvas);
    const std::size_t columns = columnU.size();
    std::vector<float> crests[3], mistLines[3];
    for (int i = 0; i < 3; ++i) {
        const Range& range = ranges[i];
        std::uint32_t rangeSeed = seed + 10u + static_cast<std::uint32_t>(i);
        crests[i] = ridgeLine(columnU, range.base, range.height, range.frequency, range.roughness, rangeSeed);
        mistLines[i] =
            ridgeLine(columnU, range.base, range.height, range.frequency, range.roughness * 0.3f, rangeSeed);
    }
    // Trees along the nearest crest, a pixel or so of ragged edge.
    const std::vector<float> trees = fractalRow(columnU, 0.5f, 60, 1, 2, 0.6f, seed + 20u);
    const std::vector<float> bankFolds = fractalRow(columnU, 0.9f, 3, 1, 4, 0.5f, seed + 40u);
    const std::vector<float> clumps = fractalRow(columnU, 0.1f, 9, 1, 2, 0.5f, seed + 41u);
    std::vector<float> banks(columns), reeds(columns);
    for (std::size_t x = 0; x < columns; ++x) {
        crests[2][x] -= 0.008f * (0.5f + 0.5f * trees[x]);
        banks[x] = 0.80f + 0.025f * bankFolds[x];
        // Reeds stand in clumps along the near bank.
        float clump = smoothStep(0.05f, 0.45f, clumps[x]);
        float reed = hashUnit(static_cast<int>(x), 0, seed + 42u);
        reeds[x] =
            reed < 0.8f * clump ? clump * (0.006f + 0.03f * hashUnit(static_cast<int>(x), 1, seed + 42u)) : 0.0f;
    }
    const float pixel = 1.0f / static_cast<float>(canvas.height);

    const FractalNoise cloudWarpNoise(3, 3, 3, 0.5f, seed, columnU), cloudNoise(3, 14, 5, 0.55f, seed + 1u);
    const FractalNoise hillNoise(16, 16, 3, 0.5f, seed + 30u, columnU);
    const FractalNoise stirNoise(2, 60, 3, 0.5f, seed + 50u, columnU),
        shoreNoise(40, 40, 2, 0.5f, seed + 51u, columnU);

    // What the sky has at a height v all across the picture: worked out
    // once for a row of the picture, for each pixel of the lake's mirror.
    struct SkyHeight {
        Colour colour;
        float sunDv2;      // the distance down from the sun, stretched, squared
        float cloudBand;   // how much the band of clouds covers
        float cloudLight;  // how much the sun lights the clouds from below
        float starSky;     // how dark the sky is for stars
    };
    auto skyHeight = [&](float v) {
        SkyHeight height;
        height.colour = rampColour(sky, 5, v);
        float dv = (v - sunV) * 1.6f;
        height.sunDv2 = dv * dv;
        height.cloudBand = smoothStep(0.04f, 0.12f, v) * smoothStep(0.34f, 0.24f, v);
        height.cloudLight = smoothStep(0.08f, 0.32f, v);
        height.starSky = smoothStep(0.22f, 0.03f, v);
        return height;
    };

    // The sky and the hills at (u, v), v's height in the sky given;
    // cloudAt() and hillAt() give the clouds' and the hills' noise there,
    // asked for only where they show.
    auto landscape = [&](float u, float v, const SkyHeight& height, std::size_t column, int x, int y, auto cloudAt,
                         auto hillAt) {
        Colour c = height.colour;
        float du = u - sunU;
        float distance2 = du * du + height.sunDv2;
        c = addColour(c, scaleColour(rgb(1.0f, 0.62f, 0.32f), 0.35f * std::exp(-distance2 / 0.012f)));
        c = addColour(c, scaleColour(rgb(0.9f, 0.45f, 0.35f), 0.18f * std::exp(-distance2 / 0.12f)));

        // Long thin clouds, lit from below by the set sun.
        float cloudBand = height.cloudBand;
        float density = 0.0f;
        if (cloudBand > 0.0f) density = smoothStep(0.05f, 0.45f, cloudAt()) * cloudBand;
        float lit = clampUnit(height.cloudLight * (1.0f - 0.8f * std::fabs(du)));
        Colour cloudColour = mixColour(rgb(0.28f, 0.21f, 0.38f), rgb(0.98f, 0.58f, 0.48f), lit);
        c = mixColour(c, cloudColour, 0.8f * density);

        // The first stars, high up where the sky is already dark.
        float starZone = height.starSky * (1.0f - density);
        if (starZone > 0.0f && hashUnit(x, y, seed + 2u) > 0.9975f) {
            float glow = 0.3f + 0.7f * hashUnit(x, y, seed + 3u);
            c = mixColour(c, rgb(0.95f, 0.95f, 1.0f), glow * starZone);
        }

        // Far to near, each range laid over what is behind it, its crest
        // softened over one pixel so that the outline does not stair-step.
        // The ranges share one noise for their light and shade.
        std::optional<float> hillTone;
        for (int i = 0; i < 3; ++i) {
            const Range& range = ranges[i];
            float cover = clampUnit((v - crests[i][column]) / pixel + 0.5f);
            if (cover > 0.0f) {
                float below = std::fmax(0.0f, v - mistLines[i][column]);
                float mist = smoothStep(0.0f, 0.07f, below) * (i == 2 ? 0.3f : 0.55f);
                if (!hillTone) hillTone = hillAt();
                Colour hill = scaleColour(range.colour, 1.0f + 0.06f * *hillTone);
                c = mixColour(c, mixColour(hill, range.mist, mist), cover);
            }
        }
        return c;
    };

    // Along the rows of the picture itself the noises come a row at a time;
    // the lake's reflection samples them anywhere.
    std::vector<float> cloudWarps, warpedU;
    LazyRow clouds([&](float v, std::vector<float>& values) {
        cloudWarpNoise.row(v, cloudWarps);
        warpedU.resize(columns);
        for (std::size_t x = 0; x < columns; ++x) warpedU[x] = columnU[x] + 0.05f * cloudWarps[x];
        cloudNoise.row(warpedU, v, values);
    });
    LazyRow hills = lazyRowOf(hillNoise), stirs = lazyRowOf(stirNoise), shoreTones = lazyRowOf(shoreNoise);
    // The lake mirrors the hills and the glow, its surface stirred into
    // faint horizontal streaks: where each column of a row on the water
    // samples the landscape, and the hills' noise there.
    std::vector<float> mirroredU(columns), mirroredV(columns);
    const float lakeBottom = *std::max_element(banks.begin(), banks.end());
    LazyRow mirroredHills([&](float, std::vector<float>& values) { hillNoise.row(mirroredU, mirroredV, values); });
    shadeRows(canvas, [&](float v, int y, Colour* row) {
        for (LazyRow* lazy : {&clouds, &hills, &stirs, &shoreTones, &mirroredHills}) lazy->startRow(v);
        const SkyHeight rowHeight = skyHeight(v);
        // On the water, what its depth alone decides.
        const float depth = v - lakeTop;
        const float deepening = smoothStep(0.0f, 0.26f, depth);
        const float shoreLine = smoothStep(3.0f * pixel, 0.0f, depth);
        if (v >= lakeTop && v < lakeBottom) {
            for (std::size_t x = 0; x < columns; ++x) {
                float stir = stirs[static_cast<int>(x)];
                mirroredV[x] = std::fmax(0.0f, lakeTop - depth - 0.004f * stir);
                float sampleU = columnU[x] + 0.003f * stir;
                mirroredU[x] = sampleU - static_cast<float>(floorToInt(sampleU));
            }
        }
        for (int x = 0; x < canvas.width; ++x) {
            std::size_t column = static_cast<std::size_t>(x);
            if (v < lakeTop) {
                row[x] = landscape(
                    columnU[column], v, rowHeight, column, x, y, [&] { return clouds[x]; },
                    [&] { return hills[x]; });
                continue;
            }
            float bank = banks[column];
            Colour c;
            if (v < bank) {
                // The mirror image, a little darker and bluer.
                float stir = stirs[x];
                float mirrored = mirroredV[column];
                float sampleU = mirroredU[column];
                std::size_t sampleColumn =
                    std::min(columns - 1, static_cast<std::size_t>(sampleU * static_cast<float>(canvas.width)));
                auto cloudAt = [&] {
                    float cloudWarp = 0.05f * cloudWarpNoise.at(sampleU, mirrored);
                    return cloudNoise.at(sampleU + cloudWarp, mirrored);
                };
                auto hillAt = [&] { return mirroredHills[x]; };
                c = scaleColour(
                    landscape(sampleU, mirrored, skyHeight(mirrored), sampleColumn, x, y, cloudAt, hillAt),
                    0.72f + 0.04f * stir);
                c = mixColour(c, rgb(0.08f, 0.08f, 0.17f), 0.55f * deepening);
                // A thin bright line where the water meets the far shore.
                c = mixColour(c, rgb(0.95f, 0.70f, 0.55f), 0.35f * shoreLine);
            } else {
                // The near bank, dark against the water, darker still at the bottom.
                c = mixColour(rgb(0.10f, 0.08f, 0.13f), rgb(0.05f, 0.04f, 0.08f), smoothStep(bank, 1.0f, v));
                c = scaleColour(c, 1.0f + 0.15f * shoreTones[x]);
            }
            // Reeds against the water, softened over a pixel at their tips.
            float reedTop = bank - reeds[column];
            if (reeds[column] > 0.0f && v < bank) {
                float cover = clampUnit((v - reedTop) / pixel + 0.5f);
                c = mixColour(c, rgb(0.06f, 0.05f, 0.08f), 0.9f * cover);
            }
            row[x] = c;
        }
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
    const std::vector<float> columnU = columnCentres(canvas);
    const std::size_t columns = columnU.size();
    std::vector<float> trees;
    RidgedNoise(90, 1, 2, 0.5f, seed + 2u).row(columnU, 0.3f, trees);
    const std::vector<float> headFolds = fractalRow(columnU, 0.2f, 6, 1, 4, 0.5f, seed + 1u);
    const std::vector<float> coastFolds = fractalRow(columnU, 0.6f, 8, 1, 3, 0.5f, seed + 3u);
    const std::vector<float> shoreFolds = fractalRow(columnU, 0.8f, 6, 1, 3, 0.5f, seed + 4u);
    std::vector<float> headlands(columns), headRidges(columns), coastRidges(columns), shores(columns);
    for (std::size_t x = 0; x < columns; ++x) {
        float u = columnU[x];
        // A headland on the left, and a lower, paler coast far off on the right.
        float head = 0.13f * std::exp(-std::pow((u - 0.10f) / 0.22f, 2.0f));
        float treeLine = 0.012f * trees[x] * smoothStep(0.35f, 0.1f, u);
        headlands[x] = head;
        headRidges[x] = horizon - head - 0.02f * headFolds[x] - treeLine;
        coastRidges[x] =
            horizon - 0.035f * std::exp(-std::pow((u - 0.86f) / 0.18f, 2.0f)) - 0.008f * coastFolds[x];
        shores[x] = 0.72f + 0.015f * std::sin(6.28318530718f * (u * 1.5f + 0.2f)) + 0.01f * shoreFolds[x];
    }

    const FractalNoise mistNoise(2, 12, 4, 0.5f, seed, columnU), rippleNoise(4, 4, 3, 0.5f, seed + 5u);
    const FractalNoise sandNoise(24, 24, 3, 0.5f, seed + 8u, columnU),
        windNoise(3, 3, 3, 0.5f, seed + 9u, columnU);
    // Ripples grow as the water nears: sample them on a plane seen in
    // perspective, as far off as the row is near the horizon.
    std::vector<float> perspectiveU;
    LazyRow ripples([&](float v, std::vector<float>& values) {
        float depth = v - horizon;
        float distance = 0.02f / (depth + 0.01f);
        perspectiveU.resize(columns);
        for (std::size_t x = 0; x < columns; ++x) perspectiveU[x] = columnU[x] * (0.5f + 3.0f * distance);
        rippleNoise.row(perspectiveU, distance * 2.0f, values);
    });
    LazyRow mistBanks = lazyRowOf(mistNoise), sandGrains = lazyRowOf(sandNoise), winds = lazyRowOf(windNoise);
    shadeRows(canvas, [&](float v, int y, Colour* row) {
        for (LazyRow* lazy : {&ripples, &mistBanks, &sandGrains, &winds}) lazy->startRow(v);
        // What depends on the row alone, worked out once for it.
        const Colour skyColour = rampColour(sky, 3, v);
        const float sunDv = v - sunV, sunDv2 = sunDv * sunDv;
        const float lowMist = smoothStep(0.17f, horizon, v);
        const float depth = v - horizon;
        const float rippleFade = smoothStep(0.0f, 0.03f, depth);
        const float pathWidth = 0.0016f + 0.02f * depth;
        // Wind ripples on the dry sand, wider apart as they come nearer.
        const float nearness = 0.9f / (v - horizon + 0.05f);
        for (int x = 0; x < canvas.width; ++x) {
            const std::size_t column = static_cast<std::size_t>(x);
            const float u = columnU[column];
            Colour c;
            float sunDu = u - sunU;
            if (v < horizon) {
                c = skyColour;
                float distance = std::sqrt(sunDu * sunDu + sunDv2);
                float disc = smoothStep(0.040f, 0.032f, distance);
                c = mixColour(c, rgb(1.0f, 0.99f, 0.93f), 0.85f * disc);
                c = addColour(
                    c, scaleColour(rgb(1.0f, 0.95f, 0.84f), 0.22f * std::exp(-distance * distance / 0.02f)));
                // Banks of mist drifting along the horizon.
                float bank = mistBanks[x];
                c = mixColour(c, rgb(0.93f, 0.93f, 0.91f), 0.35f * lowMist * smoothStep(-0.2f, 0.5f, bank));

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
                float shore = shores[column];
                if (v < shore) {
                    float t = depth / (shore - horizon);
                    c = mixColour(rgb(0.84f, 0.86f, 0.86f), rgb(0.50f, 0.59f, 0.63f), std::pow(t, 0.7f));
                    float ripple = ripples[x];
                    c = scaleColour(c, 1.0f + 0.05f * ripple * rippleFade);
                    // The headland's dim reflection, broken up by the ripples.
                    float head = headlands[column];
                    if (u < 0.55f && depth < head * 0.8f) {
                        c = mixColour(c, rgb(0.55f, 0.62f, 0.66f), 0.35f * smoothStep(head * 0.8f, 0.0f, depth));
                    }
                    // The sun's path on the water, glittering.
                    float path = std::exp(-sunDu * sunDu / pathWidth);
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
                    float grain = 0.04f * (hashUnit(x, y, seed + 7u) - 0.5f) + 0.04f * sandGrains[x];
                    float ripple = std::sin(6.28318530718f * (8.0f * nearness + 1.5f * winds[x]));
                    c = scaleColour(c, 1.0f + grain + 0.035f * dry * ripple);
                }
            }
            row[x] = c;
        }
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
            const float dither = dithers.at[y & 3][x & 3];
            raster->pixels[y * canvas.width + x] = Pixel(
                ditheredByte(c.red, dither), ditheredByte(c.green, dither), ditheredByte(c.blue, dither), 255);
        }
    }
    return raster;
}

namespace {

bool inWorkingFolder(const char* fileName) {
    FILE* stream = std::fopen(fileName, "rb");
    if (stream) std::fclose(stream);
    return stream != nullptr;
}

void paintPicture(const GardenPicture& picture) {
    FILE* stream = std::fopen(picture.fileName, "wb");
    if (!stream) return;
    writeBMP(paintedPicture(picture).get(), stream);
    std::fclose(stream);
}

}  // namespace

void paintMissingPictures() {
    for (const GardenPicture& picture : gardenPictures())
        if (!inWorkingFolder(picture.fileName)) paintPicture(picture);
}
