// The garden file's C++ reader and writer: what it writes it reads back,
// the page's own file comes back byte for byte, and every kind of damage is
// refused in the page's words, never read as some other garden.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "web/gardenfile.h"

namespace {

using gardenfile::Bytes;
using gardenfile::Event;

Bytes written(const std::vector<Event>& events, const std::string& version = "1.3.0") {
    const gardenfile::Writing writing = gardenfile::writeGarden({version, events});
    EXPECT_TRUE(writing.ok()) << writing.error;
    return writing.bytes;
}

std::string refusal(const Bytes& bytes) {
    const gardenfile::Reading reading = gardenfile::readGarden(bytes);
    EXPECT_TRUE(reading.garden.events.empty());
    return reading.error;
}

void putU32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
}

// The checksum made right again after a change, so that what is refused
// is the change itself.
Bytes resealed(Bytes bytes) {
    const std::size_t end = bytes.size() - 4;
    putU32(bytes, end, static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(end))));
    return bytes;
}

// A sealed file of version 1.3.0 that claims count events in these bytes.
Bytes fileOf(std::uint32_t count, const Bytes& events) {
    Bytes bytes = written({});
    const std::size_t countAt = 13 + 2 + 5;
    putU32(bytes, countAt, count);
    putU32(bytes, countAt + 4, static_cast<std::uint32_t>(events.size()));
    bytes.insert(bytes.begin() + static_cast<long>(countAt + 8), events.begin(), events.end());
    return resealed(bytes);
}

// A garden as a hand makes one, and the edges of every range.
std::vector<Event> everyKind() {
    std::vector<Event> events = {Event::frame(), Event::menuChoice(1, 2), Event::mouse(0, 0, 300, 20)};
    for (int m = 0; m < 12; ++m)
        events.insert(events.end(), {Event::motion(300 - 7 * m, 20 + m * m), Event::frame()});
    events.insert(events.end(),
                  {Event::mouse(0, 1, 223, 164), Event::mouse(2, 1, -32768, 32768), Event::motion(32768, -32768),
                   Event::keyPress(255), Event::keyPress(1), Event::keyPress('i'), Event::menuChoice(255, -65536),
                   Event::menuChoice(3, 65536)});
    return events;
}

TEST(GardenFile, WhatIsWrittenComesBackAsItWas) {
    const std::vector<Event> events = everyKind();
    const gardenfile::Reading reading = gardenfile::readGarden(written(events, "12.0.3"));
    ASSERT_TRUE(reading.ok()) << reading.error;
    EXPECT_EQ(reading.garden.gardenVersion, "12.0.3");
    EXPECT_EQ(reading.garden.events, events);
    EXPECT_TRUE(gardenfile::readGarden(written({})).ok());
    // What no record may hold is never written.
    for (const Event& wrong :
         {Event::keyPress('q'), Event::keyPress('Q'), Event::keyPress(0), Event::mouse(3, 0, 0, 0),
          Event::mouse(0, 2, 0, 0), Event::motion(0, 32769), Event::menuChoice(0, 1), Event::menuChoice(1, 65537)})
        EXPECT_FALSE(gardenfile::writeGarden({"1.3.0", {wrong}}).ok());
    EXPECT_FALSE(gardenfile::writeGarden({"1.3.0-beta", {}}).ok());
    EXPECT_FALSE(gardenfile::writeGarden({"", {}}).ok());
}

// The page wrote this file (tests/data/gardens/raked.sandmere): the C++
// side reads it and writes the very same bytes.
TEST(GardenFile, ThePagesFileComesBackByteForByte) {
    std::ifstream stream(SANDMERE_TEST_GARDEN, std::ios::binary);
    ASSERT_TRUE(stream) << SANDMERE_TEST_GARDEN;
    const Bytes bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    const gardenfile::Reading reading = gardenfile::readGardenFile(SANDMERE_TEST_GARDEN);
    ASSERT_TRUE(reading.ok()) << reading.error;
    EXPECT_GT(reading.garden.events.size(), 100u);
    EXPECT_EQ(gardenfile::writeGarden(reading.garden).bytes, bytes);
    // And the link that carries it carries it whole.
    const gardenfile::Unpacking link = gardenfile::fileFromFragment(gardenfile::linkFragment(bytes));
    EXPECT_TRUE(link.carried);
    EXPECT_EQ(link.error, "");
    EXPECT_EQ(link.bytes, bytes);
}

TEST(GardenFile, WhatIsNotAGardenFileIsSaidInThePagesWords) {
    EXPECT_EQ(refusal({}), "the file is empty");
    EXPECT_EQ(refusal({'B', 'M', 0, 0}), "it is a BMP picture, not a garden");
    EXPECT_EQ(refusal({0x89, 'P', 'N', 'G', 13, 10}), "it is a PNG picture, not a garden");
    EXPECT_EQ(refusal({'h', 'e', 'l', 'l', 'o'}), "it does not begin as a garden file does");
    const Bytes whole = written(everyKind());
    // Every cut is refused; none is taken for a shorter garden.
    for (std::size_t length = 1; length < whole.size(); ++length)
        EXPECT_EQ(refusal(Bytes(whole.begin(), whole.begin() + static_cast<long>(length))), "it is cut short")
            << length;
    Bytes longer = whole;
    longer.push_back(0);
    EXPECT_EQ(refusal(longer), "it has bytes after its end");
    // Every damaged bit of the events and the checksum is found.
    for (std::size_t at = 28; at < whole.size(); ++at) {
        Bytes damaged = whole;
        damaged[at] ^= 0x10;
        EXPECT_EQ(refusal(damaged), "it is damaged: its checksum does not match") << at;
    }
    Bytes newer = whole;
    newer[13] = 2;
    EXPECT_EQ(refusal(newer), "it was made by a newer Sandmere (format 2; this Sandmere reads format 1)");
    newer[13] = 0;
    EXPECT_EQ(refusal(newer), "its format (0) is no format of Sandmere's");
    Bytes version = whole;
    version[14] = 17;
    EXPECT_EQ(refusal(version), "its garden version's length (17) is wrong");
    version = whole;
    version[16] = 'x';
    EXPECT_EQ(refusal(resealed(version)), "its garden version is not a version");
}

