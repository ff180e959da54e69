// The picture tool, run as the build runs it: a real process, real files.
#include <gtest/gtest.h>

#include "app/pictures.h"
#include "image/image.h"
#include "image/texture.h"
#include "tests/common/hostile_files.h"
#include "tests/common/picture_digests.h"

#include <sys/mount.h>
#include <sys/wait.h>

#include <vips/vips8>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The garden's pictures in one role.
std::vector<const char*> picturesIn(PictureRole role) {
    std::vector<const char*> names;
    for (const GardenPictureFile& file : gardenPictureFiles)
        if (file.role == role) names.push_back(file.fileName);
    return names;
}
const std::vector<const char*> kTextures = picturesIn(PictureRole::texture);
const std::vector<const char*> kBackgrounds = picturesIn(PictureRole::background);

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

// Runs a picture tool with the environment changed by env's words (for
// env(1): "-u NAME", "NAME=value").
ToolRun runToolWith(const std::string& tool, const std::vector<std::string>& env,
                    const std::vector<std::string>& arguments, const fs::path& scratch) {
    std::string command = "env";
    for (const std::string& word : env) command += " " + quoted(word);
    command += " " + quoted(tool);
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

ToolRun runTool(const std::vector<std::string>& arguments, const fs::path& scratch) {
    return runToolWith(SANDMERE_PICTURE_TOOL, {}, arguments, scratch);
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
    for (const GardenPictureFile& file : gardenPictureFiles)
        EXPECT_TRUE(fs::exists(garden() / file.fileName)) << file.fileName;
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
    for (const GardenPictureFile& file : gardenPictureFiles) expectLoads(file.fileName, pictureSideFor(file.role));
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

TEST_F(DefaultPictures, AreByteForByteThePicturesOfTheTable) {
    ASSERT_EQ(firstRun.status, 0);
    for (const PictureDigest& known : kGardenPictureDigests)
        EXPECT_EQ(fileSha256(garden() / known.fileName), known.sha256)
            << known.fileName << " is not drawn as it was";
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
    EXPECT_TRUE(contains(verdicts[3], "missing.bmp: not a background, not a texture (there is no such file)"))
        << verdicts[3];
    EXPECT_TRUE(contains(verdicts[4], "not a background, not a texture (a folder, not a picture)")) << verdicts[4];
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
    // The garden reader's own reasons, on the one line.
    EXPECT_EQ(lines(bad.err).size(), 1u) << bad.err;
    EXPECT_TRUE(contains(bad.err, text.string() + ": not a picture the garden can read (getfileheader"))
        << bad.err;
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

// ---------------------------------------------------------------------------
// Photos: made here with libvips, read by the tool.

using vips::VImage;

void startVips() {
    static const bool started = [] {
        if (VIPS_INIT("sandmere-picture-test")) return false;
        std::atexit(vips_shutdown);
        return true;
    }();
    ASSERT_TRUE(started);
}

struct Rgb {
    int red, green, blue;
};
const Rgb kRed = {230, 20, 20}, kBlue = {40, 90, 200};

// A picture of kBlue with its top-left quadrant kRed, as stored.
VImage quadrantPicture(int width, int height) {
    VImage picture = (VImage::black(width, height, VImage::option()->set("bands", 3)) +
                      std::vector<double>{double(kBlue.red), double(kBlue.green), double(kBlue.blue)})
                         .cast(VIPS_FORMAT_UCHAR)
                         .copy_memory();
    picture.draw_rect({double(kRed.red), double(kRed.green), double(kRed.blue)}, 0, 0, width / 2, height / 2,
                      VImage::option()->set("fill", true));
    return picture;
}

// A phone's photo: stored 400 by 200 on its side, EXIF orientation 6 ("turn
// 90 degrees clockwise"): upright it is 200 by 400 with the red quadrant at
// the top right.
void writeSidewaysPhoto(const fs::path& path) {
    VImage photo = quadrantPicture(400, 200).copy();
    photo.set("orientation", 6);
    photo.jpegsave(path.c_str(), VImage::option()->set("Q", 95));
}

// The pixel at (x, y) from the top left of a picture the tool wrote.
Pixel uprightAt(const RasterImage& raster, int x, int y) {
    return raster.pixels[(raster.height_ - 1 - y) * raster.width_ + x];
}

std::string describe(Pixel p) {
    return "(" + std::to_string(p.red) + ", " + std::to_string(p.green) + ", " + std::to_string(p.blue) + ")";
}

bool near(Pixel p, Rgb want, int tolerance) {
    return std::abs(p.red - want.red) <= tolerance && std::abs(p.green - want.green) <= tolerance &&
           std::abs(p.blue - want.blue) <= tolerance;
}

// Red only in the top-right quadrant of a picture of any size.
void expectRedAtTopRight(const RasterImage& raster, int tolerance, const std::string& what) {
    int w = raster.width_, h = raster.height_;
    const struct {
        int x, y;
        Rgb want;
    } probes[] = {
        {3 * w / 4, h / 4, kRed}, {w / 4, h / 4, kBlue}, {3 * w / 4, 3 * h / 4, kBlue}, {w / 4, 3 * h / 4, kBlue}};
    for (const auto& probe : probes) {
        Pixel got = uprightAt(raster, probe.x, probe.y);
        EXPECT_TRUE(near(got, probe.want, tolerance))
            << what << " at (" << probe.x << ", " << probe.y << ") from the top left: " << describe(got);
    }
}

// A PNG's IHDR: bit depth and colour type.
std::pair<int, int> pngDepthAndType(const fs::path& path) {
    std::string bytes = fileText(path);
    if (bytes.size() < 26) return {0, 0};
    return {static_cast<unsigned char>(bytes[24]), static_cast<unsigned char>(bytes[25])};
}

TEST_F(PictureCommands, ConvertReadsEveryFormatUprightWithTransparencyOverWhite) {
    startVips();
    fs::path photo = scratch / "lake.jpg";
    writeSidewaysPhoto(photo);
    struct Case {
        std::vector<std::string> as;
        int width, height;
    };
    // Its own size, then cover and crop about the centre: the photo is
    // twice as tall as wide, so the crop keeps its middle half.
    for (const Case& c :
         {Case{{}, 200, 400}, Case{{"--as", "background"}, 600, 600}, Case{{"--as", "texture"}, 256, 256}}) {
        fs::path out = scratch / "out.bmp";
        std::vector<std::string> arguments = {"convert"};
        arguments.insert(arguments.end(), c.as.begin(), c.as.end());
        arguments.push_back(photo.string());
        arguments.push_back(out.string());
        ToolRun run = runTool(arguments, scratch);
        std::string what = "JPEG " + (c.as.empty() ? std::string("own size") : c.as[1]);
        ASSERT_EQ(run.status, 0) << what << ": " << run.err;
        EXPECT_EQ(storedBitCount(out), 24);
        std::unique_ptr<RasterImage> raster = readRaster(out);
        ASSERT_NE(raster, nullptr);
        EXPECT_EQ(raster->width_, c.width) << what;
        EXPECT_EQ(raster->height_, c.height) << what;
        expectRedAtTopRight(*raster, 30, what);
    }
    // Named like a garden picture, the output takes its role.
    ASSERT_EQ(runTool({"convert", photo.string(), (scratch / "crystal02.bmp").string()}, scratch).status, 0);
    std::unique_ptr<RasterImage> texture = readRaster(scratch / "crystal02.bmp");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width_, 256);

    // Lossless formats keep every pixel at their own size.
    VImage upright = quadrantPicture(32, 64).rot90();
    upright.set("orientation", 1);
    upright.webpsave((scratch / "q.webp").c_str(), VImage::option()->set("lossless", true));
    upright.tiffsave((scratch / "q.tif").c_str(),
                     VImage::option()->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW));
    upright.pngsave((scratch / "palette.png").c_str(), VImage::option()->set("palette", true));
    ASSERT_EQ(pngDepthAndType(scratch / "palette.png").second, 3) << "not a palette PNG";
    for (const char* name : {"q.webp", "q.tif", "palette.png"}) {
        ToolRun run = runTool({"convert", (scratch / name).string(), (scratch / "out.bmp").string()}, scratch);
        ASSERT_EQ(run.status, 0) << name << ": " << run.err;
        std::unique_ptr<RasterImage> raster = readRaster(scratch / "out.bmp");
        ASSERT_NE(raster, nullptr);
        EXPECT_EQ(raster->width_, 64) << name;
        EXPECT_EQ(raster->height_, 32) << name;
        expectRedAtTopRight(*raster, 0, name);
    }

    // 16-bit grey: dark left half, light right half.
    VImage grey = VImage::black(64, 32).cast(VIPS_FORMAT_USHORT).copy_memory();
    grey.draw_rect({10000}, 0, 0, 32, 32, VImage::option()->set("fill", true));
    grey.draw_rect({60000}, 32, 0, 32, 32, VImage::option()->set("fill", true));
    grey.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_GREY16))
        .pngsave((scratch / "grey16.png").c_str(), VImage::option()->set("bitdepth", 16));
    ASSERT_EQ(pngDepthAndType(scratch / "grey16.png"), std::make_pair(16, 0));
    // Alpha: transparent black left, opaque green right.
    VImage alpha = VImage::black(64, 32, VImage::option()->set("bands", 4)).cast(VIPS_FORMAT_UCHAR).copy_memory();
    alpha.draw_rect({20, 160, 40, 255}, 32, 0, 32, 32, VImage::option()->set("fill", true));
    alpha.pngsave((scratch / "alpha.png").c_str());
    ASSERT_EQ(pngDepthAndType(scratch / "alpha.png"), std::make_pair(8, 6));
    const struct {
        const char* name;
        Rgb left, right;
    } halves[] = {{"grey16.png", {39, 39, 39}, {233, 233, 233}}, {"alpha.png", {255, 255, 255}, {20, 160, 40}}};
    for (const auto& c : halves) {
        ToolRun run = runTool({"convert", (scratch / c.name).string(), (scratch / "out.bmp").string()}, scratch);
        ASSERT_EQ(run.status, 0) << c.name << ": " << run.err;
        std::unique_ptr<RasterImage> raster = readRaster(scratch / "out.bmp");
        ASSERT_NE(raster, nullptr);
        EXPECT_TRUE(near(uprightAt(*raster, 8, 16), c.left, 1))
            << c.name << " " << describe(uprightAt(*raster, 8, 16));
        EXPECT_TRUE(near(uprightAt(*raster, 56, 16), c.right, 1))
            << c.name << " " << describe(uprightAt(*raster, 56, 16));
    }

    // A BMP made a background is scaled and cropped as well.
    fs::path bmp = scratch / "marked.bmp";
    writeMarkedPicture(bmp);
    ASSERT_EQ(
        runTool({"convert", "--as", "background", bmp.string(), (scratch / "out.bmp").string()}, scratch).status,
        0);
    std::unique_ptr<RasterImage> background = readRaster(scratch / "out.bmp");
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->width_, 600);
    EXPECT_EQ(background->height_, 600);
}

