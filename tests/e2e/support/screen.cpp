#include "screen.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

namespace e2e {
namespace {

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Lets a dying server's child disappear without a zombie, bounded in time.
// Windows can vanish between a query and the next request (a program
// exiting, a menu closing); Xlib's default handler would end the test.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

bool reap(pid_t pid, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

VirtualScreen::VirtualScreen(int width, int height, int firstDisplay) : width_(width), height_(height) {
    // Two tests probing at the same moment would otherwise race for the
    // same number every time; spreading the start point by process id makes
    // the loser's retry the exception.
    const int spread = static_cast<int>(getpid() % 64);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int number = firstDisplay + (spread + attempt) % 200;
        if (exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
            exists("/tmp/.X" + std::to_string(number) + "-lock"))
            continue;
        if (tryStart(number)) return;
    }
    throw std::runtime_error("could not start Xvfb on any display from :" + std::to_string(firstDisplay));
}

VirtualScreen::~VirtualScreen() { stop(); }

bool VirtualScreen::tryStart(int number) {
    // -displayfd makes the server tell us when it accepts connections; a
    // server that lost the race for this number closes the pipe instead.
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return false;
    const std::string display = ":" + std::to_string(number);
    const std::string screen = std::to_string(width_) + "x" + std::to_string(height_) + "x24";
    const pid_t pid = fork();
    if (pid < 0) {
        close(ready[0]);
        close(ready[1]);
        return false;
    }
    if (pid == 0) {
        // A test that dies without its destructors still takes its server along.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int fd = dup(ready[1]);  // without close-on-exec
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        const std::string fdText = std::to_string(fd);
        execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp", "-noreset",
               "-displayfd", fdText.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);

    std::string answer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (answer.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd watch{ready[0], POLLIN, 0};
        if (poll(&watch, 1, 100) <= 0) continue;
        char chunk[32];
        const ssize_t got = read(ready[0], chunk, sizeof chunk);
        if (got <= 0) break;
        answer.append(chunk, static_cast<size_t>(got));
    }
    close(ready[0]);
    if (answer.find('\n') == std::string::npos) {
        kill(pid, SIGKILL);
        reap(pid, 2000);
        return false;
    }
    server_ = pid;
    name_ = ":" + std::to_string(std::atoi(answer.c_str()));
    XSetErrorHandler(ignoreErrors);
    display_ = XOpenDisplay(name_.c_str());
    if (display_ == nullptr) {
        stop();
        return false;
    }
    return true;
}

void VirtualScreen::stop() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);
        display_ = nullptr;
    }
    if (server_ > 0) {
        kill(server_, SIGTERM);
        if (!reap(server_, 3000)) {
            kill(server_, SIGKILL);
            reap(server_, 2000);
        }
        server_ = -1;
    }
}

}  // namespace e2e
