#include "web/replay.h"

#include <algorithm>
#include <cstddef>
#include <set>

namespace {

using gardenfile::Event;
using gardenfile::EventType;

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

void replayAsThePageDoes(const std::vector<Event>& events, const ReplayTarget& target) {
    const std::set<std::size_t> captured = framesCaptured(events);
    bool moved = false;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event& event = events[i];
        if (event.type != EventType::frame) {
            if (event.type == EventType::motion) moved = true;
            target.deliver(event);
            continue;
        }
        if (captured.count(i))
            target.drawFrame(FrameMode::unshown);
        else if (moved && target.showsPlan())
            target.drawFrame(FrameMode::readBackOnly);
        moved = false;
    }
}

std::string checkMenuChoices(const std::vector<MenuEntry>& entries, const std::vector<Event>& events) {
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
