// Rakes a garden for the README and photographs it: the plan in draw mode
// and the lit garden in display mode in front of the first background.
// Usage: sandmere-e2e-pictures <folder for plan.png and garden.png>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "garden.h"

namespace {

using e2e::Point;

constexpr double kPi = 3.141592653589793;

struct Circle {
    Point centre;
    int radius;
};

// A closed ring of the five-tine rake around a rock: a little more than a
// full turn, so its start is raked over again.
std::vector<Point> ring(Circle circle) {
    std::vector<Point> path;
    for (int step = 0; step <= 100; ++step) {
        const double angle = -kPi / 2 + 2 * kPi * step / 92.0;
        path.push_back({circle.centre.x + static_cast<int>(std::lround(circle.radius * std::cos(angle))),
                        circle.centre.y + static_cast<int>(std::lround(circle.radius * std::sin(angle)))});
    }
    return path;
}

// The stretches of the row `y` that keep `clearance` pixels from every
// ring's centre, so the straight furrows stop just short of the rings.
std::vector<std::pair<int, int>> clearStretches(int y, const std::vector<Circle>& rings, int clearance, int from,
                                                int to) {
    std::vector<std::pair<int, int>> stretches{{from, to}};
    for (const Circle& c : rings) {
        const int reach = c.radius + clearance;
        const int dy = std::abs(y - c.centre.y);
        if (dy >= reach) continue;
        const int half = static_cast<int>(std::sqrt(double(reach) * reach - double(dy) * dy));
        std::vector<std::pair<int, int>> kept;
        for (const auto& [left, right] : stretches) {
            if (c.centre.x - half > left) kept.push_back({left, std::min(right, c.centre.x - half)});
            if (c.centre.x + half < right) kept.push_back({std::max(left, c.centre.x + half), right});
        }
        stretches = kept;
    }
    std::vector<std::pair<int, int>> long_enough;
    for (const auto& stretch : stretches)
        if (stretch.second - stretch.first > 12) long_enough.push_back(stretch);
    return long_enough;
}

bool fail(const std::string& what, e2e::Garden& garden) {
    std::fprintf(stderr, "sandmere-e2e-pictures: %s\n%s%s", what.c_str(),
                 garden.started() ? garden.program().output().c_str() : "",
                 garden.started() ? garden.program().errors().c_str() : "");
    return false;
}

// The window's first row and column lie off the screen: leave them out.
bool save(const e2e::Shot& shot, const std::string& path) { return shot.cropped({1, 1, 599, 599}).save(path); }

bool makePictures(const std::string& folder) {
    e2e::Garden garden;
    garden.start();
    if (!garden.waitUntilShown()) return fail("the garden did not open its window", garden);
    e2e::AppWindow& window = garden.window();

    // Each rock in a ring of five furrows; the inner furrow clears its disc.
    const Circle large{{190, 215}, 112};
    const Circle small{{425, 425}, 78};

    // Straight furrows every 20 pixels, stopping short of the rings' outer
    // furrow (40 out from the ring's middle, plus the specks and a gap).
    if (!garden.choose("Rakes", "One-Tine")) return fail("no rake menu", garden);
    for (int y = 10; y < 600; y += 20)
        for (const auto& [left, right] : clearStretches(y, {large, small}, 62, -20, 620))
            window.drag({{left, y}, {right, y}}, 1, 6);
    if (!garden.choose("Rakes", "Five-Tine")) return fail("no rake menu", garden);
    window.drag(ring(large));
    window.drag(ring(small));

    if (!garden.choose("Rocks", "Place Large Rock")) return fail("no rock menu", garden);
    window.click(large.centre);
    if (!garden.choose("Rocks", "Place Small Rock")) return fail("no rock menu", garden);
    window.click(small.centre);
    if (!save(window.settle(), folder + "/plan.png"))
        return fail("cannot write plan.png (is convert there?)", garden);

    // Dark basalt for the large rock, moss for the small one, the evening
    // sky behind, and the eye raised and turned for a view across the rings.
    window.type(std::string("1") + std::string(4, '2') + "3");
    garden.keyAndWait('i');
    window.type(std::string(14, 'w') + std::string(30, 'd') + std::string(12, 'e'));
    const e2e::Shot scene = window.settle(e2e::milliseconds(20000), e2e::milliseconds(400));
    if (!save(scene, folder + "/garden.png")) return fail("cannot write garden.png", garden);

    window.key('q');
    const e2e::ExitResult result = garden.program().waitForExit(e2e::kStepTimeout);
    if (!result.exitedWith(0)) return fail("the garden " + result.describe(), garden);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    mkdir(argv[1], 0755);
    try {
        return makePictures(argv[1]) ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sandmere-e2e-pictures: %s\n", error.what());
        return 1;
    }
}
