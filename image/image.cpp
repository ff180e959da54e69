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
// BMP reader

static int report(const char* message) {
    std::fputs(message, stderr);
    return 0;
}

int getLittleEndian(FILE* stream, int bytes, std::uint32_t* value) {
    assert(bytes == 2 || bytes == 4);
    int complete = 1;
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        int byte = std::getc(stream);
        if (byte == EOF) complete = 0;
        v |= static_cast<std::uint32_t>(byte & 0xFF) << (8 * i);
    }
    *value = v;
    return complete;
}

bool fitsInIntBytes(long long rowBytes, long long rows) {
    assert(rowBytes > 0 && rows > 0);
    return rowBytes <= INT_MAX / rows;
}

// The header fields: a field cut off by the end of the file fails the read.
static int get16(FILE* stream, std::uint16_t* v) {
    std::uint32_t u;
    if (!getLittleEndian(stream, 2, &u)) return 0;
    *v = static_cast<std::uint16_t>(u);
    return 1;
}

static int get32(FILE* stream, std::uint32_t* v) { return getLittleEndian(stream, 4, v); }

static int get32(FILE* stream, std::int32_t* v) {
    std::uint32_t u;
    if (!get32(stream, &u)) return 0;
    *v = static_cast<std::int32_t>(u);
    return 1;
}

// -1 when the stream cannot tell where it ends, which no bfSize matches.
long long streamLength(FILE* stream) {
    long position = std::ftell(stream);
    if (position < 0 || std::fseek(stream, 0, SEEK_END) != 0) return -1;
    long length = std::ftell(stream);
    if (std::fseek(stream, position, SEEK_SET) != 0) return -1;
    return length;
}

int getfileheader(FILE* stream, BitmapFileHeader* header) {
    const char* eof = "getfileheader: Unexpected end of file.\n";
    if (!get16(stream, &header->bfType)) return report(eof);
    if (header->bfType != 0x4D42) return report("getfileheader: File is not a valid bitmap.\n");
    if (!get32(stream, &header->bfSize)) return report(eof);
    if (header->bfSize != streamLength(stream)) return report("getfileheader: Incorrect file size.\n");
    if (!get16(stream, &header->bfReserved1)) return report(eof);
    if (header->bfReserved1 != 0) return report("getfileheader: bfReserved1 should be 0.\n");
    if (!get16(stream, &header->bfReserved2)) return report(eof);
    if (header->bfReserved2 != 0) return report("getfileheader: bfReserved2 should be 0.\n");
    if (!get32(stream, &header->bfOffBits)) return report(eof);
    return 1;
}

int getinfoheader(FILE* stream, BitmapInfoHeader* header) {
    const char* eof = "getinfoheader: Unexpected end of file.\n";
    if (!get32(stream, &header->biSize) || !get32(stream, &header->biWidth) || !get32(stream, &header->biHeight) ||
        !get16(stream, &header->biPlanes))
        return report(eof);
    // Shorter headers (OS/2's 12 bytes) lay their fields out differently;
    // read as this layout they would only yield nonsense.
    if (header->biSize < 40) return report("getinfoheader: biSize should be at least 40.\n");
    if (header->biPlanes != 1) return report("getinfoheader: biPlanes should be 1.\n");
    if (!get16(stream, &header->biBitCount)) return report(eof);
    std::uint16_t bits = header->biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return report("getinfoheader: Invalid biBitCount value.\n");
    if (!get32(stream, &header->biCompression)) return report(eof);
    if (header->biCompression != 0) return report("getinfoheader: Sorry, RLE not implemented.\n");
    if (!get32(stream, &header->biSizeImage) || !get32(stream, &header->biXPelsPerMeter) ||
        !get32(stream, &header->biYPelsPerMeter) || !get32(stream, &header->biClrUsed) ||
        !get32(stream, &header->biClrImportant))
        return report(eof);
    // Refused here, before anything is allocated or the raster's assertions
    // could stop the program.
    if (header->biWidth <= 0) return report("getinfoheader: biWidth should be greater than 0.\n");
    if (header->biHeight < 0) return report("getinfoheader: Sorry, top-down bitmaps not implemented.\n");
    if (header->biHeight == 0) return report("getinfoheader: biHeight should be greater than 0.\n");
    // The raster holds four bytes a pixel.
    if (!fitsInIntBytes(4LL * header->biWidth, header->biHeight))
        return report("getinfoheader: Image too large.\n");
    if ((bits == 4 && header->biClrUsed > 16) || (bits == 8 && header->biClrUsed > 256))
        return report("getinfoheader: biClrUsed too large for biBitCount.\n");
    return 1;
}

