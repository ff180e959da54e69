// GLUT's pop-up menus, which Emscripten's GLUT lacks. The menus are kept
// here as the garden builds them; web/glut.js shows them on the page, and
// the page hands a chosen entry's value back to sandmereChooseMenuValue.
#include <GL/glut.h>
#include <emscripten/emscripten.h>

#include <cassert>
#include <string>
#include <vector>

namespace {

struct MenuEntry {
    std::string label;
    int value = 0;    // handed to the menu's callback when chosen
    int submenu = 0;  // or the menu it opens
};

struct Menu {
    void (*callback)(int) = nullptr;
    std::vector<MenuEntry> entries;
};

// Menu n is menus[n - 1]; 0 is no menu.
std::vector<Menu> menus;
int currentMenu = 0;
// The menu attached to each mouse button: left, middle, right.
int attachedMenus[3] = {0, 0, 0};

Menu& menuNumbered(int menu) {
    assert(menu >= 1 && static_cast<std::size_t>(menu) <= menus.size());
    return menus[menu - 1];
}

MenuEntry& entryOf(int menu, int entry) {
    Menu& m = menuNumbered(menu);
    assert(entry >= 0 && static_cast<std::size_t>(entry) < m.entries.size());
    return m.entries[entry];
}

int& attachedTo(int button) {
    assert(button >= GLUT_LEFT_BUTTON && button <= GLUT_RIGHT_BUTTON);
    return attachedMenus[button];
}

}  // namespace

extern "C" {

int glutCreateMenu(void (*callback)(int menu)) {
    assert(callback != nullptr);
    menus.push_back({callback, {}});
    currentMenu = static_cast<int>(menus.size());
    return currentMenu;
}

int glutGetMenu() { return currentMenu; }

void glutSetMenu(int menu) {
    menuNumbered(menu);
    currentMenu = menu;
}

void glutAddMenuEntry(const char* label, int value) {
    menuNumbered(currentMenu).entries.push_back({label, value, 0});
}

void glutAddSubMenu(const char* label, int submenu) {
    menuNumbered(submenu);
    menuNumbered(currentMenu).entries.push_back({label, 0, submenu});
}

void glutAttachMenu(int button) {
    menuNumbered(currentMenu);
    attachedTo(button) = currentMenu;
}

void glutDetachMenu(int button) { attachedTo(button) = 0; }

// What web/glut.js reads to show the menus.
EMSCRIPTEN_KEEPALIVE int sandmereAttachedMenu(int button) {
    return button >= GLUT_LEFT_BUTTON && button <= GLUT_RIGHT_BUTTON ? attachedTo(button) : 0;
}

EMSCRIPTEN_KEEPALIVE int sandmereMenuSize(int menu) { return static_cast<int>(menuNumbered(menu).entries.size()); }

EMSCRIPTEN_KEEPALIVE const char* sandmereMenuLabel(int menu, int entry) {
    return entryOf(menu, entry).label.c_str();
}

EMSCRIPTEN_KEEPALIVE int sandmereMenuSubmenu(int menu, int entry) { return entryOf(menu, entry).submenu; }

EMSCRIPTEN_KEEPALIVE int sandmereMenuValue(int menu, int entry) { return entryOf(menu, entry).value; }

// Hands value to menu's callback, as choosing its entry does; the page
// delivers every choice this way, from the pop-up menus, its own buttons
// and a replayed record alike. As GLUT does, the menu is the current menu
// while its callback runs. A menu that does not exist is not chosen.
EMSCRIPTEN_KEEPALIVE void sandmereChooseMenuValue(int menu, int value) {
    if (menu < 1 || static_cast<std::size_t>(menu) > menus.size()) return;
    const int previous = currentMenu;
    currentMenu = menu;
    menuNumbered(menu).callback(value);
    currentMenu = previous;
}

}  // extern "C"
