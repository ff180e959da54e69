// sandmere-thumbnailer SIZE GARDEN OUTPUT.png: the file manager's picture
// of a garden file or garden picture, for share/thumbnailers: the plan the
// headless garden shows once the record is replayed, scaled to fit SIZE
// pixels on its longer side and written as a PNG. It needs no display and
// no GPU, and writes nowhere but OUTPUT and a folder of its own under the
// temporary one. A garden that ends in the 3-D view, which has no GPU here,
// is pictured by its plan. What is no garden gets one line, status 1 and
// no picture.
#include <vips/vips8>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "web/gardenfile.h"
#include "web/native/headless.h"

namespace {

const char* const programName = "sandmere-thumbnailer";
// Far past any thumbnail a desktop asks for ("xx-large" is 1024).
constexpr long largestSide = 4096;

int refuse(const char* name, const std::string& why) {
    std::fprintf(stderr, "%s: %s: %s\n", programName, name, why.c_str());
    return EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SIZE GARDEN_FILE OUTPUT.png\n", programName);
        return 2;
    }
    char* end = nullptr;
    const long side = std::strtol(argv[1], &end, 10);
    if (end == argv[1] || *end != '\0' || side < 1 || side > largestSide)
        return refuse(argv[1], "not a size from 1 to " + std::to_string(largestSide));
    const char* gardenName = argv[2];
    const gardenfile::Reading reading = gardenfile::readGardenFile(gardenName);
    if (!reading.ok()) return refuse(gardenName, reading.error);
    std::error_code error;
    const std::filesystem::path output = std::filesystem::absolute(argv[3], error);
    if (error) return refuse(argv[3], error.message());

    ReplayedGarden replayed = replayInPrivateFolder(programName, reading.garden.events, true);
    if (!replayed.why.empty()) return refuse(gardenName, replayed.why);
    ShownPicture& plan = replayed.plan;

    // libvips' optional loaders are modules under VIPSHOME: none is needed.
    setenv("VIPSHOME", "/nonexistent", 1);
    if (VIPS_INIT(programName)) return refuse("libvips", vips_error_buffer());
    try {
        const vips::VImage picture = vips::VImage::new_from_memory(plan.rgba.data(), plan.rgba.size(), plan.width,
                                                                   plan.height, 4, VIPS_FORMAT_UCHAR)
                                         .extract_band(0, vips::VImage::option()->set("n", 3));
        picture
            .thumbnail_image(static_cast<int>(side), vips::VImage::option()->set("height", static_cast<int>(side)))
            .pngsave(output.c_str());
    } catch (const vips::VError& failed) {
        std::filesystem::remove(output, error);
        return refuse(output.c_str(), failed.what());
    }
    return EXIT_SUCCESS;
}