// Frees three channel arrays and forgets them, so a second release is harmless.
static void releaseChannels(unsigned char** red, unsigned char** green, unsigned char** blue) {
    std::free(*red);
    std::free(*green);
    std::free(*blue);
    *red = *green = *blue = nullptr;
}

static void releasePalette(BitmapPlanes* planes) {
    releaseChannels(&planes->redPalette, &planes->greenPalette, &planes->bluePalette);
}

int getpalette(FILE* stream, BitmapPlanes* planes) {
    size_t n = planes->n;
    unsigned char* buffer = static_cast<unsigned char*>(std::malloc(4 * n));
    releasePalette(planes);
    planes->redPalette = static_cast<unsigned char*>(std::malloc(n));
    planes->greenPalette = static_cast<unsigned char*>(std::malloc(n));
    planes->bluePalette = static_cast<unsigned char*>(std::malloc(n));
    if (!buffer || !planes->redPalette || !planes->greenPalette || !planes->bluePalette) {
        std::free(buffer);
        releasePalette(planes);
        return report("getpalette: Not enough memory.\n");
    }
    if (std::fread(buffer, 1, 4 * n, stream) != 4 * n) {
        std::free(buffer);
        return report("getpalette: Unexpected end of file.\n");
    }
    for (size_t j = 0; j < n; ++j) {
        planes->bluePalette[j] = buffer[4 * j];
        planes->greenPalette[j] = buffer[4 * j + 1];
        planes->redPalette[j] = buffer[4 * j + 2];
    }
    std::free(buffer);
    return 1;
}

