// The Windows build under Wine, each test in a Windows of its own: the
// installer and the uninstaller, the installed launcher starting a garden
// that draws as the Linux build's does, a photo the Windows picture tool
// made a background, the garden's own pictures as that tool draws them,
// and the refusals of the garden and the tool.
#include <gtest/gtest.h>

#include <vips/vips8>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "garden_test.h"
#include "image/image.h"
#include "tests/common/hostile_files.h"
#include "tests/common/picture_digests.h"
#include "wine.h"

namespace {

namespace fs = std::filesystem;
using e2e::milliseconds;
using e2e::Region;
using e2e::Rgb;
using e2e::Shot;
using vips::VImage;
using Clock = std::chrono::steady_clock;

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::string describe(const wine::Run& run) {
    return run.result.describe() + "\n--- standard output ---\n" + joined(run.output) +
           "--- standard error ---\n" + joined(run.errors);
}

// Every file and folder under `root` whose name says Sandmere, links not
// followed.
std::vector<fs::path> namedSandmere(const fs::path& root) {
    std::vector<fs::path> found;
    if (!fs::exists(root)) return found;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (lowered(entry.path().filename().string()).find("sandmere") != std::string::npos)
            found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

// The values of each key under the user's list of installed programs, as
// `reg query /s` prints them: the key's line, then "    NAME    TYPE    VALUE".
std::map<std::string, std::map<std::string, std::string>> installedPrograms(wine::Prefix& windows) {
    const wine::Run query = windows.run(
        "reg", {"query", "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "/s"}, windows.path());
    std::map<std::string, std::map<std::string, std::string>> keys;
    std::string key;
    for (const std::string& line : query.output) {
        if (line.rfind("HKEY_", 0) == 0) {
            key = line.substr(line.rfind('\\') + 1);
            keys[key];
        } else if (line.rfind("    ", 0) == 0 && !key.empty()) {
            const size_t nameEnd = line.find("    ", 4);
            const size_t typeEnd = nameEnd == std::string::npos ? nameEnd : line.find("    ", nameEnd + 4);
            if (typeEnd == std::string::npos) continue;
            keys[key][line.substr(4, nameEnd - 4)] = line.substr(typeEnd + 4);
        }
    }
    return keys;
}

// The lines of the prefix's saved registry that name Sandmere.
std::vector<std::string> registryLinesNamingSandmere(const wine::Prefix& windows) {
    std::vector<std::string> found;
    for (const char* hive : {"user.reg", "system.reg"}) {
        std::ifstream in(windows.path() / hive);
        for (std::string line; std::getline(in, line);)
            if (lowered(line).find("sandmere") != std::string::npos)
                found.push_back(std::string(hive) + ": " + line);
    }
    return found;
}

TEST(WindowsInstaller, InstallsForTheUserAndTheUninstallLeavesOnlyTheUsersOwnPictures) {
    wine::Prefix windows;
    const wine::Run installed = windows.install();
    ASSERT_TRUE(installed.result.exitedWith(0)) << describe(installed);
    ASSERT_TRUE(windows.waitUntilIdle()) << "the installer left a program running";
    for (const char* program : {"sandmere.exe", "sandmere-picture.exe", "Uninstall.exe"})
        EXPECT_TRUE(fs::is_regular_file(windows.installFolder() / program)) << program;

    std::vector<std::string> entries;
    for (const fs::path& path : namedSandmere(windows.startMenu()))
        if (fs::is_regular_file(path)) entries.push_back(path.filename().string());
    EXPECT_EQ(entries, std::vector<std::string>{"Sandmere.lnk"}) << "the Start menu's entries";

    const auto programs = installedPrograms(windows);
    const auto sandmere = std::find_if(programs.begin(), programs.end(), [](const auto& key) {
        return key.second.count("DisplayName") != 0 && key.second.at("DisplayName") == "Sandmere";
    });
    ASSERT_NE(sandmere, programs.end()) << "no installed program is called Sandmere";
    EXPECT_EQ(sandmere->second.count("DisplayVersion") ? sandmere->second.at("DisplayVersion") : "",
              SANDMERE_VERSION);
    EXPECT_EQ(sandmere->second.count("UninstallString"), 1u);

    // The user's own picture, put in place as the picture tool would.
    fs::create_directories(windows.gardenFolder());
    const fs::path own = windows.gardenFolder() / "bg1.bmp";
    fs::copy_file(fs::path(SANDMERE_GARDEN_DIR) / "bg2.bmp", own);

    // The uninstaller runs a copy of itself and returns at once: the prefix
    // falls idle when that copy is done.
    const wine::Run removed = windows.run(windows.installFolder() / "Uninstall.exe", {"/S"}, windows.path());
    EXPECT_TRUE(removed.result.exitedWith(0)) << describe(removed);
    ASSERT_TRUE(windows.waitUntilIdle()) << "the uninstaller did not finish";

    EXPECT_EQ(namedSandmere(windows.path() / "drive_c"), std::vector<fs::path>{windows.gardenFolder()})
        << "the uninstall left these behind, or took the user's garden folder";
    EXPECT_EQ(fileText(own), fileText(fs::path(SANDMERE_GARDEN_DIR) / "bg2.bmp")) << "the user's picture is gone";
    EXPECT_EQ(registryLinesNamingSandmere(windows), std::vector<std::string>{});
}

// The installed garden in a Windows of its own, its windows on the test's
// private X server.
class WindowsGarden : public e2e::GardenTest {
protected:
    void SetUp() override {
        const wine::Run installed = windows.install();
        ASSERT_TRUE(installed.result.exitedWith(0)) << describe(installed);
    }

    // Starts the installed launcher as from a console someone opened, and
    // gives the time until the garden's first frame (zero when it never came).
    milliseconds startLauncher() {
        const auto started = Clock::now();
        garden.startIn(garden.folder().path(), SANDMERE_WINE, windows.environment(), e2e::Console::none,
                       {windows.launcher().string()});
        if (!garden.waitUntilShown(milliseconds(30000))) return milliseconds(0);
        const auto shown = std::chrono::duration_cast<milliseconds>(Clock::now() - started);
        // Wine gives a window the keyboard once it is clicked; the garden
        // does nothing with the middle button.
        garden.window().click({300, 300}, 2);
        return shown;
    }

    void expectQuitEndsWithStatusZero(e2e::Garden& which) {
        which.window().key('q');
        const e2e::ExitResult result = which.program().waitForExit(e2e::kStartTimeout);
        EXPECT_TRUE(result.exitedWith(0)) << result.describe();
    }

    wine::Prefix windows{garden.screen().name()};
};

struct Views {
    Shot plan, scene;
};

// Two rake strokes across the plan, the first background chosen, then the
// 3-D view.
Views rakeAndLook(e2e::Garden& garden) {
    // One move per stroke: dragged in small steps, the two plans differed
    // by a grey level in a few dozen pixels, differently from run to run,
    // with how the moves reached each program (Windows merges the moves a
    // program has not taken yet). One move lays the same marks on both.
    garden.window().drag({{60, 200}, {540, 200}}, 1, 1000, 40);
    garden.window().drag({{300, 80}, {300, 520}}, 1, 1000, 40);
    Views views;
    views.plan = garden.window().settle();
    garden.window().key('3');
    views.scene = garden.keyAndWait('i');
    return views;
}

TEST_F(WindowsGarden, TheLauncherStartsTheGardenWhichDrawsAsTheLinuxBuildDoes) {
    const milliseconds underWine = startLauncher();
    ASSERT_GT(underWine.count(), 0) << "the garden never showed its window\n" << console();
    const e2e::Geometry where = garden.window().geometry();
    EXPECT_EQ(where.width, 600);
    EXPECT_EQ(where.height, 600);
    const Views windowsViews = rakeAndLook(garden);
    expectQuitEndsWithStatusZero(garden);

    e2e::Garden linuxGarden;
    const auto started = Clock::now();
    linuxGarden.start();
    ASSERT_TRUE(linuxGarden.waitUntilShown());
    const auto onLinux = std::chrono::duration_cast<milliseconds>(Clock::now() - started);
    const Views linuxViews = rakeAndLook(linuxGarden);
    expectQuitEndsWithStatusZero(linuxGarden);

    // The banner and the twelve loads, as on Linux.
    EXPECT_EQ(garden.program().outputLines().size(), 15u) << console();
    EXPECT_EQ(garden.program().outputLines(), linuxGarden.program().outputLines());
    EXPECT_EQ(garden.program().errors(), "");

    // The same marks on the plan, then the same sand built from them.
    EXPECT_EQ(windowsViews.plan.countDiffering(linuxViews.plan, linuxViews.plan.all()), 0)
        << keep(windowsViews.plan, "windows-plan") << " " << keep(linuxViews.plan, "linux-plan");
    const Shot& windowsView = windowsViews.scene;
    const Shot& linuxView = linuxViews.scene;
    const int differing = windowsView.countDiffering(linuxView, windowsView.all());
    std::cout << "first frame after " << underWine.count() << " ms under Wine (launcher), " << onLinux.count()
              << " ms on Linux; the 3-D views differ in " << differing << " pixels\n";
    RecordProperty("wine_first_frame_ms", static_cast<int>(underWine.count()));
    RecordProperty("linux_first_frame_ms", static_cast<int>(onLinux.count()));
    RecordProperty("differing_pixels", differing);
    EXPECT_EQ(differing, 0) << keep(windowsView, "windows") << " " << keep(linuxView, "linux");
    EXPECT_GT(windowsView.countNonWhite(windowsView.all()), 100000) << "not a 3-D view";
}

// Upright, 200 by 400: red over green on the top half's left and right,
// blue below. The phone stored it on its side with EXIF orientation 6
// ("turn 90 degrees clockwise to view").
const Rgb kTopLeftColour{220, 30, 30}, kTopRightColour{30, 200, 30}, kBottomColour{30, 30, 220};

void writeSidewaysPhoto(const fs::path& path) {
    auto colour = [](Rgb c) { return std::vector<double>{double(c.r), double(c.g), double(c.b)}; };
    VImage upright = (VImage::black(200, 400, VImage::option()->set("bands", 3)) + colour(kBottomColour))
                         .cast(VIPS_FORMAT_UCHAR)
                         .copy_memory();
    upright.draw_rect(colour(kTopLeftColour), 0, 0, 100, 200, VImage::option()->set("fill", true));
    upright.draw_rect(colour(kTopRightColour), 100, 0, 100, 200, VImage::option()->set("fill", true));
    VImage stored = upright.rot270().copy();
    stored.set("orientation", 6);
    stored.jpegsave(path.c_str(), VImage::option()->set("Q", 95));
}

TEST_F(WindowsGarden, APhotoMadeABackgroundByTheWindowsPictureToolShowsUpright) {
    const fs::path photo = fs::path(garden.folder().path()) / "photo.jpg";
    writeSidewaysPhoto(photo);
    const wine::Run used = windows.run(windows.pictureTool(), {"use", "photo.jpg", "bg1"}, garden.folder().path());
    ASSERT_TRUE(used.result.exitedWith(0)) << describe(used);
    ASSERT_EQ(used.output.size(), 1u) << describe(used);
    const std::string written = lowered(used.output[0]), ending = "\\sandmere\\bg1.bmp";
    EXPECT_TRUE(written.size() > ending.size() &&
                written.compare(written.size() - ending.size(), ending.size(), ending) == 0)
        << "the tool prints the picture it wrote: " << used.output[0];
    std::vector<std::string> own;
    for (const auto& entry : fs::directory_iterator(windows.gardenFolder()))
        own.push_back(entry.path().filename().string());
    EXPECT_EQ(own, std::vector<std::string>{"bg1.bmp"});

    ASSERT_GT(startLauncher().count(), 0) << "the garden never showed its window\n" << console();
    garden.window().key('3');
    const Shot scene = garden.keyAndWait('i');
    // The picture's top rows show above the garden, at the window's top.
    auto near = [](Rgb colour) { return [colour](Rgb c) { return c.distance(colour) <= 48; }; };
    const Region topLeft{1, 1, 60, 60}, topRight{539, 1, 60, 60};
    EXPECT_EQ(scene.count(topLeft, near(kTopLeftColour)), 60 * 60) << keep(scene, "photo");
    EXPECT_EQ(scene.count(topRight, near(kTopRightColour)), 60 * 60) << keep(scene, "photo");
    expectQuitEndsWithStatusZero(garden);
}

TEST_F(WindowsGarden, ATextureThatCannotBeLoadedEndsTheGardenWithStatusOneAndItsReason) {
    fs::create_directories(windows.gardenFolder());
    fs::copy_file(fs::path(SANDMERE_BMPSUITE_DIR) / "g" / "pal8.bmp", windows.gardenFolder() / "wood1.bmp");
    garden.startIn(garden.folder().path(), SANDMERE_WINE, windows.environment(), e2e::Console::none,
                   {windows.launcher().string()});
    e2e::ExitResult result;
    const bool noFrame = garden.endsWithoutAFrame(result);
    EXPECT_TRUE(result.exitedWith(1)) << result.describe() << "\n" << console();
    EXPECT_TRUE(noFrame) << "a frame was drawn";
    const std::vector<std::string> lines = garden.program().outputLines();
    ASSERT_EQ(lines.size(), 16u) << console();
    EXPECT_EQ(lines[14], "trying to load wood1.bmp");
    EXPECT_EQ(lines[15], "Bpp from wood1.bmp is not 24: 8");
}

// The picture tool: the garden's pictures drawn as on Linux, and its
// refusals of the same files as there: one line on standard error, status
// 1, and no garden folder made.
class WindowsPictureTool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sandmere-windows-tool-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        scratch = pattern;
        writeSidewaysPhoto(scratch / "photo.jpg");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(scratch, ignored);
    }

    // The build's own tool, the one the installer carries.
    void expectRefused(const std::vector<std::string>& arguments, const std::string& file,
                       const std::string& reason) {
        const wine::Run run = windows.run(wine::windowsBuild() / "sandmere-picture.exe", arguments, scratch);
        EXPECT_TRUE(run.result.exitedWith(1)) << describe(run);
        EXPECT_TRUE(run.output.empty()) << describe(run);
        ASSERT_EQ(run.errors.size(), 1u) << describe(run);
        const std::string& line = run.errors[0];
        EXPECT_EQ(line.rfind("sandmere-picture: " + file, 0), 0u) << line;
        EXPECT_NE(line.find(reason), std::string::npos) << line;
        EXPECT_FALSE(fs::exists(windows.gardenFolder())) << "a refused picture makes no garden folder";
    }

    fs::path scratch;
    wine::Prefix windows;
};

TEST_F(WindowsPictureTool, DrawsTheGardensPicturesByteForByteAsOnLinux) {
    const wine::Run drawn =
        windows.run(wine::windowsBuild() / "sandmere-picture.exe", {"defaults", "garden"}, scratch);
    ASSERT_TRUE(drawn.result.exitedWith(0)) << describe(drawn);
    for (const PictureDigest& known : kGardenPictureDigests)
        EXPECT_EQ(fileSha256(scratch / "garden" / known.fileName), known.sha256) << known.fileName;
}

TEST_F(WindowsPictureTool, RefusesEachHostileFileWithOneLineAndStatusOne) {
    for (const HostileFile& hostile : writeHostileFiles(scratch, scratch / "photo.jpg")) {
        SCOPED_TRACE(hostile.name);
        expectRefused({"use", hostile.name, "bg1"}, hostile.name + ": ", hostile.reason);
    }
    expectRefused({"use", "photo.jpg", "moon"}, "", "not one of the garden's pictures, which are sand1, sand2");
}

// The same photos of extreme shape as on Linux, taken as their centred
// square well within the 15 s a person would wait; the turned strip's
// square stands upright with nothing of what lies beside it.
TEST_F(WindowsPictureTool, TakesPhotosOfExtremeShapeAsTheirCentredSquare) {
    std::vector<std::string> photos = writeExtremeShapes(scratch);
    writeMarkedStrip(scratch / "marked.jpg");
    photos.push_back("marked.jpg");
    std::unique_ptr<RasterImage> texture;
    for (const std::string& photo : photos) {
        SCOPED_TRACE(photo);
        const wine::Run used = windows.run(wine::windowsBuild() / "sandmere-picture.exe", {"use", photo, "sand1"},
                                           scratch, milliseconds(15000));
        ASSERT_TRUE(used.result.exitedWith(0)) << describe(used);
        FILE* stream = std::fopen((windows.gardenFolder() / "sand1.bmp").string().c_str(), "rb");
        ASSERT_NE(stream, nullptr);
        texture.reset(readBMP(stream));
        std::fclose(stream);
        ASSERT_NE(texture, nullptr);
        ASSERT_EQ(texture->width_, 256);
        ASSERT_EQ(texture->height_, 256);
    }
    for (const StripProbe& probe : kMarkedStripProbes) {
        const Pixel p = texture->pixels[(255 - probe.y) * 256 + probe.x];
        const Rgb got{p.red, p.green, p.blue};
        const Rgb want{static_cast<unsigned char>(probe.want.red), static_cast<unsigned char>(probe.want.green),
                       static_cast<unsigned char>(probe.want.blue)};
        EXPECT_LE(got.distance(want), 30)
            << "at (" << probe.x << ", " << probe.y << ") from the top left: " << got;
    }
}

}  // namespace
