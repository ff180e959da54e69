// The page replays a kept garden drawing only the frames the garden reads
// back, carried out only where it reads them; the live garden drew every
// frame whole. The plan must come out the same bytes either way, or a
// reload would show another garden. Each replay runs in a child process of
// its own, since a process starts the garden once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/paint.h"
#include "web/gardenfile.h"
#include "web/native/headless.h"

namespace {

using gardenfile::Event;

// The digest of the plan the garden shows after replaying the record, and
// what was wrong if it could not.
std::string planAfter(const std::vector<Event>& events, Replay replay) {
    PrivateFolder folder;
    std::string why;
    if (!folder.make(&why)) return "no folder: " + why;
    int channel[2];
    if (pipe(channel) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        if (chdir(folder.path().c_str()) != 0) _exit(2);
        paintMissingPictures();
        startHeadlessGarden("sandmere-headless-tests");
        std::string answer = checkAgainstGarden(events);
        if (answer.empty()) {
            replayRecord(events, replay);
            answer = sha256Hex(showGarden().rgba);
        }
        const bool written =
            write(channel[1], answer.data(), answer.size()) == static_cast<ssize_t>(answer.size());
        _exit(written ? 0 : 3);
    }
    close(channel[1]);
    std::string answer;
    char piece[256];
    for (ssize_t got; (got = read(channel[0], piece, sizeof piece)) > 0;) answer.append(piece, piece + got);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? answer : "the replay failed: " + answer;
}

// Strokes of every rake, both rocks placed and one moved, a look at the
// 3-D view, the sand reset and raked again, a few strokes off the edges.
std::vector<Event> busyGarden() {
    std::vector<Event> events = {Event::frame()};
    const auto stroke = [&](int x, int y, int dx, int dy, int motions) {
        events.insert(events.end(), {Event::mouse(0, 0, x, y), Event::frame()});
        for (int m = 0; m < motions; ++m) {
            x += dx;
            y += dy + (m % 5) - 2;
            events.insert(events.end(), {Event::motion(x, y), Event::frame()});
        }
        events.push_back(Event::mouse(0, 1, x, y));
    };
    const auto choose = [&](int menu, int value) {
        events.insert(events.end(), {Event::menuChoice(menu, value)});
    };
    const auto click = [&](int x, int y) {
        events.insert(events.end(), {Event::mouse(0, 0, x, y), Event::frame(), Event::mouse(0, 1, x, y)});
    };
    for (int s = 0; s < 12; ++s) {
        if (s % 4 == 0) choose(1, 1 + s / 4);
        stroke(20 + s * 7, 30 + s * 45, 19, s % 3 - 1, 28);
    }
    choose(2, 2);
    click(200, 300);
    choose(2, 1);
    click(450, 420);
    click(430, 150);
    choose(1, 3);
    stroke(150, 200, 3, 4, 40);
    events.insert(events.end(), {Event::keyPress('i'), Event::frame(), Event::keyPress('i'), Event::frame()});
    stroke(-30, 580, 25, -2, 30);
    choose(4, 1);
    events.push_back(Event::frame());
    choose(1, 2);
    stroke(300, -20, 1, 22, 30);
    stroke(590, 300, 6, 3, 10);
    return events;
}

TEST(HeadlessReplay, ThePagesReplayDrawsThePlanTheLiveGardenDrew) {
    const gardenfile::Reading raked = gardenfile::readGardenFile(SANDMERE_TEST_GARDEN);
    ASSERT_TRUE(raked.ok()) << raked.error;
    for (const std::vector<Event>& events : {raked.garden.events, busyGarden()}) {
        const std::string live = planAfter(events, Replay::everyFrame);
        ASSERT_EQ(live.size(), 64u) << live;
        EXPECT_EQ(planAfter(events, Replay::asThePageDoes), live);
    }
    // Different gardens, different plans: the digest is of the garden.
    EXPECT_NE(planAfter(raked.garden.events, Replay::asThePageDoes),
              planAfter(busyGarden(), Replay::asThePageDoes));
}

}  // namespace
