// What the page asks of the garden when someone brings a picture of their
// own: the names and sides of the fourteen pictures, from the garden's one
// table, and the garden's own BMP writer, so a picture the page makes is
// written exactly as the picture tool writes it.
#include <emscripten/emscripten.h>

#include <cassert>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "app/pictures.h"
#include "image/image.h"

// The page's pixels are bytes red, green, blue, alpha: a Pixel each.
static_assert(sizeof(Pixel) == 4, "a raster's pixels are plain RGBA bytes");

namespace {

const GardenPictureFile& pictureAt(int index) {
    assert(index >= 0 && static_cast<std::size_t>(index) < gardenPictureCount);
    return gardenPictureFiles[index];
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int sandmerePictureCount() { return static_cast<int>(gardenPictureCount); }

// "sand1.bmp": the file the garden reads from its working folder.
EMSCRIPTEN_KEEPALIVE const char* sandmerePictureFile(int index) { return pictureAt(index).fileName; }

// The side, in pixels, of the square a picture in this entry's role is made at.
EMSCRIPTEN_KEEPALIVE int sandmerePictureSide(int index) { return pictureSideFor(pictureAt(index).role); }

// Writes width x height RGBA pixels, top row first as a canvas holds them,
// as a 24-bit BMP at path. 1 when the whole file was written; otherwise 0,
// with writeBMP's or the stream's reason on standard error.
EMSCRIPTEN_KEEPALIVE int sandmereWritePicture(const unsigned char* rgba, int width, int height, const char* path) {
    RasterImage raster(width, height);
    // writeBMP puts raster row 0 at the top of the picture: the canvas's
    // rows go in as they are.
    std::memcpy(raster.pixels, rgba, static_cast<std::size_t>(raster.pixelCount_) * sizeof(Pixel));
    FILE* stream = std::fopen(path, "wb");
    if (!stream) std::perror(path);
    int written = writeBMP(&raster, stream);
    if (stream && std::fclose(stream) != 0) {
        std::perror(path);
        written = 0;
    }
    return written;
}

}  // extern "C"
