#include "hostile_files.h"

#include <zlib.h>

#include <vips/vips8>

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string bytesOf(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

}  // namespace

void writeClaimingPng(const fs::path& path, std::uint32_t width, std::uint32_t height) {
    const fs::path small = path.string() + ".small.png";
    vips::VImage::black(1, 1).cast(VIPS_FORMAT_UCHAR).pngsave(small.c_str());
    std::string bytes = bytesOf(small);
    fs::remove(small);
    for (int i = 0; i < 4; ++i) {
        bytes[16 + i] = static_cast<char>(width >> (24 - 8 * i));
        bytes[20 + i] = static_cast<char>(height >> (24 - 8 * i));
    }
    // The header's checksum covers its type and data, 17 bytes from 12.
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + 12), 17));
    for (int i = 0; i < 4; ++i) bytes[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<HostileFile> writeHostileFiles(const fs::path& folder, const fs::path& photo) {
    const std::string whole = bytesOf(photo);
    std::ofstream(folder / "cut.jpg", std::ios::binary) << whole.substr(0, whole.size() / 2);
    std::ofstream(folder / "drawing.svg")
        << "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\">"
           "<rect width=\"64\" height=\"64\" fill=\"red\"/></svg>\n";
    std::ofstream(folder / "paper.pdf")
        << "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n";
    std::ofstream(folder / "notes.txt") << "a shopping list, not a picture\n";
    writeClaimingPng(folder / "huge.png", 20000, 20000);
    fs::create_directory(folder / "photos.jpg");
    return {
        {"cut.jpg", "cut short"},
        {"drawing.svg", "an SVG drawing, a format not read here"},
        {"paper.pdf", "a PDF document, a format not read here"},
        {"notes.txt", "not a picture"},
        {"huge.png", "too large: 20000 by 20000 pixels"},
        {"photos.jpg", "a folder"},
        {"missing.png", "there is no such file"},
    };
}

std::vector<std::string> writeExtremeShapes(const fs::path& folder) {
    (vips::VImage::black(1, 60000) + 128).cast(VIPS_FORMAT_UCHAR).pngsave((folder / "thin.png").c_str());
    (vips::VImage::black(60000, 1) + 128).cast(VIPS_FORMAT_UCHAR).pngsave((folder / "wide.png").c_str());
    fs::copy_file(SANDMERE_STRIP_PHOTO, folder / "strip.jpg");
    return {"thin.png", "wide.png", "strip.jpg"};
}

void writeMarkedStrip(const fs::path& path) {
    auto colour = [](StripColour c) {
        return std::vector<double>{double(c.red), double(c.green), double(c.blue)};
    };
    vips::VImage upright =
        (vips::VImage::black(400, 40, vips::VImage::option()->set("bands", 3)) + colour(kStripGreen))
            .cast(VIPS_FORMAT_UCHAR)
            .copy_memory();
    upright.draw_rect(colour(kStripBlue), 180, 0, 40, 40, vips::VImage::option()->set("fill", true));
    upright.draw_rect(colour(kStripRed), 200, 0, 20, 20, vips::VImage::option()->set("fill", true));
    vips::VImage stored = upright.rot270().copy();
    stored.set("orientation", 6);
    stored.jpegsave(path.c_str(), vips::VImage::option()->set("Q", 95));
}
