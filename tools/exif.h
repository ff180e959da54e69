// What the picture tool reads of a JPEG's own structure where the
// platform's decoder does not tell it, or tells it only after decoding every
// pixel: the sides, the EXIF orientation (tag 0x0112 of the first image file
// directory in the APP1 "Exif" segment), and whether the picture data runs
// to its end. Bytes only, every offset checked against them.
#pragma once

#include <cstddef>

// The orientation's values run from 1 (stored upright) to 8; 5 to 8 store
// the picture on its side.
constexpr int kUprightOrientation = 1;
constexpr int kLastOrientation = 8;

struct JpegLayout {
    int width = 0, height = 0;  // as stored, from the first frame header; 0 when there is none
    int orientation = kUprightOrientation;
    bool whole = false;  // the picture data runs to the end-of-image marker
};

// The layout of the JPEG whose bytes are given. Only a bounded number of
// segments and directory entries is looked at; an orientation that is
// absent, damaged, cut short or out of range reads kUprightOrientation.
JpegLayout readJpegLayout(const unsigned char* bytes, std::size_t size);

// The orientation in the first directory of a TIFF structure (a TIFF file,
// or the body of an EXIF segment), in either byte order; kUprightOrientation
// when it is absent or damaged.
int tiffOrientation(const unsigned char* bytes, std::size_t size);
