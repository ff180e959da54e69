#include "tools/photo.h"

#include "tools/console.h"

#include <sys/stat.h>

#include <vips/vips8>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// libvips's own loaders for the formats read here, each for files only;
// every other loader and every saver stays blocked.
struct PhotoFormat {
    const char* loader;  // a libvips class
    const char* name;    // as the messages call it
};
const PhotoFormat kPhotoFormats[] = {
    {"VipsForeignLoadJpegFile", "JPEG"},
    {"VipsForeignLoadPngFile", "PNG"},
    {"VipsForeignLoadWebpFile", "WebP"},
    {"VipsForeignLoadTiffFile", "TIFF"},
};
const char* const kFormatsRead = "JPEG, PNG, WebP, TIFF or BMP";

// Formats often taken for photos that are not read here, by their first
// bytes: only to name them in the refusal, never to read them.
struct KnownSignature {
    std::size_t offset;
    const char* bytes;
    const char* name;
};
const KnownSignature kFormatsNotRead[] = {
    {0, "GIF8", "a GIF picture"},     {0, "%PDF", "a PDF document"},       {0, "%!PS", "a PostScript file"},
    {0, "8BPS", "a Photoshop file"},  {4, "ftyp", "a HEIC or AVIF photo"}, {0, "\xff\x0a", "a JPEG XL picture"},
    {4, "JXL ", "a JPEG XL picture"}, {4, "jP  ", "a JPEG 2000 picture"},
};

// libvips's messages stack up a library's view of a failure; the tool says
// in its own words what went wrong, so they are dropped.
void dropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

std::string firstBytes(const std::string& path, std::size_t count) {
    std::string bytes(count, '\0');
    FILE* stream = std::fopen(path.c_str(), "rb");
    if (!stream) return "";
    bytes.resize(std::fread(&bytes[0], 1, count, stream));
    std::fclose(stream);
    return bytes;
}

std::string unreadFormat(const std::string& start) {
    for (const KnownSignature& known : kFormatsNotRead) {
        std::size_t length = std::strlen(known.bytes);
        if (start.size() >= known.offset + length && start.compare(known.offset, length, known.bytes) == 0)
            return known.name;
    }
    // An SVG drawing is text: its root element comes early.
    if (start.find("<svg") != std::string::npos) return "an SVG drawing";
    return "";
}

bool isBmp(const std::string& start) { return start.size() >= 2 && start[0] == 'B' && start[1] == 'M'; }

std::string pixelsText(long long width, long long height) {
    return std::to_string(width) + " by " + std::to_string(height) + " pixels";
}

std::string tooLarge(long long width, long long height) {
    return "too large: " + pixelsText(width, height) + ", over the " +
           std::to_string(kMostPictureRead / 1'000'000) + " million pixels read here";
}

}  // namespace

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

namespace {

const PhotoFormat* photoFormatOf(const std::string& path) {
    const char* loader = vips_foreign_find_load(path.c_str());
    vips_error_clear();
    if (!loader) return nullptr;
    for (const PhotoFormat& format : kPhotoFormats)
        if (std::strcmp(loader, format.loader) == 0) return &format;
    return nullptr;
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

// Any image from libvips as 8-bit sRGB over white.
vips::VImage gardenColours(vips::VImage image) {
    if (image.has_alpha()) {
        VipsInterpretation kind = image.interpretation();
        double opaque = kind == VIPS_INTERPRETATION_GREY16 || kind == VIPS_INTERPRETATION_RGB16 ? 65535
                        : kind == VIPS_INTERPRETATION_scRGB                                     ? 1
                                                                                                : 255;
        image = image.flatten(
            vips::VImage::option()->set("background", std::vector<double>{opaque})->set("max_alpha", opaque));
    }
    image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    if (image.bands() > 3) image = image.extract_band(0, vips::VImage::option()->set("n", 3));
    return image.cast(VIPS_FORMAT_UCHAR);
}

std::unique_ptr<RasterImage> rasterFrom(const vips::VImage& image) {
    std::size_t size = 0;
    unsigned char* bytes = static_cast<unsigned char*>(image.write_to_memory(&size));
    std::unique_ptr<RasterImage> raster(new RasterImage(image.width(), image.height()));
    for (std::size_t i = 0; i < static_cast<std::size_t>(raster->pixelCount_); ++i)
        raster->pixels[i] = Pixel(bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2], 255);
    g_free(bytes);
    return raster;
}

vips::VImage coverSquare(const vips::VImage& image, int side) {
    return image.thumbnail_image(side, vips::VImage::option()
                                           ->set("height", side)
                                           ->set("size", VIPS_SIZE_BOTH)
                                           ->set("crop", VIPS_INTERESTING_CENTRE));
}

}  // namespace

