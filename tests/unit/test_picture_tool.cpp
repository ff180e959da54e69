// The picture tool, run as the build runs it: a real process, real files.
#include <gtest/gtest.h>

#include "image/image.h"
#include "image/texture.h"

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char* const kTextures[] = {"sand1.bmp",     "sand2.bmp",     "rock01.bmp",    "rock02.bmp",
                                 "rock03.bmp",    "rock04.bmp",    "rock05.bmp",    "glass01.bmp",
                                 "crystal01.bmp", "crystal02.bmp", "crystal03.bmp", "wood1.bmp"};
const char* const kBackgrounds[] = {"bg1.bmp", "bg2.bmp"};

struct ToolRun {
    int status = -1;  // exit status, or -1 when the tool did not exit normally
    std::string out;
    std::string err;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

fs::path makeScratchDirectory() {
    char pattern[] = "/tmp/sandmere-picture-test-XXXXXX";
    char* made = mkdtemp(pattern);
    EXPECT_NE(made, nullptr);
    return made ? fs::path(made) : fs::path();
}

ToolRun runTool(const std::vector<std::string>& arguments, const fs::path& scratch) {
    std::string command = quoted(SANDMERE_PICTURE_TOOL);
    for (const std::string& a : arguments) command += " " + quoted(a);
    fs::path out = scratch / "tool.out", err = scratch / "tool.err";
    command += " >" + quoted(out.string()) + " 2>" + quoted(err.string()) + " </dev/null";
    int raw = std::system(command.c_str());
    ToolRun run;
    if (raw != -1 && WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
    run.out = fileText(out);
    run.err = fileText(err);
    fs::remove(out);
    fs::remove(err);
    return run;
}

std::unique_ptr<RasterImage> readRaster(const fs::path& path) {
    FILE* stream = std::fopen(path.c_str(), "rb");
    std::unique_ptr<RasterImage> raster(readBMP(stream));
    if (stream) std::fclose(stream);
    return raster;
}

int storedBitCount(const fs::path& path) {
    std::string bytes = fileText(path);
    if (bytes.size() < 30) return 0;
    return static_cast<unsigned char>(bytes[28]) | static_cast<unsigned char>(bytes[29]) << 8;
}

bool samePixels(const RasterImage& a, const RasterImage& b) {
    if (a.width_ != b.width_ || a.height_ != b.height_) return false;
    for (int i = 0; i < a.width_ * a.height_; ++i)
        if (a.pixels[i] != b.pixels[i]) return false;
    return true;
}

// A small picture that is plainly different upside down and mirrored, with
// a width that needs padded rows.
void writeMarkedPicture(const fs::path& path) {
    RasterImage raster(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            raster.pixels[y * 5 + x] =
                Pixel(static_cast<unsigned char>(40 * x), static_cast<unsigned char>(100 * y),
                      static_cast<unsigned char>(7 * x + 50 * y), 255);
    FILE* stream = std::fopen(path.c_str(), "wb");
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(writeBMP(&raster, stream), 1);
    std::fclose(stream);
}

// A texture's colours as the loader delivers them, averaged over square
// blocks: at block size 1 the measure below sees the grain, at 4 the broad
// mottling that a seam would cut through.
struct Tile {
    int width = 0, height = 0;
    std::vector<double> rgb;  // width x height x 3
    double at(int x, int y, int k) const { return rgb[(static_cast<size_t>(y) * width + x) * 3 + k]; }
};

Tile averagedTile(const TextureImage& image, int usedWidth, int block) {
    int rowBytes = (3 * image.width + 3) / 4 * 4;
    Tile tile;
    tile.width = usedWidth / block;
    tile.height = image.height / block;
    tile.rgb.assign(static_cast<size_t>(tile.width) * tile.height * 3, 0.0);
    for (int y = 0; y < tile.height * block; ++y)
        for (int x = 0; x < tile.width * block; ++x)
            for (int k = 0; k < 3; ++k)
                tile.rgb[(static_cast<size_t>(y / block) * tile.width + x / block) * 3 + k] +=
                    image.data[y * rowBytes + 3 * x + k] / static_cast<double>(block * block);
    return tile;
}

Tile turnedTile(const Tile& tile) {
    Tile turned;
    turned.width = tile.height;
    turned.height = tile.width;
    turned.rgb.resize(tile.rgb.size());
    for (int y = 0; y < tile.height; ++y)
        for (int x = 0; x < tile.width; ++x)
            for (int k = 0; k < 3; ++k)
                turned.rgb[(static_cast<size_t>(x) * turned.width + y) * 3 + k] = tile.at(x, y, k);
    return turned;
}

// How much neighbours differ across each column boundary; the last entry is
// the boundary where the tile wraps round to its first column.
std::vector<double> columnSteps(const Tile& tile) {
    std::vector<double> steps(static_cast<size_t>(tile.width), 0.0);
    for (int c = 0; c < tile.width; ++c) {
        int next = (c + 1) % tile.width;
        for (int y = 0; y < tile.height; ++y)
            for (int k = 0; k < 3; ++k)
                steps[static_cast<size_t>(c)] += std::fabs(tile.at(c, y, k) - tile.at(next, y, k));
        steps[static_cast<size_t>(c)] /= tile.height;
    }
    return steps;
}

// In a tile that wraps cleanly the wrap-round step is one more sample of
// the same kind as the interior steps; a seam stands far out above them.
bool wrapLooksLikeTheRest(const std::vector<double>& steps, std::string* why) {
    double sum = 0, sumSquares = 0;
    size_t interior = steps.size() - 1;
    for (size_t i = 0; i < interior; ++i) {
        sum += steps[i];
        sumSquares += steps[i] * steps[i];
    }
    double mean = sum / interior;
    double spread = std::sqrt(std::fmax(0.0, sumSquares / interior - mean * mean));
    double wrap = steps.back();
    std::ostringstream text;
    text << "wrap step " << wrap << ", interior steps " << mean << " +- " << spread;
    *why = text.str();
    return wrap <= mean + 3.5 * spread;
}

class DefaultPictures : public ::testing::Test {
protected:
    static fs::path scratch;
    static ToolRun firstRun;

    static void SetUpTestSuite() {
        scratch = makeScratchDirectory();
        // A directory that does not exist yet, two levels deep.
        firstRun = runTool({"defaults", (scratch / "garden" / "first").string()}, scratch);
    }
    static void TearDownTestSuite() { fs::remove_all(scratch); }
    static fs::path garden() { return scratch / "garden" / "first"; }
};
fs::path DefaultPictures::scratch;
ToolRun DefaultPictures::firstRun;

TEST_F(DefaultPictures, DrawsTheFourteenPicturesAndNothingElse) {
    ASSERT_EQ(firstRun.status, 0) << firstRun.err;
    EXPECT_EQ(firstRun.err, "");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(garden())) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names.size(), 14u) << "no partial files may be left behind";
    for (const char* name : kTextures) EXPECT_TRUE(fs::exists(garden() / name)) << name;
    for (const char* name : kBackgrounds) EXPECT_TRUE(fs::exists(garden() / name)) << name;
}

TEST_F(DefaultPictures, EveryPictureLoadsThroughBothReadersAtItsSize) {
    ASSERT_EQ(firstRun.status, 0);
    auto expectLoads = [&](const char* name, int side) {
        fs::path path = garden() / name;
        EXPECT_EQ(storedBitCount(path), 24) << name;
        EXPECT_EQ(fs::file_size(path), 54u + static_cast<unsigned>((3 * side + 3) / 4 * 4 * side)) << name;
        std::unique_ptr<RasterImage> raster = readRaster(path);
        ASSERT_NE(raster, nullptr) << name;
        EXPECT_EQ(raster->width_, side) << name;
        EXPECT_EQ(raster->height_, side) << name;
        TextureImage texture;
        ASSERT_EQ(readTextureFile(path.c_str(), &texture), 1) << name;
        EXPECT_EQ(texture.width, side) << name;
        EXPECT_EQ(texture.height, side) << name;
        std::free(texture.data);
    };
    for (const char* name : kTextures) expectLoads(name, 256);
    for (const char* name : kBackgrounds) expectLoads(name, 600);
}

TEST_F(DefaultPictures, AreTheSameOnEveryRun) {
    ASSERT_EQ(firstRun.status, 0);
    fs::path second = scratch / "second";
    ASSERT_EQ(runTool({"defaults", second.string()}, scratch).status, 0);
    // And again over the pictures already there, as every rebuild does.
    ASSERT_EQ(runTool({"defaults", second.string()}, scratch).status, 0);
    for (const auto& entry : fs::directory_iterator(garden())) {
        std::string name = entry.path().filename().string();
        EXPECT_TRUE(fileText(entry.path()) == fileText(second / name)) << name << " differs between runs";
    }
    fs::remove_all(second);
}

TEST_F(DefaultPictures, BackgroundsHaveTheirSkyAtTheTop) {
    ASSERT_EQ(firstRun.status, 0);
    // The sky is bluer than the land in both scenes. readBMP puts the
    // picture's bottom row in raster row 0, so the top is the last rows.
    for (const char* name : kBackgrounds) {
        std::unique_ptr<RasterImage> raster = readRaster(garden() / name);
        ASSERT_NE(raster, nullptr);
        auto blueness = [&](int firstRow, int rowCount) {
            double sum = 0;
            for (int y = firstRow; y < firstRow + rowCount; ++y)
                for (int x = 0; x < raster->width_; ++x) {
                    const Pixel& p = raster->pixels[y * raster->width_ + x];
                    sum += static_cast<double>(p.blue) - p.red;
                }
            return sum / (rowCount * raster->width_);
        };
        int band = raster->height_ / 20;
        double top = blueness(raster->height_ - band, band), bottom = blueness(0, band);
        EXPECT_GT(top, bottom + 20) << name << ": top " << top << ", bottom " << bottom;
    }
}

TEST_F(DefaultPictures, TexturesTileWithoutASeam) {
    ASSERT_EQ(firstRun.status, 0);
    for (const char* name : kTextures) {
        TextureImage texture;
        ASSERT_EQ(readTextureFile((garden() / name).c_str(), &texture), 1) << name;
        for (int block : {1, 4, 8}) {
            Tile tile = averagedTile(texture, texture.width, block);
            std::string why;
            EXPECT_TRUE(wrapLooksLikeTheRest(columnSteps(tile), &why))
                << name << " left to right, blocks of " << block << ": " << why;
            EXPECT_TRUE(wrapLooksLikeTheRest(columnSteps(turnedTile(tile)), &why))
                << name << " top to bottom, blocks of " << block << ": " << why;
        }
        std::free(texture.data);
    }
}

TEST_F(DefaultPictures, SeamMeasureFindsTheSeamOfACroppedTexture) {
    ASSERT_EQ(firstRun.status, 0);
    // Cut off at 200 columns, a texture with broad features has a real
    // seam where it wraps round, and the measure must see it.
    for (const char* name : {"rock03.bmp", "glass01.bmp", "crystal01.bmp", "wood1.bmp"}) {
        TextureImage texture;
        ASSERT_EQ(readTextureFile((garden() / name).c_str(), &texture), 1);
        for (int block : {1, 4}) {
            std::string why;
            EXPECT_FALSE(wrapLooksLikeTheRest(columnSteps(averagedTile(texture, 200, block)), &why))
                << name << ", blocks of " << block << ": " << why;
        }
        std::free(texture.data);
    }
}

TEST_F(DefaultPictures, RefusesADirectoryBlockedByAFile) {
    fs::path blocked = scratch / "blocked";
    std::ofstream(blocked) << "not a directory";
    ToolRun run = runTool({"defaults", (blocked / "garden").string()}, scratch);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "cannot make the directory")) << run.err;
    fs::remove(blocked);
}

