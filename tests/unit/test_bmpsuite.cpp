// The public BMP suite: good files read pixel-exact or refused for a stated
// reason, bad files refused (or, where only unused fields are wrong, read),
// and nothing crashes. The checksums were taken from ImageMagick's decoding
// of each file, so they do not depend on our reader.
#include <gtest/gtest.h>

#include "image/image.h"
#include "image/texture.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace {

const std::string suite = SANDMERE_BMPSUITE_DIR;

// FNV-1a, 64 bits, over red, green, blue of every pixel, bottom row first.
struct Checksum {
    std::uint64_t h = 0xcbf29ce484222325ull;
    void add(unsigned char byte) { h = (h ^ byte) * 0x100000001b3ull; }
};

struct Exact {
    const char* file;
    int width, height;
    std::uint64_t checksum;
};

const Exact exactFiles[] = {
    {"g/pal1.bmp", 127, 64, 0x91d2eac19077c851ull},
    {"g/pal1bg.bmp", 127, 64, 0x0c1164a42ab2e095ull},
    {"g/pal1wb.bmp", 127, 64, 0x91d2eac19077c851ull},
    {"g/pal4.bmp", 127, 64, 0xf1fd42f3570ea029ull},
    {"g/pal4gs.bmp", 127, 64, 0xac66b235b8e89b9aull},
    {"g/pal8-0.bmp", 127, 64, 0x562356140f0340d2ull},  // biClrUsed 0: 256 entries
    {"g/pal8.bmp", 127, 64, 0x562356140f0340d2ull},
    {"g/pal8gs.bmp", 127, 64, 0x5734efb3781e15e7ull},
    {"g/pal8nonsquare.bmp", 127, 32, 0xee32a9904a4798eeull},
    {"g/pal8v4.bmp", 127, 64, 0x562356140f0340d2ull},  // 108-byte info header
    {"g/pal8v5.bmp", 127, 64, 0x562356140f0340d2ull},  // 124-byte info header
    {"g/pal8w124.bmp", 124, 61, 0xef073341fac06ecdull},
    {"g/pal8w125.bmp", 125, 62, 0x0ba8189264b83243ull},
    {"g/pal8w126.bmp", 126, 63, 0x4bbe5462ce342881ull},
    {"g/rgb24.bmp", 127, 64, 0xae238b90fb37f697ull},
    {"g/rgb24pal.bmp", 127, 64, 0xae238b90fb37f697ull},  // a palette before the rows
    // Only fields the reader never uses are wrong in these.
    {"b/badbitssize.bmp", 127, 64, 0x91d2eac19077c851ull},
    {"b/baddens1.bmp", 127, 64, 0x91d2eac19077c851ull},
    {"b/baddens2.bmp", 127, 64, 0x91d2eac19077c851ull},
    // A 66-byte info header: its palette and rows lie where the header says.
    {"b/badheadersize.bmp", 127, 64, 0x91d2eac19077c851ull},
};

#define FILE_STEP "readBMP: getfileheader returned a bad status.\n"
#define INFO_STEP "readBMP: getinfoheader returned a bad status.\n"
#define RLE "getinfoheader: Sorry, RLE not implemented.\n" INFO_STEP
#define BIT_COUNT "getinfoheader: Invalid biBitCount value.\n" INFO_STEP
#define FILE_SIZE "getfileheader: Incorrect file size.\n" FILE_STEP

struct Refused {
    const char* file;
    const char* messages;
};

const Refused refusedFiles[] = {
    {"g/pal4rle.bmp", RLE},
    {"g/pal8rle.bmp", RLE},
    {"g/pal8os2.bmp", "getinfoheader: biSize should be at least 40.\n" INFO_STEP},
    {"g/pal8topdown.bmp", "getinfoheader: Sorry, top-down bitmaps not implemented.\n" INFO_STEP},
    {"g/rgb16.bmp", BIT_COUNT},
    {"g/rgb16-565.bmp", BIT_COUNT},
    {"g/rgb16-565pal.bmp", BIT_COUNT},
    {"g/rgb16bfdef.bmp", BIT_COUNT},
    {"g/rgb32.bmp", BIT_COUNT},
    {"g/rgb32bf.bmp", BIT_COUNT},
    {"g/rgb32bfdef.bmp", BIT_COUNT},
    {"b/badbitcount.bmp", BIT_COUNT},
    {"b/badfilesize.bmp", FILE_SIZE},
    {"b/badpalettesize.bmp", "getinfoheader: biClrUsed too large for biBitCount.\n" INFO_STEP},
    {"b/badplanes.bmp", "getinfoheader: biPlanes should be 1.\n" INFO_STEP},
    {"b/badrle.bmp", RLE},
    {"b/badrle4.bmp", RLE},
    {"b/badrle4bis.bmp", RLE},
    {"b/badrle4ter.bmp", RLE},
    {"b/badrlebis.bmp", RLE},
    {"b/badrleter.bmp", RLE},
    {"b/badwidth.bmp", "getinfoheader: biWidth should be greater than 0.\n" INFO_STEP},
    {"b/pal8badindex.bmp", "get8bits: Palette index out of range.\nget8bits: Unable to get image data.\n"},
    {"b/reallybig.bmp", FILE_SIZE},
    {"b/rgb16-880.bmp", BIT_COUNT},
    {"b/rletopdown.bmp", RLE},
    {"b/shortfile.bmp", FILE_SIZE},
};

