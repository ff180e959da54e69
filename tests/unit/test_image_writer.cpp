#include <gtest/gtest.h>

#include "image/image.h"
#include "tests/unit/test_image_files.h"

#include <string>

namespace {

// Everything writeBMP put into a fresh stream, and what it returned.
struct Written {
    int status;
    Bytes bytes;
    std::string messages;
};

Written write(const RasterImage& image) {
    Written w;
    FILE* stream = std::tmpfile();
    testing::internal::CaptureStderr();
    w.status = writeBMP(&image, stream);
    w.messages = testing::internal::GetCapturedStderr();
    long length = std::ftell(stream);
    std::rewind(stream);
    w.bytes.resize(static_cast<size_t>(length));
    EXPECT_EQ(std::fread(w.bytes.data(), 1, w.bytes.size(), stream), w.bytes.size());
    std::fclose(stream);
    return w;
}

// A stream that takes only `room` bytes, then reports every write as failed,
// the way a full disk does.
struct FullDisk {
    size_t room;
    Bytes taken;
};

ssize_t fullDiskWrite(void* cookie, const char* data, size_t size) {
    FullDisk* disk = static_cast<FullDisk*>(cookie);
    if (disk->taken.size() + size > disk->room) return 0;
    disk->taken.insert(disk->taken.end(), data, data + size);
    return static_cast<ssize_t>(size);
}

// Status, messages and bytes kept when the disk fills after `room` bytes.
Written writeToFullDisk(const RasterImage& image, size_t room) {
    FullDisk disk{room, {}};
    cookie_io_functions_t io{};
    io.write = fullDiskWrite;
    FILE* stream = fopencookie(&disk, "w", io);
    // Unbuffered, so every write of the writer reaches the disk at once.
    setvbuf(stream, nullptr, _IONBF, 0);
    Written w;
    testing::internal::CaptureStderr();
    w.status = writeBMP(&image, stream);
    w.messages = testing::internal::GetCapturedStderr();
    std::fclose(stream);
    w.bytes = disk.taken;
    return w;
}

}  // namespace

TEST(BmpWriter, FileAndRowLengthsFollowTheWidth) {
    struct Case {
        int width, height;
        size_t fileLength, rowLength;
    } cases[] = {{1, 1, 58, 4}, {2, 2, 70, 8}, {4, 1, 66, 12}, {5, 3, 54 + 3 * 16, 16}};
    for (const Case& c : cases) {
        Written w = write(RasterImage(c.width, c.height));
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_EQ(w.status, 1);
        EXPECT_EQ(w.messages, "");
        ASSERT_EQ(w.bytes.size(), c.fileLength);
        EXPECT_EQ(peek32(w.bytes, 2), c.fileLength);
        EXPECT_EQ((w.bytes.size() - 54) / c.height, c.rowLength);
    }
}

TEST(BmpWriter, HeadersHoldTheFixedFieldsAndTheSize) {
    Written w = write(RasterImage(3, 2));
    ASSERT_EQ(w.bytes.size(), 54u + 2 * 12);
    const Bytes expected = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,         // file header
                            40,  0,   0,  0, 3, 0, 0, 0, 2, 0, 0,  0, 1, 0, 24, 0,  // size, sides, planes, bits
                            0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(w.bytes.begin(), w.bytes.begin() + 54), expected);
}

TEST(BmpWriter, PixelsBecomeBlueGreenRedWithZeroPadAndRowsReversed) {
    RasterImage image(2, 2);
    image.pixels[0] = Pixel(10, 20, 30, 40);  // raster row 0: the last row written
    image.pixels[1] = Pixel(1, 2, 3, 0);
    image.pixels[2] = Pixel(200, 201, 202, 255);  // raster row 1: the first
    image.pixels[3] = Pixel(7, 8, 9, 128);
    Written w = write(image);
    ASSERT_EQ(w.bytes.size(), 70u);
    const Bytes rows = {202, 201, 200, 9, 8, 7, 0, 0, 30, 20, 10, 3, 2, 1, 0, 0};
    EXPECT_EQ(Bytes(w.bytes.begin() + 54, w.bytes.end()), rows);
}

TEST(BmpWriter, NullStreamOrRasterIsRefused) {
    RasterImage image(1, 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(writeBMP(&image, nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "writeBMP: Passed null file pointer.\n");

    FILE* stream = std::tmpfile();
    testing::internal::CaptureStderr();
    EXPECT_EQ(writeBMP(nullptr, stream), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "writeBMP: Passed null image pointer.\n");
    EXPECT_EQ(std::ftell(stream), 0);
    std::fclose(stream);
}

TEST(BmpWriter, FullDiskIsReportedByTheStepThatHitIt) {
    RasterImage image(2, 2);
    struct Case {
        size_t room;
        const char* messages;
        size_t kept;
    } cases[] = {
        {0, "putfileheader: Disk full.writeBMP: putfileheader returned a bad status.\n", 0},
        {11, "putfileheader: Disk full.writeBMP: putfileheader returned a bad status.\n", 10},
        {14, "putinfoheader: Disk full.writeBMP: putinfoheader returned a bad status.\n", 14},
        {53, "putinfoheader: Disk full.writeBMP: putinfoheader returned a bad status.\n", 50},
        {54, "put24bits: Disk full.writeBMP: put24bits returned a bad status.\n", 54},
        {69, "put24bits: Disk full.writeBMP: put24bits returned a bad status.\n", 62},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("room " + std::to_string(c.room));
        Written w = writeToFullDisk(image, c.room);
        EXPECT_EQ(w.status, 0);
        EXPECT_EQ(w.messages, c.messages);
        // What was written before the failure stays written.
        EXPECT_EQ(w.bytes.size(), c.kept);
    }
    EXPECT_EQ(writeToFullDisk(image, 70).status, 1);
}
