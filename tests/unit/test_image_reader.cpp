#include <gtest/gtest.h>

#include "image/image.h"
#include "tests/unit/test_image_files.h"

#include <sys/resource.h>

#include <memory>
#include <string>

namespace {

// The refusal of a file: no raster, and exactly these messages.
void expectRefused(const Bytes& bytes, const std::string& messages) {
    BmpRead r = readBmpBytes(bytes);
    EXPECT_EQ(r.image, nullptr);
    EXPECT_EQ(r.messages, messages);
}

Pixel rgb(std::uint32_t v) { return Pixel(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF, 255); }

BmpBuilder twoByTwo() {
    BmpBuilder b;
    b.rows = {rgbRow({1, 2, 3, 4, 5, 6}), rgbRow({7, 8, 9, 10, 11, 12})};
    b.padByte = 0xEE;
    return b;
}

// A 3 x 2 picture at 8 bits whose pixels name their palette entries.
BmpBuilder palettedThreeByTwo() {
    BmpBuilder b;
    b.width = 3;
    b.bitCount = 8;
    b.clrUsed = 4;
    b.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    b.rows = {{1, 2, 3}, {3, 0, 1}};
    return b;
}

// A one-row picture at 1 bit.
BmpBuilder monoRow(int width, std::vector<std::uint32_t> palette, std::vector<unsigned char> row) {
    BmpBuilder b;
    b.bitCount = 1;
    b.width = width;
    b.height = 1;
    b.palette = std::move(palette);
    b.rows = {std::move(row)};
    return b;
}

Bytes truncated(Bytes bytes, size_t length) {
    bytes.resize(length);
    poke32(bytes, 2, static_cast<std::uint32_t>(length));
    return bytes;
}

#if !defined(__SANITIZE_ADDRESS__)
// Run in a child: reads the file with the address space held to 512 MB,
// exits 0 when no raster came back.
[[noreturn]] void readUnderMemoryLimit(const Bytes& bytes) {
    rlimit limit{512u << 20, 512u << 20};
    setrlimit(RLIMIT_AS, &limit);
    FILE* stream = openBytes(bytes);
    RasterImage* image = readBMP(stream);
    std::exit(image ? 2 : 0);
}
#endif

const std::string fileHeaderStep = "readBMP: getfileheader returned a bad status.\n";
const std::string infoHeaderStep = "readBMP: getinfoheader returned a bad status.\n";

}  // namespace

TEST(BmpReader, ReadsTwentyFourBitsWithRowZeroAtTheBottom) {
    Bytes bytes = twoByTwo().build();
    ASSERT_EQ(bytes.size(), 70u);
    BmpRead r = readBmpBytes(bytes);
    ASSERT_NE(r.image, nullptr);
    EXPECT_EQ(r.messages, "");
    EXPECT_EQ(r.image->width_, 2);
    EXPECT_EQ(r.image->height_, 2);
    EXPECT_EQ(r.image->pixels[0], Pixel(1, 2, 3, 255));
    EXPECT_EQ(r.image->pixels[1], Pixel(4, 5, 6, 255));
    EXPECT_EQ(r.image->pixels[2], Pixel(7, 8, 9, 255));
    EXPECT_EQ(r.image->pixels[3], Pixel(10, 11, 12, 255));
}

TEST(BmpReader, FileHeaderFaultsAreNamedByGetfileheader) {
    Bytes good = twoByTwo().build();
    Bytes notBitmap = good;
    notBitmap[0] = 'M';
    notBitmap[1] = 'B';
    Bytes wrongSize = good;
    poke32(wrongSize, 2, 71);
    Bytes reserved1 = good;
    reserved1[6] = 1;
    Bytes reserved2 = good;
    reserved2[9] = 1;
    const std::string eof = "getfileheader: Unexpected end of file.\n";
    expectRefused({}, eof + fileHeaderStep);
    expectRefused({'B'}, eof + fileHeaderStep);
    expectRefused({'B', 'M', 3, 0}, eof + fileHeaderStep);
    expectRefused(notBitmap, "getfileheader: File is not a valid bitmap.\n" + fileHeaderStep);
    expectRefused(wrongSize, "getfileheader: Incorrect file size.\n" + fileHeaderStep);
    expectRefused(reserved1, "getfileheader: bfReserved1 should be 0.\n" + fileHeaderStep);
    expectRefused(reserved2, "getfileheader: bfReserved2 should be 0.\n" + fileHeaderStep);
    expectRefused(truncated(good, 12), eof + fileHeaderStep);  // inside bfOffBits
}

