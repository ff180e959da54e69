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
    int floored = floorToInt(scaled);
    LatticeStep step;
    step.within = scaled - static_cast<float>(floored);
    step.fade = fade(step.within);
    step.cell = wrapIndex(floored, frequency);
    step.next = step.cell + 1 == frequency ? 0 : step.cell + 1;
    return step;
}

// Steps along a lattice for coordinates that mostly stay in the cell of the
// one before, as along a row, even a warped one: the floor and the wrap are
// worked out only where the cell changes. A coordinate in [low, low + 1) of
// an integral low has low for its floor, so the steps are latticeStep's.
class LatticeWalk {
public:
    explicit LatticeWalk(int frequency) : frequency_(frequency) {}
    LatticeStep step(float coordinate) {
        float scaled = coordinate * static_cast<float>(frequency_);
        if (!(scaled >= low_ && scaled < low_ + 1.0f)) {
            int floored = floorToInt(scaled);
            low_ = static_cast<float>(floored);
            cell_ = wrapIndex(floored, frequency_);
            next_ = cell_ + 1 == frequency_ ? 0 : cell_ + 1;
        }
        LatticeStep step;
        step.within = scaled - low_;
        step.fade = fade(step.within);
        step.cell = cell_;
        step.next = next_;
        return step;
    }

private:
    int frequency_;
    float low_ = std::numeric_limits<float>::infinity();  // no cell yet
    int cell_ = 0, next_ = 0;
};

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
    auto gradient = gradients_.begin();
    for (int y = 0; y < frequencyV; ++y)
        for (int x = 0; x < frequencyU; ++x) *gradient++ = angles[hashLattice(x, y, seed) & (kGradientAngles - 1)];
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

}  // namespace

float GradientNoise::at(float u, float v) const {
    LatticeStep down = latticeStep(v, frequencyV_);
    return blendCorners(latticeRow(gradients_, down.cell, frequencyU_),
                        latticeRow(gradients_, down.next, frequencyU_), latticeStep(u, frequencyU_), down);
}

template <typename Use>
void GradientNoise::alongRow(const std::vector<float>& u, float v, Use use) const {
    const LatticeStep down = latticeStep(v, frequencyV_);
    const Gradient* top = latticeRow(gradients_, down.cell, frequencyU_);
    const Gradient* bottom = latticeRow(gradients_, down.next, frequencyU_);
    LatticeWalk across(frequencyU_);
    for (std::size_t i = 0; i < u.size(); ++i) use(i, blendCorners(top, bottom, across.step(u[i]), down));
}

template <typename Use>
void GradientNoise::alongRow(const std::vector<float>& u, const std::vector<float>& v, Use use) const {
    LatticeWalk across(frequencyU_), down(frequencyV_);
    for (std::size_t i = 0; i < u.size(); ++i) {
        LatticeStep downStep = down.step(v[i]);
        use(i, blendCorners(latticeRow(gradients_, downStep.cell, frequencyU_),
                            latticeRow(gradients_, downStep.next, frequencyU_), across.step(u[i]), downStep));
    }
}

template <typename Use>
void GradientNoise::alongColumns(float v, Use use) const {
    assert(columns_.size() > 0 && "made without columns");
    const LatticeStep down = latticeStep(v, frequencyV_);
    const Gradient* top = latticeRow(gradients_, down.cell, frequencyU_);
    const Gradient* bottom = latticeRow(gradients_, down.next, frequencyU_);
    const float fy = down.within, fyBelow = fy - 1.0f, sy = down.fade;
    // blendCorners, with what the columns of one cell share worked out once.
    for (const LatticeColumns::Run& run : columns_.runs) {
        const Gradient g00 = top[run.cell], g10 = top[run.next], g01 = bottom[run.cell], g11 = bottom[run.next];
        const float down00 = g00.y * fy, down10 = g10.y * fy, down01 = g01.y * fyBelow, down11 = g11.y * fyBelow;
        auto blend = [&](std::size_t i) {
            float fx = columns_.within[i], sx = columns_.fade[i];
            float n00 = g00.x * fx + down00;
            float n10 = g10.x * (fx - 1.0f) + down10;
            float n01 = g01.x * fx + down01;
            float n11 = g11.x * (fx - 1.0f) + down11;
            return 1.41f * mixFloat(mixFloat(n00, n10, sx), mixFloat(n01, n11, sx), sy);
        };
        std::size_t i = run.begin;
        for (; i + 4 <= run.end; i += 4) {
            float n[4];
            for (std::size_t k = 0; k < 4; ++k) n[k] = blend(i + k);
            for (std::size_t k = 0; k < 4; ++k) use(i + k, n[k]);
        }
        for (; i < run.end; ++i) use(i, blend(i));
    }
}

