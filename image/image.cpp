#include "image/image.h"

#include <cassert>
#include <climits>
#include <cstdlib>
#include <new>

// ---------------------------------------------------------------------------
// Pixel arithmetic

// Clamps before converting, so huge, negative or NaN reals never reach an
// integer conversion they would overflow.
static unsigned char clampReal(double v) {
    if (!(v > 0.0)) return 0;
    if (v > 255.0) return 255;
    return static_cast<unsigned char>(v);
}

unsigned char clampComponent(int v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v); }
unsigned char randomComponent() { return static_cast<unsigned char>(std::rand() % 256); }
unsigned char scaleComponent(unsigned char x, double f) { return clampReal(std::floor(x * f + 0.5)); }
unsigned char blendComponent(unsigned char a, unsigned char b, double t) {
    return clampReal(std::floor((1.0 - t) * a + t * b + 0.5));
}
int luminance(Pixel p) { return (76 * p.red + 150 * p.green + 29 * p.blue) >> 8; }

void Pixel::set(double r, double g, double b) {
    red = clampReal(r);
    green = clampReal(g);
    blue = clampReal(b);
}

void Pixel::set(double r, double g, double b, double a) {
    set(r, g, b);
    alpha = clampReal(a);
}

Pixel randomPixel() {
    // Drawn alpha first, so a seeded sequence gives the same pixels it always has.
    unsigned char a = randomComponent();
    unsigned char b = randomComponent();
    unsigned char g = randomComponent();
    unsigned char r = randomComponent();
    return Pixel(r, g, b, a);
}

Pixel addPixels(Pixel p, Pixel q) {
    return Pixel(clampComponent(p.red + q.red), clampComponent(p.green + q.green), clampComponent(p.blue + q.blue),
                 clampComponent(p.alpha + q.alpha));
}

Pixel multiplyPixels(Pixel p, Pixel q) {
    return Pixel(clampComponent(p.red * q.red), clampComponent(p.green * q.green), clampComponent(p.blue * q.blue),
                 clampComponent(p.alpha * q.alpha));
}

Pixel scalePixel(Pixel p, double f) {
    return Pixel(scaleComponent(p.red, f), scaleComponent(p.green, f), scaleComponent(p.blue, f),
                 scaleComponent(p.alpha, f));
}

Pixel blendPixels(Pixel p, Pixel q, double t) {
    return Pixel(blendComponent(p.red, q.red, t), blendComponent(p.green, q.green, t),
                 blendComponent(p.blue, q.blue, t), blendComponent(p.alpha, q.alpha, t));
}

Pixel compositePixels(Pixel p, Pixel q) {
    double pa = p.alpha / 255.0, qa = q.alpha / 255.0;
    return addPixels(scalePixel(q, qa), scalePixel(p, (1.0 - qa) * pa));
}

// ---------------------------------------------------------------------------
// The raster

// The parameters carry the fields' names so the assertion reports read as
// the raster's own invariants.
RasterImage::RasterImage(int width_, int height_) {
    assert(width_ > 0);
    assert(height_ > 0);
    // Larger sides would overflow the pixel count or its size in bytes and
    // leave an array smaller than the raster claims.
    assert(width_ <= INT_MAX / 4 / height_);
    this->width_ = width_;
    this->height_ = height_;
    pixelCount_ = width_ * height_;
    pixels = new (std::nothrow) Pixel[pixelCount_];
    samplingMethod_ = 0;
    assert(pixels != NULL);
}

RasterImage::RasterImage(const RasterImage& other) {
    width_ = other.width_;
    height_ = other.height_;
    pixelCount_ = width_ * height_;
    pixels = new (std::nothrow) Pixel[pixelCount_];
    samplingMethod_ = 0;
    assert(pixels != NULL);
    for (int i = 0; i < pixelCount_; ++i) pixels[i] = other.pixels[i];
}

RasterImage::~RasterImage() {
    delete[] pixels;
    pixels = nullptr;
}

void RasterImage::setSamplingMethod(int method) {
    assert((method >= 0) && (method < IMAGE_N_SAMPLING_METHODS));
    samplingMethod_ = method;
}

Pixel RasterImage::sample(PlaneVector) const { return Pixel(0, 0, 0, 255); }

// ---------------------------------------------------------------------------
// BMP layout shared by the reader and the writer

