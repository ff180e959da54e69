// Reading the pictures the tool accepts: JPEG, PNG, WebP and TIFF through
// libvips, and every BMP the garden's own reader reads through readBMP.
#pragma once

#include "image/image.h"

#include <memory>
#include <string>

// Pictures larger than this are refused from their header, before a pixel
// is decoded.
constexpr long long kMostPictureRead = 100'000'000;

// Starts libvips with only the JPEG, PNG, WebP and TIFF loaders allowed;
// false, with the reason, when it cannot start. stopPhotoReader releases
// what it keeps.
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

// The file is one of the photo formats libvips reads here (not a BMP).
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
// own size; otherwise it is scaled with Lanczos to cover side x side and
// cropped about its centre. Null, with the reason, when it cannot be read,
// a truncated picture included.
std::unique_ptr<RasterImage> readPicture(const std::string& path, int side, std::string* why);