// The user's garden folder, with HOME an empty folder of the test's.
class GardenFolder : public PictureCommands {
protected:
    fs::path home;
    void SetUp() override {
        PictureCommands::SetUp();
        startVips();
        home = scratch / "home";
        fs::create_directory(home);
    }
    std::vector<std::string> environment(const std::string& dataHome = "") const {
        if (dataHome.empty()) return {"-u", "XDG_DATA_HOME", "HOME=" + home.string()};
        return {"HOME=" + home.string(), "XDG_DATA_HOME=" + dataHome};
    }
    ToolRun run(const std::vector<std::string>& arguments, const std::string& dataHome = "") {
        return runToolWith(SANDMERE_PICTURE_TOOL, environment(dataHome), arguments, scratch);
    }
    fs::path own() const { return home / ".local" / "share" / "sandmere"; }
};

// The list's lines for each picture: name, tab, path.
std::vector<std::string> expectedList(const std::map<std::string, fs::path>& ownCopies,
                                      const fs::path& installed) {
    std::vector<std::string> expected;
    for (const GardenPictureFile& file : gardenPictureFiles) {
        auto found = ownCopies.find(file.fileName);
        fs::path path = found != ownCopies.end() ? found->second : installed / file.fileName;
        expected.push_back(std::string(file.fileName) + "\t" + path.string());
    }
    return expected;
}

