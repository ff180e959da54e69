// The reader of a JPEG's own structure: sides, EXIF orientation and end,
// on JPEGs put together byte by byte and on photos libvips writes.
#include <gtest/gtest.h>

#include "tools/exif.h"

#include <vips/vips8>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes* bytes, unsigned value, bool bigEndian) {
    unsigned char high = value >> 8 & 0xFF, low = value & 0xFF;
    bytes->push_back(bigEndian ? high : low);
    bytes->push_back(bigEndian ? low : high);
}

void put32(Bytes* bytes, std::uint32_t value, bool bigEndian) {
    put16(bytes, bigEndian ? value >> 16 : value & 0xFFFF, bigEndian);
    put16(bytes, bigEndian ? value & 0xFFFF : value >> 16, bigEndian);
}

struct Entry {
    unsigned tag, type;
    std::uint32_t count, value;
};

// An EXIF body: the TIFF header, then the first directory at directoryAt.
Bytes exifBody(bool bigEndian, const std::vector<Entry>& entries, std::uint32_t directoryAt = 8) {
    Bytes tiff = {'E', 'x', 'i', 'f', 0, 0};
    for (unsigned char c : bigEndian ? Bytes{'M', 'M', 0, '*'} : Bytes{'I', 'I', '*', 0}) tiff.push_back(c);
    put32(&tiff, directoryAt, bigEndian);
    put16(&tiff, entries.size(), bigEndian);
    for (const Entry& entry : entries) {
        put16(&tiff, entry.tag, bigEndian);
        put16(&tiff, entry.type, bigEndian);
        put32(&tiff, entry.count, bigEndian);
        // A SHORT sits in the first two bytes of the value field.
        if (entry.type == 3) {
            put16(&tiff, entry.value, bigEndian);
            put16(&tiff, 0, bigEndian);
        } else {
            put32(&tiff, entry.value, bigEndian);
        }
    }
    put32(&tiff, 0, bigEndian);  // no next directory
    return tiff;
}

void putSegment(Bytes* jpeg, unsigned char marker, const Bytes& payload) {
    jpeg->push_back(0xFF);
    jpeg->push_back(marker);
    put16(jpeg, payload.size() + 2, true);
    jpeg->insert(jpeg->end(), payload.begin(), payload.end());
}

// A JPEG's structure as a camera lays it out: JFIF, EXIF, the frame header
// (stored 300 by 200), a scan whose data holds a stuffed 0xFF and a restart
// marker, and the end.
Bytes cameraJpeg(const Bytes& exif) {
    Bytes jpeg = {0xFF, 0xD8};
    putSegment(&jpeg, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    putSegment(&jpeg, 0xE1, exif);
    putSegment(&jpeg, 0xC0, {8, 0, 200, 1, 44, 1, 1, 0x11, 0});
    putSegment(&jpeg, 0xDA, {1, 1, 0, 0, 63, 0});
    Bytes data = {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0xFF, 0xD1, 0x78};
    jpeg.insert(jpeg.end(), data.begin(), data.end());
    jpeg.push_back(0xFF);
    jpeg.push_back(0xD9);
    return jpeg;
}

std::vector<Entry> entriesWithOrientation(unsigned type, std::uint32_t count, std::uint32_t value) {
    return {{0x010F, 2, 4, 0}, {0x0112, type, count, value}, {0x0131, 2, 4, 0}};
}

TEST(JpegLayout, EveryOrientationInEitherByteOrder) {
    for (bool bigEndian : {false, true}) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            Bytes jpeg = cameraJpeg(exifBody(bigEndian, entriesWithOrientation(3, 1, orientation)));
            JpegLayout layout = readJpegLayout(jpeg.data(), jpeg.size());
            EXPECT_EQ(layout.orientation, orientation) << (bigEndian ? "MM " : "II ") << orientation;
            EXPECT_EQ(layout.width, 300);
            EXPECT_EQ(layout.height, 200);
            EXPECT_TRUE(layout.whole);
        }
        // Values out of range, of the wrong type or count, read upright.
        for (Entry odd :
             {Entry{0x0112, 3, 1, 0}, Entry{0x0112, 3, 1, 9}, Entry{0x0112, 4, 1, 6}, Entry{0x0112, 3, 2, 6}}) {
            Bytes jpeg = cameraJpeg(exifBody(bigEndian, {odd}));
            EXPECT_EQ(readJpegLayout(jpeg.data(), jpeg.size()).orientation, 1)
                << "type " << odd.type << " count " << odd.count << " value " << odd.value;
        }
    }
    // Data after the end, as some phones append, leaves the picture whole.
    Bytes jpeg = cameraJpeg(exifBody(false, entriesWithOrientation(3, 1, 6)));
    jpeg.insert(jpeg.end(), {0, 0, 0, 0x18, 'f', 't', 'y', 'p'});
    EXPECT_TRUE(readJpegLayout(jpeg.data(), jpeg.size()).whole);
}

