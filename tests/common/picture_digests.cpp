#include "picture_digests.h"

#include <glib.h>

#include <fstream>
#include <iterator>
#include <memory>

std::string fileSha256(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) return "";
    const std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    // GLib comes with libvips, which both test programs link already.
    const std::unique_ptr<gchar, decltype(&g_free)> digest(
        g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()),
                                    bytes.size()),
        &g_free);
    return digest ? std::string(digest.get()) : std::string();
}
