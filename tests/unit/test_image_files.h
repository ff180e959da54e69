// Small BMP files made in memory for the image and texture tests, and the
// means to read them back with the console captured.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "image/image.h"

using Bytes = std::vector<unsigned char>;

inline void poke16(Bytes& b, size_t at, std::uint32_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

inline void poke32(Bytes& b, size_t at, std::uint32_t v) {
    poke16(b, at, v & 0xFFFF);
    poke16(b, at + 2, v >> 16);
}

// A copy of the file with one 16- or 32-bit field changed.
inline Bytes with16(Bytes b, size_t at, std::uint32_t v) {
    poke16(b, at, v);
    return b;
}
inline Bytes with32(Bytes b, size_t at, std::uint32_t v) {
    poke32(b, at, v);
    return b;
}

inline std::uint32_t peek32(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A well-formed bottom-up BMP unless a test changes a field. Rows are given
// packed (without their pad bytes) in file order; the builder pads them.
struct BmpBuilder {
    int width = 2, height = 2, bitCount = 24;
    std::uint32_t clrUsed = 0;
    std::uint32_t headerSize = 40;       // biSize; extra header bytes are zero
    std::vector<std::uint32_t> palette;  // 0xRRGGBB, stored blue, green, red, 0
    size_t gap = 0;                      // bytes between the palette and the rows
    unsigned char padByte = 0;
    std::vector<Bytes> rows;

    size_t rowLength() const { return (static_cast<size_t>(width) * bitCount + 31) / 32 * 4; }
    size_t pixelOffset() const { return 14 + headerSize + 4 * palette.size() + gap; }

    Bytes build() const {
        // The fields of the 40-byte layout; a shorter header keeps only those that fit.
        Bytes head(54, 0);
        head[0] = 'B';
        head[1] = 'M';
        poke32(head, 10, static_cast<std::uint32_t>(pixelOffset()));
        poke32(head, 14, headerSize);
        poke32(head, 18, static_cast<std::uint32_t>(width));
        poke32(head, 22, static_cast<std::uint32_t>(height));
        poke16(head, 26, 1);
        poke16(head, 28, static_cast<std::uint32_t>(bitCount));
        poke32(head, 46, clrUsed);
        Bytes b(pixelOffset() + rowLength() * rows.size(), 0);
        std::copy(head.begin(), head.begin() + std::min<size_t>(54, 14 + headerSize), b.begin());
        poke32(b, 2, static_cast<std::uint32_t>(b.size()));
        size_t at = 14 + headerSize;
        for (std::uint32_t rgb : palette) {
            b[at++] = static_cast<unsigned char>(rgb);
            b[at++] = static_cast<unsigned char>(rgb >> 8);
            b[at++] = static_cast<unsigned char>(rgb >> 16);
            b[at++] = 0;
        }
        at += gap;
        for (const Bytes& row : rows) {
            for (size_t i = 0; i < rowLength(); ++i) b[at + i] = i < row.size() ? row[i] : padByte;
            at += rowLength();
        }
        return b;
    }
};

// A 24-bit row from red, green, blue triples.
inline Bytes rgbRow(std::initializer_list<unsigned char> rgb) {
    Bytes v(rgb);
    for (size_t i = 0; i + 2 < v.size(); i += 3) std::swap(v[i], v[i + 2]);
    return v;
}

// A read-only stream over the bytes, which must outlive it.
inline FILE* openBytes(const Bytes& bytes) {
    if (bytes.empty()) return std::tmpfile();
    return fmemopen(const_cast<unsigned char*>(bytes.data()), bytes.size(), "rb");
}

// What readBMP made of some bytes, and what it wrote to standard error.
struct BmpRead {
    std::unique_ptr<RasterImage> image;
    std::string messages;
};

inline BmpRead readBmpBytes(const Bytes& bytes) {
    BmpRead r;
    FILE* stream = openBytes(bytes);
    testing::internal::CaptureStderr();
    r.image.reset(readBMP(stream));
    r.messages = testing::internal::GetCapturedStderr();
    std::fclose(stream);
    return r;
}
