#include <gtest/gtest.h>

#include "app/pictures.h"
#include "image/texture.h"
#include "tests/unit/test_image_files.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

struct Loaded {
    int status;
    TextureImage image;
    std::string messages;
    Bytes data;  // the delivered bytes, rows and pad bytes alike
};

Loaded readTexture(const Bytes& bytes, const char* name = "sand1.bmp") {
    Loaded l;
    FILE* stream = openBytes(bytes);
    testing::internal::CaptureStdout();
    l.status = readTextureStream(stream, name, &l.image);
    l.messages = testing::internal::GetCapturedStdout();
    std::fclose(stream);
    if (l.image.data) {
        size_t rowLength = (3 * static_cast<size_t>(l.image.width) + 3) / 4 * 4;
        l.data.assign(l.image.data, l.image.data + rowLength * l.image.height);
        std::free(l.image.data);
        l.image.data = nullptr;
    }
    return l;
}

void expectRefused(const Bytes& bytes, const std::string& message) {
    Loaded l = readTexture(bytes);
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.messages, message);
    EXPECT_EQ(l.image.data, nullptr);
}

BmpBuilder threeByTwo() {
    BmpBuilder b;
    b.width = 3;
    b.rows = {rgbRow({1, 2, 3, 4, 5, 6, 7, 8, 9}), rgbRow({11, 12, 13, 14, 15, 16, 17, 18, 19})};
    b.padByte = 0xAA;
    return b;
}

// A file in a fresh folder, removed with the object.
struct TempFile {
    std::string path;
    explicit TempFile(const Bytes& bytes) {
        char folder[] = "/tmp/sandmere-texture-XXXXXX";
        path = std::string(mkdtemp(folder)) + "/rock03.bmp";
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ~TempFile() {
        std::remove(path.c_str());
        rmdir(path.substr(0, path.rfind('/')).c_str());
    }
};

// Death-test body: the loader's console output goes to standard error, where
// the death test can see it.
void loadWithOutputOnStderr(const char* fileName) {
    dup2(2, 1);
    loadTexture(fileName, static_cast<int>(firstRockTexture) + 2);
}

}  // namespace

TEST(TextureReader, DeliversRgbRowsPaddedToFourBytesBottomRowFirst) {
    Loaded l = readTexture(threeByTwo().build());
    ASSERT_EQ(l.status, 1);
    EXPECT_EQ(l.messages, "");
    EXPECT_EQ(l.image.width, 3);
    EXPECT_EQ(l.image.height, 2);
    // Each row is 9 pixel bytes and the file's 3 pad bytes, as GL expects
    // rows at its default unpack alignment of 4.
    const Bytes expected = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0xAA, 0xAA, 0xAA,
                            11, 12, 13, 14, 15, 16, 17, 18, 19, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(l.data, expected);

    for (int width : {1, 2, 4, 5}) {
        SCOPED_TRACE(width);
        BmpBuilder b;
        b.width = width;
        b.height = 1;
        Bytes row;
        for (int i = 0; i < 3 * width; ++i) row.push_back(static_cast<unsigned char>(i + 1));
        b.rows = {row};
        Loaded w = readTexture(b.build());
        ASSERT_EQ(w.status, 1);
        ASSERT_EQ(w.data.size(), b.rowLength());
        EXPECT_EQ(w.data[0], 3);  // the file's blue, green, red is now red, green, blue
        EXPECT_EQ(w.data[2], 1);
        EXPECT_EQ(w.data[3 * width - 3], 3 * width);
    }
}

TEST(TextureReader, OnlyPlanesBitCountAndSidesAreExamined) {
    Bytes bytes = threeByTwo().build();
    bytes[0] = 'X';                           // no signature test
    poke32(bytes, 2, 9999);                   // no file-size test
    poke32(bytes, 30, 1);                     // no compression test
    poke32(bytes, 14, 12);                    // biSize: the 40-byte layout is assumed
    bytes.insert(bytes.end(), {0xDE, 0xAD});  // bytes after the rows are ignored
    Loaded l = readTexture(bytes);
    EXPECT_EQ(l.status, 1);
    EXPECT_EQ(l.data[0], 1);
}

TEST(TextureReader, RefusalsNameTheFileOnStandardOutput) {
    Bytes good = threeByTwo().build();
    auto withSides = [&](std::int32_t w, std::int32_t h) {
        Bytes b = good;
        poke32(b, 18, static_cast<std::uint32_t>(w));
        poke32(b, 22, static_cast<std::uint32_t>(h));
        return b;
    };
    expectRefused(with16(good, 26, 2), "Planes from sand1.bmp is not 1: 2\n");
    expectRefused(with16(good, 26, 0), "Planes from sand1.bmp is not 1: 0\n");
    expectRefused(with16(good, 28, 8), "Bpp from sand1.bmp is not 24: 8\n");
    expectRefused(with16(good, 28, 32), "Bpp from sand1.bmp is not 24: 32\n");
    // Files ending inside the headers fail on what the end of file reads as.
    expectRefused(Bytes(good.begin(), good.begin() + 20), "Planes from sand1.bmp is not 1: 65535\n");
    expectRefused(Bytes(good.begin(), good.begin() + 28), "Bpp from sand1.bmp is not 24: 65535\n");
    expectRefused({}, "Planes from sand1.bmp is not 1: 65535\n");

    expectRefused(withSides(0, 2), "Width and height from sand1.bmp must be positive: 0 x 2\n");
    expectRefused(withSides(3, -2), "Width and height from sand1.bmp must be positive: 3 x -2\n");
    expectRefused(withSides(-3, 0), "Width and height from sand1.bmp must be positive: -3 x 0\n");
    expectRefused(withSides(40000, 40000), "Image from sand1.bmp is too large: 40000 x 40000\n");
    expectRefused(withSides(0x7FFFFFFF, 1), "Image from sand1.bmp is too large: 2147483647 x 1\n");
    // Just under the size limit: only the length of the file stops it.
    expectRefused(withSides(4, 178956970), "Error reading image data from sand1.bmp.\n");

    Bytes shortRows = good;
    shortRows.pop_back();
    expectRefused(shortRows, "Error reading image data from sand1.bmp.\n");
    expectRefused(Bytes(good.begin(), good.begin() + 54), "Error reading image data from sand1.bmp.\n");
}

