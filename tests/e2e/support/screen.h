// A private virtual X server for one test: its own display number, its own
// pointer and keyboard, so tests running side by side never steal each
// other's input. The server lives exactly as long as the object.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <string>

namespace e2e {

class VirtualScreen {
public:
    // Starts Xvfb on the first free display number from `firstDisplay` on.
    // Throws std::runtime_error when no server could be started.
    explicit VirtualScreen(int width = 1024, int height = 768, int firstDisplay = 140);
    ~VirtualScreen();
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    // ":<n>", for the DISPLAY of the programs run on it.
    const std::string& name() const { return name_; }
    // The test's own connection, used for input events and screenshots.
    Display* display() const { return display_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    bool tryStart(int number);
    void stop();

    std::string name_;
    Display* display_ = nullptr;
    pid_t server_ = -1;
    int width_;
    int height_;
};

}  // namespace e2e
