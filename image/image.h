// The image module: an RGBA raster with assertion-guarded construction,
// pixel arithmetic, and an uncompressed BMP reader and writer over C streams.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>

// Components in memory order red, green, blue, alpha, so an array of pixels
// is exactly the RGBA byte array glDrawPixels takes.
struct Pixel {
    unsigned char red = 0, green = 0, blue = 0, alpha = 255;
    Pixel() = default;
    Pixel(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
        : red(r), green(g), blue(b), alpha(a) {}

    // Each component becomes its argument truncated toward zero and clamped.
    void set(double r, double g, double b);  // alpha is kept
    void set(double r, double g, double b, double a);
};

inline bool operator==(Pixel p, Pixel q) {
    return p.red == q.red && p.green == q.green && p.blue == q.blue && p.alpha == q.alpha;
}
inline bool operator!=(Pixel p, Pixel q) { return !(p == q); }

// Component arithmetic: real-valued steps in double, results clamped to 0..255.
unsigned char clampComponent(int v);
unsigned char randomComponent();
unsigned char scaleComponent(unsigned char x, double f);
unsigned char blendComponent(unsigned char a, unsigned char b, double t);
int luminance(Pixel p);  // alpha is ignored

// Pixel arithmetic: every operation treats all four components alike,
// alpha included.
Pixel randomPixel();
Pixel addPixels(Pixel p, Pixel q);
Pixel multiplyPixels(Pixel p, Pixel q);  // plain products, not divided by 255
Pixel scalePixel(Pixel p, double f);
Pixel blendPixels(Pixel p, Pixel q, double t);
Pixel compositePixels(Pixel p, Pixel q);  // q laid over p

struct PlaneVector {
    double x = 0, y = 0;
    PlaneVector rotated(double radians) const {
        return {x * std::cos(radians) - y * std::sin(radians), x * std::sin(radians) + y * std::cos(radians)};
    }
};

#define IMAGE_N_SAMPLING_METHODS 3

class RasterImage {
public:
    Pixel* pixels = nullptr;  // width_ x height_, row 0 at the bottom of the picture
    int width_ = 0;
    int height_ = 0;
    int pixelCount_ = 0;      // width_ x height_
    int samplingMethod_ = 0;  // 0 to IMAGE_N_SAMPLING_METHODS - 1

    // Both sides must be positive and the pixel array's size in bytes must
    // fit an int; anything else stops the program at an assertion.
    RasterImage(int width_, int height_);
    // A deep copy of the pixels; the sampling method starts again at 0.
    RasterImage(const RasterImage& other);
    // Two rasters would own one pixel array and release it twice.
    RasterImage& operator=(const RasterImage&) = delete;
    ~RasterImage();

    void setSamplingMethod(int method);
    // Every method answers opaque black at every position: nothing in the
    // garden samples a picture yet.
    Pixel sample(PlaneVector position) const;
};

// The BMP layout. Both headers are read and written field by field, least
// significant byte first, so these structs are never copied to or from a
// stream as raw memory.
struct BitmapFileHeader {
    std::uint16_t bfType;
    std::uint32_t bfSize;
    std::uint16_t bfReserved1;
    std::uint16_t bfReserved2;
    std::uint32_t bfOffBits;
};

struct BitmapInfoHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};

// The reader's working storage for one call: planes indexed
// row x width + column, rows in file order (bottom row first).
struct BitmapPlanes {
    unsigned char* red;
    unsigned char* green;
    unsigned char* blue;
    std::int32_t width;
    std::int32_t height;
    unsigned char* redPalette;
    unsigned char* greenPalette;
    unsigned char* bluePalette;
    std::uint32_t n;  // palette entries
};

// The writer's working storage for one call: planes indexed
// file row x width + column, so plane row 0 is raster row height - 1.
struct WriterPlanes {
    std::int32_t width;
    std::int32_t height;
    unsigned char* red;
    unsigned char* green;
    unsigned char* blue;
};

// Returns a new raster owned by the caller, or null after reporting why.
// Reads from the stream's current position, which should be the file's start.
RasterImage* readBMP(FILE* stream);
int getfileheader(FILE* stream, BitmapFileHeader* header);
int getinfoheader(FILE* stream, BitmapInfoHeader* header);
int getpalette(FILE* stream, BitmapPlanes* planes);
int getmono(FILE* stream, BitmapPlanes* planes);
int get4bits(FILE* stream, BitmapPlanes* planes);
int get8bits(FILE* stream, BitmapPlanes* planes);
int get24bits(FILE* stream, BitmapPlanes* planes);

// Writes an uncompressed 24-bit BMP; 1 on success, 0 after reporting why.
// Raster row 0 becomes the top of the written picture. The stream is
// neither flushed nor closed.
int writeBMP(const RasterImage* image, FILE* stream);
int putfileheader(FILE* stream, const WriterPlanes* planes);
int putinfoheader(FILE* stream, const WriterPlanes* planes);
int put24bits(FILE* stream, const WriterPlanes* planes);

// What both picture readers share.
// The length of a stream in bytes, leaving its position where it was; -1
// when the stream cannot tell where it ends.
long long streamLength(FILE* stream);
// Reads a little-endian field of 2 or 4 bytes; 1 when the stream held all
// of them, 0 when it ended first. A byte past the end reads as 0xFF.
int getLittleEndian(FILE* stream, int bytes, std::uint32_t* value);
// Whether a picture of rows rows of rowBytes bytes each fits in an int's
// count of bytes. Tested by division, so that no product can overflow.
bool fitsInIntBytes(long long rowBytes, long long rows);