class PictureCommands : public ::testing::Test {
protected:
    fs::path scratch;
    void SetUp() override { scratch = makeScratchDirectory(); }
    void TearDown() override { fs::remove_all(scratch); }
    fs::path defaults() {
        fs::path garden = scratch / "garden";
        EXPECT_EQ(runTool({"defaults", garden.string()}, scratch).status, 0);
        return garden;
    }
};

TEST_F(PictureCommands, CheckGivesOneVerdictPerFileWithTheReadersReasons) {
    fs::path garden = defaults();
    fs::path text = scratch / "notes.bmp";
    std::ofstream(text) << "just some words";
    fs::path missing = scratch / "missing.bmp";
    ToolRun run = runTool({"check", (garden / "rock01.bmp").string(), (garden / "bg1.bmp").string(), text.string(),
                           missing.string(), scratch.string(), ""},
                          scratch);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "") << "the readers' messages belong in the verdicts";
    std::vector<std::string> verdicts = lines(run.out);
    ASSERT_EQ(verdicts.size(), 6u) << run.out;
    EXPECT_TRUE(contains(verdicts[0], "background 256x256 24-bit")) << verdicts[0];
    EXPECT_TRUE(contains(verdicts[0], "; texture 256x256")) << verdicts[0];
    EXPECT_TRUE(contains(verdicts[1], "background 600x600 24-bit")) << verdicts[1];
    EXPECT_TRUE(contains(verdicts[1], "texture 600x600 (sides not powers of two")) << verdicts[1];
    EXPECT_TRUE(contains(verdicts[2], "not a background (getfileheader: File is not a valid bitmap."))
        << verdicts[2];
    EXPECT_TRUE(contains(verdicts[2], "not a texture (")) << verdicts[2];
    EXPECT_TRUE(contains(verdicts[3], "missing.bmp: not a background, not a texture (No such file"))
        << verdicts[3];
    EXPECT_TRUE(contains(verdicts[4], "not a background, not a texture (a directory)")) << verdicts[4];
    EXPECT_TRUE(contains(verdicts[5], "(empty name): not a background, not a texture")) << verdicts[5];
}

