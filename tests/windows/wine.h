// A Windows of its own for one test: a private copy of a Wine prefix made
// once per Windows build and kept in its folder, with its own wineserver,
// torn down with the object. A copy shares the system's DLLs and programs
// with the kept prefix through hard links (nothing writes them) and has its
// own registry, user folders and home.
//
//     wine::Prefix windows(garden.screen().name());
//     windows.install();
//     garden.startIn(folder, SANDMERE_WINE, windows.environment(), e2e::Console::none,
//                    {windows.launcher().string()});
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "program.h"

namespace wine {

namespace fs = std::filesystem;
using e2e::milliseconds;

// The Windows build's folder, its installer, and whether the tests can run:
// an empty reason when they can.
fs::path windowsBuild();
fs::path installer();
std::string whyNotRunnable();

struct Run {
    e2e::ExitResult result;
    std::vector<std::string> output;
    std::vector<std::string> errors;
};

class Prefix {
public:
    // Windows programs of this prefix open their windows on `display`;
    // an empty one is for console programs only. A prefix's first program
    // decides for all of them, since its desktop process serves them.
    explicit Prefix(const std::string& display = "");
    ~Prefix();
    Prefix(const Prefix&) = delete;
    Prefix& operator=(const Prefix&) = delete;

    const fs::path& path() const { return path_; }
    // The NAME=value entries that run a program in this prefix.
    std::vector<std::string> environment() const;

    // %LOCALAPPDATA%, and the folders of Sandmere in it: the installed
    // programs and the user's own garden pictures.
    fs::path localAppData() const { return profile_ / "AppData" / "Local"; }
    fs::path installFolder() const { return localAppData() / "Programs" / "Sandmere"; }
    fs::path gardenFolder() const { return localAppData() / "Sandmere"; }
    fs::path startMenu() const {
        return profile_ / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu";
    }
    fs::path launcher() const { return installFolder() / "sandmere.exe"; }
    fs::path pictureTool() const { return installFolder() / "sandmere-picture.exe"; }

    // Runs a Windows program (an .exe path) in `folder` to its end.
    Run run(const fs::path& program, const std::vector<std::string>& arguments, const fs::path& folder,
            milliseconds timeout = milliseconds(60000));
    // The build's installer, silently, into the default folder.
    Run install();
    // Waits until every Windows process of the prefix has ended (the
    // uninstaller's copy of itself too); false when one is still running.
    bool waitUntilIdle();

private:
    std::string display_;
    fs::path path_;
    fs::path profile_;  // C:\users\<name>
};

}  // namespace wine
