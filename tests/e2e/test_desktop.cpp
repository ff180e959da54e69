// What the desktop knows of the garden: its window's class and icon agree
// with the desktop entry and the metainfo, and under a real window manager
// (openbox) the class is seen when the window is taken on, the menu still
// works after the window has moved, and closing the window ends the garden
// with status 0.
#include <gtest/gtest.h>
// Xlib's macros (None, Bool) after GoogleTest, which uses those names.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "garden_test.h"

namespace {

using e2e::GardenTest;
using e2e::milliseconds;

const std::string kPackaging = std::string(SANDMERE_BUILD_DIR) + "/packaging/";

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The value of `key` in the desktop entry, empty when it has none.
std::string desktopValue(const std::string& entry, const std::string& key) {
    std::smatch found;
    const std::regex line("(^|\n)" + key + "=([^\n]*)");
    return std::regex_search(entry, found, line) ? found[2].str() : "";
}

// A square picture as _NET_WM_ICON carries it: 0xAARRGGBB, row by row.
struct Icon {
    int side = 0;
    std::vector<std::uint32_t> pixels;
};

// The build's RGBA picture (netpbm PAM) that the icon of this size was made from.
Icon readPam(const std::string& path) {
    const std::string bytes = readText(path);
    Icon icon;
    const std::string end = "ENDHDR\n";
    const size_t body = bytes.find(end);
    std::smatch width;
    const std::string header = bytes.substr(0, body);
    if (body == std::string::npos || !std::regex_search(header, width, std::regex("WIDTH ([0-9]+)"))) return icon;
    icon.side = std::stoi(width[1]);
    const auto* rgba = reinterpret_cast<const unsigned char*>(bytes.data() + body + end.size());
    const size_t count = static_cast<size_t>(icon.side) * static_cast<size_t>(icon.side);
    if (bytes.size() - body - end.size() != 4 * count) return Icon{};
    for (size_t i = 0; i < count; ++i)
        icon.pixels.push_back(std::uint32_t{rgba[4 * i + 3]} << 24 | std::uint32_t{rgba[4 * i]} << 16 |
                              std::uint32_t{rgba[4 * i + 1]} << 8 | std::uint32_t{rgba[4 * i + 2]});
    return icon;
}

// A 32-bit property of the window as Xlib hands it over: one long each.
std::vector<unsigned long> cardinals(Display* display, Window window, const char* name) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, LONG_MAX / 4, False, XA_CARDINAL,
                           &type, &format, &count, &after, &data) == Success &&
        type == XA_CARDINAL && format == 32) {
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        values.assign(longs, longs + count);
    }
    if (data != nullptr) XFree(data);
    return values;
}

// The pictures of _NET_WM_ICON: width, height, pixels, one after another.
// A width or height that runs past the end leaves the rest out.
std::vector<Icon> windowIcons(Display* display, Window window) {
    const std::vector<unsigned long> values = cardinals(display, window, "_NET_WM_ICON");
    std::vector<Icon> icons;
    for (size_t at = 0; at + 2 <= values.size();) {
        const unsigned long width = values[at], height = values[at + 1];
        if (width != height || width == 0 || width * height > values.size() - at - 2) break;
        Icon icon;
        icon.side = static_cast<int>(width);
        for (size_t i = 0; i < width * height; ++i)
            icon.pixels.push_back(static_cast<std::uint32_t>(values[at + 2 + i]));
        icons.push_back(icon);
        at += 2 + width * height;
    }
    return icons;
}