bool startPhotoReader(std::string* why) {
    // libvips loads its optional loaders (ImageMagick, PDF, HEIF, JPEG XL,
    // OpenSlide) as modules from the library folder under its prefix, which
    // VIPSHOME names. Pointed at /nonexistent, by convention a path that
    // never exists, none is loaded: their code never enters the process,
    // and a conversion took 7 MB and 20 to 30 ms less. The four loaders used
    // here are built into libvips itself.
    setenv("VIPSHOME", "/nonexistent", 1);
    if (VIPS_INIT("sandmere-picture")) {
        *why = "cannot start libvips: " + std::string(vips_error_buffer());
        vips_error_clear();
        return false;
    }
    g_log_set_handler("VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL), dropMessage,
                      nullptr);
    vips_block_untrusted_set(TRUE);
    vips_operation_block_set("VipsForeignLoad", TRUE);
    vips_operation_block_set("VipsForeignSave", TRUE);
    for (const PhotoFormat& format : kPhotoFormats) vips_operation_block_set(format.loader, FALSE);
    return true;
}

void stopPhotoReader() { vips_shutdown(); }

bool isPhoto(const std::string& path) { return !isBmp(firstBytes(path, 2)) && photoFormatOf(path); }

bool readPictureHeader(const std::string& path, PictureHeader* header, std::string* why) {
    if (!isReadableFile(path, why)) return false;
    std::string start = firstBytes(path, 1024);
    if (isBmp(start)) return readBmpHeader(path, header, why);
    const PhotoFormat* format = photoFormatOf(path);
    if (!format) {
        std::string known = unreadFormat(start);
        *why = known.empty() ? std::string("not a picture (the pictures read here are ") + kFormatsRead + ")"
                             : known + ", a format not read here (only " + kFormatsRead + ")";
        return false;
    }
    try {
        // Opening reads the header only; the pixels are decoded on demand.
        vips::VImage image = vips::VImage::new_from_file(
            path.c_str(), vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        header->format = format->name;
        header->turned = vips_image_get_orientation(image.get_image()) > 1;
        bool swap = vips_image_get_orientation_swap(image.get_image());
        header->width = swap ? image.height() : image.width();
        header->height = swap ? image.width() : image.height();
    } catch (const vips::VError&) {
        vips_error_clear();
        *why = std::string("not a picture: a damaged ") + format->name + " file";
        return false;
    }
    if (static_cast<long long>(header->width) * header->height > kMostPictureRead) {
        *why = tooLarge(header->width, header->height);
        return false;
    }
    return true;
}

std::unique_ptr<RasterImage> readPicture(const std::string& path, int side, std::string* why) {
    PictureHeader header;
    if (!readPictureHeader(path, &header, why)) return nullptr;
    try {
        if (header.format == "BMP") {
            std::unique_ptr<RasterImage> upright = readUprightBmp(path, why);
            if (!upright || side == 0) return upright;
            // The garden's reader has decoded it; libvips only resamples.
            std::vector<unsigned char> rgb(static_cast<std::size_t>(upright->pixelCount_) * 3);
            for (std::size_t i = 0; i < static_cast<std::size_t>(upright->pixelCount_); ++i) {
                rgb[3 * i] = upright->pixels[i].red;
                rgb[3 * i + 1] = upright->pixels[i].green;
                rgb[3 * i + 2] = upright->pixels[i].blue;
            }
            vips::VImage image = vips::VImage::new_from_memory(rgb.data(), rgb.size(), upright->width_,
                                                               upright->height_, 3, VIPS_FORMAT_UCHAR);
            return rasterFrom(gardenColours(coverSquare(image, side)));
        }
        // Decoded at a reduced size where the format allows, turned upright
        // and imported to sRGB on the way; a truncated file is an error.
        vips::VOption* options = vips::VImage::option()->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
        if (side) {
            options->set("height", side)->set("size", VIPS_SIZE_BOTH)->set("crop", VIPS_INTERESTING_CENTRE);
        } else {
            options->set("height", header.height)->set("size", VIPS_SIZE_DOWN);
        }
        vips::VImage image = vips::VImage::thumbnail(path.c_str(), side ? side : header.width, options);
        return rasterFrom(gardenColours(image));
    } catch (const vips::VError&) {
        vips_error_clear();
        *why = "damaged or cut short: not a whole " + header.format + " picture";
        return nullptr;
    }
}
