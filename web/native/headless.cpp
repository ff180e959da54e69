#include "web/native/headless.h"

#include <GL/glut.h>
#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <system_error>

#include "app/garden.h"
#include "app/startup.h"
#include "web/native/window.h"

namespace {

using gardenfile::Event;
using gardenfile::EventType;

struct MenuEntry {
    int menu = 0, value = 0;
    std::string label;
};

// The garden's menu entries that choose something, as it built them: the
// menu on the right button and its submenus.
void collectEntries(int menu, std::vector<MenuEntry>& entries) {
    const int count = sandmereMenuSize(menu);
    for (int entry = 0; entry < count; ++entry) {
        const int submenu = sandmereMenuSubmenu(menu, entry);
        if (submenu)
            collectEntries(submenu, entries);
        else
            entries.push_back({menu, sandmereMenuValue(menu, entry), sandmereMenuLabel(menu, entry)});
    }
}

void deliver(const Event& event) {
    switch (event.type) {
    case EventType::mouse:
        sandmereMouse(event.button, event.state, event.x, event.y);
        return;
    case EventType::motion:
        sandmereMotion(event.x, event.y);
        return;
    case EventType::key:
        sandmereKey(event.key);
        return;
    case EventType::menu:
        sandmereChooseMenuValue(event.menu, event.value);
        return;
    case EventType::frame:
        break;
    }
    assert(!"a frame is drawn, not delivered");
}

bool isModeKey(const Event& event) {
    return event.type == EventType::key && (event.key == 'i' || event.key == 'I');
}

// The frames a capture reads: the last frame before each mode key.
std::set<std::size_t> framesCaptured(const std::vector<Event>& events) {
    std::set<std::size_t> read;
    bool anyFrame = false;
    std::size_t lastFrame = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].type == EventType::frame) {
            anyFrame = true;
            lastFrame = i;
        } else if (isModeKey(events[i]) && anyFrame) {
            read.insert(lastFrame);
        }
    }
    return read;
}

}  // namespace

void startHeadlessGarden(const char* programName) {
    static bool started = false;
    assert(!started);
    started = true;
    static char name[64];
    std::strncpy(name, programName, sizeof name - 1);
    char* argv[] = {name, nullptr};
    int argc = 1;
    startGarden(&argc, argv);
    glutMainLoop();
}

std::string checkAgainstGarden(const std::vector<Event>& events) {
    std::vector<MenuEntry> entries;
    const int attached = sandmereAttachedMenu(GLUT_RIGHT_BUTTON);
    if (attached) collectEntries(attached, entries);
    for (const Event& event : events) {
        if (event.type != EventType::menu) continue;
        const auto entry = std::find_if(entries.begin(), entries.end(), [&](const MenuEntry& e) {
            return e.menu == event.menu && e.value == event.value;
        });
        if (entry == entries.end())
            return "it chooses a menu entry the garden does not have (" + std::to_string(event.menu) + ", " +
                   std::to_string(event.value) + ")";
        if (entry->label == "Quit") return "it holds the menu's quit";
    }
    return "";
}

// As the page replays: only the frames the garden reads back are drawn,
// and none is shown. The last frame before each mode switch, which the
// switch captures whole; and each plan frame after motion, whose new marks
// the plan keeps in an image of its own, drawn only where the garden
// copies it into that image.
void replayRecord(const std::vector<Event>& events, Replay replay) {
    if (replay == Replay::everyFrame) {
        for (const Event& event : events)
            if (event.type == EventType::frame)
                drawHeadlessFrame();
            else
                deliver(event);
        return;
    }
    const std::set<std::size_t> captured = framesCaptured(events);
    FrameMode mode = FrameMode::shown;
    const auto drawFrame = [&](FrameMode wanted) {
        if (mode != wanted) sandmereFrameMode(static_cast<int>(wanted));
        mode = wanted;
        sandmereDrawFrame();
    };
    bool moved = false;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event& event = events[i];
        if (event.type != EventType::frame) {
            if (event.type == EventType::motion) moved = true;
            deliver(event);
            continue;
        }
        if (captured.count(i))
            drawFrame(FrameMode::unshown);
        else if (moved && displayMode == drawMode)
            drawFrame(FrameMode::readBackOnly);
        moved = false;
    }
    sandmereFrameMode(static_cast<int>(FrameMode::shown));
}

ShownPicture showGarden() {
    if (headlessRedisplayPosted()) drawHeadlessFrame();
    ShownPicture picture;
    picture.width = headlessWindowWidth();
    picture.height = headlessWindowHeight();
    const std::size_t row = static_cast<std::size_t>(picture.width) * 4;
    std::vector<std::uint8_t> window(row * static_cast<std::size_t>(picture.height));
    const int read = sandmereShownPixels(window.data(), picture.width, picture.height);
    assert(read);
    // The window's rows come bottom first; what it shows is opaque.
    picture.rgba.resize(window.size());
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(&picture.rgba[static_cast<std::size_t>(y) * row],
                    &window[static_cast<std::size_t>(picture.height - 1 - y) * row], row);
    for (std::size_t i = 3; i < picture.rgba.size(); i += 4) picture.rgba[i] = 255;
    return picture;
}

bool showsScene() { return displayMode == sceneMode; }

std::string sha256Hex(const std::vector<std::uint8_t>& bytes) {
    const std::unique_ptr<gchar, decltype(&g_free)> digest(
        g_compute_checksum_for_data(G_CHECKSUM_SHA256, bytes.data(), bytes.size()), &g_free);
    return digest ? std::string(digest.get()) : std::string();
}

bool PrivateFolder::make(std::string* why) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) {
        *why = error.message();
        return false;
    }
    std::string name = (base / "sandmere-headless-XXXXXX").string();
    if (!mkdtemp(name.data())) {
        *why = std::error_code(errno, std::generic_category()).message();
        return false;
    }
    path_ = name;
    return true;
}

PrivateFolder::~PrivateFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

StandardOutputToError::StandardOutputToError() : saved_(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
}

StandardOutputToError::~StandardOutputToError() {
    std::fflush(stdout);
    if (saved_ >= 0) {
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }
}
