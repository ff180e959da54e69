// Hostile pictures through the real program: every bad file of the public
// BMP suite and hand-made ones (impossible sides, palette indexes past the
// palette, headers cut short, things that are not pictures at all), each
// put where the garden reads a background, where it reads a texture, and
// handed to the picture tool's check. Whatever the file, the garden says
// what is wrong and carries on or ends as it should; nothing crashes or
// hangs. One program run per file and role, so ctest spreads them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "garden_test.h"
#include "image/image.h"
#include "tests/unit/test_image_files.h"

namespace {

namespace fs = std::filesystem;
using e2e::GardenTest;
using e2e::milliseconds;
using e2e::Region;
using e2e::Rgb;
using e2e::Shot;

const std::string kSuite = SANDMERE_BMPSUITE_DIR;

struct Hostile {
    std::string name;        // the test's name
    std::string suiteFile;   // a file of the suite, or empty for a made one
    Bytes bytes;             // a made file's contents
    bool directory = false;  // a directory in the picture's place
    // A bad file of the suite whose faults lie only in fields the reader
    // does not use: the garden reads it as the good file named here.
    std::string readsAs;
};

void PrintTo(const Hostile& h, std::ostream* out) { *out << h.name; }

Bytes valid24(int width, int height) {
    BmpBuilder b;
    b.width = width;
    b.height = height;
    b.rows.assign(static_cast<size_t>(std::max(height, 0)), rgbRow({10, 20, 30, 40, 50, 60}));
    return b.build();
}

// The crafted files. Sides and sizes are given at 24 bits so that the
// texture reader, which wants nothing else, gets as far as testing them.
std::vector<Hostile> madeFiles() {
    std::vector<Hostile> files;
    auto add = [&](const std::string& name, const Bytes& bytes) { files.push_back({name, "", bytes, false, ""}); };

    Bytes zeroWidth = valid24(2, 2);
    poke32(zeroWidth, 18, 0);
    add("ZeroWidth", zeroWidth);
    Bytes zeroHeight = valid24(2, 2);
    poke32(zeroHeight, 22, 0);
    add("ZeroHeight", zeroHeight);
    Bytes negativeWidth = valid24(2, 2);
    poke32(negativeWidth, 18, static_cast<std::uint32_t>(-2));
    add("NegativeWidth", negativeWidth);
    add("NegativeHeight", [] {
        Bytes b = valid24(2, 2);
        poke32(b, 22, static_cast<std::uint32_t>(-2));
        return b;
    }());
    // 40,000 by 40,000 claimed in a 54-byte file: 4.8 GB of pixels.
    Bytes huge = valid24(2, 0);
    poke32(huge, 18, 40000);
    poke32(huge, 22, 40000);
    add("FortyThousandSquareInATinyFile", huge);

    // Sides whose padded product overflows even 64 bits (found by fuzzing
    // the texture reader), in a file that ends after the bit count.
    Bytes overflowing = valid24(2, 0);
    poke32(overflowing, 18, 0x7D58330Eu);
    poke32(overflowing, 22, 0x603B16A2u);
    overflowing.resize(30);
    poke32(overflowing, 2, 30);
    add("SidesOverflowingThePaddedSize", overflowing);

    BmpBuilder index;
    index.bitCount = 8;
    index.width = 2;
    index.height = 1;
    index.palette = {0x000000, 0xFFFFFF};
    index.clrUsed = 2;
    index.rows = {{1, 200}};
    add("PaletteIndexPastThePalette", index.build());

    BmpBuilder clrUsed = index;
    clrUsed.rows = {{0, 1}};
    clrUsed.clrUsed = 0xFFFFFFFFu;
    add("HugeBiClrUsed", clrUsed.build());

    // The headers cut short, with bfSize telling the truth about the cut
    // length where it is there to tell, so each cut reaches the field it
    // falls in. Every offset from 0 to 54 is read at the reader level by
    // the unit tests; here a sample goes through the program: inside the
    // file header, at its end, inside the sides, the plane count and the
    // bit count, and one byte short of the pixel data.
    for (size_t cut : {3, 14, 20, 27, 29, 53}) {
        Bytes b = valid24(2, 2);
        b.resize(cut);
        if (cut >= 6) poke32(b, 2, static_cast<std::uint32_t>(cut));
        add("HeadersCutAt" + std::to_string(cut), b);
    }

    const std::string text = "Not a picture at all, just a note someone saved as a .bmp file.\n";
    add("NotABmp", Bytes(text.begin(), text.end()));
    add("EmptyFile", Bytes());
    files.push_back({"DirectoryNamedLikeAPicture", "", {}, true, ""});
    return files;
}

std::vector<Hostile> suiteFiles() {
    std::vector<Hostile> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(kSuite + "/b", error)) {
        std::string stem = entry.path().stem().string();
        std::string name = "Suite_";
        for (char c : stem) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        const std::string file = entry.path().filename().string();
        // Only the density or the image-size field is wrong in these, and
        // the reader takes neither; badheadersize's 66-byte header is one
        // it reads by its stated length.
        std::string readsAs;
        if (file == "baddens1.bmp" || file == "baddens2.bmp" || file == "badbitssize.bmp" ||
            file == "badheadersize.bmp")
            readsAs = "g/pal1.bmp";
        files.push_back({name, entry.path().string(), {}, false, readsAs});
    }
    std::sort(files.begin(), files.end(), [](const Hostile& a, const Hostile& b) { return a.name < b.name; });
    return files;
}

