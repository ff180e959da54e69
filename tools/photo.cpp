// What every platform's photo reader shares: the file checks, telling a
// format from its first bytes, BMP files through the garden's own reader,
// the size limit and the refusals' words.
#include "tools/photo.h"

#include "tools/console.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// A format told by its first bytes: bytes at offset, and, when given, more
// bytes further on.
struct Signature {
    std::size_t offset;
    std::string_view bytes;
    std::size_t laterOffset;
    std::string_view laterBytes;
    const char* name;
};

using namespace std::string_view_literals;

// The photo formats, as libvips's loaders and the Windows decoders tell
// them.
const Signature kPhotoSignatures[] = {
    {0, "\xff\xd8"sv, 0, ""sv, "JPEG"}, {0, "\x89PNG\r\n\x1a\n"sv, 0, ""sv, "PNG"},
    {0, "RIFF"sv, 8, "WEBP"sv, "WebP"}, {0, "II*\0"sv, 0, ""sv, "TIFF"},
    {0, "MM\0*"sv, 0, ""sv, "TIFF"},    {0, "II+\0"sv, 0, ""sv, "TIFF"},  // BigTIFF
    {0, "MM\0+"sv, 0, ""sv, "TIFF"},
};

// Formats often taken for photos that are not read here, by their first
// bytes: only to name them in the refusal, never to read them.
const Signature kFormatsNotRead[] = {
    {0, "GIF8"sv, 0, ""sv, "a GIF picture"},        {0, "%PDF"sv, 0, ""sv, "a PDF document"},
    {0, "%!PS"sv, 0, ""sv, "a PostScript file"},    {0, "8BPS"sv, 0, ""sv, "a Photoshop file"},
    {4, "ftyp"sv, 0, ""sv, "a HEIC or AVIF photo"}, {0, "\xff\x0a"sv, 0, ""sv, "a JPEG XL picture"},
    {4, "JXL "sv, 0, ""sv, "a JPEG XL picture"},    {4, "jP  "sv, 0, ""sv, "a JPEG 2000 picture"},
};

bool matches(const std::string& start, const Signature& signature) {
    auto hasAt = [&](std::size_t offset, std::string_view bytes) {
        return start.size() >= offset + bytes.size() &&
               std::string_view(start).substr(offset, bytes.size()) == bytes;
    };
    return hasAt(signature.offset, signature.bytes) &&
           (signature.laterBytes.empty() || hasAt(signature.laterOffset, signature.laterBytes));
}

std::string firstBytes(const std::string& path, std::size_t count) {
    std::string bytes(count, '\0');
    FILE* stream = std::fopen(path.c_str(), "rb");
    if (!stream) return "";
    bytes.resize(std::fread(&bytes[0], 1, count, stream));
    std::fclose(stream);
    return bytes;
}

// The photo format the first bytes announce; empty for none.
std::string photoFormatOf(const std::string& start) {
    for (const Signature& signature : kPhotoSignatures)
        if (matches(start, signature)) return signature.name;
    return "";
}

std::string unreadFormat(const std::string& start) {
    for (const Signature& known : kFormatsNotRead)
        if (matches(start, known)) return known.name;
    // An SVG drawing is text: its root element comes early.
    if (start.find("<svg") != std::string::npos) return "an SVG drawing";
    return "";
}

// "JPEG, PNG, WebP, TIFF or BMP": what this platform reads.
std::string formatsRead() {
    std::string text;
    for (const char* format : kPhotoFormatNames)
        if (decodesPhotoFormat(format)) text += std::string(format) + ", ";
    if (!text.empty()) text.erase(text.size() - 2);
    return text + " or BMP";
}

bool isBmp(const std::string& start) { return start.size() >= 2 && start[0] == 'B' && start[1] == 'M'; }

std::string pixelsText(long long width, long long height) {
    return std::to_string(width) + " by " + std::to_string(height) + " pixels";
}

std::string tooLarge(long long width, long long height) {
    return "too large: " + pixelsText(width, height) + ", over the " +
           std::to_string(kMostPictureRead / 1'000'000) + " million pixels read here";
}

// The BMP header's sides, read by the garden's own reader.
bool readBmpHeader(const std::string& path, PictureHeader* header, std::string* why) {
    BitmapFileHeader fileHeader = {};
    BitmapInfoHeader infoHeader = {};
    int ok = 0;
    std::string messages = captureConsole([&] {
        FILE* stream = std::fopen(path.c_str(), "rb");
        ok = stream && getfileheader(stream, &fileHeader) && getinfoheader(stream, &infoHeader);
        if (stream) std::fclose(stream);
    });
    if (!ok) {
        *why = "not a picture the garden can read (" + messages + ")";
        return false;
    }
    header->format = "BMP";
    header->width = infoHeader.biWidth;
    header->height = infoHeader.biHeight;
    if (static_cast<long long>(header->width) * header->height > kMostPictureRead) {
        *why = tooLarge(header->width, header->height);
        return false;
    }
    return true;
}

// readBMP puts the file's bottom row in raster row 0; the tool's rasters
// keep their top row there.
std::unique_ptr<RasterImage> readUprightBmp(const std::string& path, std::string* why) {
    std::string messages;
    RasterImage* source = readBmpFile(path, &messages);
    if (!source) {
        *why = "not a picture the garden can read (" + messages + ")";
        return nullptr;
    }
    std::size_t width = source->width_, height = source->height_;
    std::unique_ptr<RasterImage> upright(new RasterImage(source->width_, source->height_));
    for (std::size_t y = 0; y < height; ++y)
        std::copy(source->pixels + y * width, source->pixels + (y + 1) * width,
                  upright->pixels + (height - 1 - y) * width);
    delete source;
    return upright;
}

