// The tool's messages: every refusal is one line on standard error that
// names the file, whatever the readers and the writer print on their way.
#pragma once

#include <cstdio>
#include <string>

// The exit status of a failed task; a refused command line gets 2.
constexpr int kStatusFailed = 1;

// Prints "sandmere-picture: FILE: REASON" on standard error and returns
// kStatusFailed.
int refuse(const std::string& file, const std::string& reason);

// An anonymous scratch file, read and written as bytes, that goes when it
// is closed; null when none can be made.
FILE* openScratchFile();

// Sends the console's standard output and standard error to a scratch file
// until the capture ends, and gives back what was printed meanwhile folded
// onto one line: the garden's readers and writer report over several lines.
class ConsoleCapture {
public:
    ConsoleCapture();
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;
    // Ends the capture; "no reason given" when nothing was printed.
    std::string finish();

private:
    FILE* sink_ = nullptr;
    int savedOut_ = -1;
    int savedErr_ = -1;
    bool capturing_ = false;
};

template <typename Call>
std::string captureConsole(Call call) {
    ConsoleCapture capture;
    call();
    return capture.finish();
}