TEST(TextureReader, PixelsStartAtBfOffBitsWhenItLiesPastTheHeadersInsideTheFile) {
    BmpBuilder gap = threeByTwo();
    gap.gap = 7;
    Loaded l = readTexture(gap.build());
    ASSERT_EQ(l.status, 1);
    EXPECT_EQ(l.data[0], 1);
    EXPECT_EQ(l.data[12], 11);

    BmpBuilder longHeader = threeByTwo();
    longHeader.headerSize = 124;
    l = readTexture(longHeader.build());
    ASSERT_EQ(l.status, 1);
    EXPECT_EQ(l.data[0], 1);

    // Below 54 or past the end, bfOffBits is of no use: the rows follow the headers.
    Bytes good = threeByTwo().build();
    for (std::uint32_t offBits : {0u, 53u, static_cast<std::uint32_t>(good.size()), 0xFFFFFFFFu}) {
        SCOPED_TRACE(offBits);
        Bytes b = good;
        poke32(b, 10, offBits);
        l = readTexture(b);
        ASSERT_EQ(l.status, 1);
        EXPECT_EQ(l.data[0], 1);
        EXPECT_EQ(l.data[12], 11);
    }
    // Inside the file but too near its end for the rows.
    Bytes b = good;
    poke32(b, 10, 55);
    expectRefused(b, "Error reading image data from sand1.bmp.\n");
}

TEST(TextureReader, MissingFileIsNotFound) {
    TextureImage image;
    testing::internal::CaptureStdout();
    EXPECT_EQ(readTextureFile("/nonexistent/rock03.bmp", &image), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "File Not Found : /nonexistent/rock03.bmp\n");
    EXPECT_EQ(image.data, nullptr);
}

TEST(TextureReader, ReadsAFileByName) {
    TempFile file(threeByTwo().build());
    TextureImage image;
    ASSERT_EQ(readTextureFile(file.path.c_str(), &image), 1);
    EXPECT_EQ(image.width, 3);
    ASSERT_NE(image.data, nullptr);
    EXPECT_EQ(image.data[0], 1);
    std::free(image.data);
}

TEST(TextureLoaderDeathTest, EveryFailureEndsTheProgramWithStatusOne) {
    EXPECT_EXIT(loadWithOutputOnStderr("/nonexistent/rock03.bmp"), testing::ExitedWithCode(1),
                "^trying to load /nonexistent/rock03.bmp\nFile Not Found : /nonexistent/rock03.bmp\n$");

    Bytes eightBits = threeByTwo().build();
    poke16(eightBits, 28, 8);
    TempFile wrongDepth(eightBits);
    std::string name = wrongDepth.path;
    EXPECT_EXIT(loadWithOutputOnStderr(name.c_str()), testing::ExitedWithCode(1),
                "^trying to load " + name + "\nBpp from " + name + " is not 24: 8\n$");

    Bytes planes = threeByTwo().build();
    poke16(planes, 26, 3);
    TempFile wrongPlanes(planes);
    EXPECT_EXIT(loadWithOutputOnStderr(wrongPlanes.path.c_str()), testing::ExitedWithCode(1),
                "Planes from .* is not 1: 3\n$");

    Bytes shortRows = threeByTwo().build();
    shortRows.resize(shortRows.size() - 1);
    TempFile shortFile(shortRows);
    EXPECT_EXIT(loadWithOutputOnStderr(shortFile.path.c_str()), testing::ExitedWithCode(1),
                "Error reading image data from .*\\.\n$");

    Bytes topDown = threeByTwo().build();
    poke32(topDown, 22, static_cast<std::uint32_t>(-2));
    TempFile topDownFile(topDown);
    EXPECT_EXIT(loadWithOutputOnStderr(topDownFile.path.c_str()), testing::ExitedWithCode(1),
                "must be positive: 3 x -2\n$");
}

#if !defined(__SANITIZE_ADDRESS__)
// Run in a child with the address space held to 512 MB: an attempt to
// allocate the claimed picture would print the allocation message instead.
[[noreturn]] static void readHugeClaimUnderMemoryLimit(const Bytes& bytes) {
    rlimit limit{512u << 20, 512u << 20};
    setrlimit(RLIMIT_AS, &limit);
    FILE* stream = openBytes(bytes);
    dup2(2, 1);
    TextureImage image;
    std::exit(readTextureStream(stream, "bg.bmp", &image) ? 2 : 0);
}

TEST(TextureReaderDeathTest, AFileClaimingMorePixelsThanItHoldsFailsWithoutAllocatingThem) {
    BmpBuilder b;
    b.width = 20000;
    b.height = 20000;  // 1.2 GB of pixels claimed in a 100-byte file
    Bytes bytes = b.build();
    bytes.resize(100);
    EXPECT_EXIT(readHugeClaimUnderMemoryLimit(bytes), testing::ExitedWithCode(0),
                "^Error reading image data from bg.bmp.\n$");
}
#endif
