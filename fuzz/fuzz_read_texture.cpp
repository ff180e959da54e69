// Feeds arbitrary bytes to the texture reader, as a texture file the user
// replaced would reach it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "image/texture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* stream = size ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : tmpfile();
    if (!stream) return 0;
    TextureImage image;
    int loaded = readTextureStream(stream, "fuzz.bmp", &image);
    // A refusal leaves nothing behind for the loader to upload or release.
    if (!loaded && image.data) std::abort();
    if (loaded) {
        if (image.width <= 0 || image.height <= 0 || !image.data) std::abort();
        // Every byte the upload would read must be there: rows padded to 4.
        long row = (static_cast<long>(image.width) * 3 + 3) / 4 * 4;
        unsigned sum = 0;
        for (long i = 0; i < row * image.height; ++i) sum += image.data[i];
        volatile unsigned keep = sum;
        (void)keep;
    }
    std::free(image.data);
    std::fclose(stream);
    return 0;
}
