// Display mode: the plan captured as lit sand, the camera, outlines, the
// background picture, the rocks as spheres and the sand types.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "garden_test.h"
#include "image/image.h"

namespace {

using e2e::GardenTest;
using e2e::Region;
using e2e::Rgb;
using e2e::Shot;

// The sand's outlines: the colour (0, 0, 0.5) modulated by a wood texel,
// so pure blue of some strength, with no red or green at all.
bool outline(Rgb c) { return c.r == 0 && c.g == 0 && c.b >= 8; }

// The top corners of the window, which the garden seen from its starting
// eye never reaches: there only the background shows.
const Region kTopLeft{1, 1, 60, 60};
const Region kTopRight{539, 1, 60, 60};

TEST_F(GardenTest, RakedSandShowsItsGroovesAndTheSwitchBackKeepsThePlan) {
    startGarden();
    const Shot emptyPlan = garden.window().settle();
    const Shot flat = garden.keyAndWait('i');
    ASSERT_FALSE(flat.sameAs(emptyPlan)) << "the garden did not switch to display mode";
    EXPECT_TRUE(garden.keyAndWait('i').sameAs(emptyPlan));

    ASSERT_TRUE(garden.choose("Rakes", "Five-Tine"));
    for (int row : {150, 300, 450}) garden.window().drag({{40, row}, {560, row}});
    const Shot plan = garden.window().settle();
    const Shot grooved = garden.keyAndWait('i');
    show(flat, "flat");
    show(grooved, "grooved");
    EXPECT_GT(grooved.countDiffering(flat, grooved.all(), 6), 20000)
        << "the grooves are lost on the way to the sand";
    EXPECT_TRUE(grooved.at(kTopLeft.x, kTopLeft.y).isWhite());

    const Shot back = garden.keyAndWait('i');
    EXPECT_TRUE(back.sameAs(plan)) << keep(back, "back") << " " << keep(plan, "plan");
    // Entering again builds the same sand from the same plan.
    EXPECT_TRUE(garden.keyAndWait('i').sameAs(grooved));
}

TEST_F(GardenTest, WireframeKeyShowsOutlinesAndThenTheLitSandAgain) {
    startGarden();
    const Shot lit = garden.keyAndWait('i');
    const Shot wire = garden.keyAndWait('z');
    show(wire, "wire");
    EXPECT_LT(lit.count(lit.all(), outline), 1000) << keep(lit, "lit");
    EXPECT_GT(wire.count(wire.all(), outline), 30000) << keep(wire, "wire");
    EXPECT_TRUE(garden.keyAndWait('z').sameAs(lit));

    // Leaving display mode ends the outlines: the next entry is lit again.
    garden.keyAndWait('z');
    garden.keyAndWait('i');
    EXPECT_TRUE(garden.keyAndWait('i').sameAs(lit));

    // The camera keys and z do nothing in draw mode: the plan stays put,
    // and the next entry is the usual lit view.
    const Shot plan = garden.keyAndWait('i');
    garden.window().type("adwsecz");
    EXPECT_TRUE(garden.window().settle().sameAs(plan)) << "a display-mode key moved the plan";
    EXPECT_TRUE(garden.keyAndWait('i').sameAs(lit)) << "a display-mode key acted in draw mode";

    ASSERT_TRUE(garden.choose("Quit"));
    EXPECT_TRUE(garden.program().waitForExit(e2e::kStepTimeout).exitedWith(0))
        << garden.program().result().describe();
}

TEST_F(GardenTest, EachCameraKeyMovesTheViewAndItsOppositeMovesItBack) {
    startGarden();
    const Shot start = garden.keyAndWait('i');
    // One step of a key moves the eye a little and shifts nearly every
    // textured pixel; its opposite step puts the eye back to within float
    // rounding, leaving at most a few stray pixels.
    const int manyPixels = 20000, fewPixels = 1500;
    Shot view = start;
    for (const char* pair : {"ad", "ec", "da", "ce"}) {
        const Shot there = garden.keyAndWait(pair[0]);
        EXPECT_GT(there.countDiffering(view, view.all(), 4), manyPixels)
            << "key " << pair[0] << " " << keep(there, {pair[0]});
        const Shot back = garden.keyAndWait(pair[1]);
        EXPECT_LT(back.countDiffering(view, view.all(), 16), fewPixels)
            << "key " << pair[1] << " " << keep(back, {pair[0], pair[1]});
        view = back;
    }
    // The eye starts below the lowest elevation that s allows: w lifts it
    // one degree and s then goes down only to that floor, above the start.
    const Shot up = garden.keyAndWait('w');
    EXPECT_GT(up.countDiffering(view, view.all(), 4), manyPixels);
    const Shot floor = garden.keyAndWait('s');
    EXPECT_GT(floor.countDiffering(up, up.all(), 4), manyPixels);
    EXPECT_GT(floor.countDiffering(start, start.all(), 4), manyPixels) << "s went below its floor";
    EXPECT_TRUE(garden.keyAndWait('s', e2e::milliseconds(1500)).sameAs(floor)) << "s went below its floor";
}

// bg1.bmp as the garden reads it, and what of it lands on a window pixel:
// the picture's bottom row on the window's bottom row, no scaling, white
// where the picture does not reach.
class Background {
public:
    explicit Background(const std::string& file) {
        if (FILE* stream = std::fopen(file.c_str(), "rb")) {
            image_.reset(readBMP(stream));
            std::fclose(stream);
        }
    }
    bool loaded() const { return image_ != nullptr; }
    Rgb at(int x, int y) const {
        const int row = 599 - y;
        if (x >= image_->width_ || row >= image_->height_) return Rgb{255, 255, 255};
        const Pixel& p = image_->pixels[row * image_->width_ + x];
        return Rgb{p.red, p.green, p.blue};
    }

private:
    std::unique_ptr<RasterImage> image_;
};

int mismatches(const Shot& shot, const Background& background, const Region& region) {
    int wrong = 0;
    for (int y = region.y; y < region.y + region.height; ++y)
        for (int x = region.x; x < region.x + region.width; ++x)
            if (shot.at(x, y).distance(background.at(x, y)) > 1) ++wrong;
    return wrong;
}

TEST_F(GardenTest, BackgroundKeyPutsThePicturesBehindTheGarden) {
    startGarden();
    const Background first(garden.folder().file("bg1.bmp")), second(garden.folder().file("bg2.bmp"));
    ASSERT_TRUE(first.loaded() && second.loaded());

    garden.window().key('3');  // chosen in draw mode, shown in display mode
    const Shot withFirst = garden.keyAndWait('i');
    show(withFirst, "bg1");
    EXPECT_EQ(mismatches(withFirst, first, kTopLeft), 0) << keep(withFirst, "bg1");
    EXPECT_EQ(mismatches(withFirst, first, kTopRight), 0);

    const Shot withSecond = garden.keyAndWait('3');
    EXPECT_EQ(mismatches(withSecond, second, kTopLeft), 0) << keep(withSecond, "bg2");
    EXPECT_EQ(mismatches(withSecond, second, kTopRight), 0);

    const Shot none = garden.keyAndWait('3');
    EXPECT_EQ(none.countNonWhite(kTopLeft) + none.countNonWhite(kTopRight), 0) << keep(none, "none");

    // Leaving display mode forgets the choice.
    garden.keyAndWait('3');
    garden.keyAndWait('i');
    EXPECT_TRUE(garden.keyAndWait('i').sameAs(none));
}

TEST_F(GardenTest, PlacedRocksStandAsTexturedSpheres) {
    startGarden();
    const Shot bare = garden.keyAndWait('i');
    garden.keyAndWait('i');
    // The large rock at the middle of the plan stands at the scene's origin,
    // where the camera looks: the middle of the window.
    ASSERT_TRUE(garden.choose("Rocks", "Place Large Rock"));
    garden.window().click({300, 300});
    ASSERT_TRUE(garden.choose("Rocks", "Place Small Rock"));
    garden.window().click({450, 450});
    garden.window().settle();
    const Shot rocks = garden.keyAndWait('i');
    show(rocks, "rocks");
    EXPECT_GT(rocks.countDiffering(bare, Region::around(300, 280, 40), 8), 2000) << keep(bare, "bare");

    // Another texture on the large rock changes the sphere and nothing else:
    // a region as high as the sphere, rising above the sand's level.
    const Shot retextured = garden.keyAndWait('1');
    const Region large = retextured.differingBounds(rocks, retextured.all(), 0);
    EXPECT_GT(retextured.countDiffering(rocks, retextured.all(), 8), 2000);
    EXPECT_NEAR(large.x + large.width / 2, 300, 15) << keep(retextured, "texture2");
    EXPECT_GT(large.height, 60);
    EXPECT_LT(large.width, 200);

    // Nine textures in turn, and the tenth press is back at the first.
    garden.window().type("11111111");
    EXPECT_TRUE(garden.window().settle().sameAs(rocks)) << "the large rock's textures do not wrap to the first";

    const Shot smallRetextured = garden.keyAndWait('2');
    const Region small = smallRetextured.differingBounds(rocks, rocks.all(), 0);
    EXPECT_GT(small.width, 10);
    EXPECT_TRUE(small.x >= large.x + large.width || small.y >= large.y + large.height)
        << "the small rock's sphere is not apart from the large one";
}

TEST_F(GardenTest, DarkSandChangesTheSandAndLightSandRestoresIt) {
    startGarden();
    ASSERT_TRUE(garden.choose("Rocks", "Place Small Rock"));
    const Shot light = garden.keyAndWait('i');
    ASSERT_TRUE(garden.choose("Sand Types", "Use Dark Sand"));
    const Shot dark = garden.window().waitForChange(light);
    EXPECT_GT(dark.countDiffering(light, dark.all(), 8), 20000) << keep(dark, "dark");
    EXPECT_EQ(dark.countNonWhite(kTopLeft) + dark.countNonWhite(kTopRight), 0);

    ASSERT_TRUE(garden.choose("Sand Types", "Use Light Sand"));
    EXPECT_TRUE(garden.window().waitForChange(dark).sameAs(light));

    // A sand choice also puts the rake back in hand for draw mode.
    const Shot plan = garden.keyAndWait('i');
    garden.window().drag({{100, 300}, {500, 300}});
    const Shot raked = garden.window().waitForChange(plan);
    EXPECT_LT(raked.at(300, 300).r, 170) << keep(raked, "raked");
    EXPECT_GT(raked.at(100, 300).r, 100) << "a rock was placed where the stroke began";

    garden.window().key('i');
    garden.window().key('q');
    const e2e::ExitResult result = garden.program().waitForExit(e2e::kStepTimeout);
    EXPECT_TRUE(result.exitedWith(0)) << result.describe();
}

}  // namespace