TEST_F(GardenTest, TheWindowsClassAndIconAreTheDesktopEntrysAndTheMetainfos) {
    const std::string entry = readText(kPackaging + SANDMERE_APP_ID ".desktop");
    ASSERT_FALSE(entry.empty()) << "no desktop entry " << kPackaging << SANDMERE_APP_ID ".desktop";
    const std::string metainfo = readText(kPackaging + SANDMERE_APP_ID ".metainfo.xml");
    EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">" SANDMERE_APP_ID ".desktop</launchable>"),
              std::string::npos)
        << "the metainfo does not launch the desktop entry";

    startGarden();
    Display* display = garden.screen().display();
    const Window window = garden.window().id();
    XClassHint names{};
    ASSERT_NE(XGetClassHint(display, window, &names), 0) << "the window has no WM_CLASS";
    const std::string instance = names.res_name, windowClass = names.res_class;
    XFree(names.res_name);
    XFree(names.res_class);
    EXPECT_EQ(instance, "sandmere");
    EXPECT_EQ(windowClass, desktopValue(entry, "StartupWMClass"));

    // The icon at four sizes; the 48-pixel one is, pixel for pixel and in
    // ARGB order, the picture the installed 48x48 icon was drawn as.
    const std::vector<Icon> icons = windowIcons(display, window);
    std::vector<int> sides;
    for (const Icon& icon : icons) sides.push_back(icon.side);
    EXPECT_EQ(sides, (std::vector<int>{16, 32, 48, 64}));
    const Icon drawn =
        readPam(std::string(SANDMERE_BUILD_DIR) + "/icons/48x48/" + desktopValue(entry, "Icon") + ".pam");
    ASSERT_EQ(drawn.side, 48) << "the build's 48-pixel icon could not be read";
    for (const Icon& icon : icons)
        if (icon.side == 48) {
            EXPECT_TRUE(icon.pixels == drawn.pixels) << "the window's 48-pixel icon differs";
        }
    int opaque = 0, clear = 0;
    for (std::uint32_t pixel : drawn.pixels) {
        opaque += (pixel >> 24) == 0xff;
        clear += (pixel >> 24) == 0;
    }
    EXPECT_GT(opaque, 48 * 48 / 2) << "the icon is mostly transparent";
    EXPECT_GT(clear, 0) << "the icon has no transparent corner";
    EXPECT_TRUE(garden.program().running());
}

// openbox on the test's own screen, with a rule that only a window of
// class Sandmere, instance sandmere, meets: placed at (123, 45), undecorated.
class UnderOpenbox : public GardenTest {
protected:
    void SetUp() override {
        std::string openbox;
        for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"})
            if (access((std::string(dir) + "/openbox").c_str(), X_OK) == 0)
                openbox = std::string(dir) + "/openbox";
        if (openbox.empty()) GTEST_SKIP() << "openbox is not installed (sudo apt-get install openbox)";
        const std::string config = garden.folder().file("rc.xml");
        std::ofstream(config) << R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <applications>
    <application class="Sandmere" name="sandmere">
      <decor>no</decor>
      <position force="yes"><x>123</x><y>45</y></position>
    </application>
  </applications>
</openbox_config>
)";
        manager = std::make_unique<e2e::Program>(openbox, garden.folder().path(), garden.screen().name(),
                                                 std::vector<std::string>{"--config-file", config});
        // openbox announces itself on the root window once it manages the screen.
        Display* display = garden.screen().display();
        for (int waited = 0; waited < 5000 && supportingWindowManager(display) == 0; waited += 20)
            std::this_thread::sleep_for(milliseconds(20));
        ASSERT_NE(supportingWindowManager(display), 0u) << "openbox did not start\n" << manager->errors();
    }

    static unsigned long supportingWindowManager(Display* display) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        unsigned long found = 0;
        if (XGetWindowProperty(display, DefaultRootWindow(display),
                               XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False), 0, 1, False, XA_WINDOW,
                               &type, &format, &count, &after, &data) == Success &&
            count == 1)
            found = *reinterpret_cast<unsigned long*>(data);
        if (data != nullptr) XFree(data);
        return found;
    }

    // A request to the window manager about the garden's window, as a
    // pager or task bar sends it (EWMH).
    void askWindowManager(const char* message, std::vector<long> values) {
        Display* display = garden.screen().display();
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = garden.window().id();
        event.xclient.message_type = XInternAtom(display, message, False);
        event.xclient.format = 32;
        for (size_t i = 0; i < values.size() && i < 5; ++i) event.xclient.data.l[i] = values[i];
        XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
        XSync(display, False);
    }

    void TearDown() override {
        GardenTest::TearDown();
        if (manager && HasFailure()) std::cerr << "--- openbox ---\n" << manager->errors();
    }

    std::unique_ptr<e2e::Program> manager;
};