void GradientNoise::row(float v, std::vector<float>& out) const {
    out.resize(columns_.size());
    alongColumns(v, [&out](std::size_t i, float n) { out[i] = n; });
}

ValueNoise::ValueNoise(int frequencyU, int frequencyV, std::uint32_t seed, const std::vector<float>& columnU)
    : frequencyU_(frequencyU),
      frequencyV_(frequencyV),
      values_(latticeSize(frequencyU, frequencyV)),
      columns_(columnU, frequencyU) {
    auto value = values_.begin();
    for (int y = 0; y < frequencyV; ++y)
        for (int x = 0; x < frequencyU; ++x) *value++ = hashUnit(x, y, seed);
}

void ValueNoise::row(float v, std::vector<float>& out) const {
    assert(columns_.size() > 0 && "made without columns");
    out.resize(columns_.size());
    const LatticeStep down = latticeStep(v, frequencyV_);
    const float* top = latticeRow(values_, down.cell, frequencyU_);
    const float* bottom = latticeRow(values_, down.next, frequencyU_);
    // The lattice's values blended by the fades, with each cell's corners
    // looked up once for its columns.
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
    assert(count > 0);
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

template <typename Term>
float Octaves::sumAt(float u, float v, Term term) const {
    float sum = 0.0f;
    for (std::size_t i = 0; i < noises_.size(); ++i) sum += term(amplitudes_[i], noises_[i].at(u, v));
    return sum;
}

template <typename AlongOctave, typename Term, typename Finish>
void Octaves::sumAlong(std::size_t count, AlongOctave alongOctave, Term term, Finish finish,
                       std::vector<float>& out) const {
    // Each octave goes over the row once: the first starts each sum, at 0
    // plus its term as a sum from 0 would, and the last finishes it.
    out.resize(count);
    const std::size_t last = noises_.size() - 1;
    for (std::size_t i = 0; i <= last; ++i) {
        const GradientNoise& noise = noises_[i];
        const float amplitude = amplitudes_[i];
        if (last == 0) {
            alongOctave(noise, [&](std::size_t x, float n) { out[x] = finish(0.0f + term(amplitude, n)); });
        } else if (i == 0) {
            alongOctave(noise, [&](std::size_t x, float n) { out[x] = 0.0f + term(amplitude, n); });
        } else if (i < last) {
            alongOctave(noise, [&](std::size_t x, float n) { out[x] += term(amplitude, n); });
        } else {
            alongOctave(noise, [&](std::size_t x, float n) { out[x] = finish(out[x] + term(amplitude, n)); });
        }
    }
}

template <typename RowV, typename Term, typename Finish>
void Octaves::sumAlongRow(const std::vector<float>& u, const RowV& v, Term term, Finish finish,
                          std::vector<float>& out) const {
    sumAlong(
        u.size(), [&](const GradientNoise& noise, auto use) { noise.alongRow(u, v, use); }, term, finish, out);
}

template <typename Term, typename Finish>
void Octaves::sumAlongColumns(float v, Term term, Finish finish, std::vector<float>& out) const {
    sumAlong(
        noises_.front().columns(), [&](const GradientNoise& noise, auto use) { noise.alongColumns(v, use); }, term,
        finish, out);
}

namespace {

// What an octave's noise n adds to the sum, and what becomes of the sum of
// all of them: objects rather than functions, so that the sums take them
// inline.
struct FractalTerm {
    float operator()(float amplitude, float n) const { return amplitude * n; }
};
struct RidgedTerm {
    float operator()(float amplitude, float n) const {
        float ridge = 1.0f - std::fabs(n);
        return amplitude * ridge * ridge;
    }
};
struct FractalFinish {
    float total;
    float operator()(float sum) const { return sum / total; }
};
struct RidgedFinish {
    float total;
    float operator()(float sum) const { return clampUnit(sum / total); }
};

}  // namespace

FractalNoise::FractalNoise(int frequencyU, int frequencyV, int octaves, float gain, std::uint32_t seed,
                           const std::vector<float>& columnU)
    : octaves_(frequencyU, frequencyV, octaves, gain, seed, kFractalSeedStep, columnU) {}

float FractalNoise::at(float u, float v) const {
    return FractalFinish{octaves_.total()}(octaves_.sumAt(u, v, FractalTerm()));
}

void FractalNoise::row(const std::vector<float>& u, float v, std::vector<float>& out) const {
    octaves_.sumAlongRow(u, v, FractalTerm(), FractalFinish{octaves_.total()}, out);
}

void FractalNoise::row(const std::vector<float>& u, const std::vector<float>& v, std::vector<float>& out) const {
    assert(v.size() == u.size());
    octaves_.sumAlongRow(u, v, FractalTerm(), FractalFinish{octaves_.total()}, out);
}

void FractalNoise::row(float v, std::vector<float>& out) const {
    octaves_.sumAlongColumns(v, FractalTerm(), FractalFinish{octaves_.total()}, out);
}

RidgedNoise::RidgedNoise(int frequencyU, int frequencyV, int octaves, float gain, std::uint32_t seed,
                         const std::vector<float>& columnU)
    : octaves_(frequencyU, frequencyV, octaves, gain, seed, kRidgedSeedStep, columnU) {}

void RidgedNoise::row(const std::vector<float>& u, float v, std::vector<float>& out) const {
    octaves_.sumAlongRow(u, v, RidgedTerm(), RidgedFinish{octaves_.total()}, out);
}

void RidgedNoise::row(const std::vector<float>& u, const std::vector<float>& v, std::vector<float>& out) const {
    assert(v.size() == u.size());
    octaves_.sumAlongRow(u, v, RidgedTerm(), RidgedFinish{octaves_.total()}, out);
}

void RidgedNoise::row(float v, std::vector<float>& out) const {
    octaves_.sumAlongColumns(v, RidgedTerm(), RidgedFinish{octaves_.total()}, out);
}

CellularNoise::CellularNoise(int frequencyU, int frequencyV, std::uint32_t seed)
    : frequencyU_(frequencyU), frequencyV_(frequencyV), points_(latticeSize(frequencyU, frequencyV)) {
    auto point = points_.begin();
    for (int y = 0; y < frequencyV; ++y) {
        for (int x = 0; x < frequencyU; ++x, ++point) {
            std::uint32_t h = hashLattice(x, y, seed);
            point->jitterU = 0.8f * static_cast<float>(h & 0xFFFFu) / 65536.0f;
            point->jitterV = 0.8f * static_cast<float>(h >> 16) / 65536.0f;
            point->cellId = hashLattice(x, y, seed ^ kCellIdSeedChange);
        }
    }
}

namespace {

// Along one direction, the cell a coordinate is in, worked out again only
// where it changes, as LatticeWalk's steps are.
class CellTrack {
public:
    // Moves to the cell of a coordinate in cells; true when it is another.
    bool moveTo(float scaled) {
        if (scaled >= low_ && scaled < low_ + 1.0f) return false;
        cell = floorToInt(scaled);
        low_ = static_cast<float>(cell);
        return true;
    }
    int cell = 0;

private:
    float low_ = std::numeric_limits<float>::infinity();  // no cell yet
};

// The v of each column of a row: one for all, or one each.
struct SameV {
    float v;
    float operator[](std::size_t) const { return v; }
};
struct EachV {
    const std::vector<float>& v;
    float operator[](std::size_t i) const { return v[i]; }
};

// Two squared distances whose roots might be equal are within this factor
// of each other: correctly rounded roots that are equal come from squares
// less than 2^-20 apart, relatively.
const float kEqualRootsSquares = 1.0f + 0x1p-16f;

}  // namespace

void CellularNoise::gather(int cellX, int cellY, Neighbourhood& around) const {
    // The point's place comes from its wrapped cell, its distance from the
    // unwrapped one: that is what makes the pattern tile.
    for (int dy = 0; dy < 3; ++dy) {
        const int cy = cellY + dy - 1;
        const FeaturePoint* pointRow = latticeRow(points_, wrapIndex(cy, frequencyV_), frequencyU_);
        for (int dx = 0; dx < 3; ++dx) {
            const int cx = cellX + dx - 1;
            const FeaturePoint& point = pointRow[wrapIndex(cx, frequencyU_)];
            const int k = dy * 3 + dx;
            around.u[k] = static_cast<float>(cx) + 0.1f + point.jitterU;
            around.v[k] = static_cast<float>(cy) + 0.1f + point.jitterV;
            around.cellId[k] = point.cellId;
        }
    }
}

CellSample CellularNoise::nearest(float x, float y, const Neighbourhood& around) {
    float square[Neighbourhood::kPlaces];
    for (int k = 0; k < Neighbourhood::kPlaces; ++k) {
        float offsetU = around.u[k] - x, offsetV = around.v[k] - y;
        square[k] = offsetU * offsetU + offsetV * offsetV;
    }
    // The distances are the squares' correctly rounded roots, which keep
    // their order: the nearest two points by their squares are the nearest
    // two by distance, and only their roots are taken. The search, in the
    // points' order, selects rather than branches, since which point is
    // nearest is anyone's guess.
    float best = std::numeric_limits<float>::infinity(), second = best;
    int nearestPoint = 0;
    for (int k = 0; k < Neighbourhood::kPoints; ++k) {
        const float d = square[k];
        const bool nearer = d < best;
        second = nearer ? best : (d < second ? d : second);
        best = nearer ? d : best;
        nearestPoint = nearer ? k : nearestPoint;
    }
    const float nearestDistance = std::sqrt(best);
    // Of points at the same distance the first is the nearest, and two
    // slightly different squares can have the same root.
    for (int k = 0; k < nearestPoint; ++k) {
        if (square[k] <= best * kEqualRootsSquares && std::sqrt(square[k]) == nearestDistance) {
            nearestPoint = k;
            break;
        }
    }
    CellSample sample;
    sample.nearest = nearestDistance;
    sample.secondNearest = std::sqrt(second);
    sample.offsetU = around.u[nearestPoint] - x;
    sample.offsetV = around.v[nearestPoint] - y;
    sample.cellId = around.cellId[nearestPoint];
    return sample;
}

template <typename RowV>
void CellularNoise::alongRow(const std::vector<float>& u, const RowV& v, std::vector<CellSample>& out) const {
    out.resize(u.size());
    CellTrack across, down;
    Neighbourhood around;
    for (std::size_t i = 0; i < u.size(); ++i) {
        float x = u[i] * static_cast<float>(frequencyU_);
        float y = v[i] * static_cast<float>(frequencyV_);
        // Both moves are made: neither may be skipped for the other.
        const bool movedAcross = across.moveTo(x), movedDown = down.moveTo(y);
        if (movedAcross || movedDown) gather(across.cell, down.cell, around);
        out[i] = nearest(x, y, around);
    }
}

void CellularNoise::row(const std::vector<float>& u, float v, std::vector<CellSample>& out) const {
    alongRow(u, SameV{v}, out);
}

void CellularNoise::row(const std::vector<float>& u, const std::vector<float>& v,
                        std::vector<CellSample>& out) const {
    assert(v.size() == u.size());
    alongRow(u, EachV{v}, out);
}
