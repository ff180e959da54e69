// The photo reader's decoder on Windows: the Windows Imaging Component
// (WIC), Windows' own decoders. What WIC does not give everywhere is read
// from the file's bytes: a JPEG's sides, orientation and end (Wine's WIC
// decodes a JPEG whole before it tells its size, and shows no metadata), a
// PNG's sides (likewise), and a TIFF's orientation.
#include "tools/photo.h"

#include "tools/exif.h"

#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

struct Decoder {
    const char* format;  // one of kPhotoFormatNames
    const GUID& container;
};
const Decoder kDecoders[] = {
    {"JPEG", GUID_ContainerFormatJpeg},
    {"PNG", GUID_ContainerFormatPng},
    {"WebP", GUID_ContainerFormatWebp},
    {"TIFF", GUID_ContainerFormatTiff},
};
constexpr std::size_t kDecoderCount = sizeof kDecoders / sizeof kDecoders[0];

// The reader's state between startPhotoReader and stopPhotoReader.
ComPtr<IWICImagingFactory> factory;
bool comStarted = false;
bool present[kDecoderCount] = {};  // Windows has the decoder (WebP is an optional one)

const Decoder* decoderFor(const std::string& format) {
    for (const Decoder& decoder : kDecoders)
        if (format == decoder.format) return &decoder;
    return nullptr;
}

// A file's bytes, read through the C library as every other file of the
// tool is; false when it cannot be read whole or is too big for a WIC stream.
bool readWholeFile(const std::string& path, std::vector<unsigned char>* bytes) {
    FILE* stream = std::fopen(path.c_str(), "rb");
    if (!stream) return false;
    constexpr std::size_t kChunk = 1 << 20;
    bytes->clear();
    std::size_t got = 0;
    do {
        std::size_t size = bytes->size();
        if (size > MAXDWORD - kChunk) break;
        bytes->resize(size + kChunk);
        got = std::fread(bytes->data() + size, 1, kChunk, stream);
        bytes->resize(size + got);
    } while (got == kChunk);
    bool whole = std::feof(stream) && !std::ferror(stream);
    std::fclose(stream);
    return whole;
}

// The first frame of a photo held in memory, through the decoder of its
// format only: nothing else ever sees the file.
ComPtr<IWICBitmapFrameDecode> firstFrame(std::vector<unsigned char>& bytes, const Decoder& decoder) {
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decode;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()))) ||
        FAILED(factory->CreateDecoder(decoder.container, nullptr, &decode)) ||
        FAILED(decode->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decode->GetFrame(0, &frame)))
        return nullptr;
    return frame;
}

// What the header tells, in the file's own terms.
struct StoredPhoto {
    int width = 0, height = 0;  // as stored
    int orientation = kUprightOrientation;
    bool whole = true;  // a JPEG's data runs to its end; the others' decoders tell
};

constexpr std::size_t kPngSidesEnd = 24;  // signature, IHDR's length and type, width, height

std::uint32_t bigEndian32(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The stored sides from the header, before any pixel is decoded.
bool readStoredPhoto(std::vector<unsigned char>& bytes, const Decoder& decoder, StoredPhoto* photo) {
    std::string format = decoder.format;
    if (format == "JPEG") {
        JpegLayout layout = readJpegLayout(bytes.data(), bytes.size());
        photo->width = layout.width;
        photo->height = layout.height;
        photo->orientation = layout.orientation;
        photo->whole = layout.whole;
    } else if (format == "PNG") {
        if (bytes.size() < kPngSidesEnd || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) return false;
        std::uint32_t width = bigEndian32(bytes.data() + 16), height = bigEndian32(bytes.data() + 20);
        if (width > INT_MAX || height > INT_MAX) return false;
        photo->width = static_cast<int>(width);
        photo->height = static_cast<int>(height);
    } else {
        // WIC's TIFF and WebP decoders read only the header when opened.
        ComPtr<IWICBitmapFrameDecode> frame = firstFrame(bytes, decoder);
        UINT width = 0, height = 0;
        if (!frame || FAILED(frame->GetSize(&width, &height)) || width > INT_MAX || height > INT_MAX) return false;
        photo->width = static_cast<int>(width);
        photo->height = static_cast<int>(height);
        if (format == "TIFF") photo->orientation = tiffOrientation(bytes.data(), bytes.size());
    }
    return photo->width > 0 && photo->height > 0;
}

// Stored premultiplied BGRA pixels as an upright raster, laid over white.
std::unique_ptr<RasterImage> uprightOverWhite(const std::vector<BYTE>& bgra, int width, int height,
                                              int orientation) {
    bool swap = isOnItsSide(orientation);
    int uprightWidth = swap ? height : width, uprightHeight = swap ? width : height;
    std::unique_ptr<RasterImage> raster(new RasterImage(uprightWidth, uprightHeight));
    for (int y = 0; y < uprightHeight; ++y) {
        for (int x = 0; x < uprightWidth; ++x) {
            int storedX = 0, storedY = 0;
            storedPoint(orientation, width, height, x, y, &storedX, &storedY);
            const BYTE* p = &bgra[(static_cast<std::size_t>(storedY) * width + storedX) * 4];
            // Premultiplied: over white, each channel gains what alpha leaves.
            BYTE white = static_cast<BYTE>(255 - p[3]);
            raster->pixels[static_cast<std::size_t>(y) * uprightWidth + x] =
                Pixel(static_cast<unsigned char>(std::min(255, p[2] + white)),
                      static_cast<unsigned char>(std::min(255, p[1] + white)),
                      static_cast<unsigned char>(std::min(255, p[0] + white)), 255);
        }
    }
    return raster;
}

// What went wrong in one of WIC's steps, in the words the refusal gives.
std::string wicFailure(const char* step, HRESULT result) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return std::string("the Windows Imaging Component could not ") + step + ": error " + code;
}

