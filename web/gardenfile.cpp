#include "web/gardenfile.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace gardenfile {

namespace {

// The garden's quit: a record ends before it, never holds it.
bool isQuitKey(int key) { return key == 'q' || key == 'Q'; }

bool inRange(long long value, long long lowest, long long highest) { return value >= lowest && value <= highest; }

std::uint32_t crcOf(const std::uint8_t* bytes, std::size_t size) {
    uLong crc = crc32(0, Z_NULL, 0);
    // zlib takes at most a uInt at a time.
    while (size > 0) {
        const auto part = static_cast<uInt>(std::min<std::size_t>(size, std::numeric_limits<uInt>::max()));
        crc = crc32(crc, bytes, part);
        bytes += part;
        size -= part;
    }
    return static_cast<std::uint32_t>(crc);
}

class Writer {
public:
    void byte(unsigned value) { bytes.push_back(static_cast<std::uint8_t>(value)); }
    void u32(std::uint32_t value) {
        for (int k = 0; k < 4; ++k) byte(value >> (8 * k) & 0xff);
    }
    void varint(std::uint32_t value) {
        while (value >= 0x80) {
            byte((value & 0x7f) | 0x80);
            value >>= 7;
        }
        byte(value);
    }
    void zigzag(std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        varint(bits << 1 ^ (value < 0 ? 0xffffffffu : 0u));
    }
    Bytes bytes;
};

// What went wrong reading the events: thrown no further than readGarden.
struct Refusal {
    std::string what;
};

class Reader {
public:
    Reader(const std::uint8_t* bytes, std::size_t size) : at_(bytes), end_(bytes + size) {}
    std::size_t left() const { return static_cast<std::size_t>(end_ - at_); }
    std::uint8_t byte() {
        if (at_ == end_) throw Refusal{"its events stop short"};
        return *at_++;
    }
    std::uint32_t u32() {
        std::uint32_t value = 0;
        for (int k = 0; k < 4; ++k) value |= static_cast<std::uint32_t>(byte()) << (8 * k);
        return value;
    }
    // At most five bytes, and a value that fits in 32 bits.
    std::uint32_t varint() {
        std::uint64_t value = 0;
        for (int k = 0; k < 5; ++k) {
            const std::uint8_t b = byte();
            value |= static_cast<std::uint64_t>(b & 0x7f) << (7 * k);
            if (!(b & 0x80)) {
                if (value > 0xffffffffu) break;
                return static_cast<std::uint32_t>(value);
            }
        }
        throw Refusal{"a number in its events is too long"};
    }
    std::int64_t zigzag() {
        const std::uint32_t value = varint();
        return value & 1 ? -(static_cast<std::int64_t>(value) + 1) / 2 : static_cast<std::int64_t>(value) / 2;
    }
    const std::uint8_t* at() const { return at_; }

private:
    const std::uint8_t* at_;
    const std::uint8_t* end_;
};

std::string decimal(long long value) { return std::to_string(value); }

// Why a position cannot be in a record, or "".
std::string checkPosition(long long x, long long y) {
    if (inRange(x, -maxPosition, maxPosition) && inRange(y, -maxPosition, maxPosition)) return "";
    return "a position out of range (" + decimal(x) + ", " + decimal(y) + ")";
}

// Reads count events, the whole of reader's bytes. Each event is checked
// as the page checks it, in the same order, so the first fault found is
// the one the page names.
std::vector<Event> decodeEvents(Reader& reader, std::uint32_t count) {
    std::vector<Event> events;
    events.reserve(count);
    // Sums of steps, wider than an event's fields until they are checked.
    long long x = 0, y = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t code = reader.byte();
        Event event;
        bool moved = false;
        switch (code) {
        case static_cast<std::uint8_t>(EventType::frame):
            break;
        case static_cast<std::uint8_t>(EventType::mouse): {
            const std::uint8_t buttons = reader.byte();
            if (buttons > 0b111) throw Refusal{"a mouse event's bits are wrong (" + decimal(buttons) + ")"};
            event.type = EventType::mouse;
            event.button = buttons & 3;
            event.state = buttons >> 2;
            moved = true;
            break;
        }
        case static_cast<std::uint8_t>(EventType::motion):
            event.type = EventType::motion;
            moved = true;
            break;
        case static_cast<std::uint8_t>(EventType::key):
            event.type = EventType::key;
            event.key = reader.byte();
            break;
        case static_cast<std::uint8_t>(EventType::menu):
            event.type = EventType::menu;
            event.menu = reader.byte();
            // Any 32-bit zigzag value fits an int.
            event.value = static_cast<int>(reader.zigzag());
            break;
        default:
            throw Refusal{"event " + decimal(i + 1LL) + " is of no known kind (" + decimal(code) + ")"};
        }
        if (moved) {
            x += reader.zigzag();
            y += reader.zigzag();
        }
        // The position is checked last, as the page checks a mouse event,
        // and before the sums narrow to the event's fields.
        std::string wrong = checkEvent(event);
        if (wrong.empty() && moved) wrong = checkPosition(x, y);
        if (!wrong.empty()) throw Refusal{wrong};
        if (moved) {
            event.x = static_cast<int>(x);
            event.y = static_cast<int>(y);
        }
        events.push_back(event);
    }
    if (reader.left()) throw Refusal{"it has bytes after its last event"};
    return events;
}