// The area of an upright raster, as a raster of its own.
std::unique_ptr<RasterImage> cutArea(const RasterImage& upright, const PictureArea& area) {
    std::unique_ptr<RasterImage> cut(new RasterImage(area.width, area.height));
    for (int y = 0; y < area.height; ++y) {
        const Pixel* row = upright.pixels + static_cast<std::size_t>(area.top + y) * upright.width_ + area.left;
        std::copy(row, row + area.width, cut->pixels + static_cast<std::size_t>(y) * area.width);
    }
    return cut;
}

}  // namespace

bool squareCutFirst(int width, int height, PictureArea* square) {
    int shortSide = std::min(width, height), longSide = std::max(width, height);
    if (static_cast<long long>(longSide) <= static_cast<long long>(kMostCoverStretch) * shortSide) return false;
    // Centred as libvips' and WIC's crops centre: the odd pixel left over
    // goes to the right and the bottom.
    *square = {(width - shortSide) / 2, (height - shortSide) / 2, shortSide, shortSide};
    return true;
}

bool isOnItsSide(int orientation) { return orientation >= 5; }

void storedPoint(int orientation, int width, int height, int x, int y, int* storedX, int* storedY) {
    switch (orientation) {
    case 2:
        *storedX = width - 1 - x, *storedY = y;
        break;  // mirrored
    case 3:
        *storedX = width - 1 - x, *storedY = height - 1 - y;
        break;  // turned half round
    case 4:
        *storedX = x, *storedY = height - 1 - y;
        break;  // upside down
    case 5:
        *storedX = y, *storedY = x;
        break;  // transposed
    case 6:
        *storedX = y, *storedY = height - 1 - x;
        break;  // to turn a quarter clockwise
    case 7:
        *storedX = width - 1 - y, *storedY = height - 1 - x;
        break;  // transversed
    case 8:
        *storedX = width - 1 - y, *storedY = x;
        break;  // to turn a quarter anticlockwise
    default:
        *storedX = x, *storedY = y;
        break;
    }
}

PictureArea storedArea(int orientation, int width, int height, const PictureArea& upright) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    storedPoint(orientation, width, height, upright.left, upright.top, &x0, &y0);
    storedPoint(orientation, width, height, upright.left + upright.width - 1, upright.top + upright.height - 1,
                &x1, &y1);
    return {std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0) + 1, std::abs(y1 - y0) + 1};
}

RasterImage* readBmpFile(const std::string& path, std::string* messages) {
    RasterImage* image = nullptr;
    *messages = captureConsole([&] {
        FILE* stream = std::fopen(path.c_str(), "rb");
        image = readBMP(stream);
        if (stream) std::fclose(stream);
    });
    return image;
}

bool isReadableFile(const std::string& path, std::string* why) {
    struct stat status;
    if (path.empty()) {
        *why = "no file name given";
        return false;
    }
    if (stat(path.c_str(), &status) != 0) {
        *why = errno == ENOENT ? "there is no such file" : std::strerror(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        *why = "a folder, not a picture";
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        *why = "not a regular file";
        return false;
    }
    FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe) {
        *why = std::strerror(errno);
        return false;
    }
    std::fclose(probe);
    return true;
}

bool isPhoto(const std::string& path) {
    std::string start = firstBytes(path, 16);
    return !isBmp(start) && !photoFormatOf(start).empty();
}

bool readPictureHeader(const std::string& path, PictureHeader* header, std::string* why) {
    if (!isReadableFile(path, why)) return false;
    std::string start = firstBytes(path, 1024);
    if (isBmp(start)) return readBmpHeader(path, header, why);
    std::string format = photoFormatOf(start);
    if (format.empty() || !decodesPhotoFormat(format)) {
        std::string known = format.empty() ? unreadFormat(start) : "a " + format + " picture";
        *why = known.empty() ? "not a picture (the pictures read here are " + formatsRead() + ")"
                             : known + ", a format not read here (only " + formatsRead() + ")";
        return false;
    }
    if (!readPhotoHeader(path, format, header)) {
        *why = "not a picture: a damaged " + format + " file";
        return false;
    }
    header->format = format;
    if (static_cast<long long>(header->width) * header->height > kMostPictureRead) {
        *why = tooLarge(header->width, header->height);
        return false;
    }
    return true;
}

std::unique_ptr<RasterImage> readPicture(const std::string& path, int side, std::string* why) {
    PictureHeader header;
    if (!readPictureHeader(path, &header, why)) return nullptr;
    std::unique_ptr<RasterImage> picture;
    std::string failure;
    if (header.format == "BMP") {
        std::unique_ptr<RasterImage> upright = readUprightBmp(path, why);
        if (!upright || side == 0) return upright;
        // The garden's reader has decoded it; the platform only resamples.
        PictureArea square;
        if (squareCutFirst(upright->width_, upright->height_, &square)) upright = cutArea(*upright, square);
        picture = coverSquare(*upright, side, &failure);
        if (!picture) *why = "cannot be scaled to " + pixelsText(side, side) + " (" + failure + ")";
        return picture;
    }
    picture = decodePhoto(path, header, side, &failure);
    if (!picture)
        *why = "damaged or cut short: not a whole " + header.format + " picture" +
               (failure.empty() ? "" : " (" + failure + ")");
    return picture;
}
