// The headless garden: the garden started over the GL layer with no window
// and no GPU, a garden's record replayed into it exactly as the page
// replays one (web/page/keeper.js), and the plan it then shows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "web/gardenfile.h"

// The pixels the window shows, RGBA, top row first and opaque: the bytes
// of the page's ImageData (web/page/garden.js shownPixels).
struct ShownPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
};

// Starts the garden in the working folder, which holds its pictures, as
// the page's GLUT starts it. Once in a process.
void startHeadlessGarden(const char* programName);
// Why the running garden cannot take this record, in the page's words, or
// "": every menu event must name an entry of its menus other than the quit.
std::string checkAgainstGarden(const std::vector<gardenfile::Event>& events);
// How a record's frames are drawn when it is replayed.
enum class Replay {
    // As the page replays a kept garden: only the frames the garden reads
    // back, none of them shown.
    asThePageDoes,
    // As the live garden drew them: every frame, shown.
    everyFrame,
};
// Replays the record: every event handed to the garden's handlers, and at
// each frame the frame drawn there, if any.
void replayRecord(const std::vector<gardenfile::Event>& events, Replay replay = Replay::asThePageDoes);
// The frame the garden asked for last, drawn and shown as the page's GLUT
// draws it after a replay, and the picture it shows.
ShownPicture showGarden();
// Whether the garden shows its 3-D view, which the headless garden does not draw.
bool showsScene();

// What a garden file's replay in a folder of the program's own showed.
struct ReplayedGarden {
    std::string why;  // why the garden could not be replayed, or ""
    ShownPicture plan;
    bool scene = false;  // the garden ended in 3-D, shown black
};
// Paints the garden's pictures into a folder of the program's own, starts
// the garden there with its words on standard error, replays the record
// and shows the garden; with backToPlan, a garden that ends in 3-D is
// taken back to its plan first. The folder is gone when this returns.
ReplayedGarden replayInPrivateFolder(const char* programName, const std::vector<gardenfile::Event>& events,
                                     bool backToPlan);

// The SHA-256 digest of the bytes, lowercase hex.
std::string sha256Hex(const std::vector<std::uint8_t>& bytes);

// A folder of the program's own under the system's temporary one, removed
// with everything in it when this goes.
class PrivateFolder {
public:
    PrivateFolder() = default;
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    ~PrivateFolder();
    // False with the reason when no folder could be made.
    bool make(std::string* why);
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Standard output sent to standard error for as long as this lives.
class StandardOutputToError {
public:
    StandardOutputToError();
    StandardOutputToError(const StandardOutputToError&) = delete;
    StandardOutputToError& operator=(const StandardOutputToError&) = delete;
    ~StandardOutputToError();

private:
    int saved_;
};
