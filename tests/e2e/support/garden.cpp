#include "garden.h"

#include <sys/stat.h>

#include <algorithm>
#include <thread>
#include <utility>

namespace e2e {
namespace {

// The garden's menu tree, in the order its entries appear.
const std::vector<std::pair<std::string, std::vector<std::string>>>& menuTree() {
    static const std::vector<std::pair<std::string, std::vector<std::string>>> tree = {
        {"", {"Rakes", "Rocks", "Sand Types", "Reset Sandbox", "Quit"}},
        {"Rakes", {"One-Tine", "Three-Tine", "Five-Tine"}},
        {"Rocks", {"Place Small Rock", "Place Large Rock"}},
        {"Sand Types", {"Use Light Sand", "Use Dark Sand"}},
    };
    return tree;
}

// (index, size of its menu), or index -1 when the menu has no such entry.
std::pair<int, int> locate(const std::string& menu, const std::string& entry) {
    for (const auto& [name, entries] : menuTree()) {
        if (name != menu) continue;
        const auto found = std::find(entries.begin(), entries.end(), entry);
        if (found == entries.end()) break;
        return {static_cast<int>(found - entries.begin()), static_cast<int>(entries.size())};
    }
    return {-1, 0};
}

struct MenuWindow {
    Window id = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

std::vector<MenuWindow> openMenus(Display* display, Window garden) {
    std::vector<MenuWindow> menus;
    for (Window candidate : mappedTopWindows(display, garden)) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, candidate, &attributes) == 0 || !attributes.override_redirect) continue;
        // A window manager's own small window kept off the screen (openbox's
        // EWMH check window) is no menu.
        if (attributes.x + attributes.width <= 0 || attributes.y + attributes.height <= 0) continue;
        menus.push_back({candidate, attributes.x, attributes.y, attributes.width, attributes.height});
    }
    return menus;
}

template <typename Condition>
bool waitFor(Condition condition, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(milliseconds(20));
    }
    return true;
}

}  // namespace

Garden::Garden() : screen_(std::make_unique<VirtualScreen>()), folder_(std::make_unique<GardenFolder>()) {}

Garden::~Garden() {
    // The program first, while its X server still exists to let it go.
    program_.reset();
    folder_.reset();
    screen_.reset();
}

void Garden::start(const std::vector<std::string>& arguments, const std::string& executable) {
    program_ = std::make_unique<Program>(executable, folder_->path(), screen_->name(), arguments);
}

void Garden::startIn(const std::string& folder, const std::string& executable,
                     const std::vector<std::string>& environment, Console console,
                     const std::vector<std::string>& arguments) {
    program_ = std::make_unique<Program>(executable, folder, screen_->name(), arguments, environment, console);
}

bool Garden::endsWithoutAFrame(ExitResult& result) {
    bool shown = false;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (program_->running() && std::chrono::steady_clock::now() < deadline) {
        shown = shown || showsFrame();
        std::this_thread::sleep_for(milliseconds(10));
    }
    result = program_->waitForExit(milliseconds(1000));
    return !shown;
}

bool Garden::showsFrame(double whiteShare) {
    Display* display = screen_->display();
    const Window found = findWindow(display, "Sandmere");
    if (found == 0) return false;
    window_ = AppWindow(display, found);
    const Geometry where = window_.geometry();
    if (!where.viewable || where.width < 100 || where.height < 100) return false;
    // The middle of the window, well clear of the edges that lie off the
    // screen: a window not yet drawn shows black or garbage there.
    const Shot shot = window_.capture();
    const Region middle{where.width / 4, where.height / 4, where.width / 2, where.height / 2};
    return shot.count(middle, [](Rgb c) { return c.isWhite(); }) >= whiteShare * middle.width * middle.height;
}

bool Garden::waitUntilShown(milliseconds timeout, double whiteShare) {
    if (!program_) return false;
    return waitFor([&] { return !program_->running() || showsFrame(whiteShare); }, timeout) && program_->running();
}

bool Garden::choose(const std::string& entry) {
    const auto [index, size] = locate("", entry);
    if (index < 0) return false;
    return chooseEntries({index}, {size});
}

bool Garden::choose(const std::string& submenu, const std::string& entry) {
    const auto [parent, parentSize] = locate("", submenu);
    const auto [index, size] = locate(submenu, entry);
    if (parent < 0 || index < 0) return false;
    return chooseEntries({parent, index}, {parentSize, size});
}

bool Garden::chooseEntries(const std::vector<int>& entries, const std::vector<int>& menuSizes) {
    Display* display = screen_->display();
    const Window garden = window_.id();
    if (!openMenus(display, garden).empty()) return false;

    // A right click opens the menu (freeglut ignores the release there);
    // each entry is then clicked with the right button too, which the
    // garden's own mouse handler never acts on. Pointing at an entry that
    // has a submenu opens the submenu, and clicking it leaves it open.
    window_.click(menuSpot_, 3);
    const Geometry origin = window_.geometry();
    for (size_t level = 0; level < entries.size(); ++level) {
        MenuWindow menu;
        const bool opened = waitFor(
            [&] {
                const auto menus = openMenus(display, garden);
                if (menus.size() != level + 1) return false;
                for (const auto& candidate : menus)
                    if (candidate.height == MenuGeometry::height(menuSizes[level])) menu = candidate;
                return menu.id != 0;
            },
            kStepTimeout);
        if (!opened) return false;
        // Menus are drawn by the program after they map: give it the moment.
        std::this_thread::sleep_for(milliseconds(60));
        const Point entry{menu.x + menu.width / 2 - origin.x,
                          menu.y + MenuGeometry::entryMiddle(entries[level]) - origin.y};
        window_.click(entry, 3);
    }
    return waitFor([&] { return openMenus(display, garden).empty(); }, kStepTimeout);
}

Shot Garden::keyAndWait(char key, milliseconds timeout) {
    const Shot before = window_.settle();
    window_.key(key);
    return window_.waitForChange(before, timeout);
}

std::string Garden::artifactDir() {
    const std::string dir = "/tmp/sandmere-e2e";
    mkdir(dir.c_str(), 0755);
    return dir;
}

}  // namespace e2e
