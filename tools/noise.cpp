#include "tools/noise.h"

#include <cmath>
#include <limits>

namespace {

const float kTwoPi = 6.28318530718f;
// The gradients are spread over this many evenly spaced angles.
const unsigned kGradientAngles = 256;
// Each octave of a fractal sum has a seed of its own, this far from the
// one before.
const std::uint32_t kFractalSeedStep = 7919u;
const std::uint32_t kRidgedSeedStep = 104729u;
// A cell's id is a second hash of the cell, with the seed changed by this.
const std::uint32_t kCellIdSeedChange = 0xA511E9B3u;

inline float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

// Where a coordinate falls on a lattice along one direction: the cell it is
// in and the one after it, both wrapped, how far into the cell, and that
// distance faded.
struct LatticeStep {
    int cell, next;
    float within, fade;
};

inline LatticeStep latticeStep(float coordinate, int frequency) {
    float scaled = coordinate * static_cast<float>(frequency);
    float floored = std::floor(scaled);
    LatticeStep step;
    step.within = scaled - floored;
    step.fade = fade(step.within);
    step.cell = wrapIndex(static_cast<int>(floored), frequency);
    step.next = step.cell + 1 == frequency ? 0 : step.cell + 1;
    return step;
}

std::size_t latticeSize(int frequencyU, int frequencyV) {
    assert(frequencyU > 0 && frequencyV > 0);
    return static_cast<std::size_t>(frequencyU) * static_cast<std::size_t>(frequencyV);
}

// The rows of a lattice's points, row by row, that a step down falls between.
template <typename Point>
const Point* latticeRow(const std::vector<Point>& points, int row, int frequencyU) {
    return &points[static_cast<std::size_t>(row) * static_cast<std::size_t>(frequencyU)];
}

}  // namespace

LatticeColumns::LatticeColumns(const std::vector<float>& u, int frequency) {
    within.reserve(u.size());
    fade.reserve(u.size());
    for (std::size_t i = 0; i < u.size(); ++i) {
        LatticeStep step = latticeStep(u[i], frequency);
        within.push_back(step.within);
        fade.push_back(step.fade);
        if (runs.empty() || runs.back().cell != step.cell) runs.push_back({step.cell, step.next, i, i});
        runs.back().end = i + 1;
    }
}

GradientNoise::GradientNoise(int frequencyU, int frequencyV, std::uint32_t seed, const std::vector<float>& columnU)
    : frequencyU_(frequencyU),
      frequencyV_(frequencyV),
      gradients_(latticeSize(frequencyU, frequencyV)),
      columns_(columnU, frequencyU) {
    // Unit gradients at evenly spread angles, worked out once for all noises.
    static const std::vector<Gradient> angles = [] {
        std::vector<Gradient> table(kGradientAngles);
        for (unsigned i = 0; i < kGradientAngles; ++i) {
            float angle = kTwoPi * static_cast<float>(i) / static_cast<float>(kGradientAngles);
            table[i] = {std::cos(angle), std::sin(angle)};
        }
        return table;
    }();
    for (int y = 0; y < frequencyV; ++y)
        for (int x = 0; x < frequencyU; ++x)
            gradients_[static_cast<std::size_t>(y * frequencyU + x)] =
                angles[hashLattice(x, y, seed) & (kGradientAngles - 1)];
}

namespace {

// Gradient noise from the steps across and down: the four corners'
// gradients dotted with the offsets from them, blended by the fades.
template <typename Gradient>
inline float blendCorners(const Gradient* top, const Gradient* bottom, const LatticeStep& across,
                          const LatticeStep& down) {
    float fx = across.within, fy = down.within;
    float n00 = top[across.cell].x * fx + top[across.cell].y * fy;
    float n10 = top[across.next].x * (fx - 1.0f) + top[across.next].y * fy;
    float n01 = bottom[across.cell].x * fx + bottom[across.cell].y * (fy - 1.0f);
    float n11 = bottom[across.next].x * (fx - 1.0f) + bottom[across.next].y * (fy - 1.0f);
    // 2-D gradient noise peaks near 0.7; stretch it to fill about [-1, 1].
    return 1.41f * mixFloat(mixFloat(n00, n10, across.fade), mixFloat(n01, n11, across.fade), down.fade);
}

inline float blendValues(const float* top, const float* bottom, const LatticeStep& across,
                         const LatticeStep& down) {
    return mixFloat(mixFloat(top[across.cell], top[across.next], across.fade),
                    mixFloat(bottom[across.cell], bottom[across.next], across.fade), down.fade);
}

}  // namespace

