// Draw mode with the mouse: raking with each rake, placing the rocks, the
// reset, and the window's fixed size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "garden_test.h"

namespace {

using e2e::GardenTest;
using e2e::Point;
using e2e::Region;
using e2e::Rgb;
using e2e::Shot;

const std::string kCollision = "collision detected, cannot place rocks so close to each other";

struct Rake {
    const char* entry;
    int outermostTine;  // pixels from the centre line, on each side
};

void PrintTo(const Rake& rake, std::ostream* out) { *out << rake.entry; }

class RakeTest : public GardenTest, public ::testing::WithParamInterface<Rake> {};

// A speck is dark at the centre of the line it lies on; half-opacity black
// marks 4 pixels apart leave well under two thirds of white there.
bool isRaked(Rgb c) { return c.r < 170; }

// Checks one straight stroke across its middle: dark on every tine, white
// halfway between tines and just beyond the outermost one. `along` walks
// the stroke, `across` gives the pixel at an offset perpendicular to it.
template <typename Across>
void expectTines(int outermost, int from, int to, Across across, const char* stroke) {
    for (int along = from; along <= to; along += 8) {
        for (int offset = -outermost; offset <= outermost; offset += 20)
            EXPECT_TRUE(isRaked(across(along, offset)))
                << stroke << ": no speck on the tine at " << offset << ", " << along << " along";
        for (int offset = -outermost - 10; offset <= outermost + 10; offset += 20)
            EXPECT_TRUE(across(along, offset).isWhite())
                << stroke << ": not white between or beside the tines at " << offset << ", " << along << " along";
        EXPECT_TRUE(across(along, outermost + 30).isWhite()) << stroke;
        EXPECT_TRUE(across(along, -outermost - 30).isWhite()) << stroke;
    }
}

TEST_P(RakeTest, LeavesSpecksWhereEachTineWent) {
    startGarden();
    ASSERT_TRUE(garden.choose("Rakes", GetParam().entry));
    const Shot empty = garden.window().settle();
    // One stroke to the right and one downwards, so the tines are offset
    // across either direction of drag; the two stay well apart.
    garden.window().drag({{60, 120}, {340, 120}});
    garden.window().drag({{450, 200}, {450, 520}});
    const Shot plan = garden.window().waitForChange(empty);
    const int outermost = GetParam().outermostTine;
    expectTines(
        outermost, 80, 320, [&](int along, int offset) { return plan.at(along, 120 + offset); },
        "the stroke to the right");
    expectTines(
        outermost, 220, 500, [&](int along, int offset) { return plan.at(450 + offset, along); },
        "the stroke downwards");
    // Nothing is drawn away from the strokes.
    EXPECT_EQ(plan.countNonWhite({0, 300, 380, 300}), 0);
    if (HasFailure()) keep(plan, "plan");
}

INSTANTIATE_TEST_SUITE_P(EachRake, RakeTest,
                         ::testing::Values(Rake{"One-Tine", 0}, Rake{"Three-Tine", 20}, Rake{"Five-Tine", 40}),
                         [](const ::testing::TestParamInfo<Rake>& info) {
                             std::string name = info.param.entry;
                             name.erase(name.find('-'), 1);
                             return name;
                         });

// The plan's disc for a rock: black in the middle, still darkened close to
// the rim, and just outside it the plan as it was before (the 20-sided
// disc reaches at least 0.95 of its radius everywhere).
void expectDisc(const Shot& plan, const Shot& before, Point centre, int radius, const char* rock) {
    EXPECT_LT(plan.at(centre.x, centre.y).r, 40) << rock << " is not dark at its centre";
    const int inside = radius * 85 / 100, outside = radius + 4;
    const int directions[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    for (const auto& d : directions) {
        const double scale = (d[0] != 0 && d[1] != 0) ? 0.7071 : 1.0;
        const Rgb near = plan.at(centre.x + static_cast<int>(d[0] * inside * scale),
                                 centre.y + static_cast<int>(d[1] * inside * scale));
        const int beyondX = centre.x + static_cast<int>(d[0] * outside * scale + d[0]);
        const int beyondY = centre.y + static_cast<int>(d[1] * outside * scale + d[1]);
        EXPECT_FALSE(near.isWhite()) << rock << " does not reach " << inside << " pixels towards " << d[0] << ","
                                     << d[1];
        EXPECT_EQ(plan.at(beyondX, beyondY), before.at(beyondX, beyondY))
            << rock << " reaches past " << outside << " pixels towards " << d[0] << "," << d[1];
    }
}

TEST_F(GardenTest, RocksLandWhereClickedAndMayNotOverlap) {
    startGarden();
    ASSERT_TRUE(garden.choose("Rocks", "Place Large Rock"));
    Shot before = garden.window().settle();
    // The plan point (300, 299): a large disc of radius 60.
    garden.window().click({300, 300});
    const Shot large = garden.window().waitForChange(before);
    expectDisc(large, before, {300, 300}, 60, "the large rock");
    const int area = large.countNonWhite(large.all());
    EXPECT_GT(area, 10500) << "a disc of radius 60 covers about 11,100 pixels";
    EXPECT_LT(area, 11700);

    // A small rock 89 pixels from the large one would overlap it (30 + 60).
    ASSERT_TRUE(garden.choose("Rocks", "Place Small Rock"));
    garden.window().click({389, 300});
    ASSERT_TRUE(garden.program().waitForOutputLine(kCollision, e2e::kStepTimeout)) << console();
    garden.window().key('x');  // any other key redraws: a rock wrongly placed would show now
    EXPECT_TRUE(garden.window().settle().sameAs(large)) << "a refused rock changed the plan";

    // 90 pixels away the discs just touch, which is allowed.
    before = garden.window().settle();
    garden.window().click({390, 300});
    const Shot both = garden.window().waitForChange(before);
    expectDisc(both, before, {390, 300}, 30, "the small rock");
    EXPECT_EQ(both.countDiffering(large, {0, 0, 359, 600}), 0) << "the large rock moved";

    // Moving the large rock onto the small one is refused the same way.
    ASSERT_TRUE(garden.choose("Rocks", "Place Large Rock"));
    garden.window().click({420, 300});
    ASSERT_TRUE(garden.program().waitForOutputLine(kCollision, e2e::kStepTimeout, 2)) << console();
    garden.window().key('x');
    EXPECT_TRUE(garden.window().settle().sameAs(both)) << "a refused move changed the plan";
    EXPECT_EQ(garden.program().outputLines().size(), 17u) << "one message per refused click";
    if (HasFailure()) keep(both, "both-rocks");
}

TEST_F(GardenTest, EachClickWithARockToolMovesThatRock) {
    startGarden();
    ASSERT_TRUE(garden.choose("Rocks", "Place Large Rock"));
    const Shot empty = garden.window().settle();
    garden.window().click({200, 200});
    const Shot first = garden.window().waitForChange(empty);
    // Onto its own old disc: allowed, and the old disc is gone.
    garden.window().click({240, 230});
    const Shot moved = garden.window().waitForChange(first);
    expectDisc(moved, empty, {240, 230}, 60, "the moved rock");
    EXPECT_TRUE(moved.at(150, 180).isWhite()) << keep(moved, "moved");
    EXPECT_EQ(garden.program().outputLines().size(), 15u) << "a rock collided with itself";
}

TEST_F(GardenTest, ResetSandboxClearsThePlanAndKeepsTheChosenRake) {
    startGarden();
    ASSERT_TRUE(garden.choose("Rakes", "Five-Tine"));
    garden.window().drag({{60, 150}, {540, 150}});
    ASSERT_TRUE(garden.choose("Rocks", "Place Large Rock"));
    garden.window().click({300, 400});
    ASSERT_TRUE(garden.choose("Rocks", "Place Small Rock"));
    garden.window().click({460, 420});
    const Shot drawn = garden.window().settle();
    ASSERT_GT(drawn.countNonWhite(drawn.all()), 20000) << keep(drawn, "drawn");

    ASSERT_TRUE(garden.choose("Reset Sandbox"));
    const Shot cleared = garden.window().waitForChange(drawn);
    EXPECT_EQ(cleared.countNonWhite(cleared.all()), 0) << keep(cleared, "cleared");

    // The left button rakes again, with five tines, and places no rock.
    garden.window().drag({{100, 300}, {500, 300}});
    const Shot raked = garden.window().waitForChange(cleared);
    for (int offset : {-40, -20, 0, 20, 40}) EXPECT_TRUE(isRaked(raked.at(300, 300 + offset))) << offset;
    EXPECT_TRUE(raked.at(300, 350).isWhite());
    EXPECT_EQ(raked.countNonWhite({0, 0, 600, 240}), 0) << keep(raked, "raked");
}

TEST_F(GardenTest, DragEventsLayOneSoftSpeckEveryFourPixels) {
    startGarden();
    const Point press{200, 300};
    garden.window().moveTo(press);
    garden.window().press(1);
    // Exactly 4 pixels from the press: too short to lay a mark.
    garden.window().moveTo({press.x + 4, press.y});
    EXPECT_EQ(garden.window().settle().countNonWhite({0, 0, 600, 600}), 0) << "a mark within 4 pixels";
    // 8 pixels: one mark, 4 pixels along, and none at the mouse.
    const Shot before = garden.window().settle();
    garden.window().moveTo({press.x + 8, press.y});
    const Shot plan = garden.window().waitForChange(before);
    garden.window().release(1);

    // The speck: half of white at its centre (the pixels around it sample
    // it a little off centre), fading out 8 pixels away.
    const Point mark{press.x + 4, press.y};
    int darkest = 255;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) darkest = std::min<int>(darkest, plan.at(mark.x + dx, mark.y + dy).r);
    EXPECT_GE(darkest, 118);
    EXPECT_LE(darkest, 150);
    EXPECT_GT(plan.at(mark.x + 4, mark.y).r, darkest + 20) << "a second mark at the mouse";
    for (const Point off : {Point{10, 0}, Point{-10, 0}, Point{0, 10}, Point{0, -10}})
        EXPECT_TRUE(plan.at(mark.x + off.x, mark.y + off.y).isWhite()) << off.x << "," << off.y;
    const int speck = plan.countNonWhite(plan.all());
    EXPECT_GT(speck, 150) << "a disc of radius 8 covers about 200 pixels";
    EXPECT_LT(speck, 240) << keep(plan, "speck");
}

TEST_F(GardenTest, MiddleButtonDragRakesOnFromWhereTheLastStrokeStopped) {
    startGarden();
    // A click without motion lays nothing; the key redraws to show it.
    garden.window().click({200, 200});
    garden.window().key('x');
    EXPECT_EQ(garden.window().settle().countNonWhite({0, 0, 600, 600}), 0);

    garden.window().drag({{100, 100}, {300, 100}});
    const Shot first = garden.window().settle();
    // The middle press starts no stroke: the first motion rakes from the
    // left stroke's end, near (300, 100), down to the middle drag.
    garden.window().drag({{300, 400}, {500, 400}}, 2);
    const Shot plan = garden.window().waitForChange(first);
    for (int x = 320; x <= 480; x += 20) EXPECT_TRUE(isRaked(plan.at(x, 400))) << "along the middle drag at " << x;
    for (int y = 140; y <= 360; y += 20) {
        const Region across{280, y, 40, 1};
        EXPECT_GT(plan.count(across, isRaked), 0) << "no line from the last stroke's end at " << y;
    }
    EXPECT_EQ(plan.countNonWhite({0, 130, 260, 470}), 0) << keep(plan, "plan");
}

TEST_F(GardenTest, MenuChoicesActOnlyInTheirOwnMode) {
    startGarden();
    ASSERT_TRUE(garden.choose("Rakes", "Five-Tine"));
    garden.window().drag({{60, 150}, {540, 150}});
    const Shot plan = garden.window().settle();
    const Shot scene = garden.keyAndWait('i');

    // In display mode the plan's choices and the reset change nothing.
    ASSERT_TRUE(garden.choose("Rakes", "One-Tine"));
    ASSERT_TRUE(garden.choose("Rocks", "Place Small Rock"));
    ASSERT_TRUE(garden.choose("Reset Sandbox"));
    EXPECT_TRUE(garden.window().settle().sameAs(scene)) << "a draw-mode choice changed the garden";
    EXPECT_TRUE(garden.keyAndWait('i').sameAs(plan)) << "the reset acted in display mode";

    // In draw mode the sand choice changes nothing: the garden is still light.
    ASSERT_TRUE(garden.choose("Sand Types", "Use Dark Sand"));
    EXPECT_TRUE(garden.keyAndWait('i').sameAs(scene)) << "the dark sand was chosen in draw mode";
    garden.keyAndWait('i');

    // The five-tine rake is still chosen, and the left button rakes.
    garden.window().drag({{100, 400}, {500, 400}});
    const Shot raked = garden.window().waitForChange(plan);
    for (int offset : {-40, -20, 0, 20, 40}) EXPECT_TRUE(isRaked(raked.at(300, 400 + offset))) << offset;
    EXPECT_GT(raked.at(100, 400).r, 100) << "a rock was placed where the stroke began " << keep(raked, "raked");
}

TEST_F(GardenTest, AResizedWindowSnapsBackTo600SquareWithTheSamePicture) {
    startGarden();
    garden.window().drag({{100, 100}, {500, 500}});
    const Shot plan = garden.window().settle();
    const e2e::Geometry before = garden.window().geometry();

    garden.window().resize(400, 300);
    const auto deadline = std::chrono::steady_clock::now() + e2e::kStepTimeout;
    e2e::Geometry now = garden.window().geometry();
    while ((now.width != 600 || now.height != 600) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(e2e::milliseconds(20));
        now = garden.window().geometry();
    }
    EXPECT_EQ(now.width, 600);
    EXPECT_EQ(now.height, 600);
    EXPECT_EQ(now.x, before.x);
    EXPECT_EQ(now.y, before.y);
    const Shot after = garden.window().settle();
    EXPECT_TRUE(after.sameAs(plan)) << keep(after, "after") << " " << keep(plan, "before");
}

}  // namespace
