// A garden's record in C++: the garden file's bytes and the link that
// carries one, read and written exactly as the page's record module
// (web/page/record.js) does, with the same refusals in the same words. Its
// top describes the format. Nothing is read before it is checked: every
// length before the bytes it covers, every value against its range, every
// count against its cap. Plain values only, so the headless garden and the
// desktop can both link it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gardenfile {

using Bytes = std::vector<std::uint8_t>;

constexpr int formatVersion = 1;
constexpr std::uint8_t magic[13] = {0x89, 'S', 'A', 'N', 'D', 'M', 'E', 'R', 'E', 0x0d, 0x0a, 0x1a, 0x0a};
constexpr const char* fileSuffix = ".sandmere";
// Bounds on what a reader takes: far past any garden raked by hand.
constexpr std::uint32_t maxEvents = 1u << 22;
constexpr std::uint32_t maxEventBytes = 1u << 25;
constexpr int maxPosition = 1 << 15;
constexpr std::size_t maxVersionLength = 16;
constexpr int maxMenuValue = 1 << 16;
// The largest file a reader takes: every part at its greatest.
constexpr std::size_t maxFileBytes = sizeof magic + 2 + maxVersionLength + 8 + maxEventBytes + 4;
// A garden picture: a PNG whose one "saNd" chunk, before its first IDAT,
// holds a garden file's bytes verbatim. By PNG's naming rules the chunk is
// ancillary (s), private (a), of the reserved kind (N) and safe to copy (d).
constexpr char pictureChunkType[5] = "saNd";
constexpr std::uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
// The largest garden picture a reader takes: a large picture around the
// largest garden.
constexpr std::size_t maxPictureBytes = maxFileBytes + (std::size_t{1} << 26);
// A link's data may unpack to no more than this.
constexpr std::size_t maxLinkBytes = (std::size_t{1} << 22) + maxEventBytes;
// The fragment's key: a link is PAGE#garden=DATA.
constexpr std::string_view linkKey = "garden";

// The codes of the kinds of event, as the file stores them.
enum class EventType : std::uint8_t { frame = 0, mouse = 1, motion = 2, key = 3, menu = 4 };

// One event as the garden's handlers were given it. Positions are window
// pixels, origin top left; which fields mean anything depends on the type.
struct Event {
    EventType type = EventType::frame;
    int button = 0;  // mouse: GLUT's button, 0 to 2
    int state = 0;   // mouse: 0 down, 1 up
    int x = 0, y = 0;
    int key = 0;    // key: the character code
    int menu = 0;   // menu: the menu's number
    int value = 0;  // menu: the entry's value

    static Event frame() { return {}; }
    static Event mouse(int button, int state, int x, int y) {
        return {EventType::mouse, button, state, x, y, 0, 0, 0};
    }
    static Event motion(int x, int y) { return {EventType::motion, 0, 0, x, y, 0, 0, 0}; }
    static Event keyPress(int key) { return {EventType::key, 0, 0, 0, 0, key, 0, 0}; }
    static Event menuChoice(int menu, int value) { return {EventType::menu, 0, 0, 0, 0, 0, menu, value}; }
};
bool operator==(const Event& a, const Event& b);
inline bool operator!=(const Event& a, const Event& b) { return !(a == b); }

struct Garden {
    std::string gardenVersion;  // digits and dots, as "1.3.0"
    std::vector<Event> events;
};

// What reading gives: the garden, or what is wrong with the bytes in the
// page's words ("it is cut short").
struct Reading {
    Garden garden;
    std::string error;
    bool ok() const { return error.empty(); }
};

// Why a record cannot hold the event, or "" when it can.
std::string checkEvent(const Event& event);

Reading readGarden(const std::uint8_t* bytes, std::size_t size);
inline Reading readGarden(const Bytes& bytes) { return readGarden(bytes.data(), bytes.size()); }

// The garden in the file at path; error also says when it cannot be
// opened or read ("it cannot be opened (No such file or directory)"). No
// more is read than the largest garden file and a byte.
Reading readGardenFile(const char* path);

// The garden in a garden file's bytes or a garden picture's.
Reading readGardenOrPicture(const std::uint8_t* bytes, std::size_t size);

// The garden that a name on a command line stands for: a link to the page
// (an http or https address that ends in "#garden=..."), just its fragment
// ("#garden=..."), or otherwise the path of a garden file or picture.
Reading readGardenNamed(std::string_view name);

// The bytes of a garden file for these events, made by the garden of
// garden.gardenVersion; error says why when it cannot be written.
struct Writing {
    Bytes bytes;
    std::string error;
    bool ok() const { return error.empty(); }
};
Writing writeGarden(const Garden& garden);

// The garden file a link or its fragment ("#garden=...", the '#' optional)
// carries. carried is false, with no error, when it holds no garden at
// all; otherwise bytes are the file (still to be read), or error says why
// the link is bad.
struct Unpacking {
    bool carried = false;
    Bytes bytes;
    std::string error;
};
Unpacking fileFromFragment(std::string_view fragment);
// The fragment "#garden=..." that carries a garden file's bytes.
// "" only when memory runs out.
std::string linkFragment(const Bytes& fileBytes);

// The garden file a PNG picture carries. error says why the picture is
// refused: not a PNG, cut short, a chunk whose length runs past the end or
// whose CRC is wrong, a garden chunk after the image data or a second one,
// anything after IEND. Otherwise carried tells whether it holds a garden
// chunk, and bytes are its data: the file, still to be read.
Unpacking fileFromPicture(const std::uint8_t* bytes, std::size_t size);
// The PNG picture with a garden chunk holding fileBytes before its first
// IDAT, or "" with error when png is no picture fileFromPicture takes or
// already carries a garden.
Writing pictureCarrying(const Bytes& png, const Bytes& fileBytes);

}  // namespace gardenfile
