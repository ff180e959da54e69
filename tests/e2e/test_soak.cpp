// A long session on the real garden: thousands of drag events with every
// rake, both rocks moved about, the mode switched back and forth with the
// camera, outlines, sand and backgrounds changed in between, resets and
// stray keys, all from a fixed seed. The program must come through it with
// status 0, silent on standard error, and without its memory growing
// beyond what its marks need.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "garden_test.h"

namespace {

using e2e::GardenTest;
using e2e::milliseconds;
using e2e::Point;

// Scaled down only for the sanitizer build, where each event costs the
// program several times as much and the whole run must stay inside the
// test's time limit; every kind of action is still there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
constexpr int kDragEvents = 2500;
constexpr int kModeSwitches = 100;
constexpr int kResets = 50;
#else
constexpr bool kSanitized = false;
constexpr int kDragEvents = 5000;
constexpr int kModeSwitches = 200;
constexpr int kResets = 100;
#endif
constexpr int kRockMoves = 20;  // each moves one rock, the two in turn
constexpr int kRakeChoices = 30;
constexpr int kStrayKeys = 60;  // besides those typed in display mode
constexpr int kDragStep = 6;    // pixels between motion events
// Events may queue up in the X server while the garden draws: the barriers
// wait for it, so the soak sends them as fast as it likes.
constexpr int kDragPauseMs = 1;

// The allowance above the size the garden settles at. ASan keeps freed
// blocks in a quarantine before reusing them and pads every block with red
// zones and bookkeeping, so a sanitized program's resident size climbs by
// up to the quarantine's size without anything leaking: the soak caps the
// quarantine and allows for it and for the padding.
constexpr long kQuarantineMb = 32;
constexpr long kAllowanceBytes = (kSanitized ? 20 + kQuarantineMb + 16 : 20) * 1024L * 1024L;

// The resident size in bytes from /proc/<pid>/status, -1 if unreadable.
long residentBytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6) * 1024L;
    return -1;
}

double megabytes(long bytes) { return bytes / (1024.0 * 1024.0); }

const std::vector<std::pair<const char*, int>> kRakes = {{"One-Tine", 1}, {"Three-Tine", 3}, {"Five-Tine", 5}};

// The session, played twice from the same seed: once without sending
// anything, to learn how many marks the plan will hold at most, and once
// for real.
class SoakTest : public GardenTest {
protected:
    enum Action { Visit, Reset, Rock, Rake, Stray };

    void play(bool forReal) {
        live_ = forReal;
        random_.seed(20240611);
        tines_ = 1;
        dragEvents_ = 0;
        marks_ = peakMarks_ = 0;
        int rockMoves = 0;

        // The actions other than strokes, shuffled; strokes fill the gaps so
        // that the drag events are spread evenly among them.
        std::vector<Action> actions;
        actions.insert(actions.end(), kModeSwitches / 2, Visit);
        actions.insert(actions.end(), kResets, Reset);
        actions.insert(actions.end(), kRockMoves, Rock);
        actions.insert(actions.end(), kRakeChoices, Rake);
        actions.insert(actions.end(), kStrayKeys, Stray);
        std::shuffle(actions.begin(), actions.end(), random_);
        for (size_t i = 0; i < actions.size(); ++i) {
            const long due =
                static_cast<long>(kDragEvents) * static_cast<long>(i + 1) / static_cast<long>(actions.size());
            while (dragEvents_ < due) stroke();
            switch (actions[i]) {
            case Visit:
                visitDisplayMode();
                break;
            case Reset:
                reset();
                break;
            case Rock:
                moveRock(rockMoves++ % 2 == 0);
                break;
            case Rake:
                chooseRake();
                break;
            case Stray:
                strayKey();
                break;
            }
            if (HasFatalFailure()) return;
            if (i % 40 == 39) sample();
            if (HasFatalFailure()) return;
        }
    }

    // Shows each kind of frame once, the densest plan of the session
    // included: the GL driver keeps the working memory of the largest frame
    // it has drawn (llvmpipe bins every triangle of a frame, and each mark
    // is twenty) and builds each kind of frame's code on first use, so this
    // is where the garden's size settles, and growth is measured from here.
    void warmUp(long marks) {
        choose("Rakes", "Five-Tine");
        tines_ = 5;
        for (int row = 40; marks_ < marks; row = row % 560 + 37) {
            lay({{20, row}, {580, row}});
            if (HasFatalFailure()) return;
        }
        choose("Rocks", "Place Small Rock");
        garden.window().click({150, 150});
        choose("Rocks", "Place Large Rock");
        garden.window().click({420, 420});
        garden.window().type("i12zz333");
        choose("Sand Types", "Use Dark Sand");
        choose("Sand Types", "Use Light Sand");
        key('i');
        reset();
        chooseRake();
    }

    // The help key as a barrier: the program prints the help when it takes
    // the key, so once the last line has come it has handled every event
    // sent before it.
    void barrier() {
        garden.window().key('h');
        ++helps_;
        ASSERT_TRUE(garden.program().waitForOutputLine("\tright click for menu", milliseconds(60000), helps_))
            << "the garden stopped answering\n"
            << console();
    }

    void sample() {
        if (!live_) return;
        barrier();
        trace_.push_back(residentBytes(garden.program().pid()));
    }

    void key(char c) {
        if (!live_) return;
        if (c == 'h' || c == 'H') ++helps_;
        garden.window().key(c);
    }

