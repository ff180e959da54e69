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

// A closed ring of the five-tine rake around a rock, started on the side
// facing away from the viewer so the seam hides behind the rock.
std::vector<Point> ring(Circle circle, double startAngle) {
    std::vector<Point> path;
    for (int step = 0; step <= 96; ++step) {
        const double angle = startAngle + 2 * kPi * step / 90.0;  // a little past a full turn, to close it
        path.push_back({circle.centre.x + static_cast<int>(std::lround(circle.radius * std::cos(angle))),
                        circle.centre.y + static_cast<int>(std::lround(circle.radius * std::sin(angle)))});
    }
    return path;
}

// The stretches of the row `y` whose five-tine band (40 pixels either side)
// keeps clear of every ring's outer edge.
std::vector<std::pair<int, int>> clearStretches(int y, const std::vector<Circle>& keepOut, int from, int to) {
    std::vector<std::pair<int, int>> blocked;
    for (const Circle& c : keepOut) {
        const int reach = c.radius + 40 + 14;  // the ring's outer tine, its speck, and a gap
        const int nearest = std::max(0, std::abs(y - c.centre.y) - 40);
        if (nearest >= reach) continue;
        const int half = static_cast<int>(std::sqrt(double(reach) * reach - double(nearest) * nearest)) + 6;
        blocked.push_back({c.centre.x - half, c.centre.x + half});
    }
    std::vector<std::pair<int, int>> stretches;
    int x = from;
    while (x < to) {
        int end = to;
        for (const auto& [left, right] : blocked)
            if (left > x && left < end) end = left;
        if (end - x > 24) stretches.push_back({x, end});
        int next = end;
        for (const auto& [left, right] : blocked)
            if (left <= next && right > next) next = right;
        x = next == end ? end + 1 : next;
    }
    return stretches;
}

bool fail(const std::string& what, e2e::Garden& garden) {
    std::fprintf(stderr, "sandmere-e2e-pictures: %s\n%s%s", what.c_str(),
                 garden.started() ? garden.program().output().c_str() : "",
                 garden.started() ? garden.program().errors().c_str() : "");
    return false;
}

bool makePictures(const std::string& folder) {
    e2e::Garden garden;
    garden.start();
    if (!garden.waitUntilShown()) return fail("the garden did not open its window", garden);
    e2e::AppWindow& window = garden.window();

    const Circle large{{215, 250}, 112};
    const Circle small{{430, 420}, 78};
    const std::vector<Circle> rings{large, small};

    if (!garden.choose("Rakes", "Five-Tine")) return fail("no rake menu", garden);
    // Straight furrows across the garden, broken where the rings lie.
    for (int y = 50; y < 600; y += 100)
        for (const auto& [left, right] : clearStretches(y, rings, -30, 630)) window.drag({{left, y}, {right, y}});
    window.drag(ring(large, -kPi / 2));
    window.drag(ring(small, -kPi / 2));

    if (!garden.choose("Rocks", "Place Large Rock")) return fail("no rock menu", garden);
    window.click(large.centre);
    if (!garden.choose("Rocks", "Place Small Rock")) return fail("no rock menu", garden);
    window.click(small.centre);
    // The pointer off the plan, so no menu or cursor shows in the picture.
    window.moveTo({-200, -200});
    const e2e::Shot plan = window.settle();
    if (!plan.save(folder + "/plan.png")) return fail("cannot write plan.png", garden);

    window.key('3');  // the first background
    garden.keyAndWait('i');
    // Up to a higher, slightly turned view.
    for (int i = 0; i < 14; ++i) window.key('w');
    for (int i = 0; i < 30; ++i) window.key('d');
    for (int i = 0; i < 12; ++i) window.key('e');
    const e2e::Shot scene = window.settle(e2e::milliseconds(20000), e2e::milliseconds(400));
    if (!scene.save(folder + "/garden.png")) return fail("cannot write garden.png", garden);

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
