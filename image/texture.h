// The texture loader: 24-bit BMP files into numbered OpenGL texture objects.
#pragma once

struct TextureImage {
    int width = 0;
    int height = 0;
    unsigned char* data = nullptr;  // width x height x 3 bytes, RGB, bottom row first
};

// Opens, validates and reads a file; 1 on success, 0 after printing why.
int readTextureFile(const char* fileName, TextureImage* image);
// Loads a file into a texture object; ends the program with status 1 on failure.
void loadTexture(const char* fileName, int textureNumber);
