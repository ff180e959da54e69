// The pixel tests share one real 600 x 600 GL window on the X server,
// opened by main() before the tests run.
#pragma once

#include <vector>

// The back buffer as RGB bytes, bottom row first, rows of 600 x 3 bytes.
// Read before any swap: after a swap the front buffer may read back black.
std::vector<unsigned char> readBackBuffer();

// The red, green and blue bytes of one back-buffer pixel of a readBackBuffer() result.
inline const unsigned char* pixelAt(const std::vector<unsigned char>& rgb, int column, int row) {
    return &rgb[(static_cast<size_t>(row) * 600 + column) * 3];
}
