#include "tools/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

const char* const kBmpSuffix = ".bmp";

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/";
}

bool isFolder(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::string ownGardenFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base = data && data[0] == '/' ? std::string(data) : homeFolder() + "/.local/share";
    return base + "/sandmere";
}

std::string installedPictureFolder() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    std::filesystem::path here = error ? std::filesystem::path(".") : self.parent_path();
    std::string installed = (here / SANDMERE_TOOL_TO_PICTURES).lexically_normal().string();
    // Run from a build tree, the tool finds the pictures the build drew beside
    // it; an installed tree that lost its pictures is named as it should be.
    std::string built = (here / "garden").string();
    return !isFolder(installed) && isFolder(built) ? built : installed;
}

const GardenPictureFile* pictureNamed(const std::string& name) {
    std::string fileName = name;
    const std::string suffix = kBmpSuffix;
    if (fileName.size() <= suffix.size() ||
        fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix))
        fileName += suffix;
    return findGardenPicture(fileName.c_str());
}

std::string userName(const GardenPictureFile& file) {
    std::string name = file.fileName;
    return name.substr(0, name.size() - std::char_traits<char>::length(kBmpSuffix));
}

namespace {

template <typename Wanted>
std::string namesWhere(Wanted wanted) {
    std::string names;
    for (const GardenPictureFile& file : gardenPictureFiles) {
        if (!wanted(file)) continue;
        if (!names.empty()) names += ", ";
        names += userName(file);
    }
    return names;
}

}  // namespace

std::string knownPictureNames() {
    return namesWhere([](const GardenPictureFile&) { return true; });
}

std::string pictureNames(PictureRole role) {
    return namesWhere([role](const GardenPictureFile& file) { return file.role == role; });
}

bool makeFolder(const std::string& path, std::string* why) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (isFolder(path)) return true;
    *why = error ? error.message() : "a file of that name is in the way";
    return false;
}

bool isRegularFile(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}
