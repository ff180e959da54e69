// The end-to-end suite's entry point: every test starts its own Xvfb, so
// without one on the PATH the suite is skipped rather than failed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!::testing::GTEST_FLAG(list_tests) && std::system("command -v Xvfb >/dev/null 2>&1") != 0) {
        std::puts("Skipped: the end-to-end tests need Xvfb (sudo apt-get install xvfb xauth)");
        return NO_WINDOW_STATUS;
    }
    return RUN_ALL_TESTS();
}
