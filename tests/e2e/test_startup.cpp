// Start-up, the console, the quit paths and missing pictures, on the real
// program in its own X server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "garden_test.h"

namespace {

using e2e::GardenTest;
using e2e::milliseconds;
namespace fs = std::filesystem;

const std::vector<std::string> kTextures = {"sand1.bmp",     "sand2.bmp",     "rock01.bmp",    "rock02.bmp",
                                            "rock03.bmp",    "rock04.bmp",    "rock05.bmp",    "glass01.bmp",
                                            "crystal01.bmp", "crystal02.bmp", "crystal03.bmp", "wood1.bmp"};

const std::vector<std::string> kHelp = {
    "Keyboard commands:",
    "\tq - quit",
    "\th - display help in command window",
    "\ti - switch between draw and display mode",
    "\tz - switch between textured and wireframe sand in display mode",
    "\ta - rotate left when in display mode",
    "\td - rotate right when in display mode",
    "\tw - pitch up when in display mode",
    "\ts - pitch down when in display mode",
    "\te - move camera forward when in display mode",
    "\tc - move camera back when in display mode",
    "\t1 - cycle through textures for large rock",
    "\t2 - cycle through textures for small rock",
    "\t3 - cycle through background images",
    "Mouse commands:",
    "\tright click for menu",
};

void expectBannerAndLoads(const std::vector<std::string>& lines, size_t loads) {
    ASSERT_GE(lines.size(), 3 + loads);
    EXPECT_FALSE(lines[0].empty()) << "the banner's title line";
    EXPECT_FALSE(lines[1].empty()) << "the banner's author and term line";
    EXPECT_EQ(lines[2], "") << "the banner ends with an empty line";
    for (size_t i = 0; i < loads; ++i) EXPECT_EQ(lines[3 + i], "trying to load " + kTextures[i]);
}

TEST_F(GardenTest, StartsWithTheBannerTheTwelveLoadsAndAWhite600SquareWindow) {
    startGarden();
    ASSERT_TRUE(garden.program().waitForOutputLine("trying to load wood1.bmp", e2e::kStepTimeout));
    const auto lines = garden.program().outputLines();
    expectBannerAndLoads(lines, 12);
    EXPECT_EQ(lines.size(), 15u) << "nothing else is printed at start-up";
    EXPECT_EQ(garden.program().errors(), "");

    const e2e::Geometry where = garden.window().geometry();
    EXPECT_EQ(where.width, 600);
    EXPECT_EQ(where.height, 600);
    const e2e::Shot plan = garden.window().settle();
    EXPECT_EQ(plan.countNonWhite(plan.all()), 0) << keep(plan, "plan");
}

TEST_F(GardenTest, GlutOptionsAndOtherArgumentsChangeNothing) {
    garden.start({"-sync", "--plan", "zen"});
    ASSERT_TRUE(garden.waitUntilShown()) << console();
    expectBannerAndLoads(garden.program().outputLines(), 12);
    EXPECT_EQ(garden.program().errors(), "");
    EXPECT_EQ(garden.window().geometry().width, 600);
}

TEST_F(GardenTest, HelpKeyPrintsTheSixteenLinesInEitherCaseAndCapitalQQuits) {
    startGarden();
    garden.window().key('h');
    ASSERT_TRUE(garden.program().waitForOutputLine(kHelp.back(), e2e::kStepTimeout)) << console();
    garden.window().key('H');
    ASSERT_TRUE(garden.program().waitForOutputLine(kHelp.back(), e2e::kStepTimeout, 2)) << console();

    const auto lines = garden.program().outputLines();
    ASSERT_EQ(lines.size(), 15 + 2 * kHelp.size()) << console();
    for (size_t copy = 0; copy < 2; ++copy)
        for (size_t i = 0; i < kHelp.size(); ++i)
            EXPECT_EQ(lines[15 + copy * kHelp.size() + i], kHelp[i]) << "help line " << i + 1;

    garden.window().key('Q');
    EXPECT_TRUE(garden.program().waitForExit(e2e::kStepTimeout).exitedWith(0))
        << garden.program().result().describe();
}

TEST_F(GardenTest, QuitKeyEndsWithStatusZero) {
    startGarden();
    garden.window().key('q');
    const e2e::ExitResult result = garden.program().waitForExit(e2e::kStepTimeout);
    EXPECT_TRUE(result.exitedWith(0)) << result.describe();
}

TEST_F(GardenTest, QuitMenuEntryEndsWithStatusZero) {
    startGarden();
    garden.choose("Quit");
    const e2e::ExitResult result = garden.program().waitForExit(e2e::kStepTimeout);
    EXPECT_TRUE(result.exitedWith(0)) << result.describe();
}

TEST_F(GardenTest, MissingWoodTextureEndsWithStatusOneBeforeAnyFrame) {
    garden.folder().remove("wood1.bmp");
    garden.start();
    // The window is watched while the program runs: it must never show a frame.
    e2e::ExitResult result;
    const bool noFrame = garden.endsWithoutAFrame(result);
    EXPECT_TRUE(result.exitedWith(1)) << result.describe();
    EXPECT_TRUE(noFrame) << "a frame was drawn before the failure";

    const auto lines = garden.program().outputLines();
    expectBannerAndLoads(lines, 12);
    ASSERT_EQ(lines.size(), 16u) << console();
    EXPECT_EQ(lines[15], "File Not Found : wood1.bmp");
}

TEST_F(GardenTest, MissingMiddleTextureStopsTheLoadsThere) {
    garden.folder().remove("rock03.bmp");
    garden.start();
    const e2e::ExitResult result = garden.program().waitForExit(e2e::kStartTimeout);
    EXPECT_TRUE(result.exitedWith(1)) << result.describe();
    const auto lines = garden.program().outputLines();
    expectBannerAndLoads(lines, 5);
    ASSERT_EQ(lines.size(), 9u) << console();
    EXPECT_EQ(lines[8], "File Not Found : rock03.bmp");
}

TEST_F(GardenTest, MissingBackgroundsAreReportedOnceEachAndTheGardenRuns) {
    garden.folder().remove("bg1.bmp");
    garden.folder().remove("bg2.bmp");
    startGarden();
    const std::vector<std::string> expected(2, "readBMP: Passed null file pointer.");
    EXPECT_EQ(garden.program().errorLines(), expected);
    expectBannerAndLoads(garden.program().outputLines(), 12);

    // It draws and switches to the 3-D garden as usual.
    const e2e::Shot before = garden.window().settle();
    garden.window().drag({{100, 300}, {500, 300}});
    const e2e::Shot raked = garden.window().waitForChange(before);
    EXPECT_GT(raked.countNonWhite(raked.all()), 1000) << keep(raked, "raked");
    const e2e::Shot scene = garden.keyAndWait('i');
    EXPECT_GT(scene.countDiffering(raked, scene.all(), 8), 10000) << keep(scene, "scene");
    EXPECT_TRUE(garden.program().running());
}

TEST_F(GardenTest, MissingSecondBackgroundLeavesOnlyItsChoiceWhite) {
    garden.folder().remove("bg2.bmp");
    startGarden();
    EXPECT_EQ(garden.program().errorLines(), std::vector<std::string>{"readBMP: Passed null file pointer."});

    const e2e::Region corner{1, 1, 60, 60};
    garden.window().key('3');
    const e2e::Shot first = garden.keyAndWait('i');
    EXPECT_GT(first.countNonWhite(corner), 3000) << "the first background is missing";
    const e2e::Shot second = garden.keyAndWait('3');
    EXPECT_EQ(second.countNonWhite(corner), 0) << keep(second, "second");
    EXPECT_TRUE(garden.program().running());
}

// The installed garden: `cmake --install` into a temporary prefix, and the
// launcher started from an unrelated, empty folder with an empty home.
class InstalledGarden : public GardenTest {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sandmere-installed-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        fs::create_directories(root / "home");
        fs::create_directories(root / "elsewhere");
        const std::string install = "cmake --install '" SANDMERE_BUILD_DIR "' --prefix '" +
                                    (root / "usr").string() + "' > '" + (root / "install.log").string() + "' 2>&1";
        ASSERT_EQ(std::system(install.c_str()), 0) << "see " << (root / "install.log");
    }
    void TearDown() override {
        GardenTest::TearDown();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    void startInstalled(const fs::path& prefix) {
        garden.startIn((root / "elsewhere").string(), (prefix / "bin" / "sandmere").string(),
                       {"HOME=" + (root / "home").string(), "XDG_DATA_HOME="});
    }

    // Starts the launcher, sees the banner, the twelve loads and the window,
    // and quits with q.
    void expectStartsAndQuits(const fs::path& prefix) {
        startInstalled(prefix);
        ASSERT_TRUE(garden.waitUntilShown()) << console();
        ASSERT_TRUE(garden.program().waitForOutputLine("trying to load wood1.bmp", e2e::kStepTimeout));
        expectBannerAndLoads(garden.program().outputLines(), 12);
        EXPECT_EQ(garden.program().errors(), "") << "the launcher prints nothing when all is well";
        garden.window().key('q');
        const e2e::ExitResult result = garden.program().waitForExit(e2e::kStepTimeout);
        EXPECT_TRUE(result.exitedWith(0)) << result.describe();
    }

    fs::path root;
};

TEST_F(InstalledGarden, LauncherStartsTheGardenAmongTheInstalledPictures) { expectStartsAndQuits(root / "usr"); }

TEST_F(InstalledGarden, TheUsersOwnGardenFolderComesFirst) {
    // Made by the installed picture tool, with the frame's wood replaced by
    // a picture the texture loader refuses: the garden must stop on it.
    const fs::path own = root / "home" / ".local" / "share" / "sandmere";
    const std::string make =
        "'" + (root / "usr" / "bin" / "sandmere-picture").string() + "' defaults '" + own.string() + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    fs::copy_file(fs::path(SANDMERE_BMPSUITE_DIR) / "g" / "pal8.bmp", own / "wood1.bmp",
                  fs::copy_options::overwrite_existing);
    startInstalled(root / "usr");
    const e2e::ExitResult result = garden.program().waitForExit(e2e::kStartTimeout);
    EXPECT_TRUE(result.exitedWith(1)) << result.describe();
    const auto lines = garden.program().outputLines();
    ASSERT_EQ(lines.size(), 16u) << console();
    EXPECT_EQ(lines[15], "Bpp from wood1.bmp is not 24: 8");
}

TEST_F(InstalledGarden, AMovedTreeStartsAndAMissingPicturesFolderIsNamed) {
    fs::rename(root / "usr", root / "moved");
    expectStartsAndQuits(root / "moved");

    fs::remove_all(root / "moved" / "share" / "sandmere");
    startInstalled(root / "moved");
    const e2e::ExitResult result = garden.program().waitForExit(e2e::kStepTimeout);
    EXPECT_TRUE(result.exitedWith(1)) << result.describe();
    EXPECT_NE(garden.program().errors().find((root / "home" / ".local" / "share" / "sandmere").string()),
              std::string::npos)
        << console();
    EXPECT_NE(garden.program().errors().find("share/sandmere"), std::string::npos) << console();
    EXPECT_EQ(garden.program().output(), "");
}

}  // namespace
