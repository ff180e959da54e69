// The texture loader: 24-bit BMP files into numbered OpenGL texture objects.
#pragma once

#include <cstdio>

struct TextureImage {
    int width = 0;   // pixels per row, as stored in the file
    int height = 0;  // rows, as stored in the file
    // Red, green, blue bytes, bottom row first, each row padded as the file
    // pads it to a multiple of 4 bytes: the layout glTexImage2D expects at
    // the default unpack alignment of 4, so a row of any width uploads
    // whole. Allocated with malloc; the uploader releases it with free.
    unsigned char* data = nullptr;
};

// Opens, validates and reads a file; 1 on success, 0 after printing why.
int readTextureFile(const char* fileName, TextureImage* image);
// The same from a stream at the start of a file, which the caller keeps
// and closes; fileName only names it in the messages.
int readTextureStream(FILE* stream, const char* fileName, TextureImage* image);
// Loads a file into a texture object; ends the program with status 1 on failure.
void loadTexture(const char* fileName, int textureNumber);
