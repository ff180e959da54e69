// The garden's fourteen pictures as the picture tool draws them, held by
// their SHA-256 digests: a painter made faster must draw the same bytes on
// every platform, and the Linux tool's tests and the Windows tool's under
// Wine check them against this one table.
#pragma once

#include "app/pictures.h"

#include <filesystem>
#include <string>

struct PictureDigest {
    const char* fileName;
    const char* sha256;  // of the whole BMP file, lowercase hex
};

// In the order of gardenPictureFiles.
constexpr PictureDigest kGardenPictureDigests[] = {
    {"sand1.bmp", "026c174843ea274e8e326495aef3648891c2c5805aee1c5e14d3a5f9570baff1"},
    {"sand2.bmp", "94d3f766bc937a7fff0e113944142b3abbe91eb3491fbe92767621476d35057a"},
    {"rock01.bmp", "d69a44e66f71fe58757c1dc8988eee8478750e4d83cc98db6beaed407c5b90b2"},
    {"rock02.bmp", "533f305cf81ca9bbd92b8a92c5038fbc732c63d2c6d8b91b5381e35aeca7239f"},
    {"rock03.bmp", "8b1f55a8384782e7844c4d64c40a8cfc0f2990b660d4a38f696339ce31727c88"},
    {"rock04.bmp", "ca3453d1ed81673a50c48dfb109d5bdfe8dbc3776ed5498a862efe42780f2310"},
    {"rock05.bmp", "a913265958bba59c0ada8609e9962ab589d950f85cc01d28fe3e12ec19fa8f2f"},
    {"glass01.bmp", "c70b0081ec689a74534f345dfdad5bea77196e18cfdd19023b48891293b5dbab"},
    {"crystal01.bmp", "75d735fb4d982aa1f648513f684373cd8f11033d324d414326d133fe4258055f"},
    {"crystal02.bmp", "e0fe323a8231d8ed17d62d953b2f91fc17fdede33204dc3d9717792cae3078eb"},
    {"crystal03.bmp", "2baf78ff624d3040b4901df02670730d34b6e809ba86d2d209ba18b657d3a1f4"},
    {"wood1.bmp", "b6a1a704576d62fc02f42b35e50201b4a718df1ff47644e9652695aad4a70c2e"},
    {"bg1.bmp", "6ce2712844c3beae95812b3c0e0af5361a04869a953407132f30449af7080368"},
    {"bg2.bmp", "6d5d575e1e12ae4d1e55becbad4f0b6302300354f0ec73312c843bfcaf3add4e"},
};
static_assert(sizeof kGardenPictureDigests / sizeof kGardenPictureDigests[0] == gardenPictureCount,
              "one digest for each of the garden's pictures");

// The SHA-256 digest of a file's bytes in lowercase hex; empty when it
// cannot be read.
std::string fileSha256(const std::filesystem::path& path);