float GradientNoise::at(float u, float v) const {
    LatticeStep down = latticeStep(v, frequencyV_);
    return blendCorners(latticeRow(gradients_, down.cell, frequencyU_),
                        latticeRow(gradients_, down.next, frequencyU_), latticeStep(u, frequencyU_), down);
}

void GradientNoise::row(const std::vector<float>& u, float v, std::vector<float>& out) const {
    out.resize(u.size());
    const LatticeStep down = latticeStep(v, frequencyV_);
    const Gradient* top = latticeRow(gradients_, down.cell, frequencyU_);
    const Gradient* bottom = latticeRow(gradients_, down.next, frequencyU_);
    for (std::size_t i = 0; i < u.size(); ++i)
        out[i] = blendCorners(top, bottom, latticeStep(u[i], frequencyU_), down);
}

void GradientNoise::row(float v, std::vector<float>& out) const {
    assert(columns_.size() > 0 && "made without columns");
    out.resize(columns_.size());
    const LatticeStep down = latticeStep(v, frequencyV_);
    const Gradient* top = latticeRow(gradients_, down.cell, frequencyU_);
    const Gradient* bottom = latticeRow(gradients_, down.next, frequencyU_);
    const float fy = down.within, fyBelow = fy - 1.0f, sy = down.fade;
    // blendCorners, with what the columns of one cell share worked out once.
    for (const LatticeColumns::Run& run : columns_.runs) {
        const Gradient g00 = top[run.cell], g10 = top[run.next], g01 = bottom[run.cell], g11 = bottom[run.next];
        const float down00 = g00.y * fy, down10 = g10.y * fy, down01 = g01.y * fyBelow, down11 = g11.y * fyBelow;
        for (std::size_t i = run.begin; i < run.end; ++i) {
            float fx = columns_.within[i], sx = columns_.fade[i];
            float n00 = g00.x * fx + down00;
            float n10 = g10.x * (fx - 1.0f) + down10;
            float n01 = g01.x * fx + down01;
            float n11 = g11.x * (fx - 1.0f) + down11;
            out[i] = 1.41f * mixFloat(mixFloat(n00, n10, sx), mixFloat(n01, n11, sx), sy);
        }
    }
}

ValueNoise::ValueNoise(int frequencyU, int frequencyV, std::uint32_t seed, const std::vector<float>& columnU)
    : frequencyU_(frequencyU),
      frequencyV_(frequencyV),
      values_(latticeSize(frequencyU, frequencyV)),
      columns_(columnU, frequencyU) {
    for (int y = 0; y < frequencyV; ++y)
        for (int x = 0; x < frequencyU; ++x)
            values_[static_cast<std::size_t>(y * frequencyU + x)] = hashUnit(x, y, seed);
}

float ValueNoise::at(float u, float v) const {
    LatticeStep down = latticeStep(v, frequencyV_);
    return blendValues(latticeRow(values_, down.cell, frequencyU_), latticeRow(values_, down.next, frequencyU_),
                       latticeStep(u, frequencyU_), down);
}

void ValueNoise::row(const std::vector<float>& u, float v, std::vector<float>& out) const {
    out.resize(u.size());
    const LatticeStep down = latticeStep(v, frequencyV_);
    const float* top = latticeRow(values_, down.cell, frequencyU_);
    const float* bottom = latticeRow(values_, down.next, frequencyU_);
    for (std::size_t i = 0; i < u.size(); ++i)
        out[i] = blendValues(top, bottom, latticeStep(u[i], frequencyU_), down);
}

