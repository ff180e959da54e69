// Feeds arbitrary bytes to the reader of a JPEG's own structure, as the
// Windows picture tool hands it a whole file, and to its TIFF directory
// reader on its own, as a TIFF file is handed to it.
#include <cstdint>
#include <cstdlib>

#include "tools/exif.h"

namespace {

bool isOrientation(int value) { return value >= kUprightOrientation && value <= kLastOrientation; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    JpegLayout layout = readJpegLayout(data, size);
    // Sides are 16-bit fields; a whole picture has them.
    if (!isOrientation(layout.orientation) || layout.width < 0 || layout.width > 0xFFFF || layout.height < 0 ||
        layout.height > 0xFFFF || (layout.whole && layout.width == 0))
        std::abort();
    if (!isOrientation(tiffOrientation(data, size))) std::abort();
    return 0;
}
