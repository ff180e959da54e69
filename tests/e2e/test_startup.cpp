// Start-up, the console, the quit paths and missing pictures, on the real
// program in its own X server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/pictures.h"
#include "garden_test.h"
#include "image/image.h"

namespace {

using e2e::GardenTest;
using e2e::milliseconds;
namespace fs = std::filesystem;

// The twelve textures in the order the garden loads them.
const std::vector<std::string> kTextures = [] {
    std::vector<std::string> names;
    for (const GardenPictureFile& file : gardenPictureFiles)
        if (file.role == PictureRole::texture) names.emplace_back(file.fileName);
    return names;
}();

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
// launcher started from an unrelated, empty folder with an empty home and
// its own runtime folder, where each run keeps its folder of pictures.
class InstalledGarden : public e2e::InstalledTest {
protected:
    fs::path ownFolder() const { return root / "home" / ".local" / "share" / "sandmere"; }
    std::string tool() const { return (root / "usr" / "bin" / "sandmere-picture").string(); }

    void startInstalled(const fs::path& prefix, std::vector<std::string> environment = {},
                        e2e::Console console = e2e::Console::terminal) {
        environment.insert(environment.begin(), {"HOME=" + (root / "home").string(),
                                                 "XDG_DATA_HOME=", "XDG_RUNTIME_DIR=" + runtime().string()});
        garden.startIn((root / "elsewhere").string(), (prefix / "bin" / "sandmere").string(), environment,
                       console);
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
        EXPECT_TRUE(fs::is_empty(runtime())) << "a run folder was left behind";
    }

    // The folder the running launcher made for its run.
    fs::path runFolder() const {
        std::vector<fs::path> folders;
        for (const auto& entry : fs::directory_iterator(runtime())) folders.push_back(entry.path());
        EXPECT_EQ(folders.size(), 1u) << "one run, one folder";
        return folders.empty() ? fs::path() : folders[0];
    }

    // A dialog program first on the PATH (the entry returned) that notes
    // its process and arguments in its folder, then stays open.
    std::string fakeDialog() {
        const fs::path dialogs = root / "dialogs";
        fs::create_directories(dialogs);
        std::ofstream(dialogs / "zenity")
            << "#!/bin/sh\ncd '" << dialogs.string()
            << "' && printf '%s\\n' \"$$\" \"$@\" > .part.$$ && mv .part.$$ shown.$$\n"
               "exec sleep 60\n";
        fs::permissions(dialogs / "zenity", fs::perms::owner_all);
        return "PATH=" + dialogs.string() + ":" + std::getenv("PATH");
    }

