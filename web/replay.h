// A garden's record replayed as the page replays a kept one
// (web/page/keeper.js replay), into any garden that takes the events and
// draws frames when told: the headless garden (web/native) and the desktop
// garden opening a file (opener/). One loop, so that both draw the very
// frames the page draws.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "web/gardenfile.h"

// How a frame is drawn, as the page names the modes.
enum class FrameMode {
    // Drawn and shown, as the live garden draws it.
    shown = 0,
    // Drawn but not shown: the frame a mode switch captures.
    unshown = 1,
    // Drawn only where the garden reads it back, and not shown.
    readBackOnly = 2,
};

struct ReplayTarget {
    // Hands the garden an event that is no frame, as its handlers take one.
    std::function<void(const gardenfile::Event&)> deliver;
    // Draws the frame the garden shows now, in the mode.
    std::function<void(FrameMode)> drawFrame;
    // Whether the garden shows its plan now, not the 3-D view.
    std::function<bool()> showsPlan;
};

// Every event handed to the garden, and at a frame the frame drawn only
// when the garden reads it back: the last frame before each mode switch,
// which the switch captures whole, and each plan frame after motion, whose
// new marks the plan keeps in an image of its own.
void replayAsThePageDoes(const std::vector<gardenfile::Event>& events, const ReplayTarget& target);

// A menu entry that chooses something, as the garden built it.
struct MenuEntry {
    int menu = 0, value = 0;
    std::string label;
};
// Why a garden with these entries cannot take the record, in the page's
// words, or "": every menu event must name one of them other than the quit.
std::string checkMenuChoices(const std::vector<MenuEntry>& entries, const std::vector<gardenfile::Event>& events);
