// The garden's fourteen pictures: every file the program reads at start-up,
// the role it plays and the texture number it is loaded into. Start-up, the
// picture tool and their tests all read this one table.
#pragma once

#include <GL/gl.h>

#include <cstddef>

// The garden's window is this many pixels on each side, always.
constexpr int gardenWindowSide = 600;
// The side of the textures the picture tool makes; the garden itself takes
// any size.
constexpr int gardenTextureSide = 256;

// The texture numbers: OpenGL texture object names used directly, never
// generated. Number 0 is OpenGL's default texture, bound wherever the
// garden shows no picture of its own.
constexpr GLuint defaultTexture = 0;
constexpr GLuint firstRockTexture = 1;  // 1 to 9: the rocks' textures
constexpr GLuint lastRockTexture = 9;
constexpr GLuint woodTexture = 10;
constexpr GLuint lightSandTexture = 11;
constexpr GLuint darkSandTexture = 12;
// The plan's kept image (plan/planview.cpp).
constexpr GLuint planImageTexture = 13;
// The part of each background picture the window shows, kept by start-up:
// entry 0, then entry 1.
constexpr GLuint firstBackgroundTexture = 14;

enum class PictureRole {
    texture,     // loaded by the texture loader into its texture number
    background,  // read by the BMP reader and drawn behind the 3-D garden
};

struct GardenPictureFile {
    const char* fileName;
    PictureRole role;
    GLuint textureNumber;  // for a background, its kept texture
};

// In the order start-up reads them: the twelve textures as the loader takes
// them, then the two backgrounds, entry 0 and entry 1.
constexpr GardenPictureFile gardenPictureFiles[] = {
    {"sand1.bmp", PictureRole::texture, lightSandTexture},
    {"sand2.bmp", PictureRole::texture, darkSandTexture},
    {"rock01.bmp", PictureRole::texture, firstRockTexture},
    {"rock02.bmp", PictureRole::texture, firstRockTexture + 1},
    {"rock03.bmp", PictureRole::texture, firstRockTexture + 2},
    {"rock04.bmp", PictureRole::texture, firstRockTexture + 3},
    {"rock05.bmp", PictureRole::texture, firstRockTexture + 4},
    {"glass01.bmp", PictureRole::texture, firstRockTexture + 5},
    {"crystal01.bmp", PictureRole::texture, firstRockTexture + 6},
    {"crystal02.bmp", PictureRole::texture, firstRockTexture + 7},
    {"crystal03.bmp", PictureRole::texture, firstRockTexture + 8},
    {"wood1.bmp", PictureRole::texture, woodTexture},
    {"bg1.bmp", PictureRole::background, firstBackgroundTexture},
    {"bg2.bmp", PictureRole::background, firstBackgroundTexture + 1},
};
constexpr std::size_t gardenPictureCount = sizeof gardenPictureFiles / sizeof gardenPictureFiles[0];
static_assert(gardenPictureCount == 14, "the garden reads twelve textures and two backgrounds");

// The side a picture in this role is made at: a background fills the window.
constexpr int pictureSideFor(PictureRole role) {
    return role == PictureRole::background ? gardenWindowSide : gardenTextureSide;
}
// The entry whose file is fileName ("bg1.bmp"), or null.
const GardenPictureFile* findGardenPicture(const char* fileName);
