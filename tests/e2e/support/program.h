// One run of a program under test: started in a folder on a given X
// display, its standard output on a pseudo-terminal (so it is line buffered,
// as on the console the program is written for) and its standard error on a
// pipe, both collected by a reader thread while it runs. Started as from the
// desktop's menu instead, it has no terminal: both streams are pipes. The destructor
// kills whatever is still running, so a failing test leaves no process.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

using std::chrono::milliseconds;

struct ExitResult {
    enum Kind { Exited, Signalled, TimedOut } kind = TimedOut;
    int code = -1;  // the exit status, or the signal number

    bool exitedWith(int status) const { return kind == Exited && code == status; }
    std::string describe() const;
};

enum class Console { terminal, none };

class Program {
public:
    // `environment` holds NAME=value entries that replace or add to the
    // test's own environment.
    Program(const std::string& executable, const std::string& folder, const std::string& display,
            const std::vector<std::string>& arguments = {}, const std::vector<std::string>& environment = {},
            Console console = Console::terminal);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t pid() const { return pid_; }

    // Everything written so far.
    std::string output() const;
    std::string errors() const;
    // The complete lines written so far (without their line ends).
    std::vector<std::string> outputLines() const;
    std::vector<std::string> errorLines() const;

    // Waits until `line` has been written as a complete line `times` times;
    // false on timeout or when the program ended first.
    bool waitForOutputLine(const std::string& line, milliseconds timeout, int times = 1);
    bool waitForErrorLine(const std::string& line, milliseconds timeout, int times = 1);

    bool running();
    // Waits for the program to end; one that is still running after the
    // timeout is killed and reported as TimedOut, so a hang fails the test.
    ExitResult waitForExit(milliseconds timeout);
    // The result once the program has ended (TimedOut while it runs).
    const ExitResult& result() const { return result_; }
    void kill();

private:
    void collect();
    bool waitForLine(const std::string& stream, const std::string& line, milliseconds timeout, int times);
    void finishReading();

    pid_t pid_ = -1;
    bool ended_ = false;
    ExitResult result_;
    int outputFd_ = -1;
    int errorFd_ = -1;
    std::thread reader_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string output_;
    std::string errors_;
    bool readingDone_ = false;
};

// Splits text into its complete lines, without their "\n" or "\r\n"; a
// last line without a line end is left out, because the program may still
// be writing it.
std::vector<std::string> completeLines(const std::string& text);

}  // namespace e2e
