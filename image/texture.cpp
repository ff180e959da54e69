#include "image/texture.h"

#include "image/image.h"

#include <GL/gl.h>

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

// Every message is flushed at once: a failure ends the program, and the
// console should already show which file it was.
__attribute__((format(printf, 1, 2))) static int say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    // va_start above sets it; the analyzer misreads the builtin.
    std::vprintf(format, args);  // NOLINT(clang-analyzer-valist.Uninitialized)
    va_end(args);
    std::fflush(stdout);
    return 0;
}

// The loader does not stop at the end of the file: past it every byte
// reads as 0xFF, so a file that ends inside its headers fails at the plane
// or bit-count test with a meaningless value. That is why it ignores what
// getLittleEndian says of a short field, where the BMP reader stops.
static std::uint32_t getField(FILE* stream, int bytes) {
    std::uint32_t v = 0;
    getLittleEndian(stream, bytes, &v);
    return v;
}

static void skip(FILE* stream, int bytes) {
    for (int i = 0; i < bytes; ++i) std::getc(stream);
}

int readTextureStream(FILE* stream, const char* fileName, TextureImage* image) {
    skip(stream, 10);
    std::uint32_t offBits = getField(stream, 4);
    skip(stream, 4);  // biSize: the 40-byte layout is assumed
    image->width = static_cast<std::int32_t>(getField(stream, 4));
    image->height = static_cast<std::int32_t>(getField(stream, 4));
    unsigned planes = getField(stream, 2);
    if (planes != 1) return say("Planes from %s is not 1: %u\n", fileName, planes);
    unsigned bpp = getField(stream, 2);
    if (bpp != 24) return say("Bpp from %s is not 24: %u\n", fileName, bpp);
    skip(stream, 24);

    // Top-down, empty and oversized pictures are refused before anything is
    // allocated; so is a picture larger than the file holds, with the
    // message its short read would have given.
    if (image->width <= 0 || image->height <= 0)
        return say("Width and height from %s must be positive: %d x %d\n", fileName, image->width, image->height);
    long long rowLength = (3LL * image->width + 3) / 4 * 4;
    if (!fitsInIntBytes(rowLength, image->height))
        return say("Image from %s is too large: %d x %d\n", fileName, image->width, image->height);
    long long size = rowLength * image->height;
    long long length = streamLength(stream);
    long long start = offBits >= 54 && offBits < length ? offBits : 54;
    if (start + size > length || std::fseek(stream, static_cast<long>(start), SEEK_SET) != 0)
        return say("Error reading image data from %s.\n", fileName);

    unsigned char* data = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size)));
    if (!data) return say("Error allocating memory for color-corrected image data");
    if (std::fread(data, 1, static_cast<size_t>(size), stream) != static_cast<size_t>(size)) {
        std::free(data);
        return say("Error reading image data from %s.\n", fileName);
    }
    for (long long y = 0; y < image->height; ++y) {
        unsigned char* row = data + y * rowLength;
        for (long long x = 0; x < image->width; ++x) {
            unsigned char blue = row[3 * x];
            row[3 * x] = row[3 * x + 2];
            row[3 * x + 2] = blue;
        }
    }
    image->data = data;
    return 1;
}

int readTextureFile(const char* fileName, TextureImage* image) {
    FILE* stream = std::fopen(fileName, "rb");
    if (!stream) return say("File Not Found : %s\n", fileName);
    int ok = readTextureStream(stream, fileName, image);
    std::fclose(stream);
    return ok;
}

void loadTexture(const char* fileName, int textureNumber) {
    TextureImage* image = new (std::nothrow) TextureImage;
    if (!image) {
        say("Error allocating space for image");
        std::exit(1);
    }
    say("trying to load %s\n", fileName);
    if (!readTextureFile(fileName, image)) std::exit(1);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(textureNumber));
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE, image->data);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    std::free(image->data);
    delete image;
}
