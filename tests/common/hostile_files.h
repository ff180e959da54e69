// Files the picture tool must refuse, each with one line, and photos of
// extreme shape it must take at once: made afresh in a scratch folder by the
// Linux tool's tests and by the Windows tool's under Wine, so both
// platforms meet the same hostile files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A valid little PNG whose header claims width x height pixels.
void writeClaimingPng(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height);

struct HostileFile {
    std::string name;    // in the scratch folder; missing.png is never made
    std::string reason;  // what the tool's line says of it
};

// Writes every hostile file into folder; `photo` is a whole JPEG there,
// whose first half becomes the cut-short one. Returns them with the
// reason each refusal gives.
std::vector<HostileFile> writeHostileFiles(const std::filesystem::path& folder,
                                           const std::filesystem::path& photo);

// Photos whose cover-then-crop would make a picture of gigabytes: a grey
// PNG 1 by 60,000 and one 60,000 by 1, and the fuzzer's strip
// (fuzz/photos/strip-8x65290-cut.jpg: 678 bytes whose frame claims 8 by
// 65,290, stored turned with EXIF orientation 6, its scan cut short and
// then ended). Written into folder; their names there.
std::vector<std::string> writeExtremeShapes(const std::filesystem::path& folder);

// A JPEG stored 40 by 400 and turned by EXIF orientation 6: upright 400 by
// 40, green but for its centred 40 by 40 square, which is blue with its
// top-right quadrant red. Taken whole, its centred square shows no green.
struct StripColour {
    int red, green, blue;
};
constexpr StripColour kStripRed = {230, 20, 20}, kStripBlue = {40, 90, 200}, kStripGreen = {30, 200, 30};
void writeMarkedStrip(const std::filesystem::path& path);
// What a 256 by 256 texture made of it shows where, from its top left: its
// square's quadrants, and its left and right edges, with no green there.
struct StripProbe {
    int x, y;
    StripColour want;
};
constexpr StripProbe kMarkedStripProbes[] = {{192, 64, kStripRed},   {64, 64, kStripBlue}, {64, 192, kStripBlue},
                                             {192, 192, kStripBlue}, {1, 128, kStripBlue}, {254, 192, kStripBlue}};
