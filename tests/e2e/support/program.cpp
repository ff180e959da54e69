#include "program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace e2e {

std::string ExitResult::describe() const {
    switch (kind) {
    case Exited:
        return "exited with status " + std::to_string(code);
    case Signalled:
        return "killed by signal " + std::to_string(code) + " (" + strsignal(code) + ")";
    case TimedOut:
        break;
    }
    return "did not end in time and was killed";
}

std::vector<std::string> completeLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        // A Windows program (under Wine) ends its lines with "\r\n".
        const size_t length = end > start && text[end - 1] == '\r' ? end - 1 - start : end - start;
        lines.push_back(text.substr(start, length));
    }
    return lines;
}

Program::Program(const std::string& executable, const std::string& folder, const std::string& display,
                 const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                 Console console) {
    // A pseudo-terminal rather than a pipe: C stdio line-buffers a terminal,
    // so every line the program prints is visible the moment it is printed,
    // not only when the program exits. Output processing is switched off so
    // the lines arrive exactly as written, without carriage returns.
    int outputRead = -1, outputWrite = -1;
    if (console == Console::terminal) {
        outputRead = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (outputRead < 0 || grantpt(outputRead) != 0 || unlockpt(outputRead) != 0)
            throw std::runtime_error("cannot open a pseudo-terminal");
        outputWrite = open(ptsname(outputRead), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (outputWrite < 0) throw std::runtime_error("cannot open the pseudo-terminal's slave side");
        termios mode;
        tcgetattr(outputWrite, &mode);
        cfmakeraw(&mode);
        tcsetattr(outputWrite, TCSANOW, &mode);
    } else {
        int outputPipe[2];
        if (pipe2(outputPipe, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
        outputRead = outputPipe[0];
        outputWrite = outputPipe[1];
    }
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");

    // Everything the child needs is built before fork: after it, only
    // async-signal-safe calls are allowed.
    std::vector<std::string> argumentText{executable};
    argumentText.insert(argumentText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : argumentText) argv.push_back(text.data());
    argv.push_back(nullptr);
    std::vector<std::string> environmentText = environment;
    environmentText.push_back("DISPLAY=" + display);
    auto replaced = [&](const char* entry) {
        for (const auto& own : environmentText) {
            const size_t nameEnd = own.find('=') + 1;
            if (std::strncmp(entry, own.c_str(), nameEnd) == 0) return true;
        }
        return false;
    };
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (!replaced(*entry)) environmentText.emplace_back(*entry);
    std::vector<char*> envp;
    for (auto& text : environmentText) envp.push_back(text.data());
    envp.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("cannot fork");
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // no orphan if the test itself dies
        setpgid(0, 0);
        // Started as from a desktop: whatever the test runner ignores or
        // blocks, the program gets every signal the usual way.
        for (int each : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE}) signal(each, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        const int nothing = open("/dev/null", O_RDONLY);
        dup2(nothing, STDIN_FILENO);
        dup2(outputWrite, STDOUT_FILENO);
        dup2(errorPipe[1], STDERR_FILENO);
        if (chdir(folder.c_str()) != 0) _exit(126);
        execve(executable.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    setpgid(pid_, pid_);
    close(outputWrite);
    close(errorPipe[1]);
    outputFd_ = outputRead;
    errorFd_ = errorPipe[0];
    reader_ = std::thread(&Program::collect, this);
}

Program::~Program() {
    kill();
    finishReading();
}

void Program::collect() {
    pollfd watch[2] = {{outputFd_, POLLIN, 0}, {errorFd_, POLLIN, 0}};
    std::string* into[2] = {&output_, &errors_};
    int open = 2;
    while (open > 0) {
        if (poll(watch, 2, 100) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (watch[i].fd < 0 || watch[i].revents == 0) continue;
            char chunk[4096];
            const ssize_t got = read(watch[i].fd, chunk, sizeof chunk);
            if (got > 0) {
                std::lock_guard<std::mutex> lock(mutex_);
                into[i]->append(chunk, static_cast<size_t>(got));
            } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
                // A pseudo-terminal reports EIO once the last writer is gone.
                watch[i].fd = -1;
                --open;
            }
        }
        changed_.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    readingDone_ = true;
    changed_.notify_all();
}

void Program::finishReading() {
    if (reader_.joinable()) reader_.join();
    if (outputFd_ >= 0) close(outputFd_);
    if (errorFd_ >= 0) close(errorFd_);
    outputFd_ = errorFd_ = -1;
}

std::string Program::output() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return output_;
}

std::string Program::errors() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return errors_;
}

std::vector<std::string> Program::outputLines() const { return completeLines(output()); }
std::vector<std::string> Program::errorLines() const { return completeLines(errors()); }

bool Program::waitForLine(const std::string& stream, const std::string& line, milliseconds timeout, int times) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        const auto lines = completeLines(stream == "output" ? output_ : errors_);
        return std::count(lines.begin(), lines.end(), line) >= times || readingDone_;
    }) && [&] {
        const auto lines = completeLines(stream == "output" ? output_ : errors_);
        return std::count(lines.begin(), lines.end(), line) >= times;
    }();
}

bool Program::waitForOutputLine(const std::string& line, milliseconds timeout, int times) {
    return waitForLine("output", line, timeout, times);
}

bool Program::waitForErrorLine(const std::string& line, milliseconds timeout, int times) {
    return waitForLine("errors", line, timeout, times);
}

bool Program::running() {
    if (ended_) return false;
    int status = 0;
    const pid_t reaped = waitpid(pid_, &status, WNOHANG);
    if (reaped == 0 || (reaped < 0 && errno == EINTR)) return true;
    ended_ = true;
    if (reaped < 0) {
        result_.kind = ExitResult::Signalled;
        result_.code = 0;
        return false;
    }
    result_.kind = WIFEXITED(status) ? ExitResult::Exited : ExitResult::Signalled;
    result_.code = WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status);
    return false;
}

ExitResult Program::waitForExit(milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(milliseconds(10));
    if (running()) {
        kill();
        ExitResult hung;
        hung.kind = ExitResult::TimedOut;
        return hung;
    }
    // The exit has closed the program's ends of both streams: let the
    // reader take in the last of what it wrote.
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, milliseconds(2000), [&] { return readingDone_; });
    return result_;
}

void Program::kill() {
    if (!running()) return;
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    while (running()) std::this_thread::sleep_for(milliseconds(5));
    result_.kind = ExitResult::TimedOut;  // killed by us, not ended by itself
}

}  // namespace e2e