bool startsWith(const std::uint8_t* bytes, std::size_t size, std::initializer_list<std::uint8_t> prefix) {
    return size >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes);
}

// What a file that is not a garden looks like it is, if it is a picture.
const char* pictureKind(const std::uint8_t* bytes, std::size_t size) {
    if (startsWith(bytes, size, {0x42, 0x4d})) return "a BMP picture";
    if (startsWith(bytes, size, {0x89, 0x50, 0x4e, 0x47})) return "a PNG picture";
    if (startsWith(bytes, size, {0xff, 0xd8, 0xff})) return "a JPEG picture";
    if (startsWith(bytes, size, {0x47, 0x49, 0x46, 0x38})) return "a GIF picture";
    if (startsWith(bytes, size, {0x52, 0x49, 0x46, 0x46})) return "a RIFF file (a WebP picture or a sound)";
    return nullptr;
}

bool isVersionText(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

Reading refused(std::string what) {
    Reading reading;
    reading.error = std::move(what);
    return reading;
}

// ---- Links ------------------------------------------------------------------

constexpr char base64UrlDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

int base64UrlValue(char c) {
    const char* at = std::strchr(base64UrlDigits, c);
    return c != '\0' && at ? static_cast<int>(at - base64UrlDigits) : -1;
}

// Whole bytes of base64url without padding, as the page's atob takes it:
// the bits past the last whole byte are dropped.
bool fromBase64Url(std::string_view text, Bytes& out) {
    if (text.size() % 4 == 1) return false;
    out.clear();
    out.reserve(text.size() / 4 * 3 + 2);
    std::uint32_t bits = 0;
    int held = 0;
    for (const char c : text) {
        bits = bits << 6 | static_cast<std::uint32_t>(base64UrlValue(c));
        held += 6;
        if (held >= 8) {
            held -= 8;
            out.push_back(static_cast<std::uint8_t>(bits >> held));
        }
    }
    return true;
}

std::string toBase64Url(const Bytes& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::uint32_t bits = 0;
    int held = 0;
    for (const std::uint8_t b : bytes) {
        bits = bits << 8 | b;
        held += 8;
        while (held >= 6) {
            held -= 6;
            text += base64UrlDigits[bits >> held & 63];
        }
    }
    if (held > 0) text += base64UrlDigits[bits << (6 - held) & 63];
    return text;
}

}  // namespace

bool operator==(const Event& a, const Event& b) {
    return a.type == b.type && a.button == b.button && a.state == b.state && a.x == b.x && a.y == b.y &&
           a.key == b.key && a.menu == b.menu && a.value == b.value;
}

std::string checkEvent(const Event& event) {
    switch (event.type) {
    case EventType::frame:
        return "";
    case EventType::mouse:
        if (!inRange(event.button, 0, 2)) return "no such mouse button: " + decimal(event.button);
        if (!inRange(event.state, 0, 1)) return "no such button state: " + decimal(event.state);
        return checkPosition(event.x, event.y);
    case EventType::motion:
        return checkPosition(event.x, event.y);
    case EventType::key:
        if (!inRange(event.key, 1, 255)) return "no such key: " + decimal(event.key);
        if (isQuitKey(event.key)) return "it holds the quit key";
        return "";
    case EventType::menu:
        if (!inRange(event.menu, 1, 255)) return "no such menu: " + decimal(event.menu);
        if (!inRange(event.value, -maxMenuValue, maxMenuValue))
            return "a menu value out of range: " + decimal(event.value);
        return "";
    }
    return "no such event: " + decimal(static_cast<int>(event.type));
}

