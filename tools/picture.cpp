// sandmere-picture: draws the garden's fourteen pictures, tells whether
// picture files will load in the garden, and turns any picture the garden's
// BMP reader accepts into an upright 24-bit copy.

#include "app/pictures.h"
#include "image/image.h"
#include "image/texture.h"
#include "tools/paint.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

const char* const kUsage =
    "usage: sandmere-picture COMMAND ...\n"
    "  defaults DIR       draw the garden's fourteen pictures into DIR (made if needed)\n"
    "  check FILE...      tell whether each file loads as a background and as a texture\n"
    "  convert IN OUT     write an upright 24-bit copy of any picture the garden reads\n"
    "  list               show, for each of the garden's pictures, the file it will read\n"
    "  help               show this text\n";

// Exit statuses: a refused command line is told apart from a failed task.
const int kStatusFailed = 1;
const int kStatusUsage = 2;

int usageError(const std::string& message) {
    std::fprintf(stderr, "sandmere-picture: %s\n%s", message.c_str(), kUsage);
    return kStatusUsage;
}

// The raster the writer stores as this canvas: the writer puts raster row 0
// at the top of the file's picture, and the canvas's row 0 is its top.
RasterImage* rasterFromCanvas(const Canvas& canvas) {
    RasterImage* raster = new RasterImage(canvas.width, canvas.height);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const Colour& c = canvasAt(canvas, x, y);
            raster->pixels[y * canvas.width + x] =
                Pixel(channelByte(c.red, x, y), channelByte(c.green, x, y), channelByte(c.blue, x, y), 255);
        }
    }
    return raster;
}

// Writes the raster as a BMP file. The picture is written beside its final
// name and renamed into place only when complete, so the garden never finds
// half a picture, and a failed write leaves any earlier file as it was.
bool writePictureFile(const RasterImage& raster, const std::string& path) {
    std::string partial = path + ".partial";
    FILE* stream = std::fopen(partial.c_str(), "wb");
    if (!stream) {
        std::fprintf(stderr, "sandmere-picture: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    int written = writeBMP(&raster, stream);
    // The writer neither flushes nor closes: a full disk may only show here.
    bool flushed = std::fflush(stream) == 0 && !std::ferror(stream);
    int flushError = errno;
    bool closed = std::fclose(stream) == 0;
    if (!written || !flushed || !closed) {
        std::fprintf(stderr, "sandmere-picture: writing %s failed%s%s\n", path.c_str(), written ? ": " : "",
                     written ? std::strerror(flushed ? errno : flushError) : "");
        std::remove(partial.c_str());
        return false;
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "sandmere-picture: cannot put %s in place: %s\n", path.c_str(), std::strerror(errno));
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

int drawDefaults(const std::string& directory) {
    if (directory.empty()) return usageError("defaults needs a directory name");
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    std::error_code statusError;
    if (!std::filesystem::is_directory(directory, statusError)) {
        std::fprintf(stderr, "sandmere-picture: cannot make the directory %s: %s\n", directory.c_str(),
                     error ? error.message().c_str() : "a file of that name is in the way");
        return kStatusFailed;
    }
    for (const GardenPicture& picture : gardenPictures()) {
        Canvas canvas = makeCanvas(picture.width, picture.height);
        picture.paint(canvas);
        RasterImage* raster = rasterFromCanvas(canvas);
        bool ok = writePictureFile(*raster, directory + "/" + picture.fileName);
        delete raster;
        if (!ok) return kStatusFailed;
    }
    std::printf("drew %zu pictures into %s\n", gardenPictures().size(), directory.c_str());
    return 0;
}

// Runs a reader with the console's standard output and standard error sent
// to a scratch file, and returns what it printed on one line, so that each
// verdict stays a single readable line that carries the reader's reasons.
template <typename Call>
std::string captureConsole(Call call) {
    std::fflush(stdout);
    std::fflush(stderr);
    FILE* sink = std::tmpfile();
    int savedOut = dup(STDOUT_FILENO);
    int savedErr = dup(STDERR_FILENO);
    if (!sink || savedOut < 0 || savedErr < 0) {
        // No way to capture: the messages go to the console as they are.
        if (sink) std::fclose(sink);
        if (savedOut >= 0) close(savedOut);
        if (savedErr >= 0) close(savedErr);
        call();
        return "";
    }
    dup2(fileno(sink), STDOUT_FILENO);
    dup2(fileno(sink), STDERR_FILENO);
    call();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);
    close(savedOut);
    close(savedErr);

    std::string text;
    std::rewind(sink);
    char buffer[512];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, sink)) > 0) text.append(buffer, got);
    std::fclose(sink);

    std::string line;
    bool pendingSpace = false;
    for (char c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            pendingSpace = !line.empty();
        } else {
            if (pendingSpace) line += ' ';
            pendingSpace = false;
            line += c;
        }
    }
    return line.empty() ? "no reason given" : line;
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
    RasterImage* raster = nullptr;
    std::string messages = captureConsole([&] {
        FILE* stream = std::fopen(path.c_str(), "rb");
        raster = readBMP(stream);
        if (stream) std::fclose(stream);
    });
    *loads = raster != nullptr;
    if (!raster) return "not a background (" + messages + ")";
    std::string verdict = "background " + sizeText(raster->width_, raster->height_) + " " +
                          std::to_string(storedBitCount(path)) + "-bit";
    // The garden draws backgrounds pixel for pixel from the window's lower left.
    if (raster->width_ > gardenWindowSide || raster->height_ > gardenWindowSide) {
        verdict += " (cut off above 600x600)";
    } else if (raster->width_ < gardenWindowSide || raster->height_ < gardenWindowSide) {
        verdict += " (smaller than the 600x600 window)";
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

// One line per file; true when the file loads as a background or a texture.
bool checkPicture(const std::string& path) {
    const std::string name = path.empty() ? "(empty name)" : path;
    struct stat status;
    if (path.empty() || stat(path.c_str(), &status) != 0) {
        const char* reason = path.empty() ? "no file name given" : std::strerror(errno);
        std::printf("%s: not a background, not a texture (%s)\n", name.c_str(), reason);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        std::printf("%s: not a background, not a texture (a directory)\n", name.c_str());
        return false;
    }
    // Opening a pipe or a device could wait for ever or read without end.
    if (!S_ISREG(status.st_mode)) {
        std::printf("%s: not a background, not a texture (not a regular file)\n", name.c_str());
        return false;
    }
    FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe) {
        std::printf("%s: not a background, not a texture (%s)\n", name.c_str(), std::strerror(errno));
        return false;
    }
    std::fclose(probe);
    bool background = false, texture = false;
    std::string first = backgroundVerdict(path, &background);
    std::string second = textureVerdict(path, &texture);
    std::printf("%s: %s; %s\n", name.c_str(), first.c_str(), second.c_str());
    std::fflush(stdout);
    return background || texture;
}

