// The garden's fourteen pictures, drawn procedurally.
#pragma once

#include <memory>
#include <vector>

#include "app/pictures.h"

class RasterImage;

struct Colour {
    float red = 0, green = 0, blue = 0;  // each 0 to 1
};

// An RGB picture in floats; row 0 is the TOP row, as the picture is seen.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels;  // width x height, row by row from the top
};

Canvas makeCanvas(int width, int height);
Colour& canvasAt(Canvas& canvas, int x, int y);
const Colour& canvasAt(const Canvas& canvas, int x, int y);

struct GardenPicture {
    const char* fileName;
    int width;
    int height;
    void (*paint)(Canvas& canvas);
};

// The picture painted, as the raster the garden's BMP writer stores: each
// channel value rounded to a byte and clamped, with a tiny ordered dither so
// that the skies' long gradients show no bands; raster row 0 the picture's
// top row.
std::unique_ptr<RasterImage> paintedPicture(const GardenPicture& picture);

// The twelve textures (tiling) and the two backgrounds (upright), at their
// roles' sides, in the order of gardenPictureFiles.
const std::vector<GardenPicture>& gardenPictures();

// Paints each of the pictures that the working folder lacks into it, as
// the garden's BMP writer writes them. A picture that cannot be written is
// left out: start-up then says which file it misses, as on the desktop.
void paintMissingPictures();

void paintLightSand(Canvas& canvas);
void paintDarkSand(Canvas& canvas);
void paintGranite(Canvas& canvas);
void paintBasalt(Canvas& canvas);
void paintSandstone(Canvas& canvas);
void paintSlate(Canvas& canvas);
void paintMossyStone(Canvas& canvas);
void paintSeaGlass(Canvas& canvas);
void paintAmethyst(Canvas& canvas);
void paintAquamarine(Canvas& canvas);
void paintCitrine(Canvas& canvas);
void paintWood(Canvas& canvas);
void paintDuskHills(Canvas& canvas);
void paintMistyShore(Canvas& canvas);
