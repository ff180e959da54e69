// The page's software rasteriser (web/softraster.h) on its own: a shown
// plan frame's work as the layer does it for a five-tine raking motion (a
// clear, the kept image painted texel for pixel, five new marks of twenty
// triangles each, their rectangle copied into the kept image), and the
// marks alone. The same program runs native and in WebAssembly (under
// Node), so the two can be set side by side.
//
//   sandmere-softraster-bench [FRAMES]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "web/softraster.h"

namespace {

using softraster::Image;
using softraster::Vertex;

constexpr int side = 600, textureSide = 1024, tines = 5, rimPoints = 20;
constexpr float markRadius = 8;

Vertex placed(float x, float y, float alpha) {
    Vertex v;
    softraster::snap(x, v.x);
    softraster::snap(y, v.y);
    v.colour[3] = softraster::toLevels(alpha);
    return v;
}

// One mark as the plan draws it: black, alpha 0.5 at its centre, 0 at its rim.
void drawMark(Image& target, float x, float y) {
    const softraster::Blend over{softraster::Factor::sourceAlpha, softraster::Factor::oneMinusSourceAlpha};
    const Vertex centre = placed(x, y, 0.5f);
    Vertex rim[rimPoints + 1];
    for (int i = 0; i <= rimPoints; ++i) {
        const float angle = static_cast<float>(i) * 0.31415927f;
        rim[i] = placed(x + markRadius * std::cos(angle), y + markRadius * std::sin(angle), 0);
    }
    for (int i = 0; i < rimPoints; ++i)
        softraster::fillTriangle(target, target.bounds(), over, centre, rim[i], rim[i + 1]);
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 400;
    if (frames <= 0) {
        std::fputs("usage: sandmere-softraster-bench [FRAMES]\n", stderr);
        return 2;
    }
    Image window(side, side), kept(textureSide, textureSide);
    const std::uint8_t white[4] = {255, 255, 255, 255};
    softraster::clear(kept, kept.bounds(), white);
    const softraster::Texels texels{&kept, 0, 0, false};
    const Vertex corners[4] = {placed(0, 0, 1), placed(side, 0, 1), placed(side, side, 1), placed(0, side, 1)};

    const auto start = std::chrono::steady_clock::now();
    double marksMs = 0;
    for (int frame = 0; frame < frames; ++frame) {
        softraster::clear(window, window.bounds(), white);
        softraster::fillTriangle(window, window.bounds(), {}, corners[0], corners[1], corners[3], &texels);
        softraster::fillTriangle(window, window.bounds(), {}, corners[1], corners[2], corners[3], &texels);
        const float x = 50 + static_cast<float>(frame % 500), y = 100 + static_cast<float>(frame % 7) * 50;
        const auto marks = std::chrono::steady_clock::now();
        for (int tine = 0; tine < tines; ++tine) drawMark(window, x, y + static_cast<float>(tine) * 20);
        marksMs += millisecondsSince(marks);
        const softraster::Rectangle reach{static_cast<int>(x) - 9, static_cast<int>(y) - 9, 19,
                                          19 + 20 * (tines - 1)};
        softraster::copy(window, reach, kept, reach.x, reach.y);
    }
    const double totalMs = millisecondsSince(start);
    std::printf("softraster frames=%d frame_ms=%.3f marks_ms=%.4f checksum=%u\n", frames, totalMs / frames,
                marksMs / frames, static_cast<unsigned>(kept.at(60, 120)[0] + window.at(300, 300)[0]));
    return 0;
}