TEST_F(PictureCommands, CheckSucceedsOnlyWhenEveryFileLoadsAsSomething) {
    fs::path garden = defaults();
    std::vector<std::string> all = {"check"};
    for (const auto& entry : fs::directory_iterator(garden)) all.push_back(entry.path().string());
    ToolRun good = runTool(all, scratch);
    EXPECT_EQ(good.status, 0) << good.out;
    EXPECT_EQ(lines(good.out).size(), 14u);

    // An 8-bit picture is a background but no texture: that still counts.
    fs::path palette = fs::path(SANDMERE_BMPSUITE_DIR) / "g" / "pal8.bmp";
    if (fs::exists(palette)) {
        ToolRun eight = runTool({"check", palette.string()}, scratch);
        EXPECT_EQ(eight.status, 0);
        EXPECT_TRUE(contains(eight.out, "8-bit")) << eight.out;
        EXPECT_TRUE(contains(eight.out, "not a texture (Bpp from")) << eight.out;
    }
    std::ofstream(scratch / "empty.bmp");
    ToolRun mixed = runTool({"check", (garden / "sand1.bmp").string(), (scratch / "empty.bmp").string()}, scratch);
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(lines(mixed.out).size(), 2u) << mixed.out;
}

TEST_F(PictureCommands, CheckSurvivesEveryBrokenFileOfThePublicSuite) {
    fs::path broken = fs::path(SANDMERE_BMPSUITE_DIR) / "b";
    if (!fs::exists(broken)) GTEST_SKIP() << "no BMP suite at " << broken;
    std::vector<std::string> arguments = {"check"};
    for (const auto& entry : fs::directory_iterator(broken)) arguments.push_back(entry.path().string());
    ToolRun run = runTool(arguments, scratch);
    EXPECT_TRUE(run.status == 0 || run.status == 1) << "status " << run.status;
    EXPECT_EQ(lines(run.out).size(), arguments.size() - 1) << run.out;
}

