// The plan drawn over its kept image must look like the plan drawn mark by
// mark: within the rounding of the colour channels, and exactly so when the
// image starts afresh.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "app/display.h"
#include "app/garden.h"
#include "app/keys.h"
#include "app/menus.h"
#include "app/startup.h"
#include "gl_window.h"
#include "plan/planview.h"
#include "plan/rake.h"
#include "scene/capture.h"

namespace {

using Frame = std::vector<unsigned char>;

struct Difference {
    int largest = 0;  // the largest difference of any channel
    int pixels = 0;   // pixels with any channel different
};

Difference compare(const Frame& a, const Frame& b) {
    Difference d;
    for (std::size_t i = 0; i < a.size(); i += 3) {
        int most = 0;
        for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(a[i + c] - b[i + c]));
        d.largest = std::max(d.largest, most);
        if (most > 0) ++d.pixels;
    }
    return d;
}

// The draw-mode frame as the garden drew it before it kept an image: every
// mark again, newest first, then the rocks.
Frame fullRedraw() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    gluLookAt(0, 0, 1, 0, 0, 0, 0, 1, 0);
    for (std::size_t i = rakeMarks.size(); i-- > 0;) drawRakeMark(rakeMarks[i].x, rakeMarks[i].y);
    drawPlanRocks();
    glPopMatrix();
    return readBackBuffer();
}

Frame gardenFrame() {
    drawFrame();
    return readBackBuffer();
}

// The heights a capture over the full redraw gives.
std::vector<Point3> heightsOfFullRedraw() {
    fullRedraw();
    Frame rgb = readBackBuffer();
    std::vector<Point3> saved;
    saved.swap(sandVertices);
    appendSandVertices(rgb.data(), 600);
    std::vector<Point3> heights;
    heights.swap(sandVertices);
    sandVertices.swap(saved);
    return heights;
}

// A small deterministic generator, so every run rakes the same plan.
struct Random {
    unsigned state;
    int below(int n) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<unsigned>(n));
    }
};

class KeptPlan : public GardenWindowTest {
protected:
    // Five-tine strokes criss-crossing the middle of the plan, with a frame
    // after every drag event as the garden draws them.
    void rakeCrissCross(int strokes, unsigned seed, bool frameEveryDrag = true) {
        Random random{seed};
        rakeType = 2;
        editTool = 0;
        for (int s = 0; s < strokes; ++s) {
            PlanPoint at{static_cast<float>(150 + random.below(300)), static_cast<float>(150 + random.below(300))};
            const float dx = static_cast<float>(random.below(31) - 15);
            const float dy = static_cast<float>(random.below(31) - 15);
            strokeAnchor = at;
            for (int drag = 0; drag < 8; ++drag) {
                at.x += dx;
                at.y += dy;
                rakeTowards(at);
                if (frameEveryDrag) drawFrame();
            }
        }
    }
};

}  // namespace

TEST_F(KeptPlan, ManyOverlappingStrokesDrawnFrameByFrameLookLikeTheFullRedraw) {
    largeRockPlaced = 1;
    largeRockPos = {320, 280};
    rakeCrissCross(60, 7);
    // Strokes that run off every edge of the window, too.
    strokeAnchor = {-30, 40};
    for (float x = -20; x < 640; x += 10) {
        rakeTowards({x, 40 + (x + 30) * 520 / 670});
        drawFrame();
    }
    strokeAnchor = {580, -30};
    for (float y = -20; y < 640; y += 10) {
        rakeTowards({580, y});
        drawFrame();
    }
    smallRockPlaced = 1;
    smallRockPos = {500, 120};
    rakeCrissCross(20, 8);

    const Frame kept = gardenFrame();
    EXPECT_EQ(planImageMarks, rakeMarks.size());
    const Frame full = fullRedraw();
    // Dense enough that the marks compound far below a single mark's half.
    int darkest = 255;
    for (int row = 150; row < 450; ++row)
        for (int column = 150; column < 450; ++column)
            if (std::abs(column - 320) + std::abs(row - 280) > 90)
                darkest = std::min<int>(darkest, pixelAt(full, column, row)[0]);
    EXPECT_LT(darkest, 40);
    const Difference d = compare(kept, full);
    EXPECT_LE(d.largest, 3);
    RecordProperty("pixels_off", d.pixels);
    RecordProperty("largest_difference", d.largest);
}