TEST_F(UnderOpenbox, SeesTheClassTheMenuWorksAfterAMoveAndClosingEndsWithZero) {
    startGarden();
    e2e::AppWindow& window = garden.window();
    // Placed by the rule: openbox knew the class when it took the window on.
    e2e::Geometry where = window.geometry();
    EXPECT_NEAR(where.x, 123, 2);
    EXPECT_NEAR(where.y, 45, 2);
    EXPECT_EQ(where.width, 600);
    const std::vector<unsigned long> pid = cardinals(garden.screen().display(), window.id(), "_NET_WM_PID");
    EXPECT_EQ(pid, std::vector<unsigned long>{static_cast<unsigned long>(garden.program().pid())});

    // Moved as a pager would move it (source 2; x and y given).
    askWindowManager("_NET_MOVERESIZE_WINDOW", {(1L << 8) | (1L << 9) | (2L << 12), 301, 107});
    for (int waited = 0; waited < 5000 && window.geometry().x == where.x; waited += 20)
        std::this_thread::sleep_for(milliseconds(20));
    where = window.geometry();
    ASSERT_NEAR(where.x, 301, 2) << "the window did not move";

    // The menu opens with its corner under the pointer (where it fits on
    // the screen), and its fourth entry, Reset Sandbox, clears the plan.
    window.drag({{100, 300}, {500, 300}});
    const e2e::Shot raked = window.settle();
    ASSERT_GT(raked.countNonWhite(raked.all()), 1000) << keep(raked, "raked");
    const e2e::Point spot{420, 120};
    garden.setMenuSpot(spot);
    window.click(spot, 3);
    std::vector<Window> menus;
    for (int waited = 0; waited < 5000 && menus.empty(); waited += 20) {
        std::this_thread::sleep_for(milliseconds(20));
        for (Window candidate : e2e::mappedTopWindows(garden.screen().display())) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(garden.screen().display(), candidate, &attributes) != 0 &&
                attributes.override_redirect && attributes.height == e2e::MenuGeometry::height(5))
                menus.push_back(candidate);
        }
    }
    ASSERT_EQ(menus.size(), 1u) << "the menu did not open";
    const e2e::Geometry menu = e2e::AppWindow(garden.screen().display(), menus[0]).geometry();
    const e2e::Point pressed = window.toScreen(spot);
    EXPECT_EQ(menu.x, pressed.x);
    EXPECT_EQ(menu.y, pressed.y);
    std::this_thread::sleep_for(milliseconds(60));
    window.click({spot.x + menu.width / 2, spot.y + e2e::MenuGeometry::entryMiddle(3)}, 3);
    const e2e::Shot reset = window.waitForChange(raked);
    EXPECT_EQ(reset.countNonWhite(reset.all()), 0) << keep(reset, "reset");

    // A submenu entry: the five tines' marks span 80 pixels and more (the
    // three tines' 40, the one tine's a mark's width).
    ASSERT_TRUE(garden.choose("Rakes", "Five-Tine"));
    window.drag({{100, 300}, {500, 300}});
    const e2e::Shot five = window.settle();
    int top = five.height(), bottom = -1;
    for (int y = 0; y < five.height(); ++y)
        if (five.countNonWhite({300, y, 1, 1}) > 0) {
            top = std::min(top, y);
            bottom = y;
        }
    EXPECT_GT(bottom - top, 80) << keep(five, "five-tine");

    // Closing the window through the window manager, as its title bar's
    // close button does: WM_DELETE_WINDOW, and the garden ends with 0.
    askWindowManager("_NET_CLOSE_WINDOW", {CurrentTime, 2});
    const e2e::ExitResult result = garden.program().waitForExit(e2e::kStepTimeout);
    EXPECT_TRUE(result.exitedWith(0)) << result.describe();
}

}  // namespace