struct Read {
    std::unique_ptr<RasterImage> image;
    std::string messages;
};

Read readSuiteFile(const std::string& file) {
    Read r;
    FILE* stream = std::fopen((suite + "/" + file).c_str(), "rb");
    EXPECT_NE(stream, nullptr) << file;
    if (!stream) return r;
    testing::internal::CaptureStderr();
    r.image.reset(readBMP(stream));
    r.messages = testing::internal::GetCapturedStderr();
    std::fclose(stream);
    return r;
}

}  // namespace

TEST(BmpSuite, UncompressedFilesReadPixelExact) {
    for (const Exact& e : exactFiles) {
        SCOPED_TRACE(e.file);
        Read r = readSuiteFile(e.file);
        ASSERT_NE(r.image, nullptr) << r.messages;
        EXPECT_EQ(r.messages, "");
        EXPECT_EQ(r.image->width_, e.width);
        EXPECT_EQ(r.image->height_, e.height);
        Checksum sum;
        bool opaque = true;
        for (int i = 0; i < r.image->pixelCount_; ++i) {
            const Pixel& p = r.image->pixels[i];
            sum.add(p.red);
            sum.add(p.green);
            sum.add(p.blue);
            opaque = opaque && p.alpha == 255;
        }
        EXPECT_EQ(sum.h, e.checksum);
        EXPECT_TRUE(opaque);
    }
}

TEST(BmpSuite, UnsupportedAndBadFilesAreRefusedSayingWhy) {
    for (const Refused& f : refusedFiles) {
        SCOPED_TRACE(f.file);
        Read r = readSuiteFile(f.file);
        EXPECT_EQ(r.image, nullptr);
        EXPECT_EQ(r.messages, f.messages);
    }
}

TEST(BmpSuite, EveryFileOfTheSuiteHasAnExpectedVerdict) {
    std::set<std::string> expected;
    for (const Exact& e : exactFiles) expected.insert(e.file);
    for (const Refused& f : refusedFiles) expected.insert(f.file);
    std::set<std::string> present;
    for (const char* folder : {"g", "b"})
        for (const auto& entry : std::filesystem::directory_iterator(suite + "/" + folder))
            present.insert(std::string(folder) + "/" + entry.path().filename().string());
    EXPECT_EQ(present, expected);
}

TEST(BmpSuite, TextureReaderGivesEveryFileAVerdict) {
    // Only the two 24-bit files are textures; every other file is refused
    // with a message that names it.
    for (const char* folder : {"g", "b"})
        for (const auto& entry : std::filesystem::directory_iterator(suite + "/" + folder)) {
            std::string name = entry.path().string();
            SCOPED_TRACE(name);
            FILE* stream = std::fopen(name.c_str(), "rb");
            ASSERT_NE(stream, nullptr);
            TextureImage image;
            testing::internal::CaptureStdout();
            int status = readTextureStream(stream, name.c_str(), &image);
            std::string messages = testing::internal::GetCapturedStdout();
            std::fclose(stream);
            std::string file = entry.path().filename().string();
            if (file != "rgb24.bmp" && file != "rgb24pal.bmp") {
                EXPECT_EQ(status, 0);
                EXPECT_NE(messages.find(name), std::string::npos) << messages;
                EXPECT_EQ(image.data, nullptr);
                continue;
            }
            ASSERT_EQ(status, 1) << messages;
            ASSERT_EQ(image.width, 127);
            ASSERT_EQ(image.height, 64);
            Checksum sum;
            const int rowLength = 384;  // 127 x 3 bytes padded to a multiple of 4
            for (int y = 0; y < 64; ++y)
                for (int i = 0; i < 127 * 3; ++i) sum.add(image.data[y * rowLength + i]);
            EXPECT_EQ(sum.h, 0xae238b90fb37f697ull);
            std::free(image.data);
        }
}
