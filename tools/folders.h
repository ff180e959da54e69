// Where the garden's pictures live: the user's own garden folder, which
// needs to hold only the pictures the user changed, and the pictures
// installed with the garden.
#pragma once

#include "app/pictures.h"

#include <string>

// ${XDG_DATA_HOME:-$HOME/.local/share}/sandmere. A relative XDG_DATA_HOME is
// ignored, as freedesktop.org's base-directory rules ask.
std::string ownGardenFolder();
// The installed pictures, found from the tool's own place: the data folder
// of the tree it is installed in, or, run from a build tree, the garden
// folder the build draws beside it.
std::string installedPictureFolder();

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
