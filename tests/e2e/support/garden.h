// The garden under test: a private X server, a fresh working folder with
// the fourteen pictures, and one run of the real program in it, with the
// means to drive its window and menus. Everything is torn down by the
// destructor, in the reverse order, whatever the test did.
//
//     e2e::Garden garden;
//     garden.folder().remove("bg1.bmp");   // before start()
//     garden.start();
//     ASSERT_TRUE(garden.waitUntilShown());
//     garden.choose("Rakes", "Five-Tine");
//     garden.window().drag({{100, 300}, {500, 300}});
//     e2e::Shot plan = garden.window().settle();
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "folder.h"
#include "program.h"
#include "screen.h"
#include "shot.h"
#include "window.h"

namespace e2e {

// How long the ordinary steps may take before the test gives up on them.
constexpr milliseconds kStartTimeout{15000};
constexpr milliseconds kStepTimeout{5000};

class Garden {
public:
    Garden();
    ~Garden();
    Garden(const Garden&) = delete;
    Garden& operator=(const Garden&) = delete;

    VirtualScreen& screen() { return *screen_; }
    GardenFolder& folder() { return *folder_; }

    // Runs `executable` (the garden by default) in the folder on the screen.
    void start(const std::vector<std::string>& arguments = {}, const std::string& executable = SANDMERE_PROGRAM);
    // Runs `executable` in another folder, with NAME=value entries added to
    // its environment.
    void startIn(const std::string& folder, const std::string& executable,
                 const std::vector<std::string>& environment, Console console = Console::terminal,
                 const std::vector<std::string>& arguments = {});
    Program& program() { return *program_; }
    bool started() const { return program_ != nullptr; }

    // Waits until the window titled "Sandmere" is mapped and has drawn its
    // first, white frame. False when that did not happen in time or the
    // program ended first. A garden opened on a file shows its plan: then
    // whiteShare of the window's middle being white is enough.
    bool waitUntilShown(milliseconds timeout = kStartTimeout, double whiteShare = 1.0);
    // Whether a window titled "Sandmere" exists and shows a drawn (white)
    // frame right now; for watching a program that should not get so far.
    bool showsFrame(double whiteShare = 1.0);
    // Watches a program that should end before drawing anything: waits for
    // it to end (up to kStartTimeout, then a second more) and tells whether
    // a frame was seen in the meantime.
    bool endsWithoutAFrame(ExitResult& result);
    AppWindow& window() { return window_; }

    // Menus: a main-menu entry ("Reset Sandbox", "Quit"), or a submenu and
    // one of its entries ("Rakes", "Five-Tine"). The menu is opened with a
    // right click at `menuSpot()`, near the window's lower right corner,
    // where it hides the least of the plan; the window redraws what it
    // covered once it closes. False when a menu did not appear, or did not
    // close, in time.
    bool choose(const std::string& entry);
    bool choose(const std::string& submenu, const std::string& entry);
    Point menuSpot() const { return menuSpot_; }
    void setMenuSpot(Point spot) { menuSpot_ = spot; }

    // Presses a key and waits for the picture to change; returns the new
    // settled picture (the unchanged one after the timeout).
    Shot keyAndWait(char key, milliseconds timeout = kStepTimeout);

    // Where a test keeps shots worth looking at; made on first use.
    static std::string artifactDir();

private:
    bool chooseEntries(const std::vector<int>& entries, const std::vector<int>& menuSizes);

    std::unique_ptr<VirtualScreen> screen_;
    std::unique_ptr<GardenFolder> folder_;
    std::unique_ptr<Program> program_;
    AppWindow window_;
    Point menuSpot_{585, 585};
};

// freeglut's menus, measured once and computed from its fixed font:
// entries are GLUT_BITMAP_HELVETICA_18 lines, 23 pixels high, plus a
// 2-pixel gap, so 25 pixels apart, inside a 2-pixel border; a menu of n
// entries is a window 4 + 25 n pixels high whose top-left corner is where
// the right button was pressed, and a submenu opens against its parent's
// right edge, level with the entry that opened it.
struct MenuGeometry {
    static constexpr int border = 2;
    static constexpr int entryHeight = 25;
    static int height(int entries) { return 2 * border + entries * entryHeight; }
    // The middle of entry `index` (from 0), from the menu's top edge.
    static int entryMiddle(int index) { return border + index * entryHeight + entryHeight / 2; }
};

}  // namespace e2e
