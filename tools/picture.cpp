// sandmere-picture: draws the garden's fourteen pictures, tells whether
// picture files will load in the garden, turns photos (JPEG, PNG, WebP,
// TIFF) and every BMP the garden's reader accepts into upright 24-bit BMP
// files the garden reads, and keeps the user's own garden folder.

#include "image/image.h"
#include "image/texture.h"
#include "tools/console.h"
#include "tools/folders.h"
#include "tools/paint.h"
#include "tools/photo.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

std::string squareText(int side) { return std::to_string(side) + "x" + std::to_string(side); }

// The first of the garden's pictures in a role, as a user names it: for
// the examples.
std::string firstNameIn(PictureRole role) {
    for (const GardenPictureFile& file : gardenPictureFiles)
        if (file.role == role) return userName(file);
    return "";
}

std::string usage() {
    const std::string texture = squareText(pictureSideFor(PictureRole::texture));
    const std::string background = squareText(pictureSideFor(PictureRole::background));
    const std::string firstBackground = firstNameIn(PictureRole::background);
    const std::string firstTexture = firstNameIn(PictureRole::texture);
    return "usage: sandmere-picture COMMAND ...\n"
           "Pictures read: JPEG (stood upright by its orientation), PNG, WebP, TIFF and BMP.\n"
           "NAME is one of the garden's pictures: the textures (made " +
           texture + ") " + pictureNames(PictureRole::texture) + ";\nthe backgrounds (made " + background + ") " +
           pictureNames(PictureRole::background) +
           ".\n"
           "\n"
           "  use PICTURE NAME    make PICTURE the garden's NAME, in your own garden folder\n"
           "                        sandmere-picture use lake.jpg " +
           firstBackground +
           "\n"
           "  forget NAME         remove your own NAME: the installed picture is used again\n"
           "                        sandmere-picture forget " +
           firstBackground +
           "\n"
           "  list                show the file the garden reads for each of its pictures\n"
           "                        sandmere-picture list\n"
           "  check FILE...       tell whether each file loads as a background and as a texture,\n"
           "                      and for a photo, which command makes it one\n"
           "                        sandmere-picture check lake.jpg\n"
           "  convert [--as background|texture] IN OUT\n"
           "                      write IN as an upright 24-bit BMP: a background covers " +
           background + ",\n                      a texture " + texture +
           ", both cropped about the centre; without --as,\n"
           "                      an OUT named like a garden picture takes its role, any other\n"
           "                      keeps the picture's size\n"
           "                        sandmere-picture convert --as texture pebbles.png " +
           firstTexture +
           ".bmp\n"
           "  defaults DIR        draw the garden's own pictures into DIR (made if needed)\n"
           "                        sandmere-picture defaults ~/garden-pictures\n"
           "  help                show this text\n";
}

// A refused command line is told apart from a failed task.
const int kStatusUsage = 2;

int usageError(const std::string& message) {
    std::fprintf(stderr, "sandmere-picture: %s\n%s", message.c_str(), usage().c_str());
    return kStatusUsage;
}

