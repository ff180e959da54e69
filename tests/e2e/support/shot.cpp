#include "shot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace e2e {

int Rgb::distance(const Rgb& other) const {
    return std::max({std::abs(r - other.r), std::abs(g - other.g), std::abs(b - other.b)});
}

Shot::Shot(int width, int height)
    : width_(width),
      height_(height),
      pixels_(static_cast<size_t>(width) * height),
      known_(static_cast<size_t>(width) * height, false) {}

bool Shot::known(int x, int y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_ && known_[static_cast<size_t>(y) * width_ + x];
}

Rgb Shot::at(int x, int y) const {
    if (!known(x, y)) return Rgb{255, 0, 255};
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void Shot::set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<size_t>(y) * width_ + x] = colour;
    known_[static_cast<size_t>(y) * width_ + x] = true;
}

int Shot::count(const Region& region, const std::function<bool(Rgb)>& test) const {
    int found = 0;
    for (int y = std::max(region.y, 0); y < std::min(region.y + region.height, height_); ++y)
        for (int x = std::max(region.x, 0); x < std::min(region.x + region.width, width_); ++x)
            if (known(x, y) && test(at(x, y))) ++found;
    return found;
}

int Shot::countNonWhite(const Region& region) const {
    return count(region, [](Rgb c) { return !c.isWhite(); });
}

int Shot::countDiffering(const Shot& other, const Region& region, int tolerance) const {
    const Region bounds = differingBounds(other, region, tolerance);
    if (bounds.width == 0) return 0;
    int found = 0;
    for (int y = bounds.y; y < bounds.y + bounds.height; ++y)
        for (int x = bounds.x; x < bounds.x + bounds.width; ++x)
            if (known(x, y) && other.known(x, y) && at(x, y).distance(other.at(x, y)) > tolerance) ++found;
    return found;
}

Region Shot::differingBounds(const Shot& other, const Region& region, int tolerance) const {
    int left = width_, top = height_, right = -1, bottom = -1;
    for (int y = std::max(region.y, 0); y < std::min(region.y + region.height, height_); ++y)
        for (int x = std::max(region.x, 0); x < std::min(region.x + region.width, width_); ++x) {
            if (!known(x, y) || !other.known(x, y) || at(x, y).distance(other.at(x, y)) <= tolerance) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    if (right < 0) return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

Shot Shot::cropped(const Region& region) const {
    Shot part(region.width, region.height);
    for (int y = 0; y < region.height; ++y)
        for (int x = 0; x < region.width; ++x)
            if (known(region.x + x, region.y + y)) part.set(x, y, at(region.x + x, region.y + y));
    return part;
}

bool Shot::save(const std::string& pngPath) const {
    const std::string ppm = pngPath + ".ppm";
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << width_ << " " << height_ << "\n255\n";
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const Rgb c = at(x, y);
                out.put(static_cast<char>(c.r)).put(static_cast<char>(c.g)).put(static_cast<char>(c.b));
            }
        if (!out) return false;
    }
    const std::string command = "convert '" + ppm + "' '" + pngPath + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return false;  // the PPM is still there to look at
    std::remove(ppm.c_str());
    return true;
}

}  // namespace e2e