std::vector<Hostile> allFiles() {
    std::vector<Hostile> files = suiteFiles();
    const std::vector<Hostile> made = madeFiles();
    files.insert(files.end(), made.begin(), made.end());
    return files;
}

// Puts the hostile file in the folder under `name`.
void place(e2e::GardenFolder& folder, const Hostile& h, const std::string& name) {
    folder.remove(name);
    if (h.directory)
        fs::create_directory(folder.file(name));
    else if (!h.suiteFile.empty())
        folder.replaceWith(name, h.suiteFile);
    else
        folder.write(name, h.bytes);
}

// Every line the BMP reader prints begins with the routine that printed it.
bool fromTheReader(const std::string& line) {
    for (const char* routine : {"readBMP: ", "getfileheader: ", "getinfoheader: ", "getpalette: ", "getmono: ",
                                "get4bits: ", "get8bits: ", "get24bits: "})
        if (line.rfind(routine, 0) == 0) return true;
    return false;
}

class HostileBackground : public GardenTest, public ::testing::WithParamInterface<Hostile> {};
class HostileTexture : public GardenTest, public ::testing::WithParamInterface<Hostile> {};

// The top corners, clear of the garden from its first eye: only the
// background shows there, and display mode without one is white.
const Region kTopLeft{1, 1, 60, 60};

TEST_P(HostileBackground, IsReportedOrShownAndTheGardenRunsOn) {
    const Hostile& h = GetParam();
    place(garden.folder(), h, "bg1.bmp");
    startGarden();

    const std::vector<std::string> errors = garden.program().errorLines();
    if (h.readsAs.empty()) {
        ASSERT_FALSE(errors.empty()) << "the picture was taken without a word\n" << console();
        for (const std::string& line : errors) EXPECT_TRUE(fromTheReader(line)) << line;
        EXPECT_TRUE(errors.back().find("readBMP: ") == 0 ||
                    errors.back().find(": Unable to get image data.") != std::string::npos)
            << "the last line names the failed step: " << errors.back();
    } else {
        EXPECT_TRUE(errors.empty()) << console();
    }

    // The garden draws, turns the plan into sand, shows the first
    // background (none, when the file was refused) and goes back.
    const Shot empty = garden.window().settle();
    garden.window().drag({{100, 300}, {500, 300}});
    const Shot raked = garden.window().waitForChange(empty);
    EXPECT_GT(raked.countNonWhite(raked.all()), 1000) << keep(raked, "raked");
    const Shot scene = garden.keyAndWait('i');
    EXPECT_GT(scene.countDiffering(raked, scene.all(), 8), 10000) << keep(scene, "scene");
    // Turned to look along the diagonal and moved back, the garden leaves
    // the lower left corner, where a small picture lies, uncovered. A
    // refused picture shows nowhere, so the first view, whose top corners
    // are background only, tells as much.
    if (!h.readsAs.empty()) garden.window().type(std::string(45, 'a') + std::string(70, 'c'));
    const Shot turned = h.readsAs.empty() ? scene : garden.window().settle();
    show(turned, "turned");
    garden.window().key('3');
    const Shot withBackground =
        h.readsAs.empty() ? garden.window().settle() : garden.window().waitForChange(turned);
    show(withBackground, "background");
    if (h.readsAs.empty()) {
        EXPECT_TRUE(withBackground.sameAs(turned))
            << "a refused picture was shown " << keep(withBackground, "shown");
    } else {
        // Where the background shows, it is the good file's picture, pixel
        // for pixel: bottom row at the window's bottom, no scaling.
        FILE* stream = std::fopen((kSuite + "/" + h.readsAs).c_str(), "rb");
        ASSERT_NE(stream, nullptr);
        std::unique_ptr<RasterImage> expected(readBMP(stream));
        std::fclose(stream);
        ASSERT_NE(expected, nullptr);
        int shown = 0, wrong = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 600; ++x) {
                if (!withBackground.known(x, y) || withBackground.at(x, y) == turned.at(x, y)) continue;
                ++shown;
                const int row = 599 - y;
                Rgb want{255, 255, 255};
                if (x < expected->width_ && row < expected->height_) {
                    const Pixel& p = expected->pixels[row * expected->width_ + x];
                    want = Rgb{p.red, p.green, p.blue};
                }
                if (withBackground.at(x, y).distance(want) > 1) ++wrong;
            }
        EXPECT_GT(shown, 500) << "the picture does not show " << keep(withBackground, "background");
        EXPECT_EQ(wrong, 0) << keep(withBackground, "background");
    }
    const Shot plan = garden.keyAndWait('i');
    EXPECT_TRUE(plan.sameAs(raked)) << keep(plan, "plan");

    garden.window().key('q');
    const e2e::ExitResult result = garden.program().waitForExit(e2e::kStepTimeout);
    EXPECT_TRUE(result.exitedWith(0)) << result.describe() << "\n" << console();
    EXPECT_EQ(garden.program().errorLines(), errors) << "more was written to standard error";
}