TEST_F(GardenFolder, UseForgetAndListTheUsersOwnPictures) {
    fs::path installed = SANDMERE_GARDEN_DIR;
    ToolRun empty = run({"list"});
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.err, "");
    EXPECT_EQ(lines(empty.out), expectedList({}, installed));

    fs::path photo = scratch / "lake.jpg";
    writeSidewaysPhoto(photo);
    // check tells what makes the photo a garden picture.
    ToolRun checked = run({"check", photo.string()});
    EXPECT_EQ(checked.status, 1) << "a photo does not load in the garden as it stands";
    EXPECT_EQ(checked.out, photo.string() +
                               ": a JPEG picture 200x400 (stood upright), which the garden reads only "
                               "once it is made one of its own: sandmere-picture use " +
                               photo.string() + " bg1 makes it a background, sandmere-picture use " +
                               photo.string() + " sand1 a texture\n");
    ToolRun used = run({"use", photo.string(), "bg1"});
    ASSERT_EQ(used.status, 0) << used.err;
    EXPECT_EQ(used.out, (own() / "bg1.bmp").string() + "\n");
    std::unique_ptr<RasterImage> background = readRaster(own() / "bg1.bmp");
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->width_, 600);
    EXPECT_EQ(background->height_, 600);
    expectRedAtTopRight(*background, 30, "bg1.bmp");
    ASSERT_EQ(run({"use", photo.string(), "wood1.bmp"}).status, 0);
    TextureImage wood;
    ASSERT_EQ(readTextureFile((own() / "wood1.bmp").c_str(), &wood), 1);
    EXPECT_EQ(wood.width, 256);
    EXPECT_EQ(wood.height, 256);
    std::free(wood.data);
    EXPECT_EQ(lines(run({"list"}).out),
              expectedList({{"bg1.bmp", own() / "bg1.bmp"}, {"wood1.bmp", own() / "wood1.bmp"}}, installed));

    ToolRun forgot = run({"forget", "bg1"});
    EXPECT_EQ(forgot.status, 0) << forgot.err;
    EXPECT_FALSE(fs::exists(own() / "bg1.bmp"));
    EXPECT_TRUE(fs::exists(own() / "wood1.bmp"));
    EXPECT_EQ(run({"forget", "bg1"}).status, 0) << "forgetting twice is no fault";
    EXPECT_EQ(lines(run({"list"}).out), expectedList({{"wood1.bmp", own() / "wood1.bmp"}}, installed));

    // A relative XDG_DATA_HOME is ignored; an absolute one is the base.
    ToolRun relative = run({"use", photo.string(), "rock03"}, "relative/data");
    ASSERT_EQ(relative.status, 0) << relative.err;
    EXPECT_EQ(relative.out, (own() / "rock03.bmp").string() + "\n");
    EXPECT_FALSE(fs::exists("relative"));
    fs::path data = scratch / "data";
    ToolRun absolute = run({"use", photo.string(), "sand2"}, data.string());
    ASSERT_EQ(absolute.status, 0) << absolute.err;
    EXPECT_TRUE(fs::exists(data / "sandmere" / "sand2.bmp"));
    EXPECT_EQ(lines(run({"list"}, data.string()).out),
              expectedList({{"sand2.bmp", data / "sandmere" / "sand2.bmp"}}, installed));
}

