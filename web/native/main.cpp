// sandmere-headless GARDEN [PICTURE.bmp]: replays a garden file (or the
// garden a link to the page carries, or just the link's "#garden=..."
// fragment) through the garden over the page's GL layer, with no window and
// no GPU, and prints the SHA-256 of the plan it shows: of its RGBA bytes,
// top row first, as the page's ImageData holds them. Given a second name,
// writes that plan there as a BMP picture. What is no garden gets one line
// saying what is wrong, and status 1.
//
// The garden reads its pictures from its working folder: they are painted
// into a folder of the program's own, as the page paints them, and it is
// removed at the end. The garden's own words go to standard error, so that
// standard output holds the digest alone.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "web/gardenfile.h"
#include "web/native/headless.h"

extern "C" int sandmereWritePicture(const unsigned char* rgba, int width, int height, const char* path);

namespace {

const char* const programName = "sandmere-headless";

int refuse(const char* fileName, const std::string& why) {
    std::fprintf(stderr, "%s: %s: %s\n", programName, fileName, why.c_str());
    return EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s GARDEN_FILE|LINK [PICTURE.bmp]\n", programName);
        return 2;
    }
    const char* gardenName = argv[1];
    const gardenfile::Reading reading = gardenfile::readGardenNamed(gardenName);
    if (!reading.ok()) return refuse(gardenName, reading.error);

    std::error_code error;
    std::filesystem::path picturePath;
    if (argc == 3) {
        picturePath = std::filesystem::absolute(argv[2], error);
        if (error) return refuse(argv[2], error.message());
    }
    const ReplayedGarden replayed = replayInPrivateFolder(programName, reading.garden.events, false);
    if (!replayed.why.empty()) return refuse(gardenName, replayed.why);
    const ShownPicture& plan = replayed.plan;
    if (replayed.scene)
        std::fprintf(stderr,
                     "%s: %s ends in the 3-D view, which has no GPU to draw it here: its picture is black\n",
                     programName, gardenName);
    if (!picturePath.empty() &&
        !sandmereWritePicture(plan.rgba.data(), plan.width, plan.height, picturePath.c_str()))
        return EXIT_FAILURE;
    std::printf("%s\n", sha256Hex(plan.rgba).c_str());
    return std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
