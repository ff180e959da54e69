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
#include <system_error>

#include "app/garden.h"
#include "app/startup.h"
#include "tools/paint.h"
#include "web/native/window.h"
#include "web/replay.h"

namespace {

using gardenfile::Event;
using gardenfile::EventType;

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
    return checkMenuChoices(entries, events);
}

void replayRecord(const std::vector<Event>& events, Replay replay) {
    if (replay == Replay::everyFrame) {
        for (const Event& event : events)
            if (event.type == EventType::frame)
                drawHeadlessFrame();
            else
                deliver(event);
        return;
    }
    FrameMode mode = FrameMode::shown;
    const ReplayTarget target{deliver,
                              [&](FrameMode wanted) {
                                  if (mode != wanted) sandmereFrameMode(static_cast<int>(wanted));
                                  mode = wanted;
                                  sandmereDrawFrame();
                              },
                              [] { return displayMode == drawMode; }};
    replayAsThePageDoes(events, target);
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

ReplayedGarden replayInPrivateFolder(const char* programName, const std::vector<gardenfile::Event>& events,
                                     bool backToPlan) {
    ReplayedGarden replayed;
    PrivateFolder folder;
    if (!folder.make(&replayed.why)) {
        replayed.why = "no folder of its own for the pictures: " + replayed.why;
        return replayed;
    }
    std::error_code error;
    const std::filesystem::path before = std::filesystem::current_path(error);
    std::filesystem::current_path(folder.path(), error);
    if (error) {
        replayed.why = folder.path().string() + ": " + error.message();
        return replayed;
    }
    {
        const StandardOutputToError words;
        paintMissingPictures();
        startHeadlessGarden(programName);
        replayed.why = checkAgainstGarden(events);
        if (replayed.why.empty()) {
            replayRecord(events);
            if (backToPlan && showsScene()) sandmereKey('i');
            replayed.scene = showsScene();
            replayed.plan = showGarden();
        }
    }
    // The folder goes; the process works on where it began.
    if (!before.empty()) std::filesystem::current_path(before, error);
    return replayed;
}
