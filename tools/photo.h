// Reading the pictures the tool accepts: the photo formats the platform's
// decoder reads (JPEG, PNG, WebP and TIFF through libvips on Linux, through
// the Windows Imaging Component on Windows, where WebP needs a decoder that
// not every Windows has), and every BMP the garden's own reader reads
// through readBMP.
#pragma once

#include "image/image.h"

#include <memory>
#include <string>

// Pictures larger than this are refused from their header, before a pixel
// is decoded.
constexpr long long kMostPictureRead = 100'000'000;

// Starts the platform's decoder (libvips with only the JPEG, PNG, WebP and
// TIFF loaders allowed; COM and the imaging factory on Windows); false, with
// the reason, when it cannot start. stopPhotoReader releases what it keeps.
bool startPhotoReader(std::string* why);
void stopPhotoReader();

// What a picture file is, from its header alone.
struct PictureHeader {
    std::string format;         // "JPEG", "PNG", "WebP", "TIFF" or "BMP"
    int width = 0, height = 0;  // as the picture stands upright
    bool turned = false;        // stored turned or mirrored, and stood upright on reading
};

// No such file, a folder, or anything but a regular file is refused, with
// the reason, before it is read: a pipe or a device could wait or read for
// ever.
bool isReadableFile(const std::string& path, std::string* why);

// The file is a photo by its first bytes (not a BMP), whether or not this
// platform has a decoder for its format: readPictureHeader tells which.
bool isPhoto(const std::string& path);

// A BMP file through the garden's own reader, as the garden reads it (raster
// row 0 the file's bottom row); null with the reader's messages on one line.
RasterImage* readBmpFile(const std::string& path, std::string* messages);

// True when path is a picture the tool reads, with its header; otherwise
// false with the reason in plain words: no such file, a folder, not a
// picture, a format not read, too large.
bool readPictureHeader(const std::string& path, PictureHeader* header, std::string* why);

// The picture upright, transparency laid over white, as 8-bit sRGB, raster
// row 0 its top row (the way writeBMP stores it). side 0 keeps the picture's
// own size; otherwise it is scaled (Lanczos on Linux, Fant on Windows) to
// cover side x side and cropped about its centre, a picture of extreme
// shape cropped first (squareCutFirst). Null, with the reason, when it
// cannot be read, a truncated picture included.
std::unique_ptr<RasterImage> readPicture(const std::string& path, int side, std::string* why);

// To cover side x side, a picture is scaled whole and then cropped, which
// makes a scaled picture of side by side times its long side over its
// short one: for a strip 8 pixels wide and 65,290 tall, 256 by 2,089,280.
// So a picture whose long side is more than kMostCoverStretch times its
// short one has its centred square cut first, in its own upright pixels,
// and only that square is scaled: what is made stays within the source
// read and kMostCoverStretch times the square kept. Every picture up to
// this shape (16:9, 21:9, a 3:1 panorama) keeps the scaling of the whole,
// and its pixels.
constexpr int kMostCoverStretch = 4;

// An area of a picture, in its own pixels.
struct PictureArea {
    int left = 0, top = 0, width = 0, height = 0;
};

// True, with the centred square to cut, when an upright picture of width
// by height is of more extreme shape than kMostCoverStretch allows.
bool squareCutFirst(int width, int height, PictureArea* square);

// The orientation's values are EXIF's (exif.h); 5 to 8 store the picture on
// its side.
bool isOnItsSide(int orientation);

// Where the upright picture's pixel (x, y) is stored, in a picture stored
// width by height with the given orientation.
void storedPoint(int orientation, int width, int height, int x, int y, int* storedX, int* storedY);

// The stored area, of a picture stored width by height, that holds the
// upright area.
PictureArea storedArea(int orientation, int width, int height, const PictureArea& upright);

// ---------------------------------------------------------------------------
// The platform's decoder under the shared reader: photo_vips.cpp on Linux,
// photo_windows.cpp on Windows. The shared reader has already checked the
// file, told the format from its first bytes and refused what is not read.

// The photo formats, as the messages name them, in the order they give them.
constexpr const char* kPhotoFormatNames[] = {"JPEG", "PNG", "WebP", "TIFF"};

// This platform decodes the format (one of kPhotoFormatNames), once the
// reader has started.
bool decodesPhotoFormat(const std::string& format);

// The photo's sides as it stands upright, and whether it is stored turned,
// from its header alone; false when the header is damaged.
bool readPhotoHeader(const std::string& path, const std::string& format, PictureHeader* header);

// The photo decoded as readPicture gives it; null when it is damaged or cut
// short, with what the decoder said of it in failure when it said anything.
std::unique_ptr<RasterImage> decodePhoto(const std::string& path, const PictureHeader& header, int side,
                                         std::string* failure);

// An upright raster (row 0 its top) of ordinary shape scaled to cover side x
// side and cropped about its centre; null, with what went wrong in failure,
// when that fails.
std::unique_ptr<RasterImage> coverSquare(const RasterImage& upright, int side, std::string* failure);
