// A screenshot as RGB pixels, in window coordinates: x to the right and y
// downwards from the window's top-left corner, as X and GLUT count them.
// Pixels that lay off the screen when it was taken have no value; the
// counting helpers skip them.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace e2e {

struct Rgb {
    unsigned char r = 0, g = 0, b = 0;
    bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
    bool operator!=(const Rgb& other) const { return !(*this == other); }
    bool isWhite() const { return r == 255 && g == 255 && b == 255; }
    // The largest difference between this colour's channels and another's.
    int distance(const Rgb& other) const;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "rgb(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
}

struct Region {
    int x = 0, y = 0, width = 0, height = 0;
    static Region around(int centreX, int centreY, int radius) {
        return {centreX - radius, centreY - radius, 2 * radius + 1, 2 * radius + 1};
    }
};

class Shot {
public:
    Shot() = default;
    Shot(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    Region all() const { return {0, 0, width_, height_}; }

    bool known(int x, int y) const;
    // The pixel's colour; a pixel without a value reads as magenta.
    Rgb at(int x, int y) const;
    void set(int x, int y, Rgb colour);

    // Counts the known pixels of `region` (clipped to the shot) that pass.
    int count(const Region& region, const std::function<bool(Rgb)>& test) const;
    int countNonWhite(const Region& region) const;
    // Known pixels whose colour differs from `other`'s by more than
    // `tolerance` in some channel.
    int countDiffering(const Shot& other, const Region& region, int tolerance = 0) const;
    // The smallest region that holds every such pixel (width 0 if none).
    Region differingBounds(const Shot& other, const Region& region, int tolerance = 0) const;
    bool sameAs(const Shot& other) const { return countDiffering(other, all()) == 0; }
    // The part of the shot inside `region`, as a shot of its own.
    Shot cropped(const Region& region) const;

    // Writes a PNG through ImageMagick's convert; when that fails the PPM
    // is left beside the requested name and the result is false.
    bool save(const std::string& pngPath) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Rgb> pixels_;
    std::vector<bool> known_;
};

}  // namespace e2e