TEST_F(GardenFolder, ListFindsTheInstalledPicturesFromTheToolsOwnPlace) {
    // The tool copied into a tree of its own: bin/, and the pictures where
    // the installation puts them relative to it.
    fs::path bin = scratch / "tree" / "bin";
    fs::create_directories(bin);
    fs::copy_file(SANDMERE_PICTURE_TOOL, bin / "sandmere-picture");
    fs::path tool = bin / "sandmere-picture";

    // Neither installed pictures nor a build's garden folder: every line
    // still, naming where the installed ones belong, and one message for
    // each picture.
    fs::path installed = (bin / SANDMERE_TOOL_TO_PICTURES).lexically_normal();
    ToolRun nowhere = runToolWith(tool.string(), environment(), {"list"}, scratch);
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_EQ(lines(nowhere.out), expectedList({}, installed));
    std::vector<std::string> complaints = lines(nowhere.err);
    ASSERT_EQ(complaints.size(), gardenPictureCount) << nowhere.err;
    EXPECT_EQ(complaints[0],
              "sandmere-picture: sand1.bmp is in neither " + own().string() + " nor " + installed.string());

    fs::create_directories(installed);
    for (const GardenPictureFile& file : gardenPictureFiles)
        fs::copy_file(fs::path(SANDMERE_GARDEN_DIR) / file.fileName, installed / file.fileName);
    fs::remove(installed / "bg2.bmp");
    fs::create_directories(own());
    fs::copy_file(installed / "sand1.bmp", own() / "sand1.bmp");
    fs::create_directory(own() / "bg2.bmp");  // not a picture: passed over
    ToolRun found = runToolWith(tool.string(), environment(), {"list"}, scratch);
    EXPECT_EQ(found.status, 1);
    EXPECT_EQ(lines(found.out), expectedList({{"sand1.bmp", own() / "sand1.bmp"}}, installed));
    EXPECT_EQ(found.err,
              "sandmere-picture: bg2.bmp is in neither " + own().string() + " nor " + installed.string() + "\n");
}