TEST_F(KeptPlan, APlanDrawnAfreshIsTheFullRedrawExactly) {
    rakeCrissCross(30, 11, false);
    largeRockPlaced = 1;
    largeRockPos = {300, 300};
    const Frame kept = gardenFrame();
    EXPECT_EQ(compare(kept, fullRedraw()).pixels, 0);
    // And the next frame, with nothing new, paints the kept image back unchanged.
    EXPECT_EQ(compare(gardenFrame(), kept).pixels, 0);
}

TEST_F(KeptPlan, TheHeightCaptureReadsTheKeptPlanWithinItsRounding) {
    rakeCrissCross(50, 3);
    largeRockPlaced = 1;
    largeRockPos = {200, 420};
    const std::vector<Point3> expected = heightsOfFullRedraw();
    ASSERT_EQ(expected.size(), 22500u);

    sandVertices.clear();
    captureHeights();
    ASSERT_EQ(sandVertices.size(), expected.size());
    int grooves = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(sandVertices[i].x, expected[i].x);
        EXPECT_EQ(sandVertices[i].z, expected[i].z);
        EXPECT_NEAR(sandVertices[i].y, expected[i].y, 3.0 / 255 * 0.05 + 1e-7) << "vertex " << i;
        if (expected[i].y < 0.03f) ++grooves;
    }
    EXPECT_GT(grooves, 200);
    sandVertices.clear();
}

TEST_F(KeptPlan, TheResetStartsTheImageAfresh) {
    rakeCrissCross(20, 5);
    largeRockPlaced = 1;
    largeRockPos = {300, 300};
    gardenFrame();
    const std::size_t before = rakeMarks.size();

    resetSandbox();
    const Frame empty = gardenFrame();
    EXPECT_TRUE(std::all_of(empty.begin(), empty.end(), [](unsigned char c) { return c == 255; }));

    // Raked anew past the old count before any frame is drawn: none of the
    // old marks may show through.
    rakeCrissCross(30, 6, false);
    ASSERT_GT(rakeMarks.size(), before);
    EXPECT_EQ(compare(gardenFrame(), fullRedraw()).pixels, 0);
}

TEST_F(KeptPlan, MarksReplacedWithoutTheResetAreDrawnAfresh) {
    rakeCrissCross(10, 1);
    const std::size_t count = rakeMarks.size();
    std::vector<Point3> other;
    Random random{99};
    for (std::size_t i = 0; i < count; ++i)
        other.push_back({static_cast<float>(random.below(600)), static_cast<float>(random.below(600)), 0});
    rakeMarks = other;
    EXPECT_EQ(compare(gardenFrame(), fullRedraw()).pixels, 0);
    // Fewer marks than the image holds.
    rakeMarks.resize(count / 2);
    EXPECT_EQ(compare(gardenFrame(), fullRedraw()).pixels, 0);
}

TEST_F(KeptPlan, TheImageOutlivesDisplayModeAndTheRocksMoveOverIt) {
    rakeCrissCross(25, 21);
    smallRockPlaced = 1;
    smallRockPos = {300, 300};
    const Frame before = gardenFrame();
    const std::size_t kept = planImageMarks;

    onKey('i', 0, 0);
    ASSERT_EQ(displayMode, 1);
    drawFrame();  // the 3-D garden fills the back buffer
    onKey('i', 0, 0);
    ASSERT_EQ(displayMode, 0);
    EXPECT_EQ(planImageMarks, kept);
    EXPECT_EQ(compare(gardenFrame(), before).pixels, 0);

    // The rock's old place shows the marks beneath it again.
    smallRockPos = {520, 520};
    const Frame moved = gardenFrame();
    const Difference d = compare(moved, fullRedraw());
    EXPECT_LE(d.largest, 3);
    const unsigned char* oldPlace = pixelAt(moved, 300, 300);
    EXPECT_GT(oldPlace[0], pixelAt(before, 300, 300)[0]);
}

TEST_F(KeptPlan, AFrameLeavesTheTextureStateAsItFoundIt) {
    rakeCrissCross(3, 2, false);
    glBindTexture(GL_TEXTURE_2D, woodTexture);
    drawFrame();
    rakeCrissCross(1, 4, false);
    drawFrame();  // both the fresh image and an update have run
    GLint bound = 0, mode = 0, readBuffer = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    EXPECT_EQ(bound, 10);
    EXPECT_EQ(mode, GL_MODULATE);
    EXPECT_EQ(readBuffer, GL_BACK);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
}
