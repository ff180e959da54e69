// A garden's working folder: a fresh temporary directory holding copies of
// the fourteen pictures the program reads at start-up. Tests take pictures
// away or put others in their place before the program starts.
#pragma once

#include <string>
#include <vector>

namespace e2e {

class GardenFolder {
public:
    // Copies every picture of `source` (by default the build's garden folder).
    GardenFolder();
    explicit GardenFolder(const std::string& source);
    ~GardenFolder();
    GardenFolder(const GardenFolder&) = delete;
    GardenFolder& operator=(const GardenFolder&) = delete;

    // The twelve textures in the order the program loads them, then the
    // two backgrounds.
    static const std::vector<std::string>& pictureNames();

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    void remove(const std::string& name);
    void write(const std::string& name, const std::vector<unsigned char>& bytes);
    void replaceWith(const std::string& name, const std::string& otherFile);
    std::vector<unsigned char> read(const std::string& name) const;

private:
    std::string path_;
};

}  // namespace e2e
