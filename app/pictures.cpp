#include "app/pictures.h"

#include <cstring>

const GardenPictureFile* findGardenPicture(const char* fileName) {
    for (const GardenPictureFile& file : gardenPictureFiles)
        if (std::strcmp(file.fileName, fileName) == 0) return &file;
    return nullptr;
}
