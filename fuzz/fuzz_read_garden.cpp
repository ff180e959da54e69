// Feeds arbitrary bytes to the garden file's reader as a file opened from
// disk, as a garden picture, and as a link's fragment. A garden it takes must be one a record
// may hold, and must come back the same when written and read again.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
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
    // A picture gives a garden only through its one chunk, and a picture
    // it takes without one takes that garden back as the same garden.
    const gardenfile::Unpacking picture = gardenfile::fileFromPicture(data, size);
    if (!picture.error.empty() && (picture.carried || !picture.bytes.empty())) std::abort();
    const gardenfile::Reading fromPicture = gardenfile::readGardenOrPicture(data, size);
    mustHoldUp(fromPicture);
    const bool png = size >= sizeof gardenfile::pngSignature &&
                     std::equal(std::begin(gardenfile::pngSignature), std::end(gardenfile::pngSignature), data);
    if (fromPicture.ok() && png && !picture.carried) std::abort();
    if (picture.error.empty() && !picture.carried) {
        const gardenfile::Bytes plain(data, data + size);
        const gardenfile::Writing writing = gardenfile::writeGarden({"1.3.0", {gardenfile::Event::frame()}});
        const gardenfile::Writing carrying = gardenfile::pictureCarrying(plain, writing.bytes);
        if (!carrying.ok()) std::abort();
        const gardenfile::Unpacking back =
            gardenfile::fileFromPicture(carrying.bytes.data(), carrying.bytes.size());
        if (!back.carried || back.bytes != writing.bytes) std::abort();
    }
    return 0;
}