// Writes the raster as a BMP file. The picture is written beside its final
// name and renamed into place only when complete, so the garden never finds
// half a picture, and a failed write leaves any earlier file as it was and
// removes what it wrote.
bool writePictureFile(const RasterImage& raster, const std::string& path) {
    std::string partial = path + ".partial";
    FILE* stream = std::fopen(partial.c_str(), "wb");
    if (!stream) {
        refuse(path, std::string("cannot write it: ") + std::strerror(errno));
        return false;
    }
    int written = 0;
    std::string messages = captureConsole([&] { written = writeBMP(&raster, stream); });
    // The writer neither flushes nor closes: a full disk may only show here.
    bool flushed = std::fflush(stream) == 0 && !std::ferror(stream);
    int flushError = errno;
    bool closed = std::fclose(stream) == 0;
    int closeError = errno;
    if (!written || !flushed || !closed) {
        std::string reason = !written ? messages : std::strerror(!flushed ? flushError : closeError);
        refuse(path, "writing it failed, the earlier file is kept: " + reason);
        std::remove(partial.c_str());
        return false;
    }
    // Over an earlier picture too, on every platform.
    std::error_code renameError;
    std::filesystem::rename(std::filesystem::u8path(partial), std::filesystem::u8path(path), renameError);
    if (renameError) {
        refuse(path, "cannot put it in place: " + renameError.message());
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

int drawDefaults(const std::string& directory) {
    if (directory.empty()) return usageError("defaults needs a directory name");
    std::string why;
    if (!makeFolder(directory, &why)) {
        std::fprintf(stderr, "sandmere-picture: cannot make the directory %s: %s\n", directory.c_str(),
                     why.c_str());
        return kStatusFailed;
    }
    for (const GardenPicture& picture : gardenPictures()) {
        if (!writePictureFile(*paintedPicture(picture), pathIn(directory, picture.fileName))) return kStatusFailed;
    }
    std::printf("drew %zu pictures into %s\n", gardenPictures().size(), directory.c_str());
    return 0;
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// biBitCount, read straight from a file the reader has already accepted.
int storedBitCount(const std::string& path) {
    FILE* stream = std::fopen(path.c_str(), "rb");
    if (!stream) return 0;
    unsigned char bytes[2] = {0, 0};
    int bits = 0;
    if (std::fseek(stream, 28, SEEK_SET) == 0 && std::fread(bytes, 1, 2, stream) == 2)
        bits = bytes[0] | bytes[1] << 8;
    std::fclose(stream);
    return bits;
}

std::string sizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

std::string backgroundVerdict(const std::string& path, bool* loads) {
    std::string messages;
    RasterImage* raster = readBmpFile(path, &messages);
    *loads = raster != nullptr;
    if (!raster) return "not a background (" + messages + ")";
    std::string verdict = "background " + sizeText(raster->width_, raster->height_) + " " +
                          std::to_string(storedBitCount(path)) + "-bit";
    // The garden draws backgrounds pixel for pixel from the window's lower left.
    if (raster->width_ > gardenWindowSide || raster->height_ > gardenWindowSide) {
        verdict += " (cut off above " + squareText(gardenWindowSide) + ")";
    } else if (raster->width_ < gardenWindowSide || raster->height_ < gardenWindowSide) {
        verdict += " (smaller than the " + squareText(gardenWindowSide) + " window)";
    }
    delete raster;
    return verdict;
}

std::string textureVerdict(const std::string& path, bool* loads) {
    TextureImage image;
    int result = 0;
    std::string messages = captureConsole([&] { result = readTextureFile(path.c_str(), &image); });
    *loads = result == 1;
    std::string verdict;
    if (result == 1) {
        verdict = "texture " + sizeText(image.width, image.height);
        if (!isPowerOfTwo(image.width) || !isPowerOfTwo(image.height))
            verdict += " (sides not powers of two: OpenGL 1.1 may refuse it)";
    } else {
        verdict = "not a texture (" + messages + ")";
    }
    std::free(image.data);
    return verdict;
}

// A photo loads in the garden only once it is made a BMP of its role's size.
bool checkPhoto(const std::string& path) {
    PictureHeader header;
    std::string why;
    if (!readPictureHeader(path, &header, &why)) {
        std::printf("%s: not a background, not a texture (%s)\n", path.c_str(), why.c_str());
        return false;
    }
    // The path as a shell takes it back, for the commands to be copied.
    std::string shellPath = path;
    if (path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-/+=~") !=
        std::string::npos) {
        shellPath = "'";
        for (char c : path) shellPath += c == '\'' ? std::string("'\\''") : std::string(1, c);
        shellPath += "'";
    }
    std::printf(
        "%s: a %s picture %s%s, which the garden reads only once it is made one of its own: "
        "sandmere-picture use %s %s makes it a background, sandmere-picture use %s %s a texture\n",
        path.c_str(), header.format.c_str(), sizeText(header.width, header.height).c_str(),
        header.turned ? " (stood upright)" : "", shellPath.c_str(), firstNameIn(PictureRole::background).c_str(),
        shellPath.c_str(), firstNameIn(PictureRole::texture).c_str());
    return false;
}

// One line per file; true when the file loads as a background or a texture.
bool checkPicture(const std::string& path) {
    std::string why;
    if (!isReadableFile(path, &why)) {
        std::printf("%s: not a background, not a texture (%s)\n", path.empty() ? "(empty name)" : path.c_str(),
                    why.c_str());
        return false;
    }
    if (isPhoto(path)) return checkPhoto(path);
    bool background = false, texture = false;
    std::string first = backgroundVerdict(path, &background);
    std::string second = textureVerdict(path, &texture);
    std::printf("%s: %s; %s\n", path.c_str(), first.c_str(), second.c_str());
    std::fflush(stdout);
    return background || texture;
}

int checkPictures(const std::vector<std::string>& paths) {
    bool all = true;
    for (const std::string& path : paths) all = checkPicture(path) && all;
    return all ? 0 : kStatusFailed;
}

int convertPicture(const std::vector<std::string>& operands) {
    std::vector<std::string> files = operands;
    int side = 0;
    bool roleGiven = false;
    if (!files.empty() && files[0] == "--as") {
        if (files.size() < 2) return usageError("--as needs background or texture");
        if (files[1] == "background") {
            side = pictureSideFor(PictureRole::background);
        } else if (files[1] == "texture") {
            side = pictureSideFor(PictureRole::texture);
        } else {
            return usageError("--as takes background or texture, not '" + files[1] + "'");
        }
        roleGiven = true;
        files.erase(files.begin(), files.begin() + 2);
    }
    if (files.size() != 2) return usageError("convert takes an input and an output file");
    const std::string &input = files[0], &output = files[1];
    if (input.empty() || output.empty()) return usageError("convert needs two file names");
    // Made for the garden picture it is named after.
    const GardenPictureFile* named =
        findGardenPicture(std::filesystem::u8path(output).filename().u8string().c_str());
    if (!roleGiven && named) side = pictureSideFor(named->role);
    std::string why;
    std::unique_ptr<RasterImage> picture = readPicture(input, side, &why);
    if (!picture) return refuse(input, why);
    if (!writePictureFile(*picture, output)) return kStatusFailed;
    std::printf("wrote %s: %s, 24-bit\n", output.c_str(), sizeText(picture->width_, picture->height_).c_str());
    return 0;
}

const GardenPictureFile* namedPicture(const std::string& name) {
    const GardenPictureFile* picture = pictureNamed(name);
    if (!picture) refuse(name, "not one of the garden's pictures, which are " + knownPictureNames());
    return picture;
}

int usePicture(const std::string& input, const std::string& name) {
    const GardenPictureFile* picture = namedPicture(name);
    if (!picture) return kStatusFailed;
    std::string why;
    std::unique_ptr<RasterImage> raster = readPicture(input, pictureSideFor(picture->role), &why);
    if (!raster) return refuse(input, why);
    std::string folder = ownGardenFolder();
    if (!makeFolder(folder, &why)) return refuse(folder, "cannot make the garden folder: " + why);
    std::string path = pathIn(folder, picture->fileName);
    if (!writePictureFile(*raster, path)) return kStatusFailed;
    std::printf("%s\n", path.c_str());
    return 0;
}

int forgetPicture(const std::string& name) {
    const GardenPictureFile* picture = namedPicture(name);
    if (!picture) return kStatusFailed;
    std::string own = pathIn(ownGardenFolder(), picture->fileName);
    std::string installed = pathIn(installedPictureFolder(), picture->fileName);
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::symlink_status(std::filesystem::u8path(own), error);
    if (status.type() == std::filesystem::file_type::not_found) {
        std::printf("%s: no picture of your own; the garden reads %s\n", picture->fileName, installed.c_str());
        return 0;
    }
    if (status.type() == std::filesystem::file_type::directory)
        return refuse(own, "a folder, not a picture: left as it is");
    if (!std::filesystem::remove(std::filesystem::u8path(own), error) || error)
        return refuse(own, "cannot remove it: " + (error ? error.message() : std::string("it went meanwhile")));
    std::printf("removed %s; the garden reads %s\n", own.c_str(), installed.c_str());
    return 0;
}

// One line for each of the fourteen, NAME<tab>PATH: the file the garden
// will read for it, the user's own copy first.
int listPictures() {
    std::string own = ownGardenFolder(), installed = installedPictureFolder();
    std::vector<ChosenPicture> chosen = chooseGardenPictures(own, installed);
    for (const ChosenPicture& picture : chosen)
        std::printf("%s\t%s\n", picture.file->fileName, picture.path.c_str());
    std::fflush(stdout);
    bool all = true;
    for (const ChosenPicture& picture : chosen) {
        if (picture.found) continue;
        std::fprintf(stderr, "sandmere-picture: %s\n", notFoundReason(picture, own, installed).c_str());
        all = false;
    }
    return all ? 0 : kStatusFailed;
}

// The commands that read pictures start libvips first and release it after.
template <typename Command>
int withPhotoReader(Command command) {
    std::string why;
    if (!startPhotoReader(&why)) {
        std::fprintf(stderr, "sandmere-picture: %s\n", why.c_str());
        return kStatusFailed;
    }
    int status = command();
    stopPhotoReader();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usageError("no command given");
    std::string command = argv[1];
    std::vector<std::string> operands(argv + 2, argv + argc);
    if (command == "help" || command == "--help" || command == "-h") {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    if (command == "defaults") {
        if (operands.size() != 1) return usageError("defaults takes one directory");
        return drawDefaults(operands[0]);
    }
    if (command == "list") {
        if (!operands.empty()) return usageError("list takes nothing more");
        return listPictures();
    }
    if (command == "forget") {
        if (operands.size() != 1) return usageError("forget takes one picture name");
        return forgetPicture(operands[0]);
    }
    if (command == "check") {
        if (operands.empty()) return usageError("check needs at least one file");
        return withPhotoReader([&] { return checkPictures(operands); });
    }
    if (command == "convert") return withPhotoReader([&] { return convertPicture(operands); });
    if (command == "use") {
        if (operands.size() != 2) return usageError("use takes a picture file and a picture name");
        return withPhotoReader([&] { return usePicture(operands[0], operands[1]); });
    }
    return usageError("unknown command '" + command + "'");
}
