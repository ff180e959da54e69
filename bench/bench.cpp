// Times the garden's frames against the literal ones in the real 600 x 600
// window, side by side in one run, and prints the medians. It reports
// figures and never judges them.
//
//   sandmere-bench [garden folder] [case name prefix ...]
//
// The garden folder (the build's by default) holds the pictures; with case
// name prefixes only the cases that match are run.
#include <GL/freeglut.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/display.h"
#include "app/garden.h"
#include "app/keys.h"
#include "app/menus.h"
#include "bench/reference.h"
#include "plan/mouse.h"
#include "scene/scenery.h"

namespace {

using Clock = std::chrono::steady_clock;

// Each case alternates one product frame with one reference frame, after a
// warm-up, until it has at least minimumRounds of each and has run for
// budgetSeconds, or has its most rounds.
const int warmUpRounds = 3;
const int minimumRounds = 9;
const double budgetSeconds = 3.0;

struct Result {
    std::string name;
    std::string what;
    double productMs = 0, referenceMs = 0;
    int rounds = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs before() outside the clock, then the timed step and glFinish.
double timeOnce(const std::function<void()>& before, const std::function<void()>& step) {
    if (before) before();
    glFinish();
    const Clock::time_point start = Clock::now();
    step();
    glFinish();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Result measure(const std::string& name, const std::string& what, int mostRounds,
               const std::function<void()>& before, const std::function<void()>& product,
               const std::function<void()>& reference) {
    for (int i = 0; i < warmUpRounds; ++i) {
        timeOnce(before, product);
        timeOnce(before, reference);
    }
    std::vector<double> productTimes, referenceTimes;
    const Clock::time_point start = Clock::now();
    while (static_cast<int>(productTimes.size()) < mostRounds) {
        productTimes.push_back(timeOnce(before, product));
        referenceTimes.push_back(timeOnce(before, reference));
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (static_cast<int>(productTimes.size()) >= minimumRounds && elapsed >= budgetSeconds) break;
    }
    Result r;
    r.name = name;
    r.what = what;
    r.productMs = median(productTimes);
    r.referenceMs = median(referenceTimes);
    r.rounds = static_cast<int>(productTimes.size());
    std::printf("  %-22s done: %d rounds\n", name.c_str(), r.rounds);
    std::fflush(stdout);
    return r;
}

// A small deterministic generator, so every run rakes the same garden.
std::uint32_t seed = 12345;
int randomBelow(int n) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
}

// The mouse as GLUT reports it: origin top left.
void press(int x, int y) { onMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y); }

// One five-tine stroke of a few drag events across the plan.
void rakeStroke() {
    int x = 60 + randomBelow(480), y = 60 + randomBelow(480);
    int dx = randomBelow(25) - 12, dy = randomBelow(25) - 12;
    if (dx == 0 && dy == 0) dx = 10;
    press(x, y);
    for (int step = 0; step < 6; ++step) {
        x += dx;
        y += dy;
        onMouseDrag(x, y);
    }
}

// An empty plan raked with five-tine strokes, the given number of them or
// until it holds the given number of marks, with both rocks placed, and
// shown once.
void rakeGarden(int strokes, std::size_t marks) {
    resetSandbox();
    seed = 12345;
    onRakeMenu(3);
    for (int i = 0; i < strokes; ++i) rakeStroke();
    while (rakeMarks.size() < marks) rakeStroke();
    // Exactly that many, before the garden draws any of them.
    if (marks > 0) rakeMarks.resize(marks);
    onRockMenu(2);
    press(200, 260);
    onRockMenu(1);
    press(430, 420);
    onRakeMenu(3);
    onDisplay();
}

// One more drag event of a long one-tine stroke that zig-zags over the
// plan, 8 pixels at a time: two new marks, so that a case's garden grows
// by a few per cent at most while it is timed.
struct EndlessStroke {
    int x = 100, y = 100, dx = 8;
    void begin() {
        onRakeMenu(1);
        press(x, y);
    }
    void drag() {
        x += dx;
        if (x > 500 || x < 100) {
            dx = -dx;
            y = y >= 500 ? 100 : y + 100;
            press(x, y);
        }
        onMouseDrag(x, y);
    }
};

void showRenderer() {
    std::printf("Renderer: %s (%s), OpenGL %s; %u cores\n", glGetString(GL_RENDERER), glGetString(GL_VENDOR),
                glGetString(GL_VERSION), std::thread::hardware_concurrency());
    std::fflush(stdout);
}

void printTable(const std::vector<Result>& results) {
    std::printf("\n| case | what | product ms | reference ms | reference / product | rounds |\n");
    std::printf("|---|---|---:|---:|---:|---:|\n");
    for (const Result& r : results)
        std::printf("| %s | %s | %.2f | %.2f | %.1f | %d |\n", r.name.c_str(), r.what.c_str(), r.productMs,
                    r.referenceMs, r.referenceMs / r.productMs, r.rounds);
    std::printf("\n");
    for (const Result& r : results)
        std::printf("case %s product_ms=%.3f reference_ms=%.3f\n", r.name.c_str(), r.productMs, r.referenceMs);
    std::fflush(stdout);
}

std::vector<std::string> chosenCases;

bool chosen(const std::string& name) {
    if (chosenCases.empty()) return true;
    for (const std::string& prefix : chosenCases)
        if (name.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const char* garden = SANDMERE_GARDEN_DIR;
    for (int i = 1; i < argc; ++i) {
        struct stat status;
        if (stat(argv[i], &status) == 0 && S_ISDIR(status.st_mode))
            garden = argv[i];
        else
            chosenCases.push_back(argv[i]);
    }
    if (chdir(garden) != 0) {
        std::fprintf(stderr, "sandmere-bench: cannot enter %s\n", garden);
        return 1;
    }
    startGardenForCallerFrames(argv);
    showRenderer();

    std::vector<Result> results;
    const auto productFrame = [] { onDisplay(); };
    const auto referenceFrame = [] {
        drawReferenceFrame();
        glutSwapBuffers();
    };

    // A raked garden of a few hundred strokes in display mode, background 1.
    if (chosen("display")) {
        rakeGarden(300, 0);
        const std::string garden300 =
            "300 five-tine strokes (" + std::to_string(rakeMarks.size()) + " marks), rocks, bg 1";
        onKey('3', 0, 0);
        onKey('i', 0, 0);
        if (chosen("display-lit"))
            results.push_back(measure("display-lit", "display frame, lit: " + garden300, 301, nullptr,
                                      productFrame, referenceFrame));
        onKey('z', 0, 0);
        if (chosen("display-wireframe"))
            results.push_back(measure("display-wireframe", "display frame, wireframe: same garden", 301, nullptr,
                                      productFrame, referenceFrame));
        onKey('i', 0, 0);
    }

    for (std::size_t marks : {1000u, 10000u, 100000u}) {
        const std::string name = "rake-" + std::to_string(marks / 1000) + "k";
        if (!chosen(name)) continue;
        rakeGarden(0, marks);
        EndlessStroke stroke;
        stroke.begin();
        Result r = measure(
            name, "", 25, [&stroke] { stroke.drag(); }, productFrame, referenceFrame);
        r.what = "draw frame after a drag: " + std::to_string(marks) + " marks, " +
                 std::to_string(rakeMarks.size()) + " at the end";
        results.push_back(r);
    }

    if (chosen("mode-switch")) {
        rakeGarden(0, 10000);
        results.push_back(measure(
            "mode-switch", "key i: capture, mesh and normals, 10000 marks", 301,
            [] {
                if (displayMode == sceneMode) onKey('i', 0, 0);
                onDisplay();
            },
            [] { onKey('i', 0, 0); }, [] { enterDisplayModeByReference(); }));
        if (displayMode == sceneMode) onKey('i', 0, 0);
    }

    printTable(results);
    return 0;
}
