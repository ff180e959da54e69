// Feeds arbitrary bytes to the garden file's reader as a file opened from
// disk, and as a link's fragment. A garden it takes must be one a record
// may hold, and must come back the same when written and read again.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "web/gardenfile.h"

namespace {

void mustHoldUp(const gardenfile::Reading& reading) {
    if (!reading.ok()) {
        if (!reading.garden.events.empty()) std::abort();
        return;
    }
    for (const gardenfile::Event& event : reading.garden.events)
        if (!gardenfile::checkEvent(event).empty()) std::abort();
    const gardenfile::Writing writing = gardenfile::writeGarden(reading.garden);
    if (!writing.ok()) std::abort();
    const gardenfile::Reading again = gardenfile::readGarden(writing.bytes);
    if (!again.ok() || again.garden.events != reading.garden.events ||
        again.garden.gardenVersion != reading.garden.gardenVersion)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mustHoldUp(gardenfile::readGarden(data, size));
    const gardenfile::Unpacking link =
        gardenfile::fileFromFragment(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!link.carried && !link.error.empty()) std::abort();
    if (link.carried && link.error.empty()) mustHoldUp(gardenfile::readGarden(link.bytes));
    if (!link.error.empty() && !link.bytes.empty()) std::abort();
    return 0;
}
