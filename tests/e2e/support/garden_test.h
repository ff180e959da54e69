// The fixture every end-to-end test starts from: one Garden per test, and
// on failure the window as it was and everything the program printed, so
// a red test can be read without running it again.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "garden.h"

namespace e2e {

// Window positions and plan points: the plan's y counts up from the
// bottom row of the 600-pixel window, the window's y down from its top.
inline Point windowPoint(int planX, int planY) { return {planX, 599 - planY}; }

class GardenTest : public ::testing::Test {
protected:
    // Starts the garden and waits for its first frame; a test that cannot
    // get so far stops here.
    void startGarden() {
        garden.start();
        ASSERT_TRUE(garden.waitUntilShown()) << "the garden never showed its window\n" << console();
    }

    std::string console() {
        if (!garden.started()) return "(not started)";
        return "--- standard output ---\n" + garden.program().output() + "--- standard error ---\n" +
               garden.program().errors();
    }

    // Saves a shot under the artifact folder, named after the test.
    std::string keep(const Shot& shot, const std::string& name) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string file = std::string(info->test_suite_name()) + "." + info->name() + "-" + name + ".png";
        for (char& c : file)
            if (c == '/') c = '_';
        const std::string path = Garden::artifactDir() + "/" + file;
        shot.save(path);
        return path;
    }

    // Keeps a shot only when SANDMERE_E2E_KEEP is set, for looking at what
    // a passing test saw.
    void show(const Shot& shot, const std::string& name) {
        if (std::getenv("SANDMERE_E2E_KEEP") != nullptr) keep(shot, name);
    }

    void TearDown() override {
        if (!HasFailure() || !garden.started()) return;
        if (garden.program().running() && garden.window().id() != 0)
            std::cerr << "window kept in " << keep(garden.window().capture(), "at-failure") << "\n";
        std::cerr << console();
    }

    Garden garden;
};

// The installed garden: `cmake --install` into a temporary prefix (usr),
// beside an empty home, an unrelated empty folder "elsewhere" and a
// private runtime folder; all of it removed after the test.
class InstalledTest : public GardenTest {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "sandmere-installed-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        for (const char* folder : {"home", "elsewhere", "runtime"})
            std::filesystem::create_directories(root / folder);
        std::filesystem::permissions(runtime(), std::filesystem::perms::owner_all);
        const std::string install = "cmake --install '" SANDMERE_BUILD_DIR "' --prefix '" +
                                    (root / "usr").string() + "' > '" + (root / "install.log").string() + "' 2>&1";
        ASSERT_EQ(std::system(install.c_str()), 0) << "see " << (root / "install.log");
    }
    void TearDown() override {
        GardenTest::TearDown();
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    std::filesystem::path runtime() const { return root / "runtime"; }

    std::filesystem::path root;
};

}  // namespace e2e
