// The photo reader's decoder on Linux: libvips, with only its JPEG, PNG,
// WebP and TIFF loaders allowed.
#include "tools/photo.h"

#include <vips/vips8>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// libvips's own loaders for the formats read here, each for files only;
// every other loader and every saver stays blocked.
const char* const kPhotoLoaders[] = {
    "VipsForeignLoadJpegFile",
    "VipsForeignLoadPngFile",
    "VipsForeignLoadWebpFile",
    "VipsForeignLoadTiffFile",
};

// libvips's messages stack up a library's view of a failure; the tool says
// in its own words what went wrong, so they are dropped.
void dropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

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

// thumbnail's options to cover side x side and crop about the centre, added
// to options.
vips::VOption* coverOptions(int side, vips::VOption* options = vips::VImage::option()) {
    return options->set("height", side)->set("size", VIPS_SIZE_BOTH)->set("crop", VIPS_INTERESTING_CENTRE);
}

// The first line of libvips's account of a failure, which it then forgets.
std::string decoderFailure() {
    std::string text = vips_error_buffer();
    vips_error_clear();
    text = text.substr(0, text.find('\n'));
    return text;
}

// Rows above an area cut from a picture read in order are read in strips
// this tall: libvips skips them in one request otherwise, in a time that
// grows with the square of the rows skipped (30 s for a 1 by 1,000,000
// PNG, against 0.1 s in strips).
constexpr int kRowsSkippedAtOnce = 64;

// Reads and drops the rows above top of an image read in order.
void skipRowsAbove(const vips::VImage& image, int top) {
    VipsRegion* region = vips_region_new(image.get_image());
    for (int y = 0; y < top; y += kRowsSkippedAtOnce) {
        VipsRect rows = {0, y, image.width(), std::min(kRowsSkippedAtOnce, top - y)};
        if (vips_region_prepare(region, &rows)) {
            g_object_unref(region);
            throw vips::VError();
        }
    }
    g_object_unref(region);
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
    for (const char* loader : kPhotoLoaders) vips_operation_block_set(loader, FALSE);
    return true;
}

void stopPhotoReader() { vips_shutdown(); }

bool decodesPhotoFormat(const std::string&) { return true; }

bool readPhotoHeader(const std::string& path, const std::string&, PictureHeader* header) {
    try {
        // Opening reads the header only; the pixels are decoded on demand.
        vips::VImage image = vips::VImage::new_from_file(
            path.c_str(), vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        header->turned = vips_image_get_orientation(image.get_image()) > 1;
        bool swap = vips_image_get_orientation_swap(image.get_image());
        header->width = swap ? image.height() : image.width();
        header->height = swap ? image.width() : image.height();
        return true;
    } catch (const vips::VError&) {
        vips_error_clear();
        return false;
    }
}

std::unique_ptr<RasterImage> decodePhoto(const std::string& path, const PictureHeader& header, int side,
                                         std::string* failure) {
    try {
        // Decoded at a reduced size where the format allows, turned upright
        // and imported to sRGB on the way; a truncated file is an error.
        vips::VOption* options = vips::VImage::option()->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
        PictureArea square;
        if (side && squareCutFirst(header.width, header.height, &square)) {
            // Read in order and cut where it is stored; the cover's options
            // then scale the square, and stand it upright once small.
            vips::VImage stored =
                vips::VImage::new_from_file(path.c_str(), options->set("access", VIPS_ACCESS_SEQUENTIAL));
            PictureArea cut = storedArea(vips_image_get_orientation(stored.get_image()), stored.width(),
                                         stored.height(), square);
            skipRowsAbove(stored, cut.top);
            return rasterFrom(gardenColours(stored.extract_area(cut.left, cut.top, cut.width, cut.height)
                                                .thumbnail_image(side, coverOptions(side))));
        }
        vips::VImage image =
            side ? vips::VImage::thumbnail(path.c_str(), side, coverOptions(side, options))
                 : vips::VImage::thumbnail(path.c_str(), header.width,
                                           options->set("height", header.height)->set("size", VIPS_SIZE_DOWN));
        return rasterFrom(gardenColours(image));
    } catch (const vips::VError&) {
        *failure = decoderFailure();
        return nullptr;
    }
}

std::unique_ptr<RasterImage> coverSquare(const RasterImage& upright, int side, std::string* failure) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(upright.pixelCount_) * 3);
    for (std::size_t i = 0; i < static_cast<std::size_t>(upright.pixelCount_); ++i) {
        rgb[3 * i] = upright.pixels[i].red;
        rgb[3 * i + 1] = upright.pixels[i].green;
        rgb[3 * i + 2] = upright.pixels[i].blue;
    }
    try {
        vips::VImage image = vips::VImage::new_from_memory(rgb.data(), rgb.size(), upright.width_, upright.height_,
                                                           3, VIPS_FORMAT_UCHAR);
        return rasterFrom(gardenColours(image.thumbnail_image(side, coverOptions(side))));
    } catch (const vips::VError&) {
        *failure = decoderFailure();
        return nullptr;
    }
}
