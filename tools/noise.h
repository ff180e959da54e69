// Small deterministic noise for drawing the garden's pictures.
//
// Every function here is periodic over the unit square: u and v are picture
// coordinates in [0, 1), and a frequency counts lattice cells across the
// picture, so a picture drawn from them tiles without a seam. Nothing depends
// on the platform's random generator, so the same build always draws the same
// pixels.
#pragma once

#include <cstdint>

// A well-mixed 32-bit hash of a lattice point and a seed.
std::uint32_t hashLattice(int x, int y, std::uint32_t seed);
// The same hash as a float in [0, 1).
float hashUnit(int x, int y, std::uint32_t seed);

// Gradient noise in about [-1, 1], with frequencyU cells across u and
// frequencyV cells across v.
float gradientNoise(float u, float v, int frequencyU, int frequencyV, std::uint32_t seed);
// Value noise in [0, 1], smooth, same lattice rules.
float valueNoise(float u, float v, int frequencyU, int frequencyV, std::uint32_t seed);

// Fractal sums of gradient noise: each octave doubles both frequencies and
// multiplies the amplitude by gain. The result is normalised to about [-1, 1].
float fractalNoise(float u, float v, int frequencyU, int frequencyV, int octaves, float gain, std::uint32_t seed);
// Ridged fractal noise in [0, 1]: sharp bright creases where the noise crosses
// zero, good for veins and cracks.
float ridgedNoise(float u, float v, int frequencyU, int frequencyV, int octaves, float gain, std::uint32_t seed);

// Cellular noise: one jittered feature point per lattice cell.
struct CellSample {
    float nearest = 0;        // distance to the nearest point, in cell units
    float secondNearest = 0;  // distance to the second nearest point
    float offsetU = 0;        // from the sample to the nearest point, cell units
    float offsetV = 0;
    std::uint32_t cellId = 0;  // hash of the nearest point's (wrapped) cell
};
CellSample cellularNoise(float u, float v, int frequencyU, int frequencyV, std::uint32_t seed);

// Helpers shared by the painters.
float clampUnit(float x);
float smoothStep(float edge0, float edge1, float x);
float mixFloat(float a, float b, float t);
// Floor division that stays periodic for negative numbers.
int wrapIndex(int i, int period);
