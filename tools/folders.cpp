#include "tools/folders.h"

#include <filesystem>
#include <system_error>

namespace {

const char* const kBmpSuffix = ".bmp";

bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::u8path(path), error);
}

}  // namespace

std::string pathIn(const std::string& folder, const std::string& fileName) {
    return (std::filesystem::u8path(folder) / std::filesystem::u8path(fileName)).u8string();
}

std::string installedPictureFolder() {
    std::filesystem::path here = std::filesystem::u8path(runningProgramFolder());
    std::string installed = (here / SANDMERE_TOOL_TO_PICTURES).lexically_normal().u8string();
    // Run from a build tree, the program finds the pictures the build drew
    // beside it; an installed tree that lost its pictures is named as it
    // should be.
    std::string built = (here / "garden").u8string();
    return !isFolder(installed) && isFolder(built) ? built : installed;
}

std::vector<ChosenPicture> chooseGardenPictures(const std::string& ownFolder, const std::string& installedFolder) {
    std::vector<ChosenPicture> chosen;
    for (const GardenPictureFile& file : gardenPictureFiles) {
        std::string own = pathIn(ownFolder, file.fileName);
        if (isRegularFile(own)) {
            chosen.push_back({&file, own, true});
        } else {
            std::string installed = pathIn(installedFolder, file.fileName);
            chosen.push_back({&file, installed, isRegularFile(installed)});
        }
    }
    return chosen;
}

std::string notFoundReason(const ChosenPicture& picture, const std::string& ownFolder,
                           const std::string& installedFolder) {
    return std::string(picture.file->fileName) + " is in neither " + ownFolder + " nor " + installedFolder;
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
    std::filesystem::create_directories(std::filesystem::u8path(path), error);
    if (isFolder(path)) return true;
    *why = error ? error.message() : "a file of that name is in the way";
    return false;
}

bool isRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::u8path(path), error);
}