void ValueNoise::row(float v, std::vector<float>& out) const {
    assert(columns_.size() > 0 && "made without columns");
    out.resize(columns_.size());
    const LatticeStep down = latticeStep(v, frequencyV_);
    const float* top = latticeRow(values_, down.cell, frequencyU_);
    const float* bottom = latticeRow(values_, down.next, frequencyU_);
    for (const LatticeColumns::Run& run : columns_.runs) {
        const float v00 = top[run.cell], v10 = top[run.next], v01 = bottom[run.cell], v11 = bottom[run.next];
        for (std::size_t i = run.begin; i < run.end; ++i) {
            float sx = columns_.fade[i];
            out[i] = mixFloat(mixFloat(v00, v10, sx), mixFloat(v01, v11, sx), down.fade);
        }
    }
}

Octaves::Octaves(int frequencyU, int frequencyV, int count, float gain, std::uint32_t seed, std::uint32_t seedStep,
                 const std::vector<float>& columnU) {
    float amplitude = 1.0f;
    for (int i = 0; i < count; ++i) {
        noises_.emplace_back(frequencyU, frequencyV, seed + seedStep * static_cast<std::uint32_t>(i), columnU);
        amplitudes_.push_back(amplitude);
        total_ += amplitude;
        amplitude *= gain;
        frequencyU *= 2;
        frequencyV *= 2;
    }
}

namespace {

// The octaves' sum at one place, each octave's noise n adding term(amplitude, n).
template <typename Term>
float octaveSum(const Octaves& octaves, float u, float v, Term term) {
    float sum = 0.0f;
    for (std::size_t i = 0; i < octaves.noises().size(); ++i)
        sum += term(octaves.amplitude(i), octaves.noises()[i].at(u, v));
    return sum;
}

// The same along a row: octaveRow(noise, values) gives one octave's row.
template <typename OctaveRow, typename Term>
void octaveSumRow(const Octaves& octaves, std::size_t count, OctaveRow octaveRow, Term term,
                  std::vector<float>& octaveValues, std::vector<float>& out) {
    out.assign(count, 0.0f);
    for (std::size_t i = 0; i < octaves.noises().size(); ++i) {
        octaveRow(octaves.noises()[i], octaveValues);
        const float amplitude = octaves.amplitude(i);
        for (std::size_t x = 0; x < count; ++x) out[x] += term(amplitude, octaveValues[x]);
    }
}

inline float fractalTerm(float amplitude, float n) { return amplitude * n; }

inline float ridgedTerm(float amplitude, float n) {
    float ridge = 1.0f - std::fabs(n);
    return amplitude * ridge * ridge;
}

}  // namespace

FractalNoise::FractalNoise(int frequencyU, int frequencyV, int octaves, float gain, std::uint32_t seed,
                           const std::vector<float>& columnU)
    : octaves_(frequencyU, frequencyV, octaves, gain, seed, kFractalSeedStep, columnU) {}

float FractalNoise::at(float u, float v) const {
    return octaveSum(octaves_, u, v, fractalTerm) / octaves_.total();
}

void FractalNoise::row(const std::vector<float>& u, float v, std::vector<float>& out) {
    octaveSumRow(
        octaves_, u.size(),
        [&](const GradientNoise& noise, std::vector<float>& values) { noise.row(u, v, values); }, fractalTerm,
        octaveRow_, out);
    for (float& sum : out) sum /= octaves_.total();
}

void FractalNoise::row(float v, std::vector<float>& out) {
    const std::size_t count = octaves_.noises().front().columns();
    octaveSumRow(
        octaves_, count, [&](const GradientNoise& noise, std::vector<float>& values) { noise.row(v, values); },
        fractalTerm, octaveRow_, out);
    for (float& sum : out) sum /= octaves_.total();
}

RidgedNoise::RidgedNoise(int frequencyU, int frequencyV, int octaves, float gain, std::uint32_t seed,
                         const std::vector<float>& columnU)
    : octaves_(frequencyU, frequencyV, octaves, gain, seed, kRidgedSeedStep, columnU) {}