// The source stood upright, over white, as 8-bit sRGB: at its own size
// (side 0), or scaled to cover side x side and cropped about its centre.
std::unique_ptr<RasterImage> gardenPicture(IWICBitmapSource* source, int width, int height, int orientation,
                                           int side, std::string* failure) {
    bool swap = isOnItsSide(orientation);
    PictureArea square;
    if (side && squareCutFirst(swap ? height : width, swap ? width : height, &square)) {
        // Only the stored square is ever asked of the decoder and scaled.
        PictureArea cut = storedArea(orientation, width, height, square);
        const WICRect clip = {cut.left, cut.top, cut.width, cut.height};
        ComPtr<IWICBitmapClipper> clipper;
        HRESULT result = factory->CreateBitmapClipper(&clipper);
        if (SUCCEEDED(result)) result = clipper->Initialize(source, &clip);
        if (FAILED(result)) {
            *failure = wicFailure("cut its centred square", result);
            return nullptr;
        }
        return gardenPicture(clipper.Get(), cut.width, cut.height, orientation, side, failure);
    }
    // Premultiplied, so that scaling does not bleed the colour of
    // transparent pixels into their neighbours.
    ComPtr<IWICFormatConverter> converter;
    HRESULT result = factory->CreateFormatConverter(&converter);
    if (SUCCEEDED(result))
        result = converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                       WICBitmapPaletteTypeCustom);
    if (FAILED(result)) {
        *failure = wicFailure("convert its colours", result);
        return nullptr;
    }
    if (side == 0) {
        std::vector<BYTE> bgra(static_cast<std::size_t>(width) * height * 4);
        result = converter->CopyPixels(nullptr, static_cast<UINT>(width) * 4, static_cast<UINT>(bgra.size()),
                                       bgra.data());
        if (FAILED(result)) {
            *failure = wicFailure("decode it", result);
            return nullptr;
        }
        return uprightOverWhite(bgra, width, height, orientation);
    }
    // The cover scale is worked out upright, then taken back to the stored
    // picture, which is scaled as it is stored: the crop is square, so it
    // is side x side there as well. squareCutFirst keeps the scaled
    // picture within kMostCoverStretch squares.
    double uprightWidth = swap ? height : width, uprightHeight = swap ? width : height;
    double scale = std::max(side / uprightWidth, side / uprightHeight);
    int coverWidth = static_cast<int>(std::max<double>(side, std::round(uprightWidth * scale)));
    int coverHeight = static_cast<int>(std::max<double>(side, std::round(uprightHeight * scale)));
    int storedWidth = swap ? coverHeight : coverWidth, storedHeight = swap ? coverWidth : coverHeight;
    PictureArea crop = storedArea(orientation, storedWidth, storedHeight,
                                  {(coverWidth - side) / 2, (coverHeight - side) / 2, side, side});
    const WICRect rect = {crop.left, crop.top, crop.width, crop.height};
    // Fant: Windows' area-averaging reduction, the best of its scalers that
    // every Windows (and Wine) has.
    ComPtr<IWICBitmapScaler> scaler;
    std::vector<BYTE> bgra(static_cast<std::size_t>(side) * side * 4);
    result = factory->CreateBitmapScaler(&scaler);
    if (SUCCEEDED(result))
        result = scaler->Initialize(converter.Get(), static_cast<UINT>(storedWidth),
                                    static_cast<UINT>(storedHeight), WICBitmapInterpolationModeFant);
    if (SUCCEEDED(result))
        result =
            scaler->CopyPixels(&rect, static_cast<UINT>(side) * 4, static_cast<UINT>(bgra.size()), bgra.data());
    if (FAILED(result)) {
        *failure = wicFailure("decode and scale it", result);
        return nullptr;
    }
    return uprightOverWhite(bgra, side, side, orientation);
}

}  // namespace

