// The image module: an RGBA raster with assertion-guarded construction,
// pixel arithmetic, and an uncompressed BMP reader and writer over C streams.
#pragma once

#include <cstdio>

struct Pixel {
    unsigned char red = 0, green = 0, blue = 0, alpha = 255;
    Pixel() = default;
    Pixel(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
        : red(r), green(g), blue(b), alpha(a) {}
};

class RasterImage {
public:
    Pixel* pixels = nullptr;  // width_ x height_, row 0 at the bottom of the picture
    int width_ = 0;
    int height_ = 0;
    // (the rest of the raster is completed by the image module)

    RasterImage(int width, int height);
    RasterImage(const RasterImage& other);
    ~RasterImage();
};

// Returns a new raster owned by the caller, or null after reporting why.
RasterImage* readBMP(FILE* stream);
// Writes an uncompressed 24-bit BMP; 1 on success, 0 after reporting why.
int writeBMP(const RasterImage* image, FILE* stream);
