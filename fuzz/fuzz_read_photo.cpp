// Feeds arbitrary bytes to the picture tool's photo reader as if they were
// a photo the user handed it: the header check, then the decode at a
// texture's side, through libvips with only its four loaders allowed.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/pictures.h"
#include "tools/photo.h"

// libvips reads from a file, as the tool does: each input is written to one
// scratch file, removed when the fuzzer ends. A plain array, so that it is
// still there when the exit handler runs.
static char scratchPath[] = "/tmp/sandmere-fuzz-photo-XXXXXX";

static void removeScratchFile() { std::remove(scratchPath); }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    int descriptor = mkstemp(scratchPath);
    if (descriptor < 0) std::abort();
    close(descriptor);
    std::atexit(removeScratchFile);
    std::string why;
    if (!startPhotoReader(&why)) {
        std::fprintf(stderr, "fuzz_read_photo: %s\n", why.c_str());
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(scratchPath, "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) std::abort();
    PictureHeader header;
    std::string why;
    if (!readPictureHeader(scratchPath, &header, &why)) {
        // Every refusal says why.
        if (why.empty()) std::abort();
        return 0;
    }
    if (header.width <= 0 || header.height <= 0 ||
        static_cast<long long>(header.width) * header.height > kMostPictureRead)
        std::abort();
    std::unique_ptr<RasterImage> picture = readPicture(scratchPath, gardenTextureSide, &why);
    if (!picture) {
        if (why.empty()) std::abort();
        return 0;
    }
    // What writeBMP is handed: the texture's side exactly, every pixel there.
    if (picture->width_ != gardenTextureSide || picture->height_ != gardenTextureSide ||
        picture->pixelCount_ != static_cast<long>(gardenTextureSide) * gardenTextureSide)
        std::abort();
    return 0;
}
