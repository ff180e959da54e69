// Feeds arbitrary bytes to the BMP reader as if they were a picture file
// dropped into the garden's folder.
#include <cstdint>
#include <cstdio>

#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // fmemopen refuses a zero-length buffer; an empty file is a temporary one.
    FILE* stream = size ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : tmpfile();
    if (!stream) return 0;
    RasterImage* image = readBMP(stream);
    if (image) {
        // Touch every pixel, so a raster that claims more than it holds shows up.
        unsigned sum = 0;
        for (long i = 0; i < static_cast<long>(image->width_) * image->height_; ++i)
            sum += image->pixels[i].alpha;
        volatile unsigned keep = sum;
        (void)keep;
        delete image;
    }
    std::fclose(stream);
    return 0;
}
