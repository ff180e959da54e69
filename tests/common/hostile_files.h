// Files the picture tool must refuse, each with one line: made afresh in a
// scratch folder by the Linux tool's tests and by the Windows tool's under
// Wine, so both platforms meet the same hostile files.
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