    void choose(const char* menu, const char* entry) {
        if (!live_) return;
        ASSERT_TRUE(garden.choose(menu, entry)) << menu << " / " << entry << "\n" << console();
    }

    Point randomPoint(int margin = 20) {
        std::uniform_int_distribution<int> at(margin, 599 - margin);
        return {at(random_), at(random_)};
    }

    // Drags along the path with the current rake, counting its motion
    // events and the most marks they can lay. A motion event that moves
    // the mouse d pixels is at most d + 4 from the anchor (the previous
    // event left it within 4 of the mouse), so each tine lays fewer than
    // (d + 4) / 4 marks for it.
    void lay(const std::vector<Point>& path) {
        for (size_t i = 1; i < path.size(); ++i) {
            const double length = std::hypot(path[i].x - path[i - 1].x, path[i].y - path[i - 1].y);
            const int steps = std::max(1, static_cast<int>(std::ceil(length / kDragStep)));
            dragEvents_ += steps;
            marks_ += static_cast<long>(tines_ * steps * std::floor((length / steps + 4) / 4));
        }
        peakMarks_ = std::max(peakMarks_, marks_);
        if (live_) garden.window().drag(path, 1, kDragStep, kDragPauseMs);
    }

    // One stroke through a few random points.
    void stroke() {
        std::uniform_int_distribution<int> corners(1, 4);
        std::vector<Point> path{randomPoint()};
        for (int n = corners(random_); n > 0; --n) path.push_back(randomPoint());
        lay(path);
    }

    void chooseRake() {
        const auto& rake = kRakes[std::uniform_int_distribution<size_t>(0, kRakes.size() - 1)(random_)];
        choose("Rakes", rake.first);
        tines_ = rake.second;
    }

    void moveRock(bool small) {
        choose("Rocks", small ? "Place Small Rock" : "Place Large Rock");
        const Point at = randomPoint(70);
        if (live_) garden.window().click(at);
        // A rock tool stays in hand until a rake is chosen again.
        chooseRake();
    }

    void reset() {
        if (live_) {
            ASSERT_TRUE(garden.choose("Reset Sandbox")) << console();
        }
        marks_ = 0;
    }

    // Into display mode, a few camera keys with outlines, sand, rock
    // textures and backgrounds changed among them, and back to the plan.
    void visitDisplayMode() {
        key('i');
        std::uniform_int_distribution<int> count(2, 8), pick(0, 99);
        const std::string camera = "adwsec";
        for (int n = count(random_); n > 0; --n) {
            const int p = pick(random_);
            if (p < 70)
                key(camera[static_cast<size_t>(p) % camera.size()]);
            else if (p < 78)
                key('z');
            else if (p < 90)
                key("123"[p % 3]);
            else if (p < 94)
                choose("Sand Types", p % 2 ? "Use Dark Sand" : "Use Light Sand");
            else
                strayKey();
        }
        key('i');
    }

    // Any key but the mode switch and quit, which the soak places itself;
    // capitals and punctuation included.
    void strayKey() {
        static const std::string keys = "abcdefghjklmnoprstuvwxyzABCDEFGHJKLMNOPRSTUVWXYZ0123456789,./;'[]-=` ";
        key(keys[std::uniform_int_distribution<size_t>(0, keys.size() - 1)(random_)]);
    }

    bool live_ = false;
    std::mt19937 random_;
    int helps_ = 0;
    int tines_ = 1;
    int dragEvents_ = 0;
    long marks_ = 0;
    long peakMarks_ = 0;
    std::vector<long> trace_;
};

TEST_F(SoakTest, HoursOfRakingAndSwitchingNeitherGrowNorFail) {
    play(false);
    const long peakMarks = peakMarks_;
    ASSERT_GE(dragEvents_, kDragEvents);

    if (kSanitized) {
        const char* options = std::getenv("ASAN_OPTIONS");
        const std::string capped =
            std::string(options ? options : "") + ":quarantine_size_mb=" + std::to_string(kQuarantineMb);
        setenv("ASAN_OPTIONS", capped.c_str(), 1);
    }
    startGarden();
    barrier();
    const pid_t pid = garden.program().pid();
    const long atStart = residentBytes(pid);
    ASSERT_GT(atStart, 0);
    live_ = true;
    warmUp(peakMarks);
    if (HasFatalFailure()) return;
    barrier();
    const long settled = residentBytes(pid);
    trace_.push_back(settled);

    play(true);
    if (HasFatalFailure()) return;
    barrier();
    if (HasFatalFailure()) return;
    const long atEnd = residentBytes(pid);
    trace_.push_back(atEnd);

    std::cout << dragEvents_ << " drag events, at most " << peakMarks << " marks at once; resident MB at start-up "
              << megabytes(atStart) << ", then:";
    for (long bytes : trace_) std::cout << " " << megabytes(bytes);
    std::cout << std::endl;
    const long marksBytes = peakMarks * 12 * 2;
    EXPECT_LE(atEnd, settled + kAllowanceBytes + marksBytes)
        << "grew from " << settled << " to " << atEnd << " bytes";

    garden.window().key('q');
    const e2e::ExitResult result = garden.program().waitForExit(milliseconds(60000));
    EXPECT_TRUE(result.exitedWith(0)) << result.describe() << "\n" << console();
    EXPECT_EQ(garden.program().errors(), "");
}

}  // namespace
