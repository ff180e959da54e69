// The Windows suite's entry point: without Wine, Xvfb or the Windows
// build's installer it is skipped, saying which is missing.
#include <gtest/gtest.h>
#include <vips/vips8>

#include <cstdio>

#include "wine.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!::testing::GTEST_FLAG(list_tests)) {
        const std::string reason = wine::whyNotRunnable();
        if (!reason.empty()) {
            std::printf("Skipped: %s\n", reason.c_str());
            return NO_WINDOW_STATUS;
        }
    }
    // The tests make their photos with libvips.
    if (VIPS_INIT(argv[0]) != 0) return 1;
    const int status = RUN_ALL_TESTS();
    vips_shutdown();
    return status;
}