float RidgedNoise::at(float u, float v) const {
    return clampUnit(octaveSum(octaves_, u, v, ridgedTerm) / octaves_.total());
}

void RidgedNoise::row(const std::vector<float>& u, float v, std::vector<float>& out) {
    octaveSumRow(
        octaves_, u.size(),
        [&](const GradientNoise& noise, std::vector<float>& values) { noise.row(u, v, values); }, ridgedTerm,
        octaveRow_, out);
    for (float& sum : out) sum = clampUnit(sum / octaves_.total());
}

void RidgedNoise::row(float v, std::vector<float>& out) {
    const std::size_t count = octaves_.noises().front().columns();
    octaveSumRow(
        octaves_, count, [&](const GradientNoise& noise, std::vector<float>& values) { noise.row(v, values); },
        ridgedTerm, octaveRow_, out);
    for (float& sum : out) sum = clampUnit(sum / octaves_.total());
}

CellularNoise::CellularNoise(int frequencyU, int frequencyV, std::uint32_t seed)
    : frequencyU_(frequencyU), frequencyV_(frequencyV), points_(latticeSize(frequencyU, frequencyV)) {
    for (int y = 0; y < frequencyV; ++y) {
        for (int x = 0; x < frequencyU; ++x) {
            std::uint32_t h = hashLattice(x, y, seed);
            FeaturePoint& point = points_[static_cast<std::size_t>(y * frequencyU + x)];
            point.jitterU = 0.8f * static_cast<float>(h & 0xFFFFu) / 65536.0f;
            point.jitterV = 0.8f * static_cast<float>(h >> 16) / 65536.0f;
            point.cellId = hashLattice(x, y, seed ^ kCellIdSeedChange);
        }
    }
}

CellSample CellularNoise::at(float u, float v) const {
    float x = u * static_cast<float>(frequencyU_);
    float y = v * static_cast<float>(frequencyV_);
    int cellX = static_cast<int>(std::floor(x));
    int cellY = static_cast<int>(std::floor(y));
    // The point's place comes from its wrapped cell, its distance from the
    // unwrapped one: that is what makes the pattern tile. Of the three cells
    // across and the three down: each one's wrapped index and its corner
    // within the margin, cx + 0.1.
    int wrappedX[3];
    float cornerX[3], cornerY[3];
    for (int d = 0; d < 3; ++d) {
        wrappedX[d] = wrapIndex(cellX + d - 1, frequencyU_);
        cornerX[d] = static_cast<float>(cellX + d - 1) + 0.1f;
        cornerY[d] = static_cast<float>(cellY + d - 1) + 0.1f;
    }
    CellSample sample;
    float best = 1e9f, second = 1e9f;
    // The squares the two distances are the roots of: a point whose square
    // is no less than the second's is no nearer than it, since a correctly
    // rounded root keeps the order, and its root need not be taken.
    float bestSquare = std::numeric_limits<float>::infinity(), secondSquare = bestSquare;
    for (int dy = 0; dy < 3; ++dy) {
        const FeaturePoint* pointRow =
            &points_[static_cast<std::size_t>(wrapIndex(cellY + dy - 1, frequencyV_) * frequencyU_)];
        for (int dx = 0; dx < 3; ++dx) {
            const FeaturePoint& point = pointRow[wrappedX[dx]];
            float px = cornerX[dx] + point.jitterU;
            float py = cornerY[dy] + point.jitterV;
            float ox = px - x, oy = py - y;
            float square = ox * ox + oy * oy;
            if (!(square < secondSquare)) continue;
            float d = std::sqrt(square);
            if (d < best) {
                second = best;
                secondSquare = bestSquare;
                best = d;
                bestSquare = square;
                sample.offsetU = ox;
                sample.offsetV = oy;
                sample.cellId = point.cellId;
            } else if (d < second) {
                second = d;
                secondSquare = square;
            }
        }
    }
    sample.nearest = best;
    sample.secondNearest = second;
    return sample;
}
