#include "tools/exif.h"

#include <cstdint>
#include <cstring>

namespace {

// A JPEG's segments, counting each scan of a progressive one; more than
// this many is no photo anyone took.
constexpr int kMostSegments = 1024;

constexpr unsigned char kMarker = 0xFF;
constexpr unsigned char kStartOfImage = 0xD8;
constexpr unsigned char kEndOfImage = 0xD9;
constexpr unsigned char kStartOfScan = 0xDA;
constexpr unsigned char kFirstRestart = 0xD0, kLastRestart = 0xD7;
constexpr unsigned char kApp1 = 0xE1;
constexpr unsigned char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;
constexpr std::size_t kEntrySize = 12;

// The frame headers SOF0 to SOF15, which are C0 to CF but for the Huffman
// tables (C4), the reserved C8 and the arithmetic conditioning (CC).
bool isFrameHeader(unsigned char marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The bytes of one TIFF structure, read in its byte order; every read is
// checked against its end and answers false past it.
struct TiffBytes {
    const unsigned char* start;
    std::size_t size;
    bool bigEndian;

    bool read16(std::size_t at, std::uint16_t* value) const {
        if (at > size || size - at < 2) return false;
        const unsigned char* p = start + at;
        *value = static_cast<std::uint16_t>(bigEndian ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
        return true;
    }
    bool read32(std::size_t at, std::uint32_t* value) const {
        std::uint16_t first = 0, second = 0;
        if (!read16(at, &first) || !read16(at + 2, &second)) return false;
        *value = bigEndian ? std::uint32_t{first} << 16 | second : std::uint32_t{second} << 16 | first;
        return true;
    }
};

// Past the entropy-coded data of a scan, which starts at `at`: the offset of
// the first marker that ends it (a byte 0xFF followed by neither the 0x00 of
// a stuffed byte, a restart marker nor more fill), or size when none does.
std::size_t endOfScan(const unsigned char* bytes, std::size_t size, std::size_t at) {
    while (at < size) {
        const void* found = std::memchr(bytes + at, kMarker, size - at);
        if (!found) return size;
        at = static_cast<std::size_t>(static_cast<const unsigned char*>(found) - bytes);
        if (size - at < 2) return size;
        unsigned char next = bytes[at + 1];
        if (next != 0 && next != kMarker && (next < kFirstRestart || next > kLastRestart)) return at;
        at += next == kMarker ? 1 : 2;
    }
    return size;
}

}  // namespace

int tiffOrientation(const unsigned char* bytes, std::size_t size) {
    if (size < 8) return kUprightOrientation;
    TiffBytes tiff{bytes, size, false};
    if (std::memcmp(bytes, "MM\0*", 4) == 0) {
        tiff.bigEndian = true;
    } else if (std::memcmp(bytes, "II*\0", 4) != 0) {
        return kUprightOrientation;
    }
    std::uint32_t directory = 0;
    std::uint16_t entries = 0;
    if (!tiff.read32(4, &directory) || !tiff.read16(directory, &entries)) return kUprightOrientation;
    // The entries must lie whole inside the bytes, which bounds their number.
    std::size_t first = std::size_t{directory} + 2;
    if (std::size_t{entries} > (size - first) / kEntrySize) return kUprightOrientation;
    for (std::size_t i = 0; i < entries; ++i) {
        std::size_t entry = first + i * kEntrySize;
        std::uint16_t tag = 0, type = 0, value = 0;
        std::uint32_t count = 0;
        if (!tiff.read16(entry, &tag) || tag != kOrientationTag) continue;
        // One SHORT, held in the first two bytes of the entry's value field.
        if (!tiff.read16(entry + 2, &type) || !tiff.read32(entry + 4, &count) || !tiff.read16(entry + 8, &value) ||
            type != kShortType || count != 1 || value < kUprightOrientation || value > kLastOrientation)
            return kUprightOrientation;
        return value;
    }
    return kUprightOrientation;
}

JpegLayout readJpegLayout(const unsigned char* bytes, std::size_t size) {
    JpegLayout layout;
    if (size < 2 || bytes[0] != kMarker || bytes[1] != kStartOfImage) return layout;
    bool exifSeen = false;
    std::size_t at = 2;
    for (int segment = 0; segment < kMostSegments; ++segment) {
        // A marker may be preceded by any number of fill bytes.
        if (at >= size || bytes[at] != kMarker) return layout;
        while (at < size && bytes[at] == kMarker) ++at;
        if (at >= size) return layout;
        unsigned char marker = bytes[at++];
        if (marker == kEndOfImage) {
            // Whole only with a picture to show.
            layout.whole = layout.width > 0;
            return layout;
        }
        // Every other segment gives its length, which counts the two length
        // bytes themselves.
        if (size - at < 2) return layout;
        std::size_t length = std::size_t{bytes[at]} << 8 | bytes[at + 1];
        if (length < 2 || length > size - at) return layout;
        const unsigned char* payload = bytes + at + 2;
        std::size_t payloadSize = length - 2;
        if (isFrameHeader(marker) && layout.width == 0 && payloadSize >= 5) {
            // Precision, then the height and the width.
            layout.height = payload[1] << 8 | payload[2];
            layout.width = payload[3] << 8 | payload[4];
        } else if (marker == kApp1 && !exifSeen && payloadSize >= sizeof kExifHeader &&
                   std::memcmp(payload, kExifHeader, sizeof kExifHeader) == 0) {
            exifSeen = true;
            layout.orientation = tiffOrientation(payload + sizeof kExifHeader, payloadSize - sizeof kExifHeader);
        }
        at += length;
        if (marker == kStartOfScan) at = endOfScan(bytes, size, at);
    }
    return layout;
}
