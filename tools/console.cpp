#include "tools/console.h"

#include <unistd.h>

int refuse(const std::string& file, const std::string& reason) {
    std::fprintf(stderr, "sandmere-picture: %s: %s\n", file.empty() ? "(empty name)" : file.c_str(),
                 reason.c_str());
    return kStatusFailed;
}

ConsoleCapture::ConsoleCapture() {
    std::fflush(stdout);
    std::fflush(stderr);
    sink_ = openScratchFile();
    savedOut_ = dup(STDOUT_FILENO);
    savedErr_ = dup(STDERR_FILENO);
    // Without a way to capture, the messages go to the console as they are.
    if (!sink_ || savedOut_ < 0 || savedErr_ < 0) return;
    dup2(fileno(sink_), STDOUT_FILENO);
    dup2(fileno(sink_), STDERR_FILENO);
    capturing_ = true;
}

ConsoleCapture::~ConsoleCapture() {
    finish();
    if (sink_) std::fclose(sink_);
    if (savedOut_ >= 0) close(savedOut_);
    if (savedErr_ >= 0) close(savedErr_);
}

std::string ConsoleCapture::finish() {
    if (!capturing_) return "no reason given";
    capturing_ = false;
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut_, STDOUT_FILENO);
    dup2(savedErr_, STDERR_FILENO);

    std::string text;
    std::rewind(sink_);
    char buffer[512];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, sink_)) > 0) text.append(buffer, got);

    std::string line;
    bool pendingSpace = false;
    for (char c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            pendingSpace = !line.empty();
        } else {
            if (pendingSpace) line += ' ';
            pendingSpace = false;
            line += c;
        }
    }
    return line.empty() ? "no reason given" : line;
}
