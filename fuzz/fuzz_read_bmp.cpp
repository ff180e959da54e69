// Feeds arbitrary bytes to the BMP reader as if they were a picture file
// dropped into the garden's folder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // fmemopen refuses a zero-length buffer; an empty file is a temporary one.
    FILE* stream = size ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : tmpfile();
    if (!stream) return 0;
    RasterImage* image = readBMP(stream);
    if (image) {
        // What the garden hands to glDrawPixels: a positive size whose every
        // pixel is there (ASan catches a short array) and opaque.
        if (image->width_ <= 0 || image->height_ <= 0 ||
            image->pixelCount_ != static_cast<long>(image->width_) * image->height_)
            std::abort();
        for (long i = 0; i < image->pixelCount_; ++i)
            if (image->pixels[i].alpha != 255) std::abort();
        delete image;
    }
    std::fclose(stream);
    return 0;
}
