// The desktop garden opened on a garden: a file the page made, a garden
// picture and a link, each through the installed launcher, shows the plan
// the page shows for it (sandmere-headless gives the page's plan) within
// two levels, and the person rakes on. What is no garden gets one line,
// status 1, no window, and nothing is left behind.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "garden_test.h"
#include "image/image.h"
#include "web/gardenfile.h"

namespace {

namespace fs = std::filesystem;
using e2e::Point;
using e2e::Region;
using e2e::Shot;

constexpr int levels = 2;

gardenfile::Bytes fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const gardenfile::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Everything in a folder and under it, as names.
std::vector<std::string> contents(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
}

class OpenedGarden : public e2e::InstalledTest {
protected:
    // The launcher, started in the folder "elsewhere" on these arguments.
    void open(const std::vector<std::string>& arguments) {
        garden.startIn((root / "elsewhere").string(), (root / "usr" / "bin" / "sandmere").string(),
                       {"HOME=" + (root / "home").string(),
                        "XDG_DATA_HOME=", "XDG_RUNTIME_DIR=" + (root / "runtime").string()},
                       e2e::Console::terminal, arguments);
    }

    // The page's plan of the garden, as sandmere-headless draws it.
    Shot pagePlan(const std::string& gardenName) {
        const fs::path bmp = root / "page-plan.bmp";
        const std::string command = "'" SANDMERE_HEADLESS_PROGRAM "' '" + gardenName + "' '" + bmp.string() +
                                    "' > /dev/null 2> '" + (root / "headless.log").string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << "see " << (root / "headless.log");
        FILE* stream = std::fopen(bmp.c_str(), "rb");
        EXPECT_NE(stream, nullptr);
        if (!stream) return {};
        const std::unique_ptr<RasterImage> picture(readBMP(stream));
        std::fclose(stream);
        EXPECT_NE(picture, nullptr);
        if (!picture) return {};
        Shot plan(picture->width_, picture->height_);
        for (int y = 0; y < plan.height(); ++y)
            for (int x = 0; x < plan.width(); ++x) {
                const Pixel& p = picture->pixels[(plan.height() - 1 - y) * plan.width() + x];
                plan.set(x, y, {p.red, p.green, p.blue});
            }
        return plan;
    }
};

TEST_F(OpenedGarden, AFileAPictureAndALinkShowThePagesPlanAndTheGardenRakesOn) {
    const gardenfile::Bytes raked = fileBytes(SANDMERE_TEST_GARDEN);
    const Shot plan = pagePlan(SANDMERE_TEST_GARDEN);
    ASSERT_EQ(plan.width(), 600);
    // A garden picture: the plan itself as a PNG, carrying the garden.
    ASSERT_TRUE(plan.save((root / "plain.png").string()));
    const gardenfile::Writing picture = gardenfile::pictureCarrying(fileBytes(root / "plain.png"), raked);
    ASSERT_TRUE(picture.ok()) << picture.error;
    writeBytes(root / "elsewhere" / "raked.png", picture.bytes);
    fs::copy_file(SANDMERE_TEST_GARDEN, root / "elsewhere" / "raked.sandmere");
    const std::string link = "http://127.0.0.1:8600/#" + gardenfile::linkFragment(raked).substr(1);
    const std::vector<std::string> before = contents(root / "elsewhere");

    bool raking = true;
    for (const std::string& name : {std::string("raked.sandmere"), std::string("raked.png"), link}) {
        SCOPED_TRACE(name.substr(0, 40));
        open({name});
        ASSERT_TRUE(garden.waitUntilShown(e2e::kStartTimeout, 0.25)) << console();
        const Shot shown = garden.window().settle();
        EXPECT_EQ(shown.countDiffering(plan, shown.all(), levels), 0)
            << "the desktop's plan is not the page's: " << keep(shown, "desktop") << " " << keep(plan, "page");
        EXPECT_GT(shown.countNonWhite(shown.all()), 10000) << "the garden opened shows no raked plan";
        if (raking) {
            // The person goes on raking the garden opened.
            raking = false;
            const Region across{100, 280, 400, 40};
            const int marks = shown.countNonWhite(across);
            garden.window().drag({{100, 300}, {500, 300}});
            const Shot raked = garden.window().waitForChange(shown);
            EXPECT_GT(raked.countNonWhite(across), marks + 200) << keep(raked, "raked-on");
        }
        garden.window().key('q');
        EXPECT_TRUE(garden.program().waitForExit(e2e::kStepTimeout).exitedWith(0));
    }
    EXPECT_EQ(contents(root / "elsewhere"), before) << "opening a garden wrote to its folder";
    EXPECT_TRUE(fs::is_empty(root / "runtime")) << "a run folder was left behind";
}

TEST_F(OpenedGarden, WhatIsNoGardenGetsOneLineStatusOneAndNoWindow) {
    const gardenfile::Bytes raked = fileBytes(SANDMERE_TEST_GARDEN);
    gardenfile::Bytes damaged = raked;
    damaged[damaged.size() / 2] ^= 0x10;
    gardenfile::Bytes newer = raked;
    newer[sizeof gardenfile::magic] = gardenfile::formatVersion + 1;
    const std::string text = "a garden, raked by hand\n";
    const fs::path folder = root / "elsewhere";
    writeBytes(folder / "random.sandmere", {0x13, 0x37, 0xc0, 0xde, 0x00, 0xff, 0x42});
    writeBytes(folder / "empty.sandmere", {});
    writeBytes(folder / "text.sandmere", gardenfile::Bytes(text.begin(), text.end()));
    writeBytes(folder / "cut.sandmere", gardenfile::Bytes(raked.begin(), raked.begin() + 40));
    writeBytes(folder / "damaged.sandmere", damaged);
    writeBytes(folder / "newer.sandmere", newer);
    ASSERT_TRUE(Shot(8, 8).save((folder / "photo.png").string()));
    const std::vector<std::string> before = contents(root);
    const struct {
        std::string name, why;
    } files[] = {
        {"random.sandmere", "it does not begin as a garden file does"},
        {"empty.sandmere", "the file is empty"},
        {"text.sandmere", "it does not begin as a garden file does"},
        {"photo.png", "it is a PNG picture, not a garden"},
        {"cut.sandmere", "it is cut short"},
        {"damaged.sandmere", "it is damaged: its checksum does not match"},
        {"newer.sandmere", "it was made by a newer Sandmere (format 2; this Sandmere reads format 1)"},
        {"missing.sandmere", "it cannot be opened (No such file or directory)"},
        {"#garden=AAAA", "the link is damaged"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        open({file.name});
        e2e::ExitResult result;
        EXPECT_TRUE(garden.endsWithoutAFrame(result)) << "a window opened";
        EXPECT_TRUE(result.exitedWith(1)) << result.describe();
        const std::string named = file.name[0] == '#' ? file.name : (folder / file.name).string();
        EXPECT_EQ(garden.program().errors(), "sandmere: " + named + ": " + file.why + "\n");
        EXPECT_EQ(contents(root), before) << "something was written";
    }
}

}  // namespace
