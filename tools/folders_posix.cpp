#include "tools/folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/";
}

}  // namespace

std::string ownGardenFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base = data && data[0] == '/' ? std::string(data) : homeFolder() + "/.local/share";
    return base + "/sandmere";
}

std::string runningProgramFolder() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : self.parent_path().string();
}