// The palette index of column x in a row of 1, 4 or 8 bits per pixel; the
// leftmost pixel sits in the most significant bits of its byte.
static unsigned paletteIndex(const unsigned char* row, size_t x, int bitCount) {
    if (bitCount == 8) return row[x];
    if (bitCount == 4) return x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

// The shape all four row decoders share; `name` is the decoder that reports.
static int getrows(FILE* stream, BitmapPlanes* planes, const char* name, int bitCount) {
    size_t length = static_cast<size_t>(rowLength(planes->width, bitCount));
    size_t width = static_cast<size_t>(planes->width);
    unsigned char* row = static_cast<unsigned char*>(std::malloc(length));
    if (!row) {
        std::fprintf(stderr, "%s: Not enough memory.\n", name);
        return 0;
    }
    size_t i = 0;
    for (std::int32_t y = 0; y < planes->height; ++y) {
        if (std::fread(row, 1, length, stream) != length) {
            std::free(row);
            std::fprintf(stderr, "%s: Unexpected end of file.\n", name);
            return 0;
        }
        for (size_t x = 0; x < width; ++x, ++i) {
            if (bitCount == 24) {
                planes->blue[i] = row[3 * x];
                planes->green[i] = row[3 * x + 1];
                planes->red[i] = row[3 * x + 2];
                continue;
            }
            unsigned index = paletteIndex(row, x, bitCount);
            // An index past the palette would read beyond its tables.
            if (index >= planes->n) {
                std::free(row);
                std::fprintf(stderr, "%s: Palette index out of range.\n", name);
                return 0;
            }
            planes->red[i] = planes->redPalette[index];
            planes->green[i] = planes->greenPalette[index];
            planes->blue[i] = planes->bluePalette[index];
        }
    }
    std::free(row);
    return 1;
}

int getmono(FILE* stream, BitmapPlanes* planes) { return getrows(stream, planes, "getmono", 1); }
int get4bits(FILE* stream, BitmapPlanes* planes) { return getrows(stream, planes, "get4bits", 4); }
int get8bits(FILE* stream, BitmapPlanes* planes) { return getrows(stream, planes, "get8bits", 8); }
int get24bits(FILE* stream, BitmapPlanes* planes) { return getrows(stream, planes, "get24bits", 24); }

struct RowDecoder {
    int bitCount;
    const char* name;
    int (*decode)(FILE*, BitmapPlanes*);
    const char* failure;  // readBMP's line when the decoder fails
};

static const RowDecoder rowDecoders[] = {
    {1, "getmono", getmono, "readBMP: getmono returned a bad status.\n"},
    {4, "get4bits", get4bits, "get4bits: Unable to get image data.\n"},
    {8, "get8bits", get8bits, "get8bits: Unable to get image data.\n"},
    {24, "get24bits", get24bits, "get24bits: Unable to get image data.\n"},
};

static std::nullptr_t reportNull(const char* message) {
    std::fputs(message, stderr);
    return nullptr;
}

static void releasePlanes(BitmapPlanes* planes) {
    releaseChannels(&planes->red, &planes->green, &planes->blue);
    releasePalette(planes);
}

// readBMP's steps; the caller releases the working storage on every path.
static RasterImage* readPlanes(FILE* stream, BitmapPlanes* planes) {
    BitmapFileHeader file;
    BitmapInfoHeader info;
    if (!getfileheader(stream, &file)) return reportNull("readBMP: getfileheader returned a bad status.\n");
    if (!getinfoheader(stream, &info)) return reportNull("readBMP: getinfoheader returned a bad status.\n");
    planes->width = info.biWidth;
    planes->height = info.biHeight;
    const RowDecoder* decoder = rowDecoders;
    while (decoder->bitCount != info.biBitCount) ++decoder;
    if (info.biBitCount == 1)
        planes->n = 2;
    else if (info.biBitCount == 24)
        planes->n = 0;
    else
        planes->n = info.biClrUsed ? info.biClrUsed : 1u << info.biBitCount;

    // The palette follows the info header, whatever its length; the rows
    // start at bfOffBits when that leaves the palette whole and lies inside
    // the file, and right after the palette otherwise. Nothing is allocated
    // until the file is known to hold everything, so a small file claiming
    // a huge picture costs nothing; it fails as the short read would.
    long long length = streamLength(stream);
    long long paletteStart = 14 + static_cast<long long>(info.biSize);
    long long paletteEnd = paletteStart + 4 * static_cast<long long>(planes->n);
    long long rowStart = file.bfOffBits >= paletteEnd && file.bfOffBits < length ? file.bfOffBits : paletteEnd;
    long long rowBytes = rowLength(info.biWidth, info.biBitCount) * info.biHeight;
    if (planes->n && paletteEnd > length) {
        std::fputs("getpalette: Unexpected end of file.\n", stderr);
        return reportNull("readBMP: getpalette returned a bad status.\n");
    }
    if (rowStart + rowBytes > length) {
        std::fprintf(stderr, "%s: Unexpected end of file.\n", decoder->name);
        return reportNull(decoder->failure);
    }

    size_t count = static_cast<size_t>(info.biWidth) * static_cast<size_t>(info.biHeight);
    planes->red = static_cast<unsigned char*>(std::malloc(count));
    planes->green = static_cast<unsigned char*>(std::malloc(count));
    planes->blue = static_cast<unsigned char*>(std::malloc(count));
    if (!planes->red || !planes->green || !planes->blue) return reportNull("readBMP: Not enough memory.\n");

    if (planes->n) {
        if (std::fseek(stream, static_cast<long>(paletteStart), SEEK_SET) != 0) {
            std::fputs("getpalette: Unexpected end of file.\n", stderr);
            return reportNull("readBMP: getpalette returned a bad status.\n");
        }
        if (!getpalette(stream, planes)) return reportNull("readBMP: getpalette returned a bad status.\n");
    }
    if (std::fseek(stream, static_cast<long>(rowStart), SEEK_SET) != 0) {
        std::fprintf(stderr, "%s: Unexpected end of file.\n", decoder->name);
        return reportNull(decoder->failure);
    }
    if (!decoder->decode(stream, planes)) return reportNull(decoder->failure);

    RasterImage* image = new (std::nothrow) RasterImage(planes->width, planes->height);
    if (!image) return reportNull("readBMP: Not enough memory.\n");
    for (size_t i = 0; i < count; ++i)
        image->pixels[i] = Pixel(planes->red[i], planes->green[i], planes->blue[i], 255);
    return image;
}

RasterImage* readBMP(FILE* stream) {
    BitmapPlanes planes = {};
    if (!stream) return reportNull("readBMP: Passed null file pointer.\n");
    RasterImage* image = readPlanes(stream, &planes);
    releasePlanes(&planes);
    return image;
}

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
    // The header's fields in rows, as they lie in the file.
    // clang-format off
    const HeaderField fields[] = {
        {4, 40},                                         // biSize
        {4, static_cast<std::uint32_t>(planes->width)},  // biWidth
        {4, static_cast<std::uint32_t>(planes->height)}, // biHeight
        {2, 1},                                          // biPlanes
        {2, 24},                                         // biBitCount
        {4, 0},                                          // biCompression
        {4, 0},                                          // biSizeImage
        {4, 0},                                          // biXPelsPerMeter
        {4, 0},                                          // biYPelsPerMeter
        {4, 0},                                          // biClrUsed
        {4, 0},                                          // biClrImportant
    };
    // clang-format on
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
    releaseChannels(&planes->red, &planes->green, &planes->blue);
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
