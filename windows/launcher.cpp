// sandmere.exe: starts the Sandmere garden among its fourteen pictures on
// Windows. Each picture is looked up on its own, by the rules the picture
// tool's list follows: the user's garden folder first, then the pictures
// installed with the garden. The garden reads its pictures from its working
// folder, so each run gets a private folder under %TEMP% holding them (hard
// links where the volume allows, copies otherwise), removed when the run
// ends. The launcher's arguments go on to the garden as they were given,
// and the garden's exit status is the launcher's.
//
// Started from the Start menu or Explorer, the console was made for the
// launcher and closes with it: a garden that ends with status 1, or a
// picture in neither place, then has its messages shown in a message box as
// well. Started from a console someone opened, it stays quiet.

#include "tools/folders.h"

#include <windows.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

constexpr int kStatusFailed = 1;
// As many of the garden's last lines as the Linux launcher's dialog shows.
constexpr std::size_t kMessageBoxLines = 40;

std::wstring wide(const std::string& utf8) { return fs::u8path(utf8).wstring(); }

std::wstring wideText(const std::string& utf8) {
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
    return text;
}

std::string systemMessage(DWORD error) { return std::system_category().message(static_cast<int>(error)); }

// The console was made for this process, which is its only one: started
// from the Start menu or Explorer, with the messages on a window that
// closes when the launcher ends. Output sent anywhere else (a file, a pipe)
// has a reader.
bool consoleMadeForUs() {
    DWORD processes[2];
    DWORD mode;
    return GetConsoleProcessList(processes, 2) == 1 && GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode);
}

void showMessageBox(const std::string& text) {
    MessageBoxW(nullptr, wideText("Sandmere ended with an error:\n\n" + text).c_str(), L"Sandmere",
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// The private folder the garden runs in, made for this run alone.
class RunFolder {
public:
    bool make(std::string* why) {
        std::error_code error;
        fs::path temporary = fs::temp_directory_path(error);
        if (error) {
            *why = error.message();
            return false;
        }
        std::random_device seed;
        std::mt19937 pick(seed() ^ GetCurrentProcessId());
        for (int attempt = 0; attempt < 100; ++attempt) {
            wchar_t name[32];
            std::swprintf(name, 32, L"sandmere.%08lx", static_cast<unsigned long>(pick()));
            fs::path candidate = temporary / name;
            if (CreateDirectoryW(candidate.c_str(), nullptr)) {
                path_ = candidate;
                return true;
            }
            if (GetLastError() != ERROR_ALREADY_EXISTS) {
                *why = systemMessage(GetLastError());
                return false;
            }
        }
        *why = "every name tried was taken";
        return false;
    }
    // A hard link to the picture where the volume allows, a copy otherwise.
    bool place(const std::string& source, const char* name, std::string* why) const {
        std::wstring from = wide(source), to = (path_ / name).wstring();
        if (CreateHardLinkW(to.c_str(), from.c_str(), nullptr) || CopyFileW(from.c_str(), to.c_str(), TRUE))
            return true;
        *why = systemMessage(GetLastError());
        return false;
    }
    void remove() {
        if (path_.empty()) return;
        std::error_code ignored;
        fs::remove_all(path_, ignored);
        path_.clear();
    }
    const fs::path& path() const { return path_; }
    std::string text() const { return path_.u8string(); }

private:
    fs::path path_;
};

// The launcher's own state, for the console's control handler.
RunFolder runFolder;
HANDLE garden = nullptr;
bool messagesToBox = false;

// Says why the garden cannot start, in a message box too when the console
// was made for the launcher, and ends with status 1.
[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    runFolder.remove();
    if (messagesToBox) showMessageBox(message);
    std::exit(kStatusFailed);
}

// Ctrl+C and Ctrl+Break reach the garden too, which ends on them: the
// launcher waits for it and ends with its status. When the console is
// closed, the garden ends as well; the run folder goes before Windows ends
// the launcher.
BOOL WINAPI onConsoleControl(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    if (garden) WaitForSingleObject(garden, 3000);
    runFolder.remove();
    return FALSE;
}

// The command line's arguments as they were given, after the program's
// own name, by the rule Windows' C library reads that name with: up to the
// next quote when it starts with one, otherwise up to the first blank.
std::wstring argumentsGiven() {
    const wchar_t* line = GetCommandLineW();
    if (*line == L'"') {
        ++line;
        while (*line && *line != L'"') ++line;
        if (*line) ++line;
    } else {
        while (*line && *line != L' ' && *line != L'\t') ++line;
    }
    return line;
}

// The garden program: in its folder of the installed tree, or beside the
// launcher in a build tree.
fs::path gardenProgram(const fs::path& here) {
    fs::path installed = (here / fs::u8path(SANDMERE_LAUNCHER_TO_PROGRAM)).make_preferred();
    fs::path built = here / installed.filename();
    std::error_code error;
    return !fs::is_regular_file(installed, error) && fs::is_regular_file(built, error) ? built : installed;
}

// The garden's messages as they arrive, to the launcher's console, the last
// lines kept for the message box.
class MessageCopy {
public:
    void add(const char* bytes, DWORD length) {
        DWORD written;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes, length, &written, nullptr);
        for (DWORD i = 0; i < length; ++i) {
            if (bytes[i] == '\r') continue;
            if (bytes[i] != '\n') {
                current_ += bytes[i];
                continue;
            }
            lines_.push_back(current_);
            current_.clear();
            if (lines_.size() > kMessageBoxLines) lines_.pop_front();
        }
    }
    std::string lastLines() const {
        std::string text;
        for (const std::string& line : lines_) text += line + "\n";
        return text + current_;
    }

private:
    std::deque<std::string> lines_;
    std::string current_;
};

}  // namespace

