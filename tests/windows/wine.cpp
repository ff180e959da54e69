#include "wine.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace wine {
namespace {

// Wine's own prompts to fetch Mono and Gecko stay away, and so do its
// debugging messages. Its menu builder, which turns Start-menu entries into
// desktop entries in the home folder, stays off.
const std::vector<std::string> kQuiet = {"WINEDEBUG=-all",
                                         "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"};

std::string shellQuoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The words of a shell command line that run what follows them with
// these environment entries.
std::string shellEnvironment(const std::vector<std::string>& entries) {
    std::string words = "env ";
    for (const std::string& entry : entries) words += shellQuoted(entry) + " ";
    return words;
}

// The tests' own prefix in the build folder, apart from the one the build
// runs its programs in: nothing ever runs in this one, so every copy starts
// as wineboot left it.
fs::path pristinePrefix() { return windowsBuild() / "wine-tests"; }

// Made by the build's script when it is missing; tests that start together
// wait for the one that makes it.
// wineboot runs in a home of its own, which it may fill with desktop entries.
void makePristinePrefix() {
    std::string home = (fs::temp_directory_path() / "sandmere-wineboot-XXXXXX").string();
    if (mkdtemp(home.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    const std::string make = "env HOME=" + shellQuoted(home) +
                             " XDG_DATA_HOME= XDG_CONFIG_HOME= " + shellQuoted(SANDMERE_WINE_PREFIX_SCRIPT) + " " +
                             shellQuoted(pristinePrefix().string());
    const bool made = std::system(make.c_str()) == 0;
    fs::remove_all(home);
    if (!made) throw std::runtime_error("could not make the Wine prefix " + pristinePrefix().string());
}

// What no program writes: the system's libraries, programs and tables.
bool sharedInCopies(const fs::path& relative) {
    static const std::vector<std::string> kinds = {".dll", ".exe", ".nls", ".sys", ".drv",
                                                   ".ocx", ".cpl", ".acm", ".tlb"};
    const std::string first = relative.begin()->string();
    const bool system = first == "drive_c" && std::next(relative.begin()) != relative.end() &&
                        std::next(relative.begin())->string() == "windows";
    std::string extension = relative.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
    return system && std::find(kinds.begin(), kinds.end(), extension) != kinds.end();
}

// Copies the build's prefix. The user's Desktop, Documents and the like
// are links to the real home there: in the copy they are empty folders, so
// nothing a test installs reaches outside it.
void copyPrefix(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (auto entry = fs::recursive_directory_iterator(from); entry != fs::recursive_directory_iterator();
         ++entry) {
        const fs::path relative = entry->path().lexically_relative(from);
        const fs::path target = to / relative;
        const bool inUsers = relative.string().rfind("drive_c/users/", 0) == 0;
        if (entry->is_symlink()) {
            if (inUsers)
                fs::create_directory(target);
            else
                fs::copy_symlink(entry->path(), target);
        } else if (entry->is_directory()) {
            fs::create_directory(target);
        } else if (entry->is_regular_file() && relative != "wineserver") {
            if (sharedInCopies(relative))
                fs::create_hard_link(entry->path(), target);
            else
                fs::copy_file(entry->path(), target);
        }
    }
}

}  // namespace

fs::path windowsBuild() { return SANDMERE_WINDOWS_BUILD; }

fs::path installer() { return windowsBuild() / ("Sandmere-" SANDMERE_VERSION "-win64.exe"); }

std::string whyNotRunnable() {
    if (std::string(SANDMERE_WINE).empty() || std::string(SANDMERE_WINESERVER).empty())
        return "the Windows tests need Wine (sudo apt-get install wine64)";
    if (!fs::exists(installer()))
        return "no Windows build with its installer at " + installer().string() +
               " (cmake --workflow --preset windows makes it)";
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0)
        return "the Windows tests need Xvfb (sudo apt-get install xvfb xauth)";
    return "";
}

Prefix::Prefix(const std::string& display) : display_(display) {
    makePristinePrefix();
    std::string pattern = (fs::temp_directory_path() / "sandmere-wine-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    path_ = fs::path(pattern) / "prefix";
    try {
        copyPrefix(pristinePrefix(), path_);
    } catch (...) {
        fs::remove_all(pattern);
        throw;
    }
    fs::create_directory(path_.parent_path() / "home");
    for (const auto& user : fs::directory_iterator(path_ / "drive_c" / "users"))
        if (user.path().filename() != "Public") profile_ = user.path();
    if (profile_.empty()) throw std::runtime_error("the Wine prefix has no user folder");
}

Prefix::~Prefix() {
    // Whatever a failed test left running ends with the prefix's server.
    const std::string kill = shellEnvironment(environment()) + shellQuoted(SANDMERE_WINESERVER) +
                             " -k >/dev/null 2>&1; " + shellEnvironment(environment()) + "timeout 20 " +
                             shellQuoted(SANDMERE_WINESERVER) + " -w >/dev/null 2>&1";
    if (std::system(kill.c_str()) != 0) {
        // Nothing more to do: the folder goes regardless.
    }
    std::error_code ignored;
    fs::remove_all(path_.parent_path(), ignored);
}

std::vector<std::string> Prefix::environment() const {
    // A home of its own, so that nothing Wine does reaches the real one.
    const fs::path home = path_.parent_path() / "home";
    std::vector<std::string> entries = kQuiet;
    entries.insert(entries.end(), {"WINEPREFIX=" + path_.string(), "HOME=" + home.string(),
                                   "XDG_DATA_HOME=" + (home / ".local" / "share").string(),
                                   "XDG_CONFIG_HOME=" + (home / ".config").string()});
    return entries;
}

Run Prefix::run(const fs::path& program, const std::vector<std::string>& arguments, const fs::path& folder,
                milliseconds timeout) {
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    e2e::Program running(SANDMERE_WINE, folder.string(), display_, words, environment(), e2e::Console::none);
    Run done;
    done.result = running.waitForExit(timeout);
    done.output = running.outputLines();
    done.errors = running.errorLines();
    return done;
}

Run Prefix::install() { return run(installer(), {"/S"}, windowsBuild()); }

bool Prefix::waitUntilIdle() {
    const std::string wait =
        shellEnvironment(environment()) + "timeout 60 " + shellQuoted(SANDMERE_WINESERVER) + " -w >/dev/null 2>&1";
    return std::system(wait.c_str()) == 0;
}

}  // namespace wine