    // Waits for the fake dialog to have been started once, sees that it is
    // still open although the launcher has ended, that it shows `line`, and
    // closes it.
    void expectOneOpenDialogShowing(const std::string& line) {
        std::vector<fs::path> shown;
        for (int tries = 0; tries < 250 && shown.empty(); ++tries) {
            std::this_thread::sleep_for(milliseconds(20));
            for (const auto& entry : fs::directory_iterator(root / "dialogs"))
                if (entry.path().filename().string().rfind("shown.", 0) == 0) shown.push_back(entry.path());
        }
        ASSERT_EQ(shown.size(), 1u) << "one dialog, for the one run without a terminal";
        std::ifstream record(shown[0]);
        std::vector<std::string> lines;
        for (std::string each; std::getline(record, each);) lines.push_back(each);
        ASSERT_GE(lines.size(), 2u);
        const pid_t dialog = std::stoi(lines[0]);
        EXPECT_EQ(kill(dialog, 0), 0) << "the dialog was closed or waited for";
        kill(dialog, SIGTERM);
        fs::remove(shown[0]);
        EXPECT_EQ(lines[1], "--error");
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << "the dialog does not show " << line;
    }
};

TEST_F(InstalledGarden, LauncherStartsTheGardenAmongTheInstalledPictures) { expectStartsAndQuits(root / "usr"); }

// A 600 by 600 background whose quarters have colours of their own, so a
// picture drawn upside down or mirrored shows the wrong ones.
const e2e::Rgb kQuarters[2][2] = {{{200, 40, 40}, {40, 160, 60}}, {{40, 60, 200}, {220, 200, 40}}};

void writeQuarters(const fs::path& path) {
    RasterImage raster(gardenWindowSide, gardenWindowSide);
    const int half = gardenWindowSide / 2;
    // The writer puts raster row 0 at the top of the picture.
    for (int y = 0; y < gardenWindowSide; ++y)
        for (int x = 0; x < gardenWindowSide; ++x) {
            const e2e::Rgb& c = kQuarters[y / half][x / half];
            raster.pixels[y * gardenWindowSide + x] = Pixel(c.r, c.g, c.b, 255);
        }
    FILE* stream = std::fopen(path.c_str(), "wb");
    ASSERT_NE(stream, nullptr);
    EXPECT_TRUE(writeBMP(&raster, stream));
    EXPECT_EQ(std::fclose(stream), 0);
}

TEST_F(InstalledGarden, AGardenFolderWithOnlyBg1ShowsItBehindTheGardenAmongTheInstalledPictures) {
    fs::create_directories(ownFolder());
    writeQuarters(root / "quarters.bmp");
    const std::string convert = "'" + tool() + "' convert '" + (root / "quarters.bmp").string() + "' '" +
                                (ownFolder() / "bg1.bmp").string() + "' >/dev/null";
    ASSERT_EQ(std::system(convert.c_str()), 0);
    // A relative XDG_DATA_HOME is ignored: the wood here would stop the garden.
    fs::create_directories(root / "elsewhere" / "data" / "sandmere");
    fs::copy_file(fs::path(SANDMERE_BMPSUITE_DIR) / "g" / "pal8.bmp",
                  root / "elsewhere" / "data" / "sandmere" / "wood1.bmp");

    startInstalled(root / "usr", {"XDG_DATA_HOME=data"});
    ASSERT_TRUE(garden.waitUntilShown()) << console();

    // The run folder is the user's alone and links each picture to the file
    // chosen for it.
    const fs::path run = runFolder();
    EXPECT_EQ(fs::status(run).permissions() & fs::perms::all, fs::perms::owner_all);
    for (const GardenPictureFile& picture : gardenPictureFiles) {
        const fs::path link = run / picture.fileName;
        ASSERT_TRUE(fs::is_symlink(link)) << link;
        const fs::path expected = std::string(picture.fileName) == "bg1.bmp"
                                      ? ownFolder() / "bg1.bmp"
                                      : root / "usr" / "share" / "sandmere" / picture.fileName;
        EXPECT_TRUE(fs::equivalent(link, expected)) << link << " leads to " << fs::read_symlink(link);
    }

    garden.window().key('3');
    const e2e::Shot scene = garden.keyAndWait('i');
    const e2e::Region topLeft{1, 1, 60, 60}, topRight{539, 1, 60, 60};
    auto is = [](e2e::Rgb colour) { return [colour](e2e::Rgb c) { return c.distance(colour) <= 1; }; };
    EXPECT_EQ(scene.count(topLeft, is(kQuarters[0][0])), 60 * 60) << keep(scene, "bg1");
    EXPECT_EQ(scene.count(topRight, is(kQuarters[0][1])), 60 * 60);

    garden.window().key('q');
    const e2e::ExitResult result = garden.program().waitForExit(e2e::kStepTimeout);
    EXPECT_TRUE(result.exitedWith(0)) << result.describe();
    EXPECT_TRUE(fs::is_empty(runtime())) << "the run folder was left behind";
}

TEST_F(InstalledGarden, ASignalEndsTheGardenAndItsRunFolderWithTheLauncher) {
    // Each signal once, on a terminal and off one, where the garden's
    // messages go through the launcher's own pipes.
    const std::pair<int, e2e::Console> cases[] = {{SIGTERM, e2e::Console::terminal},
                                                  {SIGINT, e2e::Console::terminal},
                                                  {SIGHUP, e2e::Console::none},
                                                  {SIGTERM, e2e::Console::none}};
    for (const auto& [signal, console] : cases) {
        SCOPED_TRACE(std::string(strsignal(signal)) + (console == e2e::Console::none ? ", no terminal" : ""));
        startInstalled(root / "usr", {}, console);
        ASSERT_TRUE(garden.waitUntilShown()) << this->console();
        EXPECT_FALSE(fs::is_empty(runtime()));
        const pid_t launcher = garden.program().pid();
        ASSERT_EQ(kill(launcher, signal), 0);
        const e2e::ExitResult result = garden.program().waitForExit(e2e::kStepTimeout);
        EXPECT_TRUE(result.exitedWith(128 + signal)) << result.describe();
        EXPECT_TRUE(fs::is_empty(runtime())) << "the run folder was left behind";
        // The launcher leads the process group the garden runs in: none of
        // it may be left.
        EXPECT_TRUE(kill(-launcher, 0) == -1 && errno == ESRCH) << "the garden outlived the launcher";
    }
}

TEST_F(InstalledGarden, TheUsersOwnGardenFolderComesFirstAndItsFailureIsShownOffATerminal) {
    // Made by the installed picture tool, with the frame's wood replaced by
    // a picture the texture loader refuses: the garden must stop on it.
    const std::string make = "'" + tool() + "' defaults '" + ownFolder().string() + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    fs::copy_file(fs::path(SANDMERE_BMPSUITE_DIR) / "g" / "pal8.bmp", ownFolder() / "wood1.bmp",
                  fs::copy_options::overwrite_existing);
    const std::string path = fakeDialog();

    auto expectRefusedWood = [&] {
        const e2e::ExitResult result = garden.program().waitForExit(e2e::kStartTimeout);
        EXPECT_TRUE(result.exitedWith(1)) << result.describe();
        const auto lines = garden.program().outputLines();
        ASSERT_EQ(lines.size(), 16u) << console();
        EXPECT_EQ(lines[15], "Bpp from wood1.bmp is not 24: 8");
        EXPECT_TRUE(fs::is_empty(runtime())) << "the run folder was left behind";
    };
    // On a terminal the messages are there already: no dialog.
    startInstalled(root / "usr", {path});
    expectRefusedWood();

    // Off a terminal the launcher ends at once, the dialog still open.
    startInstalled(root / "usr", {path}, e2e::Console::none);
    expectRefusedWood();
    expectOneOpenDialogShowing("Bpp from wood1.bmp is not 24: 8");
}

TEST_F(InstalledGarden, AMovedTreeStartsAndAMissingPicturesFolderIsNamed) {
    fs::rename(root / "usr", root / "moved");
    expectStartsAndQuits(root / "moved");

    fs::remove_all(root / "moved" / "share" / "sandmere");
    startInstalled(root / "moved");
    const e2e::ExitResult result = garden.program().waitForExit(e2e::kStepTimeout);
    EXPECT_TRUE(result.exitedWith(1)) << result.describe();
    EXPECT_NE(garden.program().errors().find(ownFolder().string()), std::string::npos) << console();
    EXPECT_NE(garden.program().errors().find("share/sandmere"), std::string::npos) << console();
    EXPECT_EQ(garden.program().output(), "");
    EXPECT_TRUE(fs::is_empty(runtime())) << "the run folder was left behind";

    // From the desktop, the same refusal shows in a dialog.
    startInstalled(root / "moved", {fakeDialog()}, e2e::Console::none);
    EXPECT_TRUE(garden.program().waitForExit(e2e::kStepTimeout).exitedWith(1)) << console();
    expectOneOpenDialogShowing("sandmere-picture: sand1.bmp is in neither " + ownFolder().string() + " nor " +
                               (root / "moved" / "share" / "sandmere").string());
}

}  // namespace