TEST(JpegLayout, CutShortOrOutOfRangeReadsUprightAndNotWhole) {
    Bytes exif = exifBody(true, entriesWithOrientation(3, 1, 8));
    Bytes jpeg = cameraJpeg(exif);
    // The EXIF segment ends after SOI (2), JFIF (18) and its own 2 + 2 +
    // size bytes: from there on the orientation is known.
    std::size_t exifEnd = 2 + 18 + 4 + exif.size();
    for (std::size_t size = 0; size < jpeg.size(); ++size) {
        // A copy of exactly the prefix, so that a read past it is caught.
        Bytes cut(jpeg.begin(), jpeg.begin() + size);
        JpegLayout layout = readJpegLayout(cut.data(), cut.size());
        EXPECT_FALSE(layout.whole) << size;
        EXPECT_EQ(layout.orientation, size >= exifEnd ? 8 : 1) << size;
    }

    // Offsets and counts that point past the segment.
    for (std::uint32_t directoryAt : {7u, 0xFFFFFFF0u, static_cast<std::uint32_t>(exif.size())}) {
        Bytes far = cameraJpeg(exifBody(false, entriesWithOrientation(3, 1, 6), directoryAt));
        EXPECT_EQ(readJpegLayout(far.data(), far.size()).orientation, 1) << directoryAt;
    }
    Bytes counted = exifBody(false, entriesWithOrientation(3, 1, 6));
    counted[6 + 8] = 4;  // four entries claimed, three there
    Bytes overcounted = cameraJpeg(counted);
    EXPECT_EQ(readJpegLayout(overcounted.data(), overcounted.size()).orientation, 1);
    // A segment length that runs past the file.
    Bytes longSegment = cameraJpeg(exif);
    longSegment[2 + 18 + 2] = 0xFF;
    EXPECT_EQ(readJpegLayout(longSegment.data(), longSegment.size()).orientation, 1);
    EXPECT_FALSE(readJpegLayout(longSegment.data(), longSegment.size()).whole);
}

Bytes fileBytes(const std::string& path) {
    Bytes bytes;
    if (FILE* stream = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(stream)) != EOF;) bytes.push_back(static_cast<unsigned char>(c));
        std::fclose(stream);
    }
    return bytes;
}

TEST(JpegLayout, ReadsThePhotosLibvipsWrites) {
    ASSERT_EQ(VIPS_INIT("sandmere-exif-test"), 0);
    char folder[] = "/tmp/sandmere-exif-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string base = folder;
    vips::VImage photo = vips::VImage::gaussnoise(64, 48).cast(VIPS_FORMAT_UCHAR).copy();
    photo.set("orientation", 6);
    photo.jpegsave((base + "/baseline.jpg").c_str());
    photo.jpegsave((base + "/progressive.jpg").c_str(), vips::VImage::option()->set("interlace", true));
    photo.tiffsave((base + "/turned.tif").c_str());
    for (const char* name : {"baseline.jpg", "progressive.jpg"}) {
        Bytes jpeg = fileBytes(base + "/" + name);
        JpegLayout layout = readJpegLayout(jpeg.data(), jpeg.size());
        EXPECT_EQ(layout.orientation, 6) << name;
        EXPECT_EQ(layout.width, 64) << name;
        EXPECT_EQ(layout.height, 48) << name;
        EXPECT_TRUE(layout.whole) << name;
        jpeg.resize(jpeg.size() - 3);
        EXPECT_FALSE(readJpegLayout(jpeg.data(), jpeg.size()).whole) << name << " cut short";
    }
    Bytes tiff = fileBytes(base + "/turned.tif");
    EXPECT_EQ(tiffOrientation(tiff.data(), tiff.size()), 6);
    for (const char* name : {"baseline.jpg", "progressive.jpg", "turned.tif"})
        std::remove((base + "/" + name).c_str());
    std::remove(folder);
}

}  // namespace
