// Small deterministic noise for drawing the garden's pictures.
//
// Every noise here is periodic over the unit square: u and v are picture
// coordinates in [0, 1), and a frequency counts lattice cells across the
// picture, so a picture drawn from them tiles without a seam. Nothing depends
// on the platform's random generator, so the same build always draws the same
// pixels.
//
// Each noise is an object made once per picture: it hashes every point of
// its lattice when it is made, never again per pixel, and gives its values a
// row at a time. A noise made with the u of a picture's columns works out
// once where each column falls on its lattice; row(v) then gives the row at
// those columns, each cell's corners looked up once for all its columns.
// row(u, v) gives the noise at any u along a row at one v, or at a v for
// each u, finding the cells again only where they change. However it is
// asked for, a noise gives the same floats, worked out in the same order, as
// at one place at a time (GradientNoise::at, FractalNoise::at): the pictures
// stay the same to the byte.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

// A well-mixed 32-bit hash of a lattice point and a seed.
inline std::uint32_t hashLattice(int x, int y, std::uint32_t seed) {
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

// The same hash as a float in [0, 1).
inline float hashUnit(int x, int y, std::uint32_t seed) {
    return static_cast<float>(hashLattice(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

// static_cast<int>(std::floor(x)), for an x whose floor an int holds:
// truncated, then one less where that rounded up. Without SSE4.1 the
// library's floor takes several times as many instructions.
inline int floorToInt(float x) {
    int truncated = static_cast<int>(x);
    return static_cast<float>(truncated) > x ? truncated - 1 : truncated;
}

// Floor division that stays periodic for negative numbers.
inline int wrapIndex(int i, int period) {
    assert(period > 0);
    // Nearly every index is in the period already: no division for those.
    if (i >= 0 && i < period) return i;
    int r = i % period;
    return r < 0 ? r + period : r;
}

// Helpers shared by the painters.
inline float clampUnit(float x) { return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x); }
inline float smoothStep(float edge0, float edge1, float x) {
    float t = clampUnit((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}
inline float mixFloat(float a, float b, float t) { return a + (b - a) * t; }

// Where the columns a noise is made with fall across its lattice, worked
// out once: how far into its cell each column is and that distance faded,
// and the runs of neighbouring columns in one cell, which share the cell's
// corners.
struct LatticeColumns {
    LatticeColumns(const std::vector<float>& u, int frequency);
    std::size_t size() const { return within.size(); }

    struct Run {
        int cell, next;          // the cell and the one after it, both wrapped
        std::size_t begin, end;  // the columns in it
    };
    std::vector<float> within, fade;
    std::vector<Run> runs;
};

// Gradient noise in about [-1, 1], with frequencyU cells across u and
// frequencyV cells across v.
class GradientNoise {
public:
    GradientNoise(int frequencyU, int frequencyV, std::uint32_t seed, const std::vector<float>& columnU = {});
    float at(float u, float v) const;
    // out[i] = at(columnU[i], v) for the columns it was made with; out is
    // sized to match.
    void row(float v, std::vector<float>& out) const;

private:
    // Call use(i, n) with the noise n at each u[i] and the row's v (or
    // v[i]), or at each column i.
    template <typename Use>
    void alongRow(const std::vector<float>& u, float v, Use use) const;
    template <typename Use>
    void alongRow(const std::vector<float>& u, const std::vector<float>& v, Use use) const;
    template <typename Use>
    void alongColumns(float v, Use use) const;
    // Octaves add each one's row into their sum as it comes.
    friend class Octaves;
    std::size_t columns() const { return columns_.size(); }

    struct Gradient {
        float x, y;
    };
    int frequencyU_, frequencyV_;
    std::vector<Gradient> gradients_;  // of each lattice point, row by row
    LatticeColumns columns_;
};

// Value noise in [0, 1], smooth, same lattice rules.
class ValueNoise {
public:
    ValueNoise(int frequencyU, int frequencyV, std::uint32_t seed, const std::vector<float>& columnU);
    void row(float v, std::vector<float>& out) const;

private:
    int frequencyU_, frequencyV_;
    std::vector<float> values_;  // of each lattice point, row by row
    LatticeColumns columns_;
};

// Octaves of gradient noise: each doubles both frequencies and multiplies
// the amplitude by gain.
class Octaves {
public:
    Octaves(int frequencyU, int frequencyV, int count, float gain, std::uint32_t seed, std::uint32_t seedStep,
            const std::vector<float>& columnU);
    // The sum of the amplitudes, which normalises the octaves' sum.
    float total() const { return total_; }

private:
    // The octaves' sum, each octave's noise n adding term(amplitude, n): at
    // one place; along a row, and along the columns they were made with,
    // each sum handed to finish(sum) when complete.
    template <typename Term>
    float sumAt(float u, float v, Term term) const;
    template <typename RowV, typename Term, typename Finish>
    void sumAlongRow(const std::vector<float>& u, const RowV& v, Term term, Finish finish,
                     std::vector<float>& out) const;
    template <typename Term, typename Finish>
    void sumAlongColumns(float v, Term term, Finish finish, std::vector<float>& out) const;
    template <typename AlongOctave, typename Term, typename Finish>
    void sumAlong(std::size_t count, AlongOctave alongOctave, Term term, Finish finish,
                  std::vector<float>& out) const;
    friend class FractalNoise;
    friend class RidgedNoise;

    std::vector<GradientNoise> noises_;
    std::vector<float> amplitudes_;
    float total_ = 0.0f;
};

// Fractal sums of gradient noise, normalised to about [-1, 1].
class FractalNoise {
public:
    FractalNoise(int frequencyU, int frequencyV, int octaves, float gain, std::uint32_t seed,
                 const std::vector<float>& columnU = {});
    float at(float u, float v) const;
    // out[i] at (u[i], v), or at (u[i], v[i]); out is sized to match.
    void row(const std::vector<float>& u, float v, std::vector<float>& out) const;
    void row(const std::vector<float>& u, const std::vector<float>& v, std::vector<float>& out) const;
    void row(float v, std::vector<float>& out) const;

private:
    Octaves octaves_;
};

// Ridged fractal noise in [0, 1]: sharp bright creases where the noise
// crosses zero, good for veins and cracks.
class RidgedNoise {
public:
    RidgedNoise(int frequencyU, int frequencyV, int octaves, float gain, std::uint32_t seed,
                const std::vector<float>& columnU = {});
    void row(const std::vector<float>& u, float v, std::vector<float>& out) const;
    void row(const std::vector<float>& u, const std::vector<float>& v, std::vector<float>& out) const;
    void row(float v, std::vector<float>& out) const;

private:
    Octaves octaves_;
};

// Cellular noise: one jittered feature point per lattice cell.
struct CellSample {
    float nearest = 0;        // distance to the nearest point, in cell units
    float secondNearest = 0;  // distance to the second nearest point
    float offsetU = 0;        // from the sample to the nearest point, cell units
    float offsetV = 0;
    std::uint32_t cellId = 0;  // hash of the nearest point's (wrapped) cell
};

class CellularNoise {
public:
    CellularNoise(int frequencyU, int frequencyV, std::uint32_t seed);
    // out[i] at (u[i], v), or at (u[i], v[i]); out is sized to match.
    void row(const std::vector<float>& u, float v, std::vector<CellSample>& out) const;
    void row(const std::vector<float>& u, const std::vector<float>& v, std::vector<CellSample>& out) const;

private:
    // The nine feature points around a cell, row by row: each one's place,
    // in the cells around rather than its wrapped one, and its cell's id.
    // Three places more, at 0 and never chosen, make whole groups of four,
    // whose distances a compiler works out with vector instructions.
    struct Neighbourhood {
        static const int kPoints = 9, kPlaces = 12;
        float u[kPlaces] = {}, v[kPlaces] = {};
        std::uint32_t cellId[kPoints] = {};
    };
    void gather(int cellX, int cellY, Neighbourhood& around) const;
    // The nearest two of them to the place (x, y), in cells.
    static CellSample nearest(float x, float y, const Neighbourhood& around);
    template <typename RowV>
    void alongRow(const std::vector<float>& u, const RowV& v, std::vector<CellSample>& out) const;

    struct FeaturePoint {
        float jitterU, jitterV;  // its place in its cell, less the cell's 0.1 margin
        std::uint32_t cellId;
    };
    int frequencyU_, frequencyV_;
    std::vector<FeaturePoint> points_;  // of each cell, row by row
};