TEST_F(GardenFolder, HostileFilesAreRefusedWithOneLineEach) {
    fs::path photo = scratch / "lake.jpg";
    writeSidewaysPhoto(photo);
    const std::vector<HostileFile> hostile = writeHostileFiles(scratch, photo);
    for (const HostileFile& c : hostile) {
        std::string path = (scratch / c.name).string();
        for (const std::vector<std::string>& arguments :
             {std::vector<std::string>{"use", path, "bg1"},
              std::vector<std::string>{"convert", "--as", "texture", path, (scratch / "out.bmp").string()}}) {
            ToolRun refused = run(arguments);
            EXPECT_EQ(refused.status, 1) << arguments[0] << " " << c.name;
            EXPECT_EQ(refused.out, "") << arguments[0] << " " << c.name;
            std::vector<std::string> said = lines(refused.err);
            ASSERT_EQ(said.size(), 1u) << arguments[0] << " " << c.name << ":\n" << refused.err;
            EXPECT_EQ(said[0].rfind("sandmere-picture: " + path + ": ", 0), 0u) << said[0];
            EXPECT_TRUE(contains(said[0], c.reason)) << said[0];
        }
        EXPECT_FALSE(fs::exists(scratch / "out.bmp")) << c.name;
        EXPECT_FALSE(fs::exists(own())) << c.name << ": a refused picture makes no garden folder";
    }

    for (const char* name : {"moon", "bg3.bmp", "../bg1", ""}) {
        ToolRun unknown = run({"use", photo.string(), name});
        EXPECT_EQ(unknown.status, 1) << name;
        std::vector<std::string> said = lines(unknown.err);
        ASSERT_EQ(said.size(), 1u) << unknown.err;
        EXPECT_TRUE(contains(said[0], "not one of the garden's pictures, which are sand1, sand2, rock01"))
            << said[0];
        EXPECT_TRUE(contains(said[0], "wood1, bg1, bg2")) << said[0];
        EXPECT_EQ(run({"forget", name}).status, 1) << name;
    }
    EXPECT_FALSE(fs::exists(own()));
}

// Scaled whole to cover 256 by 256, each of these took tens of seconds and
// gigabytes; with their centred square cut first, a second and a few tens
// of megabytes. The bounds are loose: only a picture made whole breaks them.
// AddressSanitizer reserves terabytes of shadow memory at start, which a
// bound on the data segment forbids: there the time alone bounds the tool.
#if defined(__SANITIZE_ADDRESS__)
constexpr const char* kExtremeShapeLimits[] = {"timeout", "30"};
#else
constexpr const char* kExtremeShapeLimits[] = {"prlimit", "--data=1000000000", "timeout", "30"};
#endif