TEST_F(PictureCommands, ConvertKeepsThePictureUpright) {
    fs::path source = scratch / "marked.bmp", copy = scratch / "copy.bmp";
    writeMarkedPicture(source);
    ToolRun run = runTool({"convert", source.string(), copy.string()}, scratch);
    ASSERT_EQ(run.status, 0) << run.err;
    std::unique_ptr<RasterImage> before = readRaster(source), after = readRaster(copy);
    ASSERT_NE(before, nullptr);
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(samePixels(*before, *after));
    EXPECT_EQ(storedBitCount(copy), 24);

    // The texture loader sees the same bottom row as the BMP reader.
    TextureImage texture;
    ASSERT_EQ(readTextureFile(copy.c_str(), &texture), 1);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(texture.data[3 * x], after->pixels[x].red);
        EXPECT_EQ(texture.data[3 * x + 2], after->pixels[x].blue);
    }
    std::free(texture.data);
}

TEST_F(PictureCommands, ConvertTurnsPalettePicturesIntoLoadableTextures) {
    fs::path palette = fs::path(SANDMERE_BMPSUITE_DIR) / "g" / "pal8.bmp";
    if (!fs::exists(palette)) GTEST_SKIP() << "no BMP suite";
    fs::path copy = scratch / "pal8-24.bmp";
    ASSERT_EQ(runTool({"convert", palette.string(), copy.string()}, scratch).status, 0);
    std::unique_ptr<RasterImage> before = readRaster(palette), after = readRaster(copy);
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(samePixels(*before, *after));
    ToolRun check = runTool({"check", copy.string()}, scratch);
    EXPECT_EQ(check.status, 0);
    EXPECT_TRUE(contains(check.out, "background 127x64 24-bit")) << check.out;
    EXPECT_TRUE(contains(check.out, "; texture 127x64")) << check.out;
}

