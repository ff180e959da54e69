// sandmere-open [GLUT OPTIONS] GARDEN: the desktop garden, opened on a
// garden file, a garden picture, a link to the page or just its
// "#garden=..." fragment. The garden program itself takes no file: this
// one starts the very same garden in a real window, and at its first frame
// replays the record into the garden's own callbacks as the page replays
// one (web/replay.h), then leaves the garden to the person, who goes on
// raking. Nothing is written back, as the garden keeps nothing between runs.
//
// The garden's GLUT calls are wrapped at link time (opener/opener.cmake):
// each callback it registers is kept here and handed on to freeglut, so
// that the replay reaches the garden through the same functions as the
// person's input does. A name that is no garden gets one line saying what
// is wrong, status 1, and no window. With SANDMERE_REPLAY_TIME set, the
// replay's time goes to standard error, for the README's figures.
#include <GL/glut.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/garden.h"
#include "app/startup.h"
#include "web/gardenfile.h"
#include "web/replay.h"

// The linker's --wrap names these __real_NAME and __wrap_NAME.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {
void __real_glutDisplayFunc(void (*callback)());
void __real_glutKeyboardFunc(void (*callback)(unsigned char key, int x, int y));
void __real_glutMouseFunc(void (*callback)(int button, int state, int x, int y));
void __real_glutMotionFunc(void (*callback)(int x, int y));
int __real_glutCreateMenu(void (*callback)(int value));
void __real_glutAddMenuEntry(const char* label, int value);
void __real_glutAddSubMenu(const char* label, int submenu);
void __real_glutAttachMenu(int button);
void __real_glutSwapBuffers();
}
// NOLINTEND(bugprone-reserved-identifier)

namespace {

using gardenfile::Event;
using gardenfile::EventType;

const char* const programName = "sandmere";

// What the garden registered with GLUT.
void (*gardenDisplay)() = nullptr;
void (*gardenKey)(unsigned char key, int x, int y) = nullptr;
void (*gardenMouse)(int button, int state, int x, int y) = nullptr;
void (*gardenMotion)(int x, int y) = nullptr;

struct Menu {
    int id = 0;
    void (*callback)(int value) = nullptr;
    struct Entry {
        std::string label;
        int value = 0, submenu = 0;
    };
    std::vector<Entry> entries;
};
std::vector<Menu> menus;
int currentMenu = 0;
int rightButtonMenu = 0;

Menu* menuWithId(int id) {
    for (Menu& menu : menus)
        if (menu.id == id) return &menu;
    return nullptr;
}

void collectEntries(int id, std::vector<MenuEntry>& entries, int depth = 0) {
    const Menu* menu = menuWithId(id);
    if (!menu || depth > static_cast<int>(menus.size())) return;
    for (const Menu::Entry& entry : menu->entries)
        if (entry.submenu)
            collectEntries(entry.submenu, entries, depth + 1);
        else
            entries.push_back({id, entry.value, entry.label});
}

gardenfile::Garden opened;
bool replayed = false;
// Frames the replay draws are not shown: the garden reads them back.
bool swapsHeld = false;
// GLUT hands a key the pointer's place: the last one the garden was told.
int pointerX = 0, pointerY = 0;

void deliver(const Event& event) {
    switch (event.type) {
    case EventType::mouse:
        pointerX = event.x;
        pointerY = event.y;
        if (gardenMouse) gardenMouse(event.button, event.state, event.x, event.y);
        return;
    case EventType::motion:
        pointerX = event.x;
        pointerY = event.y;
        if (gardenMotion) gardenMotion(event.x, event.y);
        return;
    case EventType::key:
        if (gardenKey) gardenKey(static_cast<unsigned char>(event.key), pointerX, pointerY);
        return;
    case EventType::menu:
        if (const Menu* menu = menuWithId(event.menu)) menu->callback(event.value);
        return;
    case EventType::frame:
        return;
    }
}

void drawUnshown(FrameMode mode) {
    swapsHeld = mode != FrameMode::shown;
    gardenDisplay();
    swapsHeld = false;
}

// The first frame: the window has its size, so the record is replayed
// into it, and the garden then draws the frame it shows.
void displayOpened() {
    if (!replayed) {
        replayed = true;
        const auto started = std::chrono::steady_clock::now();
        replayAsThePageDoes(opened.events, {deliver, drawUnshown, [] { return displayMode == drawMode; }});
        if (std::getenv("SANDMERE_REPLAY_TIME")) {
            glFinish();
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - started;
            std::fprintf(stderr, "%s: replayed %zu events in %.0f ms\n", programName, opened.events.size(),
                         took.count());
        }
        opened.events.clear();
    }
    gardenDisplay();
}

bool isGlutOptionWithValue(const char* argument) {
    return std::strcmp(argument, "-display") == 0 || std::strcmp(argument, "-geometry") == 0;
}

}  // namespace

// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {

void __wrap_glutDisplayFunc(void (*callback)()) {
    gardenDisplay = callback;
    __real_glutDisplayFunc(callback ? displayOpened : nullptr);
}
void __wrap_glutKeyboardFunc(void (*callback)(unsigned char key, int x, int y)) {
    gardenKey = callback;
    __real_glutKeyboardFunc(callback);
}
void __wrap_glutMouseFunc(void (*callback)(int button, int state, int x, int y)) {
    gardenMouse = callback;
    __real_glutMouseFunc(callback);
}
void __wrap_glutMotionFunc(void (*callback)(int x, int y)) {
    gardenMotion = callback;
    __real_glutMotionFunc(callback);
}
int __wrap_glutCreateMenu(void (*callback)(int value)) {
    currentMenu = __real_glutCreateMenu(callback);
    menus.push_back({currentMenu, callback, {}});
    return currentMenu;
}
void __wrap_glutAddMenuEntry(const char* label, int value) {
    if (Menu* menu = menuWithId(currentMenu)) menu->entries.push_back({label, value, 0});
    __real_glutAddMenuEntry(label, value);
}
void __wrap_glutAddSubMenu(const char* label, int submenu) {
    if (Menu* menu = menuWithId(currentMenu)) menu->entries.push_back({label, 0, submenu});
    __real_glutAddSubMenu(label, submenu);
}
void __wrap_glutAttachMenu(int button) {
    if (button == GLUT_RIGHT_BUTTON) rightButtonMenu = currentMenu;
    __real_glutAttachMenu(button);
}
void __wrap_glutSwapBuffers() {
    if (!swapsHeld) __real_glutSwapBuffers();
}

}  // extern "C"
// NOLINTEND(bugprone-reserved-identifier)

int main(int argc, char** argv) {
    // GLUT's own options go on to GLUT; the one other name is the garden.
    std::vector<char*> glutArguments = {argv[0]};
    const char* gardenName = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (isGlutOptionWithValue(argv[i]) && i + 1 < argc) {
            glutArguments.push_back(argv[i]);
            glutArguments.push_back(argv[++i]);
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            glutArguments.push_back(argv[i]);
        } else if (!gardenName) {
            gardenName = argv[i];
        } else {
            gardenName = nullptr;
            break;
        }
    }
    if (!gardenName) {
        std::fprintf(stderr, "usage: %s [GLUT OPTIONS] GARDEN_FILE|GARDEN_PICTURE|LINK\n", programName);
        return 2;
    }
    gardenfile::Reading reading = gardenfile::readGardenNamed(gardenName);
    if (!reading.ok()) {
        std::fprintf(stderr, "%s: %s: %s\n", programName, gardenName, reading.error.c_str());
        return EXIT_FAILURE;
    }
    opened = std::move(reading.garden);
    glutArguments.push_back(nullptr);
    int glutArgumentCount = static_cast<int>(glutArguments.size()) - 1;
    startGarden(&glutArgumentCount, glutArguments.data());
    std::vector<MenuEntry> entries;
    collectEntries(rightButtonMenu, entries);
    const std::string why = checkMenuChoices(entries, opened.events);
    if (!why.empty()) {
        std::fprintf(stderr, "%s: %s: %s\n", programName, gardenName, why.c_str());
        return EXIT_FAILURE;
    }
    glutMainLoop();
    return 0;
}