// Bytes per stored row: bits x width rounded up to whole 32-bit words.
static long long rowLength(long long width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

// ---------------------------------------------------------------------------
// BMP writer

static int put16(FILE* stream, std::uint32_t v) {
    unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    return std::fwrite(b, 1, 2, stream) == 2;
}

static int put32(FILE* stream, std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    return std::fwrite(b, 1, 4, stream) == 4;
}

struct HeaderField {
    int size;  // 2 or 4 bytes
    std::uint32_t value;
};

static int putfields(FILE* stream, const char* routine, const HeaderField* fields, int count) {
    for (int i = 0; i < count; ++i) {
        int ok = fields[i].size == 2 ? put16(stream, fields[i].value) : put32(stream, fields[i].value);
        if (!ok) {
            std::fprintf(stderr, "%s: Disk full.", routine);
            return 0;
        }
    }
    return 1;
}

int putfileheader(FILE* stream, const WriterPlanes* planes) {
    std::uint32_t rows = static_cast<std::uint32_t>(rowLength(planes->width, 24) * planes->height);
    const HeaderField fields[] = {{2, 0x4D42}, {4, 54 + rows}, {2, 0}, {2, 0}, {4, 54}};
    return putfields(stream, "putfileheader", fields, 5);
}

int putinfoheader(FILE* stream, const WriterPlanes* planes) {
    const HeaderField fields[] = {
        {4, 40}, {4, static_cast<std::uint32_t>(planes->width)}, {4, static_cast<std::uint32_t>(planes->height)},
        {2, 1},  {2, 24}, {4, 0}, {4, 0}, {4, 0}, {4, 0}, {4, 0}, {4, 0}};
    return putfields(stream, "putinfoheader", fields, 11);
}

int put24bits(FILE* stream, const WriterPlanes* planes) {
    size_t length = static_cast<size_t>(rowLength(planes->width, 24));
    size_t width = static_cast<size_t>(planes->width);
    unsigned char* row = static_cast<unsigned char*>(std::malloc(length));
    if (!row) {
        std::fprintf(stderr, "put24bits: Not enough memory.");
        return 0;
    }
    for (size_t i = 3 * width; i < length; ++i) row[i] = 0;
    for (size_t y = 0; y < static_cast<size_t>(planes->height); ++y) {
        for (size_t x = 0; x < width; ++x) {
            row[3 * x] = planes->blue[y * width + x];
            row[3 * x + 1] = planes->green[y * width + x];
            row[3 * x + 2] = planes->red[y * width + x];
        }
        if (std::fwrite(row, 1, length, stream) != length) {
            std::fprintf(stderr, "put24bits: Disk full.");
            std::free(row);
            return 0;
        }
    }
    std::free(row);
    return 1;
}

static void releaseWriterPlanes(WriterPlanes* planes) {
    std::free(planes->red);
    std::free(planes->green);
    std::free(planes->blue);
    planes->red = planes->green = planes->blue = nullptr;
}

int writeBMP(const RasterImage* image, FILE* stream) {
    if (!stream) {
        std::fprintf(stderr, "writeBMP: Passed null file pointer.\n");
        return 0;
    }
    if (!image) {
        std::fprintf(stderr, "writeBMP: Passed null image pointer.\n");
        return 0;
    }
    WriterPlanes planes = {image->width_, image->height_, nullptr, nullptr, nullptr};
    size_t width = static_cast<size_t>(planes.width), height = static_cast<size_t>(planes.height);
    planes.red = static_cast<unsigned char*>(std::malloc(width * height));
    planes.green = static_cast<unsigned char*>(std::malloc(width * height));
    planes.blue = static_cast<unsigned char*>(std::malloc(width * height));
    if (!planes.red || !planes.green || !planes.blue) {
        releaseWriterPlanes(&planes);
        std::fprintf(stderr, "writeBMP: Not enough memory.\n");
        return 0;
    }
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            const Pixel& p = image->pixels[y * width + x];
            size_t i = (height - 1 - y) * width + x;
            planes.red[i] = p.red;
            planes.green[i] = p.green;
            planes.blue[i] = p.blue;
        }
    int ok = 0;
    if (!putfileheader(stream, &planes))
        std::fprintf(stderr, "writeBMP: putfileheader returned a bad status.\n");
    else if (!putinfoheader(stream, &planes))
        std::fprintf(stderr, "writeBMP: putinfoheader returned a bad status.\n");
    else if (!put24bits(stream, &planes))
        std::fprintf(stderr, "writeBMP: put24bits returned a bad status.\n");
    else
        ok = 1;
    releaseWriterPlanes(&planes);
    return ok;
}