TEST_P(HostileTexture, EndsWithStatusOneBeforeAnyFrameSayingWhy) {
    const Hostile& h = GetParam();
    place(garden.folder(), h, "rock03.bmp");
    garden.start();
    e2e::ExitResult result;
    const bool noFrame = garden.endsWithoutAFrame(result);
    EXPECT_TRUE(result.exitedWith(1)) << result.describe() << "\n" << console();
    EXPECT_TRUE(noFrame) << "a frame was drawn";

    // The loads stop at rock03.bmp, whose line is followed by the reason,
    // which names the file, and nothing else.
    const std::vector<std::string> lines = garden.program().outputLines();
    const auto loading = std::find(lines.begin(), lines.end(), "trying to load rock03.bmp");
    ASSERT_NE(loading, lines.end()) << console();
    ASSERT_EQ(lines.end() - loading, 2) << console();
    EXPECT_NE(loading[1].find("rock03.bmp"), std::string::npos) << loading[1];
    EXPECT_EQ(garden.program().errors(), "");
}

// The picture tool, on the same files: one line with a verdict for each
// role, status 0 when the file is a background and 1 when it is neither,
// and never a crash or a hang.
class HostileCheck : public ::testing::TestWithParam<Hostile> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sandmere-check-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string folder_;
};

TEST_P(HostileCheck, GetsAVerdictNeverACrash) {
    const Hostile& h = GetParam();
    const std::string file = folder_ + "/picture.bmp";
    if (h.directory) {
        fs::create_directory(file);
    } else if (!h.suiteFile.empty()) {
        fs::copy_file(h.suiteFile, file);
    } else {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(h.bytes.data()), static_cast<std::streamsize>(h.bytes.size()));
    }
    e2e::Program tool(SANDMERE_PICTURE_TOOL, folder_, ":0", {"check", "picture.bmp"});
    const e2e::ExitResult result = tool.waitForExit(milliseconds(20000));
    const bool background = !h.readsAs.empty();
    EXPECT_TRUE(result.exitedWith(background ? 0 : 1)) << result.describe() << "\n"
                                                       << tool.output() << tool.errors();
    const std::vector<std::string> lines = tool.outputLines();
    ASSERT_EQ(lines.size(), 1u) << tool.output();
    EXPECT_EQ(lines[0].rfind("picture.bmp: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(background ? "background " : "not a background"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("not a texture"), std::string::npos) << lines[0];
    EXPECT_EQ(tool.errors(), "");
}

INSTANTIATE_TEST_SUITE_P(Files, HostileCheck, ::testing::ValuesIn(allFiles()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Files, HostileBackground, ::testing::ValuesIn(allFiles()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Files, HostileTexture, ::testing::ValuesIn(allFiles()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