int checkPictures(const std::vector<std::string>& paths) {
    bool all = true;
    for (const std::string& path : paths) all = checkPicture(path) && all;
    return all ? 0 : kStatusFailed;
}

int convertPicture(const std::string& input, const std::string& output) {
    if (input.empty() || output.empty()) return usageError("convert needs two file names");
    struct stat status;
    if (stat(input.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        std::fprintf(stderr, "sandmere-picture: %s is not a regular file\n", input.c_str());
        return kStatusFailed;
    }
    FILE* stream = std::fopen(input.c_str(), "rb");
    if (!stream) {
        std::fprintf(stderr, "sandmere-picture: cannot open %s: %s\n", input.c_str(), std::strerror(errno));
        return kStatusFailed;
    }
    RasterImage* source = readBMP(stream);
    std::fclose(stream);
    if (!source) {
        std::fprintf(stderr, "sandmere-picture: %s is not a picture the garden can read\n", input.c_str());
        return kStatusFailed;
    }
    // The reader puts the file's bottom row in raster row 0 and the writer
    // puts raster row 0 at the top: turned over in between, the copy stands
    // the way its source does.
    RasterImage* upright = new RasterImage(source->width_, source->height_);
    int width = source->width_, height = source->height_;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            upright->pixels[(height - 1 - y) * width + x] = source->pixels[y * width + x];
    delete source;
    bool ok = writePictureFile(*upright, output);
    delete upright;
    if (!ok) return kStatusFailed;
    std::printf("wrote %s: %s, 24-bit\n", output.c_str(), sizeText(width, height).c_str());
    return 0;
}

// The user's garden folder, as the XDG Base Directory specification places
// it: a relative XDG_DATA_HOME is invalid there and is ignored.
std::filesystem::path ownGardenFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') return std::filesystem::path(dataHome) / "sandmere";
    const char* home = std::getenv("HOME");
    return std::filesystem::absolute(std::filesystem::path(home != nullptr ? home : "") / ".local/share/sandmere");
}

// The pictures installed with this tool, found from its own place.
std::filesystem::path installedGardenFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (self.parent_path() / ".." / "share" / "sandmere").lexically_normal();
}

// One line per picture: its name and the file the garden will read for it,
// the user's own copy before the installed one. A picture found in neither
// still gets its line, with the installed path, and fails the command.
int listPictures() {
    const std::filesystem::path own = ownGardenFolder(), installed = installedGardenFolder();
    int status = 0;
    for (const GardenPictureFile& picture : gardenPictureFiles) {
        std::error_code error;
        const std::filesystem::path ownCopy = own / picture.fileName, installedCopy = installed / picture.fileName;
        const bool mine = std::filesystem::is_regular_file(ownCopy, error);
        std::printf("%s\t%s\n", picture.fileName, (mine ? ownCopy : installedCopy).c_str());
        if (!mine && !std::filesystem::is_regular_file(installedCopy, error)) {
            std::fprintf(stderr, "sandmere-picture: %s is in neither %s nor %s\n", picture.fileName, own.c_str(),
                         installed.c_str());
            status = kStatusFailed;
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usageError("no command given");
    std::string command = argv[1];
    std::vector<std::string> operands(argv + 2, argv + argc);
    if (command == "help" || command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "defaults") {
        if (operands.size() != 1) return usageError("defaults takes one directory");
        return drawDefaults(operands[0]);
    }
    if (command == "check") {
        if (operands.empty()) return usageError("check needs at least one file");
        return checkPictures(operands);
    }
    if (command == "convert") {
        if (operands.size() != 2) return usageError("convert takes an input and an output file");
        return convertPicture(operands[0], operands[1]);
    }
    if (command == "list") {
        if (!operands.empty()) return usageError("list takes no operands");
        return listPictures();
    }
    return usageError("unknown command '" + command + "'");
}
