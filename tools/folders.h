// Where the garden's pictures live: the user's own garden folder, which
// needs to hold only the pictures the user changed, and the pictures
// installed with the garden. Paths are UTF-8 on every platform.
#pragma once

#include "app/pictures.h"

#include <string>
#include <vector>

// The user's own garden folder. On Linux
// ${XDG_DATA_HOME:-$HOME/.local/share}/sandmere, a relative XDG_DATA_HOME
// ignored as freedesktop.org's base-directory rules ask; on Windows
// %LOCALAPPDATA%\Sandmere.
std::string ownGardenFolder();
// The folder of the running program's own file.
std::string runningProgramFolder();
// The installed pictures, found from the running program's place: the
// pictures' folder of the tree it is installed in, or, run from a build
// tree, the garden folder the build draws beside it.
std::string installedPictureFolder();
// The file name in the folder, joined with the platform's separator.
std::string pathIn(const std::string& folder, const std::string& fileName);

// The file the garden reads for one of its pictures: the user's own copy
// when it is a regular file in the garden folder, otherwise the installed
// one, which may be missing too.
struct ChosenPicture {
    const GardenPictureFile* file;
    std::string path;
    bool found;
};
// Each of the fourteen, in the order the garden reads them.
std::vector<ChosenPicture> chooseGardenPictures(const std::string& ownFolder, const std::string& installedFolder);
// "bg1.bmp is in neither OWN nor INSTALLED": why a picture was not found.
std::string notFoundReason(const ChosenPicture& picture, const std::string& ownFolder,
                           const std::string& installedFolder);

// The entry a user's name stands for: "bg1", "rock03" or "wood1.bmp"; null
// for any other name.
const GardenPictureFile* pictureNamed(const std::string& name);
// A picture's name as a user gives it: "bg1".
std::string userName(const GardenPictureFile& file);
// The names as a user gives them, in the table's order: "sand1, sand2, ...,
// bg2"; pictureNames(role) those of one role.
std::string knownPictureNames();
std::string pictureNames(PictureRole role);

// The folder and any missing parents made; false with the reason when no
// folder is there afterwards.
bool makeFolder(const std::string& path, std::string* why);

// A regular file (or a link to one) is at path.
bool isRegularFile(const std::string& path);