Reading readGarden(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return refused("the file is empty");
    const std::size_t head = std::min(size, sizeof magic);
    if (!std::equal(bytes, bytes + head, magic)) {
        const char* picture = pictureKind(bytes, size);
        return refused(picture ? std::string("it is ") + picture + ", not a garden"
                               : "it does not begin as a garden file does");
    }
    const char* const cutShort = "it is cut short";
    if (size < sizeof magic + 2) return refused(cutShort);
    const int format = bytes[sizeof magic];
    if (format > formatVersion)
        return refused("it was made by a newer Sandmere (format " + decimal(format) +
                       "; this Sandmere reads format " + decimal(formatVersion) + ")");
    if (format < 1) return refused("its format (" + decimal(format) + ") is no format of Sandmere's");
    const std::size_t versionLength = bytes[sizeof magic + 1];
    if (versionLength < 1 || versionLength > maxVersionLength)
        return refused("its garden version's length (" + decimal(static_cast<long long>(versionLength)) +
                       ") is wrong");
    Reader header(bytes + sizeof magic + 2, size - sizeof magic - 2);
    if (header.left() < versionLength + 8 + 4) return refused(cutShort);
    std::string gardenVersion(reinterpret_cast<const char*>(header.at()), versionLength);
    for (std::size_t i = 0; i < versionLength; ++i) header.byte();
    const std::uint32_t count = header.u32();
    const std::uint32_t length = header.u32();
    if (count > maxEvents)
        return refused("it claims " + decimal(count) + " events, more than " + decimal(maxEvents));
    if (length > maxEventBytes)
        return refused("it claims " + decimal(length) + " bytes of events, more than " + decimal(maxEventBytes));
    if (header.left() < std::size_t{length} + 4) return refused(cutShort);
    if (header.left() > std::size_t{length} + 4) return refused("it has bytes after its end");
    const std::uint8_t* events = header.at();
    const std::uint8_t* end = events + length;
    const std::uint32_t stored = static_cast<std::uint32_t>(end[0]) | static_cast<std::uint32_t>(end[1]) << 8 |
                                 static_cast<std::uint32_t>(end[2]) << 16 |
                                 static_cast<std::uint32_t>(end[3]) << 24;
    if (crcOf(bytes, static_cast<std::size_t>(end - bytes)) != stored)
        return refused("it is damaged: its checksum does not match");
    if (!isVersionText(gardenVersion)) return refused("its garden version is not a version");
    // Every event takes a byte at least: a count past the bytes is a lie
    // told before any room is made for it.
    if (count > length) return refused("it claims " + decimal(count) + " events in " + decimal(length) + " bytes");
    Reading reading;
    reading.garden.gardenVersion = std::move(gardenVersion);
    try {
        Reader body(events, length);
        reading.garden.events = decodeEvents(body, count);
    } catch (const Refusal& refusal) {
        return refused(refusal.what);
    }
    return reading;
}

Reading readGardenFile(const char* path) {
    FILE* stream = std::fopen(path, "rb");
    if (!stream) return refused(std::string("it cannot be opened (") + std::strerror(errno) + ")");
    // A byte past the largest file is enough for the reader to say what is
    // wrong with a longer one: its header, or the bytes after its end.
    Bytes bytes;
    std::array<std::uint8_t, 1 << 16> piece{};
    while (bytes.size() <= maxFileBytes) {
        const std::size_t want = std::min(piece.size(), maxFileBytes + 1 - bytes.size());
        const std::size_t got = std::fread(piece.data(), 1, want, stream);
        bytes.insert(bytes.end(), piece.data(), piece.data() + got);
        if (got < want) break;
    }
    const bool failed = std::ferror(stream) != 0;
    const int error = errno;
    std::fclose(stream);
    if (failed) return refused(std::string("it cannot be read (") + std::strerror(error) + ")");
    return readGarden(bytes);
}

Reading readGardenNamed(std::string_view name) {
    const bool link = name.rfind("https://", 0) == 0 || name.rfind("http://", 0) == 0;
    if (!link && name.rfind('#', 0) != 0) return readGardenFile(std::string(name).c_str());
    const std::size_t hash = name.find('#');
    const Unpacking unpacking =
        fileFromFragment(hash == std::string_view::npos ? std::string_view() : name.substr(hash));
    if (!unpacking.carried) return refused("the link carries no garden");
    if (!unpacking.error.empty()) return refused(unpacking.error);
    return readGarden(unpacking.bytes);
}