TEST(GardenFile, LyingCountsAndHostileEventsAreRefusedBeforeAnythingIsMade) {
    // Counts past the caps, or past the bytes there are.
    EXPECT_EQ(refusal(fileOf(gardenfile::maxEvents + 1, {0})), "it claims 4194305 events, more than 4194304");
    EXPECT_EQ(refusal(fileOf(gardenfile::maxEvents, {0, 0})), "it claims 4194304 events in 2 bytes");
    Bytes longClaim = fileOf(1, {0});
    putU32(longClaim, 24, 0xffffffffu);
    EXPECT_EQ(refusal(resealed(longClaim)), "it claims 4294967295 bytes of events, more than 33554432");
    putU32(longClaim, 24, 1000);
    EXPECT_EQ(refusal(longClaim), "it is cut short");
    EXPECT_EQ(refusal(fileOf(2, {0, 2})), "its events stop short");
    EXPECT_EQ(refusal(fileOf(1, {0, 0})), "it has bytes after its last event");
    // Events that are no events, or hold what a record never does.
    EXPECT_EQ(refusal(fileOf(2, {0, 9})), "event 2 is of no known kind (9)");
    EXPECT_EQ(refusal(fileOf(1, {1, 8, 0, 0})), "a mouse event's bits are wrong (8)");
    EXPECT_EQ(refusal(fileOf(1, {1, 3, 0, 0})), "no such mouse button: 3");
    EXPECT_EQ(refusal(fileOf(1, {3, 'q'})), "it holds the quit key");
    EXPECT_EQ(refusal(fileOf(1, {3, 0})), "no such key: 0");
    EXPECT_EQ(refusal(fileOf(1, {4, 0, 0})), "no such menu: 0");
    EXPECT_EQ(refusal(fileOf(1, {4, 1, 0x82, 0x80, 0x08})), "a menu value out of range: 65537");
    // A step of 32769 from the start, and two steps that together go past
    // the edge: each position is checked where it is reached.
    EXPECT_EQ(refusal(fileOf(1, {2, 0x82, 0x80, 0x04, 0})), "a position out of range (32769, 0)");
    EXPECT_EQ(refusal(fileOf(2, {2, 0x80, 0x80, 0x04, 0, 2, 2, 0})), "a position out of range (32769, 0)");
    EXPECT_EQ(refusal(fileOf(1, {2, 0xff, 0xff, 0xff, 0xff, 0x7f, 0})), "a number in its events is too long");
    EXPECT_EQ(refusal(fileOf(1, {2, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01, 0})),
              "a number in its events is too long");
    EXPECT_EQ(refusal(fileOf(1, {2, 0x80})), "its events stop short");
    // Where an event has two faults, the one the page names first.
    EXPECT_EQ(refusal(fileOf(1, {1, 3, 0x82, 0x80, 0x04, 0})), "no such mouse button: 3");
    EXPECT_EQ(refusal(fileOf(1, {4, 0, 0x82, 0x80, 0x08})), "no such menu: 0");
}

TEST(GardenFile, ALinkCarriesAGardenOrSaysWhatIsWrongWithIt) {
    const Bytes file = written(everyKind());
    const std::string fragment = gardenfile::linkFragment(file);
    ASSERT_EQ(fragment.rfind("#garden=", 0), 0u);
    EXPECT_EQ(gardenfile::fileFromFragment(fragment.substr(1)).bytes, file);
    for (const char* none : {"", "#", "#other=abc", "#gardens=abc", "#garden"})
        EXPECT_FALSE(gardenfile::fileFromFragment(none).carried) << none;
    const auto why = [](const std::string& fragment) { return gardenfile::fileFromFragment(fragment).error; };
    EXPECT_EQ(why("#garden=ab+c"), "the link holds letters a garden link never does");
    EXPECT_EQ(why("#garden=abcde"), "the link is cut short");
    EXPECT_EQ(why("#garden="), "the link is damaged");
    EXPECT_EQ(why(fragment.substr(0, fragment.size() - 4)), "the link is damaged");
    EXPECT_EQ(why(fragment + "AAAA"), "the link is damaged");
    std::string flipped = fragment;
    flipped[20] = flipped[20] == 'A' ? 'B' : 'A';
    const gardenfile::Unpacking damaged = gardenfile::fileFromFragment(flipped);
    EXPECT_TRUE(!damaged.error.empty() || !gardenfile::readGarden(damaged.bytes).ok());
    // A few kilobytes that unpack past any garden are stopped at the cap.
    const Bytes zeros(gardenfile::maxLinkBytes + 1, 0);
    EXPECT_EQ(why(gardenfile::linkFragment(zeros)), "it unpacks to more than a garden can be");
}

}  // namespace