bool startPhotoReader(std::string* why) {
    HRESULT started = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    // Already started in another mode is no fault, but is not ours to end.
    comStarted = SUCCEEDED(started);
    if (FAILED(started) && started != RPC_E_CHANGED_MODE) {
        *why = "cannot start COM for the Windows Imaging Component";
        return false;
    }
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)))) {
        *why = "cannot start the Windows Imaging Component";
        stopPhotoReader();
        return false;
    }
    for (std::size_t i = 0; i < kDecoderCount; ++i) {
        ComPtr<IWICBitmapDecoder> decoder;
        present[i] = SUCCEEDED(factory->CreateDecoder(kDecoders[i].container, nullptr, &decoder));
    }
    return true;
}

void stopPhotoReader() {
    factory.Reset();
    if (comStarted) CoUninitialize();
    comStarted = false;
}

bool decodesPhotoFormat(const std::string& format) {
    const Decoder* decoder = decoderFor(format);
    return decoder && present[decoder - kDecoders];
}

bool readPhotoHeader(const std::string& path, const std::string& format, PictureHeader* header) {
    const Decoder* decoder = decoderFor(format);
    std::vector<unsigned char> bytes;
    StoredPhoto photo;
    if (!decoder || !readWholeFile(path, &bytes) || !readStoredPhoto(bytes, *decoder, &photo)) return false;
    bool swap = isOnItsSide(photo.orientation);
    header->width = swap ? photo.height : photo.width;
    header->height = swap ? photo.width : photo.height;
    header->turned = photo.orientation != kUprightOrientation;
    return true;
}

std::unique_ptr<RasterImage> decodePhoto(const std::string& path, const PictureHeader& header, int side,
                                         std::string* failure) {
    const Decoder* decoder = decoderFor(header.format);
    std::vector<unsigned char> bytes;
    StoredPhoto photo;
    if (!decoder || !readWholeFile(path, &bytes) || !readStoredPhoto(bytes, *decoder, &photo)) return nullptr;
    // A JPEG cut short would be filled in grey by some decoders.
    if (!photo.whole) {
        *failure = "its picture data ends before the picture does";
        return nullptr;
    }
    ComPtr<IWICBitmapFrameDecode> frame = firstFrame(bytes, *decoder);
    UINT width = 0, height = 0;
    if (!frame || FAILED(frame->GetSize(&width, &height))) {
        *failure = "the Windows Imaging Component could not open it";
        return nullptr;
    }
    if (width != static_cast<UINT>(photo.width) || height != static_cast<UINT>(photo.height)) {
        *failure = "its decoder gives " + std::to_string(width) + " by " + std::to_string(height) +
                   " pixels, its header " + std::to_string(photo.width) + " by " + std::to_string(photo.height);
        return nullptr;
    }
    return gardenPicture(frame.Get(), photo.width, photo.height, photo.orientation, side, failure);
}

std::unique_ptr<RasterImage> coverSquare(const RasterImage& upright, int side, std::string* failure) {
    std::vector<BYTE> bgra(static_cast<std::size_t>(upright.pixelCount_) * 4);
    for (std::size_t i = 0; i < static_cast<std::size_t>(upright.pixelCount_); ++i) {
        const Pixel& p = upright.pixels[i];
        bgra[4 * i] = p.blue, bgra[4 * i + 1] = p.green, bgra[4 * i + 2] = p.red, bgra[4 * i + 3] = 255;
    }
    ComPtr<IWICBitmap> bitmap;
    HRESULT result = factory->CreateBitmapFromMemory(
        static_cast<UINT>(upright.width_), static_cast<UINT>(upright.height_), GUID_WICPixelFormat32bppBGRA,
        static_cast<UINT>(upright.width_) * 4, static_cast<UINT>(bgra.size()), bgra.data(), &bitmap);
    if (FAILED(result)) {
        *failure = wicFailure("take its pixels", result);
        return nullptr;
    }
    return gardenPicture(bitmap.Get(), upright.width_, upright.height_, kUprightOrientation, side, failure);
}