Writing writeGarden(const Garden& garden) {
    Writing writing;
    const std::string& version = garden.gardenVersion;
    if (version.size() > maxVersionLength || !isVersionText(version)) {
        writing.error = "not a garden version: " + version;
        return writing;
    }
    if (garden.events.size() > maxEvents) {
        writing.error = "more than " + decimal(maxEvents) + " events";
        return writing;
    }
    Writer body;
    int x = 0, y = 0;
    const auto moveTo = [&](const Event& event) {
        body.zigzag(event.x - x);
        body.zigzag(event.y - y);
        x = event.x;
        y = event.y;
    };
    for (const Event& event : garden.events) {
        writing.error = checkEvent(event);
        if (!writing.ok()) return writing;
        body.byte(static_cast<unsigned>(event.type));
        switch (event.type) {
        case EventType::frame:
            break;
        case EventType::mouse:
            body.byte(static_cast<unsigned>(event.button | event.state << 2));
            moveTo(event);
            break;
        case EventType::motion:
            moveTo(event);
            break;
        case EventType::key:
            body.byte(static_cast<unsigned>(event.key));
            break;
        case EventType::menu:
            body.byte(static_cast<unsigned>(event.menu));
            body.zigzag(event.value);
            break;
        }
    }
    if (body.bytes.size() > maxEventBytes) {
        writing.error = "more than " + decimal(maxEventBytes) + " bytes of events";
        return writing;
    }
    Writer out;
    out.bytes.assign(magic, magic + sizeof magic);
    out.byte(formatVersion);
    out.byte(static_cast<unsigned>(version.size()));
    out.bytes.insert(out.bytes.end(), version.begin(), version.end());
    out.u32(static_cast<std::uint32_t>(garden.events.size()));
    out.u32(static_cast<std::uint32_t>(body.bytes.size()));
    out.bytes.insert(out.bytes.end(), body.bytes.begin(), body.bytes.end());
    out.u32(crcOf(out.bytes.data(), out.bytes.size()));
    writing.bytes = std::move(out.bytes);
    return writing;
}

Unpacking fileFromFragment(std::string_view fragment) {
    Unpacking unpacking;
    if (!fragment.empty() && fragment.front() == '#') fragment.remove_prefix(1);
    if (fragment.size() <= linkKey.size() || fragment.substr(0, linkKey.size()) != linkKey ||
        fragment[linkKey.size()] != '=')
        return unpacking;
    unpacking.carried = true;
    const std::string_view data = fragment.substr(linkKey.size() + 1);
    if (!std::all_of(data.begin(), data.end(), [](char c) { return base64UrlValue(c) >= 0; })) {
        unpacking.error = "the link holds letters a garden link never does";
        return unpacking;
    }
    Bytes packed;
    if (!fromBase64Url(data, packed)) {
        unpacking.error = "the link is cut short";
        return unpacking;
    }
    // A stream that ends where its data ends, unpacked a piece at a time
    // so that no more than the cap is ever held.
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        unpacking.error = "the link could not be unpacked";
        return unpacking;
    }
    stream.next_in = packed.data();
    stream.avail_in = static_cast<uInt>(packed.size());
    std::array<std::uint8_t, 1 << 16> piece{};
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = piece.data();
        stream.avail_out = static_cast<uInt>(piece.size());
        status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t made = piece.size() - stream.avail_out;
        if (unpacking.bytes.size() + made > maxLinkBytes) {
            status = Z_MEM_ERROR;
            unpacking.error = "it unpacks to more than a garden can be";
            break;
        }
        unpacking.bytes.insert(unpacking.bytes.end(), piece.data(), piece.data() + made);
    }
    const bool whole = status == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    if (!whole) {
        if (unpacking.error.empty()) unpacking.error = "the link is damaged";
        unpacking.bytes.clear();
    }
    return unpacking;
}

std::string linkFragment(const Bytes& fileBytes) {
    uLongf size = compressBound(static_cast<uLong>(fileBytes.size()));
    Bytes packed(size);
    const int status = compress2(packed.data(), &size, fileBytes.data(), static_cast<uLong>(fileBytes.size()),
                                 Z_DEFAULT_COMPRESSION);
    // Only memory can fail here; the bound holds the packed bytes.
    if (status != Z_OK) return "";
    packed.resize(size);
    return "#" + std::string(linkKey) + "=" + toBase64Url(packed);
}

}  // namespace gardenfile
