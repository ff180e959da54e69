// The headless garden as a program: the plan of the garden raked in the
// page has the digest every engine holds (tests/data/gardens/plans.json),
// the picture it writes is that plan, and a file that is no garden gets one
// line, status 1 and nothing written.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "image/image.h"
#include "web/gardenfile.h"
#include "web/native/headless.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string contents(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

class HeadlessProgram : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(folder_.make(&why)) << why;
    }

    const fs::path& folderPath() const { return folder_.path(); }
    fs::path file(const std::string& name) const { return folder_.path() / name; }

    fs::path write(const std::string& name, const gardenfile::Bytes& bytes) const {
        std::ofstream(file(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file(name);
    }

    // The program on these arguments, its streams and its status.
    Outcome run(const std::vector<std::string>& arguments) const {
        std::string command = "'" SANDMERE_HEADLESS_PROGRAM "'";
        for (const std::string& argument : arguments) command += " '" + argument + "'";
        command += " >'" + file("out").string() + "' 2>'" + file("err").string() + "'";
        const int status = std::system(command.c_str());
        Outcome result;
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = contents(file("out"));
        result.err = contents(file("err"));
        return result;
    }

private:
    PrivateFolder folder_;
};

TEST_F(HeadlessProgram, TheRakedGardensPlanHasTheDigestEveryEngineHolds) {
    const fs::path picture = file("plan.bmp");
    const Outcome result = run({SANDMERE_TEST_GARDEN, picture.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    // Standard output holds the digest alone; the garden's own words are
    // on standard error.
    EXPECT_EQ(result.out, SANDMERE_RAKED_PLAN_SHA256 "\n");
    EXPECT_NE(result.err.find("Sandmere: a raked-sand rock garden"), std::string::npos);
    // The picture written is the plan the digest is of.
    FILE* stream = std::fopen(picture.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    const std::unique_ptr<RasterImage> image(readBMP(stream));
    std::fclose(stream);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->width_, 600);
    ASSERT_EQ(image->height_, 600);
    // readBMP puts the picture's bottom row first; the digest's rows go
    // from the top.
    std::vector<std::uint8_t> rgba;
    for (int y = image->height_ - 1; y >= 0; --y)
        for (int x = 0; x < image->width_; ++x) {
            const Pixel& p = image->pixels[y * image->width_ + x];
            rgba.insert(rgba.end(), {p.red, p.green, p.blue, p.alpha});
        }
    EXPECT_EQ(sha256Hex(rgba) + "\n", result.out);
    // It is the garden raked in the page: white sand, both rocks dark at
    // the pixels where they were placed, and marks where the rake went.
    const auto grey = [&](int x, int y) { return rgba[(static_cast<std::size_t>(y) * 600 + x) * 4]; };
    EXPECT_EQ(grey(3, 3), 255);
    EXPECT_LT(grey(190, 330), 16);
    EXPECT_LT(grey(440, 350), 16);
    int marked = 0;
    for (int y = 0; y < 600; ++y) marked += grey(300, y) < 128;
    EXPECT_GT(marked, 100) << "the one-tine stroke down the middle";
}

TEST_F(HeadlessProgram, WhatIsNoGardenGetsOneLineAndNothingIsWritten) {
    gardenfile::Garden quits{"1.3.0", {gardenfile::Event::frame()}};
    const gardenfile::Bytes sound = gardenfile::writeGarden(quits).bytes;
    gardenfile::Bytes damaged = sound;
    damaged[damaged.size() - 5] ^= 1;
    // The garden's own menus: entry 2 of menu 4 is its quit, and menu 7
    // none of its.
    quits.events.push_back(gardenfile::Event::menuChoice(4, 2));
    gardenfile::Garden strange{"1.3.0", {gardenfile::Event::menuChoice(7, 1)}};
    // Whether the garden starts before it refuses the record.
    const bool started = true;
    const struct {
        fs::path garden;
        std::string why;
        bool started = false;
    } cases[] = {
        {write("empty.sandmere", {}), "the file is empty"},
        {write("text.sandmere", {'a', ' ', 'n', 'o', 't', 'e', '\n'}), "it does not begin as a garden file does"},
        {write("cut.sandmere", gardenfile::Bytes(sound.begin(), sound.begin() + 20)), "it is cut short"},
        {write("damaged.sandmere", damaged), "it is damaged: its checksum does not match"},
        {file("missing.sandmere"), "it cannot be opened (No such file or directory)"},
        {folderPath(), "it cannot be read (Is a directory)"},
        {write("quits.sandmere", gardenfile::writeGarden(quits).bytes), "it holds the menu's quit", started},
        {write("strange.sandmere", gardenfile::writeGarden(strange).bytes),
         "it chooses a menu entry the garden does not have (7, 1)", started},
    };
    for (const auto& bad : cases) {
        const fs::path picture = file("plan.bmp");
        const Outcome result = run({bad.garden.string(), picture.string()});
        EXPECT_EQ(result.status, 1) << bad.garden;
        EXPECT_EQ(result.out, "") << bad.garden;
        const std::string line = "sandmere-headless: " + bad.garden.string() + ": " + bad.why + "\n";
        if (bad.started) {
            // Refused by the garden itself, which has started: its own words
            // come first, and the refusal is the last line.
            EXPECT_EQ(result.err.substr(result.err.size() - std::min(result.err.size(), line.size())), line);
        } else {
            EXPECT_EQ(result.err, line);
        }
        EXPECT_FALSE(fs::exists(picture)) << bad.garden;
    }
    EXPECT_EQ(run({}).status, 2);
}

TEST_F(HeadlessProgram, ALinkToTheRakedGardenOrItsFragmentGivesTheSamePlan) {
    const gardenfile::Reading raked = gardenfile::readGardenFile(SANDMERE_TEST_GARDEN);
    ASSERT_TRUE(raked.ok()) << raked.error;
    const std::string fragment = gardenfile::linkFragment(gardenfile::writeGarden(raked.garden).bytes);
    for (const std::string& link : {"http://127.0.0.1:8600/" + fragment, fragment}) {
        const Outcome result = run({link});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, SANDMERE_RAKED_PLAN_SHA256 "\n");
    }
    const Outcome bare = run({"http://127.0.0.1:8600/"});
    EXPECT_EQ(bare.status, 1);
    EXPECT_EQ(bare.err, "sandmere-headless: http://127.0.0.1:8600/: the link carries no garden\n");
}

}  // namespace
