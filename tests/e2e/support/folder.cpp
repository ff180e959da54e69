#include "folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "app/pictures.h"

namespace e2e {

namespace fs = std::filesystem;

const std::vector<std::string>& GardenFolder::pictureNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const GardenPictureFile& file : gardenPictureFiles) list.emplace_back(file.fileName);
        return list;
    }();
    return names;
}

GardenFolder::GardenFolder() : GardenFolder(SANDMERE_GARDEN_DIR) {}

GardenFolder::GardenFolder(const std::string& source) {
    std::string pattern = (fs::temp_directory_path() / "sandmere-garden-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary garden folder");
    path_ = pattern;
    for (const auto& name : pictureNames()) {
        const fs::path from = fs::path(source) / name;
        if (!fs::exists(from)) {
            fs::remove_all(path_);
            throw std::runtime_error("the garden picture " + from.string() + " is missing");
        }
        fs::copy_file(from, fs::path(path_) / name);
    }
}

GardenFolder::~GardenFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void GardenFolder::remove(const std::string& name) { fs::remove(file(name)); }

void GardenFolder::write(const std::string& name, const std::vector<unsigned char>& bytes) {
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file(name));
}

void GardenFolder::replaceWith(const std::string& name, const std::string& otherFile) {
    fs::copy_file(otherFile, file(name), fs::copy_options::overwrite_existing);
}

std::vector<unsigned char> GardenFolder::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file(name));
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace e2e
