#include "tools/folders.h"

#include <windows.h>
// After windows.h, which the shell's headers need.
#include <knownfolders.h>
#include <shlobj.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string utf8(const std::wstring& text) { return std::filesystem::path(text).u8string(); }

// LOCALAPPDATA as the shell knows it, or the variable when the shell cannot
// say; the current folder as a last resort, as on Linux without a home.
std::string localAppData() {
    PWSTR known = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known) == S_OK && known) folder = utf8(known);
    CoTaskMemFree(known);
    if (!folder.empty()) return folder;
    const wchar_t* variable = _wgetenv(L"LOCALAPPDATA");
    return variable && *variable ? utf8(variable) : ".";
}

}  // namespace

std::string ownGardenFolder() { return pathIn(localAppData(), "Sandmere"); }

std::string runningProgramFolder() {
    // Long paths are allowed: grow the buffer until the name fits.
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
        if (length == 0) return ".";
        if (length < self.size()) {
            self.resize(length);
            break;
        }
        self.resize(self.size() * 2);
    }
    return utf8(std::filesystem::path(self).parent_path().wstring());
}
