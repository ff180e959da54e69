// The pixel tests share one real GL window of the garden's size on the X server,
// opened by main() before the tests run.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "app/pictures.h"

// The back buffer as RGB bytes, bottom row first, rows of gardenWindowSide x 3 bytes.
// Read before any swap: after a swap the front buffer may read back black.
std::vector<unsigned char> readBackBuffer();

// The red, green and blue bytes of one back-buffer pixel of a readBackBuffer() result.
inline const unsigned char* pixelAt(const std::vector<unsigned char>& rgb, int column, int row) {
    return &rgb[(static_cast<size_t>(row) * gardenWindowSide + column) * 3];
}

// Runs one pass of GLUT's event loop with a display callback that only
// counts, and tells whether a redisplay had been requested since the last
// pass. The shared window's display callback is the counter from then on;
// tests that want a picture draw it themselves.
bool redisplayWasRequested();

// The window as start-up leaves it in draw mode: the garden's starting
// values, the plan's fixed GL state and projection, the white clear colour,
// and an empty plan and mesh. Any redisplay this asks for is discarded.
void startGardenInDrawMode();

// A test that starts from the window in draw mode with the quadric made,
// and leaves display mode and restores the start values when it ends.
class GardenWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