TEST(BmpReader, InfoHeaderFaultsAreNamedByGetinfoheader) {
    Bytes good = twoByTwo().build();
    const std::string eof = "getinfoheader: Unexpected end of file.\n";
    const std::string bits = "getinfoheader: Invalid biBitCount value.\n";
    const std::string rle = "getinfoheader: Sorry, RLE not implemented.\n";
    expectRefused(truncated(good, 14), eof + infoHeaderStep);
    expectRefused(truncated(good, 27), eof + infoHeaderStep);  // inside biPlanes
    expectRefused(truncated(good, 29), eof + infoHeaderStep);  // inside biBitCount
    expectRefused(truncated(good, 33), eof + infoHeaderStep);  // inside biCompression
    expectRefused(truncated(good, 53), eof + infoHeaderStep);  // inside biClrImportant
    expectRefused(with16(good, 26, 0), "getinfoheader: biPlanes should be 1.\n" + infoHeaderStep);
    expectRefused(with16(good, 26, 2), "getinfoheader: biPlanes should be 1.\n" + infoHeaderStep);
    for (std::uint32_t count : {0u, 2u, 16u, 32u}) expectRefused(with16(good, 28, count), bits + infoHeaderStep);
    for (std::uint32_t method : {1u, 2u, 3u, 0x80000000u})
        expectRefused(with32(good, 30, method), rle + infoHeaderStep);
}

TEST(BmpReader, SidesThatAreNotPositiveOrTooLargeAreRefusedBeforeAnyAllocation) {
    Bytes good = twoByTwo().build();
    struct Case {
        std::int32_t width, height;
        const char* message;
    } cases[] = {
        {0, 2, "getinfoheader: biWidth should be greater than 0.\n"},
        {-2, 2, "getinfoheader: biWidth should be greater than 0.\n"},
        {2, 0, "getinfoheader: biHeight should be greater than 0.\n"},
        {2, -2, "getinfoheader: Sorry, top-down bitmaps not implemented.\n"},
        {40000, 40000, "getinfoheader: Image too large.\n"},
        {0x7FFFFFFF, 1, "getinfoheader: Image too large.\n"},
        {65536, 8192, "getinfoheader: Image too large.\n"},  // 2^29 pixels: 2^31 raster bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        Bytes b = good;
        poke32(b, 18, static_cast<std::uint32_t>(c.width));
        poke32(b, 22, static_cast<std::uint32_t>(c.height));
        expectRefused(b, c.message + infoHeaderStep);
    }
}

TEST(BmpReader, HeadersTooShortOrPalettesTooLongForTheirDepthAreRefused) {
    BmpBuilder os2 = twoByTwo();
    os2.headerSize = 12;
    expectRefused(os2.build(), "getinfoheader: biSize should be at least 40.\n" + infoHeaderStep);

    const std::string tooMany = "getinfoheader: biClrUsed too large for biBitCount.\n" + infoHeaderStep;
    BmpBuilder four = palettedThreeByTwo();
    four.bitCount = 4;
    four.rows = {{0x12, 0x30}, {0x30, 0x10}};
    four.clrUsed = 16;
    four.palette.resize(16);
    EXPECT_NE(readBmpBytes(four.build()).image, nullptr);
    four.clrUsed = 17;
    four.palette.resize(17);
    expectRefused(four.build(), tooMany);

    BmpBuilder eight = palettedThreeByTwo();
    eight.clrUsed = 257;
    eight.palette.resize(257);
    expectRefused(eight.build(), tooMany);
    Bytes huge = eight.build();
    poke32(huge, 46, 0xFFFFFFFF);
    expectRefused(huge, tooMany);
}