TEST_F(PictureCommands, ConvertOfAWrittenPictureGivesTheSameBytes) {
    fs::path garden = defaults();
    fs::path copy = scratch / "bg1-copy.bmp";
    ASSERT_EQ(runTool({"convert", (garden / "bg1.bmp").string(), copy.string()}, scratch).status, 0);
    EXPECT_TRUE(fileText(garden / "bg1.bmp") == fileText(copy));
}

TEST_F(PictureCommands, ConvertFailsCleanlyOnBadInputOrOutput) {
    fs::path text = scratch / "words.bmp", out = scratch / "out.bmp";
    std::ofstream(text) << "BM but not much more";
    ToolRun bad = runTool({"convert", text.string(), out.string()}, scratch);
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(contains(bad.err, "getfileheader")) << bad.err;
    EXPECT_TRUE(contains(bad.err, "not a picture the garden can read")) << bad.err;
    EXPECT_FALSE(fs::exists(out));

    ToolRun missing = runTool({"convert", (scratch / "none.bmp").string(), out.string()}, scratch);
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(contains(missing.err, "there is no such file")) << missing.err;
    EXPECT_FALSE(fs::exists(out));

    ToolRun directory = runTool({"convert", scratch.string(), out.string()}, scratch);
    EXPECT_EQ(directory.status, 1);
    EXPECT_FALSE(fs::exists(out));

    fs::path source = scratch / "marked.bmp";
    writeMarkedPicture(source);
    ToolRun nowhere =
        runTool({"convert", source.string(), (scratch / "no" / "such" / "dir.bmp").string()}, scratch);
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_TRUE(contains(nowhere.err, "cannot write")) << nowhere.err;
    // Onto a directory: written aside, refused at the rename, nothing left.
    fs::create_directory(scratch / "taken.bmp");
    ToolRun taken = runTool({"convert", source.string(), (scratch / "taken.bmp").string()}, scratch);
    EXPECT_EQ(taken.status, 1);
    EXPECT_FALSE(fs::exists(scratch / "taken.bmp.partial"));
}

TEST_F(PictureCommands, BadCommandLinesGetTheUsage) {
    const std::vector<std::vector<std::string>> refused = {{},
                                                           {"paint"},
                                                           {"defaults"},
                                                           {"defaults", "a", "b"},
                                                           {"defaults", ""},
                                                           {"check"},
                                                           {"convert", "one"},
                                                           {"convert", "a", "b", "c"}};
    for (const auto& arguments : refused) {
        ToolRun run = runTool(arguments, scratch);
        std::string shown = arguments.empty() ? "(nothing)" : arguments[0];
        EXPECT_EQ(run.status, 2) << shown;
        EXPECT_TRUE(contains(run.err, "usage: sandmere-picture")) << shown << ": " << run.err;
        EXPECT_EQ(run.out, "") << shown;
    }
    ToolRun help = runTool({"help"}, scratch);
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(contains(help.out, "usage: sandmere-picture"));
}

}  // namespace