int main() {
    // 1. Where things are, and where the messages go.
    messagesToBox = consoleMadeForUs();
    const fs::path here = fs::u8path(runningProgramFolder());
    const fs::path program = gardenProgram(here);
    const std::string own = ownGardenFolder(), installed = installedPictureFolder();
    std::error_code error;
    if (!fs::is_regular_file(program, error))
        fail("sandmere: cannot find the garden program: looked for " + program.u8string());

    // 2. Each picture from the user's folder or the installed ones.
    std::vector<ChosenPicture> pictures = chooseGardenPictures(own, installed);
    std::string missing;
    for (const ChosenPicture& picture : pictures)
        if (!picture.found)
            missing += (missing.empty() ? "" : "\n") + ("sandmere: " + notFoundReason(picture, own, installed));
    if (!missing.empty()) fail(missing);

    // 3. The run folder, holding the chosen pictures.
    std::string why;
    if (!runFolder.make(&why)) fail("sandmere: cannot make a folder for this run: " + why);
    for (const ChosenPicture& picture : pictures)
        if (!runFolder.place(picture.path, picture.file->fileName, &why))
            fail("sandmere: cannot put " + std::string(picture.file->fileName) + " in " + runFolder.text() + ": " +
                 why);

    // 4. The garden, started there with the launcher's arguments. Its
    // messages come through a pipe when they may be wanted for the message
    // box; otherwise it writes to the launcher's own console or streams.
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (messagesToBox) {
        if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0))
            fail("sandmere: cannot make a pipe for the garden's messages: " + systemMessage(GetLastError()));
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
    }
    std::wstring commandLine = L"\"" + program.wstring() + L"\"" + argumentsGiven();
    PROCESS_INFORMATION started{};
    // In a job that ends it should the launcher itself be ended outright.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job) SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    // DISPLAY names an X server (Wine passes one on, and so may a user's
    // X setup); freeglut on Windows would take it for a display device and
    // warn that it is none.
    SetEnvironmentVariableW(L"DISPLAY", nullptr);
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                        runFolder.path().c_str(), &startup, &started))
        fail("sandmere: cannot start " + program.u8string() + ": " + systemMessage(GetLastError()));
    if (job) AssignProcessToJobObject(job, started.hProcess);
    garden = started.hProcess;
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);

    // 5. Its messages copied until it ends, then its status.
    MessageCopy messages;
    if (messagesToBox) {
        CloseHandle(writeEnd);
        char buffer[4096];
        DWORD got;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) messages.add(buffer, got);
        CloseHandle(readEnd);
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD status = kStatusFailed;
    GetExitCodeProcess(started.hProcess, &status);

    // 6. The run folder goes; a failed start is shown when nobody reads the
    // console.
    runFolder.remove();
    if (status == static_cast<DWORD>(kStatusFailed) && messagesToBox) showMessageBox(messages.lastLines());
    return static_cast<int>(status);
}