TEST(BmpReader, ShortPaletteOrRowsAreNamedByTheirDecoder) {
    BmpBuilder mono;
    mono.bitCount = 1;
    mono.width = 10;
    mono.palette = {0, 0xFFFFFF};
    mono.rows = {{0xFF, 0xC0}, {0, 0}};
    BmpBuilder four = palettedThreeByTwo();
    four.bitCount = 4;
    four.rows = {{0x12, 0x30}, {0x30, 0x10}};
    BmpBuilder eight = palettedThreeByTwo();
    BmpBuilder twentyFour = twoByTwo();
    struct Case {
        const BmpBuilder* file;
        const char* messages;
    } cases[] = {
        {&mono, "getmono: Unexpected end of file.\nreadBMP: getmono returned a bad status.\n"},
        {&four, "get4bits: Unexpected end of file.\nget4bits: Unable to get image data.\n"},
        {&eight, "get8bits: Unexpected end of file.\nget8bits: Unable to get image data.\n"},
        {&twentyFour, "get24bits: Unexpected end of file.\nget24bits: Unable to get image data.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file->bitCount);
        Bytes whole = c.file->build();
        ASSERT_NE(readBmpBytes(whole).image, nullptr);
        // The last row one byte short, and bfSize telling the truth about it.
        expectRefused(truncated(whole, whole.size() - 1), c.messages);
        if (c.file->bitCount != 24) {
            expectRefused(truncated(whole, 14 + 40 + 4 * c.file->palette.size() - 1),
                          "getpalette: Unexpected end of file.\nreadBMP: getpalette returned a bad status.\n");
        }
    }
    // bfSize still giving the full length: the size test refuses it first.
    Bytes whole = twentyFour.build();
    whole.pop_back();
    expectRefused(whole, "getfileheader: Incorrect file size.\n" + fileHeaderStep);
}

TEST(BmpReader, DecodersReportTheirOwnShortReads) {
    // Called on their own, as readBMP does once the file is known to hold
    // its rows: a stream that ends early still fails cleanly.
    unsigned char red[4], green[4], blue[4];
    unsigned char paletteRed[2] = {0, 255}, paletteGreen[2] = {0, 255}, paletteBlue[2] = {0, 255};
    BitmapPlanes planes = {red, green, blue, 2, 2, paletteRed, paletteGreen, paletteBlue, 2};
    Bytes sevenBytes(7, 0);
    struct Case {
        int (*decode)(FILE*, BitmapPlanes*);
        const char* message;
    } cases[] = {
        {getmono, "getmono: Unexpected end of file.\n"},
        {get4bits, "get4bits: Unexpected end of file.\n"},
        {get8bits, "get8bits: Unexpected end of file.\n"},
        {get24bits, "get24bits: Unexpected end of file.\n"},
    };
    for (const Case& c : cases) {
        FILE* stream = openBytes(sevenBytes);
        testing::internal::CaptureStderr();
        EXPECT_EQ(c.decode(stream, &planes), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        std::fclose(stream);
    }
    BitmapPlanes palette = {};
    palette.n = 2;
    FILE* stream = openBytes(sevenBytes);
    testing::internal::CaptureStderr();
    EXPECT_EQ(getpalette(stream, &palette), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "getpalette: Unexpected end of file.\n");
    std::fclose(stream);
    std::free(palette.redPalette);
    std::free(palette.greenPalette);
    std::free(palette.bluePalette);
}

TEST(BmpReader, PaletteIndicesPastThePaletteAreRefused) {
    BmpBuilder eight = palettedThreeByTwo();
    eight.rows = {{1, 2, 3}, {3, 4, 1}};  // 4 is one past the last entry
    expectRefused(eight.build(), "get8bits: Palette index out of range.\nget8bits: Unable to get image data.\n");

    BmpBuilder four = palettedThreeByTwo();
    four.bitCount = 4;
    four.rows = {{0x12, 0x30}, {0x3F, 0x10}};
    expectRefused(four.build(), "get4bits: Palette index out of range.\nget4bits: Unable to get image data.\n");
    // The pad nibble of an odd width is no pixel and is not looked at.
    four.rows = {{0x12, 0x3F}, {0x30, 0x1F}};
    EXPECT_NE(readBmpBytes(four.build()).image, nullptr);
}

TEST(BmpReaderDeathTest, AFileClaimingMorePixelsThanItHoldsFailsWithoutAllocatingThem) {
    // 20000 x 20000 at 8 bits would need 1.2 GB of planes; the file has 100 bytes.
    BmpBuilder b = palettedThreeByTwo();
    b.width = 20000;
    b.height = 20000;
    b.rows.clear();
    Bytes bytes = b.build();
    bytes.resize(100);
    poke32(bytes, 2, 100);
#if defined(__SANITIZE_ADDRESS__)
    expectRefused(bytes, "get8bits: Unexpected end of file.\nget8bits: Unable to get image data.\n");
#else
    // Under a 512 MB address-space limit an attempt to allocate would show
    // as "Not enough memory" instead of the short read.
    EXPECT_EXIT(readUnderMemoryLimit(bytes), testing::ExitedWithCode(0),
                "^get8bits: Unexpected end of file.\nget8bits: Unable to get image data.\n$");
#endif
}

TEST(BmpReader, PaletteSizeFollowsTheDepthAndBiClrUsed) {
    // With bfOffBits of no use, the rows are found right after the palette,
    // so a wrong palette length would shift every row.
    BmpBuilder eight = palettedThreeByTwo();
    eight.clrUsed = 0;
    eight.palette.assign(256, 0x123456);
    eight.palette[255] = 0xABCDEF;
    eight.rows = {{255, 0, 255}, {0, 0, 0}};
    BmpRead r = readBmpBytes(with32(eight.build(), 10, 0));
    ASSERT_NE(r.image, nullptr);
    EXPECT_EQ(r.image->pixels[0], rgb(0xABCDEF));
    EXPECT_EQ(r.image->pixels[1], rgb(0x123456));

    eight = palettedThreeByTwo();
    eight.clrUsed = 20;
    eight.palette.assign(20, 0);
    eight.palette[19] = 0x0A0B0C;
    eight.rows = {{19, 19, 19}, {0, 19, 0}};
    r = readBmpBytes(with32(eight.build(), 10, 0));
    ASSERT_NE(r.image, nullptr);
    EXPECT_EQ(r.image->pixels[4], rgb(0x0A0B0C));
    EXPECT_EQ(r.image->pixels[5], rgb(0));

    // At 1 bit two entries are read whatever biClrUsed says.
    BmpBuilder mono = monoRow(3, {0x102030, 0x405060}, {0x40});
    mono.clrUsed = 1;
    r = readBmpBytes(with32(mono.build(), 10, 0));
    ASSERT_NE(r.image, nullptr);
    EXPECT_EQ(r.image->pixels[0], rgb(0x102030));
    EXPECT_EQ(r.image->pixels[1], rgb(0x405060));
    EXPECT_EQ(r.image->pixels[2], rgb(0x102030));
}

TEST(BmpReader, PackedDepthsTakeTheLeftmostPixelFromTheHighBits) {
    // Pad bits and bytes set: never read.
    BmpBuilder mono = monoRow(10, {0x000000, 0xFFFFFF}, {0xA5, 0x7F, 0xFF, 0xFF});
    BmpRead r = readBmpBytes(mono.build());
    ASSERT_NE(r.image, nullptr);
    const int bits[10] = {1, 0, 1, 0, 0, 1, 0, 1, 0, 1};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(r.image->pixels[x].red, bits[x] ? 255 : 0) << "column " << x;

    BmpBuilder four = palettedThreeByTwo();
    four.bitCount = 4;
    four.height = 1;
    four.rows = {{0x21, 0x3F}};
    ASSERT_EQ(four.rowLength(), 4u);
    r = readBmpBytes(four.build());
    ASSERT_NE(r.image, nullptr);
    EXPECT_EQ(r.image->pixels[0], rgb(0x00FF00));
    EXPECT_EQ(r.image->pixels[1], rgb(0xFF0000));
    EXPECT_EQ(r.image->pixels[2], rgb(0x0000FF));

    BmpRead eight = readBmpBytes(palettedThreeByTwo().build());
    ASSERT_NE(eight.image, nullptr);
    const Pixel expected[6] = {rgb(0xFF0000), rgb(0x00FF00), rgb(0x0000FF),
                               rgb(0x0000FF), rgb(0x000000), rgb(0xFF0000)};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(eight.image->pixels[i], expected[i]) << "pixel " << i;
}

TEST(BmpReader, PaletteFollowsALongerInfoHeaderAndRowsStartAtBfOffBits) {
    // A V5 header (124 bytes) with a gap before the rows.
    BmpBuilder v5 = palettedThreeByTwo();
    v5.headerSize = 124;
    v5.gap = 6;
    BmpRead r = readBmpBytes(v5.build());
    ASSERT_NE(r.image, nullptr);
    EXPECT_EQ(r.image->pixels[0], rgb(0xFF0000));
    EXPECT_EQ(r.image->pixels[3], rgb(0x0000FF));

    // 24 bits with a palette the reader has no use for, then the rows.
    BmpBuilder withPalette = twoByTwo();
    withPalette.clrUsed = 3;
    withPalette.palette = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    withPalette.gap = 3;
    r = readBmpBytes(withPalette.build());
    ASSERT_NE(r.image, nullptr);
    EXPECT_EQ(r.image->pixels[0], Pixel(1, 2, 3, 255));
    EXPECT_EQ(r.image->pixels[3], Pixel(10, 11, 12, 255));
}

TEST(BmpReader, UnusableBfOffBitsFallsBackToTheEndOfThePalette) {
    Bytes good = palettedThreeByTwo().build();
    const std::uint32_t paletteEnd = 54 + 16;
    for (std::uint32_t offBits : {0u, 54u, paletteEnd - 1, static_cast<std::uint32_t>(good.size()), 0xFFFFFFFFu}) {
        SCOPED_TRACE(offBits);
        Bytes b = good;
        poke32(b, 10, offBits);
        BmpRead r = readBmpBytes(b);
        ASSERT_NE(r.image, nullptr);
        EXPECT_EQ(r.image->pixels[0], rgb(0xFF0000));
        EXPECT_EQ(r.image->pixels[5], rgb(0xFF0000));
    }
    // Inside the file but leaving too few bytes for the rows.
    Bytes b = good;
    poke32(b, 10, paletteEnd + 1);
    expectRefused(b, "get8bits: Unexpected end of file.\nget8bits: Unable to get image data.\n");
}

TEST(BmpReader, EveryDepthGivesOpaquePixels) {
    BmpBuilder mono = monoRow(1, {0, 0}, {0x80});
    BmpBuilder four = palettedThreeByTwo();
    four.bitCount = 4;
    four.rows = {{0x12, 0x30}, {0x30, 0x10}};
    for (const Bytes& bytes : {mono.build(), four.build(), palettedThreeByTwo().build(), twoByTwo().build()}) {
        BmpRead r = readBmpBytes(bytes);
        ASSERT_NE(r.image, nullptr);
        for (int i = 0; i < r.image->pixelCount_; ++i) EXPECT_EQ(r.image->pixels[i].alpha, 255);
    }
}

TEST(BmpReader, NullStreamGivesOneMessage) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(readBMP(nullptr), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "readBMP: Passed null file pointer.\n");
}

TEST(BmpRoundTrip, WrittenFilesReadBackUpsideDownAndOpaque) {
    for (int width : {1, 2, 3, 4, 5, 7}) {
        SCOPED_TRACE(width);
        RasterImage image(width, 3);
        for (int i = 0; i < image.pixelCount_; ++i)
            image.pixels[i] = Pixel(static_cast<unsigned char>(i), static_cast<unsigned char>(3 * i),
                                    static_cast<unsigned char>(255 - i), static_cast<unsigned char>(i * 40));
        FILE* stream = std::tmpfile();
        ASSERT_EQ(writeBMP(&image, stream), 1);
        std::rewind(stream);
        testing::internal::CaptureStderr();
        std::unique_ptr<RasterImage> back(readBMP(stream));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        std::fclose(stream);
        ASSERT_NE(back, nullptr);
        ASSERT_EQ(back->width_, width);
        ASSERT_EQ(back->height_, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x) {
                Pixel p = image.pixels[(2 - y) * width + x];
                p.alpha = 255;
                EXPECT_EQ(back->pixels[y * width + x], p) << "column " << x << ", row " << y;
            }
    }
}