TEST_F(GardenFolder, PhotosOfExtremeShapeBecomeTheirCentredSquareAtOnce) {
    std::vector<std::string> bounded(std::begin(kExtremeShapeLimits), std::end(kExtremeShapeLimits));
    bounded.push_back(SANDMERE_PICTURE_TOOL);
    auto use = [&](const fs::path& photo, const char* name) {
        std::vector<std::string> arguments(bounded.begin() + 1, bounded.end());
        for (const char* word : {"use", photo.c_str(), name}) arguments.push_back(word);
        return runToolWith(bounded[0], environment(), arguments, scratch);
    };
    for (const std::string& name : writeExtremeShapes(scratch)) {
        for (const char* picture : {"sand1", "bg1"}) {
            ToolRun used = use(scratch / name, picture);
            ASSERT_EQ(used.status, 0) << name << " as " << picture << ": " << used.err;
            std::unique_ptr<RasterImage> made = readRaster(own() / (std::string(picture) + ".bmp"));
            ASSERT_NE(made, nullptr) << name;
            int side = std::string(picture) == "bg1" ? 600 : 256;
            EXPECT_EQ(made->width_, side) << name;
            EXPECT_EQ(made->height_, side) << name;
        }
    }

    // The square is the upright picture's centre, stood upright: the same
    // from a turned JPEG and from a BMP, and nothing of what lies beside it.
    fs::path strip = scratch / "marked.jpg";
    writeMarkedStrip(strip);
    // At its own size, the tool's BMP of it is upright and whole.
    ASSERT_EQ(runTool({"convert", strip.string(), (scratch / "marked.bmp").string()}, scratch).status, 0);
    std::unique_ptr<RasterImage> whole = readRaster(scratch / "marked.bmp");
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->width_, 400);
    EXPECT_EQ(whole->height_, 40);
    for (const char* name : {"marked.jpg", "marked.bmp"}) {
        ToolRun used = use(scratch / name, "rock01");
        ASSERT_EQ(used.status, 0) << name << ": " << used.err;
        std::unique_ptr<RasterImage> made = readRaster(own() / "rock01.bmp");
        ASSERT_NE(made, nullptr) << name;
        for (const StripProbe& probe : kMarkedStripProbes) {
            Pixel got = uprightAt(*made, probe.x, probe.y);
            EXPECT_TRUE(near(got, {probe.want.red, probe.want.green, probe.want.blue}, 30))
                << name << " at (" << probe.x << ", " << probe.y << "): " << describe(got);
        }
    }
}

TEST_F(GardenFolder, AFullDiskKeepsTheEarlierPictureAndLeavesNoPartialFile) {
    fs::path disk = scratch / "disk";
    fs::create_directory(disk);
    // Room for one texture (197 kB) and a little more, not for two.
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=320k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
    struct Unmount {
        fs::path at;
        ~Unmount() { umount(at.c_str()); }
    } unmount{disk};
    std::string data = (disk / "data").string();
    fs::path photo = scratch / "lake.jpg";
    writeSidewaysPhoto(photo);
    ToolRun first = run({"use", photo.string(), "rock01"}, data);
    ASSERT_EQ(first.status, 0) << first.err;
    fs::path picture = disk / "data" / "sandmere" / "rock01.bmp";
    std::string before = fileText(picture);

    VImage other = quadrantPicture(64, 64).rot90();
    other.pngsave((scratch / "other.png").c_str());
    ToolRun full = run({"use", (scratch / "other.png").string(), "rock01"}, data);
    EXPECT_EQ(full.status, 1);
    std::vector<std::string> said = lines(full.err);
    ASSERT_EQ(said.size(), 1u) << full.err;
    EXPECT_TRUE(contains(said[0], picture.string() + ": writing it failed, the earlier file is kept")) << said[0];
    EXPECT_TRUE(fileText(picture) == before) << "the earlier picture was changed";
    ToolRun convert = run({"convert", "--as", "background", photo.string(), (disk / "bg.bmp").string()});
    EXPECT_EQ(convert.status, 1);
    EXPECT_EQ(lines(convert.err).size(), 1u) << convert.err;

    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(disk))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, (std::vector<std::string>{"data", "sandmere", "rock01.bmp"})) << "partial files left behind";
}

}  // namespace
