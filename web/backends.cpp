#include "web/backends.h"

#include <GL/gl.h>

#include <algorithm>
#include <cassert>
#include <cstring>
#include <deque>
#include <unordered_map>
#include <utility>
#include <vector>

#include "web/softraster.h"

namespace backends {

namespace {

using softraster::Image;
using softraster::Rectangle;

// What the layer knows of a texture beside WebGL.
struct Texture {
    int width = 0, height = 0;
    bool hasAlpha = false;
    unsigned minFilter = GL_NEAREST_MIPMAP_LINEAR, magFilter = GL_LINEAR;
    // Whether its WebGL texels were ever given: not for an image made
    // without pixels, whose texels are undefined until something writes them.
    bool gpuDefined = false;
    // Its texels in software, once software has copied into it (width 0
    // until then); what of them WebGL has yet to get.
    Image image;
    Rectangle stale;
    // Each change to the software texels counts one version on, and the
    // latest changes' rectangles are logged by version, so a frame can tell
    // where the texels it shows changed since a frame before it.
    std::uint64_t version = 0;
    std::deque<std::pair<std::uint64_t, Rectangle>> changes;
};
// How many changes of a texture are logged: a shown frame's texels
// further back count as changed everywhere.
constexpr std::size_t loggedChanges = 64;

// A draw or clear of a software frame, kept while the frame is carried
// out on demand.
struct Operation {
    bool clearing = false;
    std::uint8_t clearBytes[3] = {0, 0, 0};
    softraster::Blend blend;
    Rectangle clip;
    std::vector<softraster::Vertex> vertices;  // three a triangle
    bool textured = false;
    unsigned texture = 0;
    int dx = 0, dy = 0;
    bool texelAlpha = true;
    std::uint64_t textureVersion = 0;
};

// The same operation, whatever the texels it shows.
bool sameOperation(const Operation& a, const Operation& b) {
    const auto sameVertex = [](const softraster::Vertex& p, const softraster::Vertex& q) {
        return p.x == q.x && p.y == q.y && std::equal(p.colour, p.colour + 4, q.colour);
    };
    return a.clearing == b.clearing && std::equal(a.clearBytes, a.clearBytes + 3, b.clearBytes) &&
           a.blend.source == b.blend.source && a.blend.destination == b.blend.destination &&
           a.clip.x == b.clip.x && a.clip.y == b.clip.y && a.clip.width == b.clip.width &&
           a.clip.height == b.clip.height && a.textured == b.textured && a.texture == b.texture && a.dx == b.dx &&
           a.dy == b.dy && a.texelAlpha == b.texelAlpha &&
           std::equal(a.vertices.begin(), a.vertices.end(), b.vertices.begin(), b.vertices.end(), sameVertex);
}

enum Owner { software, gpu };

struct Buffer {
    Image image;
    Owner owner = software;
    // Whether every pixel of its frame was made: not for a frame carried
    // out on demand.
    bool whole = true;
};

struct Frames {
    int width = 0, height = 0;
    Buffer buffers[2];
    int back = 0;
    std::unordered_map<unsigned, Texture> textures;
    // A depth clear WebGL has yet to carry out: software never tests depth,
    // so it waits for WebGL's next draw.
    bool depthClearWaiting = false;
    // Since the frame's colour clear, nothing but clears: handing it to
    // WebGL then needs only WebGL's clear, of this colour.
    bool onlyCleared = false;
    float clearColour[4] = {0, 0, 0, 0};
    // On demand: what waits, and the rectangle carried out so far (empty
    // while nothing has been).
    bool onDemand = false;
    std::vector<Operation> waiting;
    Rectangle done;
    // The operations of the software frame in the back buffer since its
    // clear, and of the last software frame shown; a frame is shown by
    // comparing the two, and only where they differ are the pixels
    // compared. Not kept while frames are carried out on demand.
    std::vector<Operation> drawn, drawnShown;
    bool drawnWhole = false, drawnShownWhole = false;
    // The picture the canvas shows: held here, or WebGL's front buffer
    // while the frame WebGL showed last is still there. A frame swapped
    // unshown takes the place of WebGL's front buffer, so the shown one is
    // held here first.
    Image shown;
    bool showsGpuFront = false;
    // Whether the canvas's texture holds `shown` (it sends only what
    // changes).
    bool showsSoftware = false;
};
Frames frames;

Buffer& backBuffer() { return frames.buffers[frames.back]; }
Buffer& bufferOf(webgl::Buffer which) {
    return frames.buffers[which == webgl::Buffer::back ? frames.back : 1 - frames.back];
}
Rectangle windowBounds() { return {0, 0, frames.width, frames.height}; }

Texture& textureNamed(unsigned name) { return frames.textures[name]; }

bool factorOf(unsigned factor, softraster::Factor& out) {
    switch (factor) {
    case GL_ZERO:
        out = softraster::Factor::zero;
        return true;
    case GL_ONE:
        out = softraster::Factor::one;
        return true;
    case GL_SRC_ALPHA:
        out = softraster::Factor::sourceAlpha;
        return true;
    case GL_ONE_MINUS_SRC_ALPHA:
        out = softraster::Factor::oneMinusSourceAlpha;
        return true;
    default:
        return false;
    }
}

void carryOut(const Operation& operation, const Rectangle& within) {
    Image& target = backBuffer().image;
    if (operation.clearing) {
        softraster::clear(target, within, operation.clearBytes);
        return;
    }
    const Rectangle clip = softraster::intersection(operation.clip, within);
    if (clip.empty()) return;
    softraster::Texels texels;
    if (operation.textured) {
        texels.image = &textureNamed(operation.texture).image;
        texels.dx = operation.dx;
        texels.dy = operation.dy;
        texels.texelAlpha = operation.texelAlpha;
    }
    const std::vector<softraster::Vertex>& v = operation.vertices;
    for (std::size_t i = 0; i + 2 < v.size(); i += 3)
        softraster::fillTriangle(target, clip, operation.blend, v[i], v[i + 1], v[i + 2],
                                 operation.textured ? &texels : nullptr);
}

// Carries out what waits in the back buffer before its rectangle `read` is
// read; with no rectangle, before anything else that needs the frame as
// it stands. On demand, a frame is carried out in the first rectangle read,
// and later reads must lie within it (as webgl::rasteriseOnDemand).
void carryOutWaiting(const Rectangle* read) {
    if (frames.waiting.empty()) return;
    const Rectangle asked = read ? softraster::intersection(*read, windowBounds()) : windowBounds();
    if (asked.empty()) return;
    Rectangle within = frames.done;
    if (within.empty())
        within = asked;
    else
        assert(!read || within.contains(asked));
    for (const Operation& operation : frames.waiting) carryOut(operation, within);
    frames.waiting.clear();
    frames.done = within;
}

void keep(Operation&& operation) {
    frames.onlyCleared = frames.onlyCleared && operation.clearing;
    if (operation.textured) operation.textureVersion = textureNamed(operation.texture).version;
    if (!frames.onDemand) {
        carryOut(operation, windowBounds());
        frames.drawn.push_back(std::move(operation));
        return;
    }
    frames.waiting.push_back(std::move(operation));
}

// The window pixels an operation can change.
Rectangle reachOf(const Operation& operation) {
    if (operation.clearing) return windowBounds();
    Rectangle reached;
    const std::vector<softraster::Vertex>& v = operation.vertices;
    for (std::size_t i = 0; i + 2 < v.size(); i += 3)
        reached = softraster::hull(reached, softraster::reach(v[i], v[i + 1], v[i + 2], operation.clip));
    return reached;
}

// Where a texture's texels changed after version `since`, up to now;
// everywhere when that is further back than the log.
Rectangle changedSince(const Texture& texture, std::uint64_t since) {
    if (since == texture.version) return {};
    if (texture.changes.empty() || texture.changes.front().first > since + 1)
        return {0, 0, texture.width, texture.height};
    Rectangle changed;
    for (const auto& [version, rectangle] : texture.changes)
        if (version > since) changed = softraster::hull(changed, rectangle);
    return changed;
}

void textureChanged(Texture& texture, const Rectangle& where) {
    texture.changes.emplace_back(++texture.version, where);
    if (texture.changes.size() > loggedChanges) texture.changes.pop_front();
}

// The window pixels outside which the frame drawn is the frame shown last,
// from their operations: where they differ, and where the texels they
// show changed in between.
Rectangle damage(const std::vector<Operation>& now, const std::vector<Operation>& before) {
    Rectangle damaged;
    const std::size_t common = std::min(now.size(), before.size());
    for (std::size_t i = 0; i < common; ++i) {
        const Operation &a = now[i], &b = before[i];
        if (!sameOperation(a, b)) {
            damaged = softraster::hull(damaged, softraster::hull(reachOf(a), reachOf(b)));
            continue;
        }
        if (!a.textured || a.textureVersion == b.textureVersion) continue;
        const Rectangle texels = changedSince(textureNamed(a.texture), b.textureVersion);
        if (texels.empty()) continue;
        const Rectangle changed{texels.x - a.dx, texels.y - a.dy, texels.width, texels.height};
        damaged = softraster::hull(damaged, softraster::intersection(changed, reachOf(a)));
    }
    for (std::size_t i = common; i < now.size(); ++i) damaged = softraster::hull(damaged, reachOf(now[i]));
    for (std::size_t i = common; i < before.size(); ++i) damaged = softraster::hull(damaged, reachOf(before[i]));
    return softraster::intersection(damaged, windowBounds());
}

// Before texture `name` changes: what waits and shows it is carried out.
void carryOutUses(unsigned name) {
    for (const Operation& operation : frames.waiting)
        if (operation.textured && operation.texture == name) return carryOutWaiting(nullptr);
}

// Gives WebGL what of a texture's software texels it lacks.
void sendTexels(Texture& texture, unsigned name) {
    const Rectangle& r = texture.stale;
    if (texture.image.width == 0 || r.empty()) return;
    webgl::textureSubImage(name, r.x, r.y, r.width, r.height, GL_RGBA, GL_UNSIGNED_BYTE,
                           texture.image.at(r.x, r.y), webgl::Unpacking{4, texture.image.width});
    texture.stale = {};
}

// From here on the texture's texels are WebGL's alone.
void leaveToGpu(Texture& texture, unsigned name) {
    carryOutUses(name);
    sendTexels(texture, name);
    if (texture.image.width != 0) webgl::mirrorTexture(name, false);
    texture.image = Image();
    texture.gpuDefined = true;
}

// What WebGL needs before it draws under `state`.
void prepareGpu(const webgl::DrawState& state) {
    if (frames.depthClearWaiting) {
        const float none[4] = {0, 0, 0, 0};
        webgl::clear(false, true, none, true);
        frames.depthClearWaiting = false;
    }
    if (state.textureUse != webgl::TextureUse::none) sendTexels(textureNamed(state.texture), state.texture);
}

// The frame in the back buffer goes to WebGL: the first thing in it that
// software does not draw has come.
void handOver() {
    Buffer& back = backBuffer();
    assert(back.owner == software);
    if (frames.onlyCleared) {
        webgl::clear(true, frames.depthClearWaiting, frames.clearColour, true);
        frames.depthClearWaiting = false;
    } else {
        carryOutWaiting(nullptr);
        webgl::DrawState plain;
        plain.viewport[2] = frames.width;
        plain.viewport[3] = frames.height;
        prepareGpu(plain);
        webgl::drawPixels(plain, frames.width, frames.height, back.image.rgba.data(), webgl::Unpacking{4, 0});
    }
    frames.waiting.clear();
    frames.drawn.clear();
    frames.drawnWhole = false;
    back.owner = gpu;
}

// The draw as software keeps it, when software draws it exactly.
bool asSoftware(const webgl::DrawState& state, webgl::Primitive primitive, const webgl::Vertex* vertices,
                int count, bool lit, Operation& operation) {
    if (primitive != webgl::Primitive::triangles || lit || state.depthTest || count % 3 != 0) return false;
    if (state.blend) {
        if (!factorOf(state.blendSource, operation.blend.source) ||
            !factorOf(state.blendDestination, operation.blend.destination))
            return false;
    }
    const Texture* texture = nullptr;
    if (state.textureUse != webgl::TextureUse::none) {
        texture = &textureNamed(state.texture);
        if (state.textureUse != webgl::TextureUse::replace || texture->image.width == 0 ||
            texture->minFilter != GL_NEAREST || texture->magFilter != GL_NEAREST)
            return false;
        operation.textured = true;
        operation.texture = state.texture;
        operation.texelAlpha = texture->hasAlpha;
    }
    operation.clip = softraster::intersection(
        {state.viewport[0], state.viewport[1], state.viewport[2], state.viewport[3]}, windowBounds());
    operation.vertices.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const webgl::Vertex& in = vertices[i];
        softraster::Vertex& out = operation.vertices[static_cast<std::size_t>(i)];
        if (!softraster::place(in.position, state.viewport, out.x, out.y)) return false;
        for (int k = 0; k < 4; ++k) out.colour[k] = softraster::toLevels(in.colour[k]);
    }
    if (!texture) return true;
    // Every triangle must show its texels one for a pixel, at one whole
    // offset, and only texels the texture has.
    for (int i = 0; i < count; i += 3) {
        std::int32_t offset[2] = {0, 0};
        for (int j = i; j < i + 3; ++j) {
            const webgl::Vertex& in = vertices[j];
            const softraster::Vertex& placed = operation.vertices[static_cast<std::size_t>(j)];
            if (in.position[3] != vertices[i].position[3]) return false;
            std::int32_t s = 0, t = 0;
            if (!softraster::snap(static_cast<double>(in.texCoord[0]) * texture->width, s) ||
                !softraster::snap(static_cast<double>(in.texCoord[1]) * texture->height, t))
                return false;
            const std::int32_t dx = s - placed.x, dy = t - placed.y;
            if (dx % softraster::subpixelOne != 0 || dy % softraster::subpixelOne != 0) return false;
            if (j > i && (dx != offset[0] || dy != offset[1])) return false;
            offset[0] = dx;
            offset[1] = dy;
        }
        const int dx = offset[0] / softraster::subpixelOne, dy = offset[1] / softraster::subpixelOne;
        if (i > 0 && (dx != operation.dx || dy != operation.dy)) return false;
        operation.dx = dx;
        operation.dy = dy;
        const std::vector<softraster::Vertex>& v = operation.vertices;
        const Rectangle reached =
            softraster::reach(v[static_cast<std::size_t>(i)], v[static_cast<std::size_t>(i) + 1],
                              v[static_cast<std::size_t>(i) + 2], operation.clip);
        const Rectangle texels{reached.x + dx, reached.y + dy, reached.width, reached.height};
        if (!reached.empty() && !texture->image.bounds().contains(texels)) return false;
    }
    return true;
}

}  // namespace

void openWindowBuffers(int width, int height) {
    webgl::openWindowBuffers(width, height);
    frames.width = width;
    frames.height = height;
    // Both buffers start white, as WebGL's do.
    for (Buffer& buffer : frames.buffers) buffer.image = Image(width, height);
    frames.shown = Image(width, height);
}

void draw(const webgl::DrawState& state, webgl::Primitive primitive, const webgl::Vertex* vertices, int count,
          bool lit) {
    if (count == 0) return;
    if (backBuffer().owner == software) {
        Operation operation;
        if (asSoftware(state, primitive, vertices, count, lit, operation)) return keep(std::move(operation));
        handOver();
    }
    prepareGpu(state);
    webgl::draw(state, primitive, vertices, count);
}

void drawIndexed(const webgl::DrawState& state, webgl::Primitive primitive, const webgl::Vertex* vertices,
                 int vertexCount, const std::uint32_t* indices, int indexCount) {
    if (indexCount == 0) return;
    if (backBuffer().owner == software) handOver();
    prepareGpu(state);
    webgl::drawIndexed(state, primitive, vertices, vertexCount, indices, indexCount);
}

void drawPixels(const webgl::DrawState& state, int width, int height, const void* rgba,
                const webgl::Unpacking& unpacking) {
    if (width <= 0 || height <= 0) return;
    if (backBuffer().owner == software) handOver();
    prepareGpu(state);
    webgl::drawPixels(state, width, height, rgba, unpacking);
}

void clear(bool colour, bool depth, const float clearColour[4], bool depthWrite) {
    if (depth && depthWrite) frames.depthClearWaiting = true;
    if (!colour) return;
    Buffer& back = backBuffer();
    back.owner = software;
    // Whatever waited is covered by the clear.
    frames.waiting.clear();
    frames.done = {};
    frames.drawn.clear();
    frames.drawnWhole = !frames.onDemand;
    Operation operation;
    operation.clearing = true;
    for (int k = 0; k < 3; ++k) operation.clearBytes[k] = softraster::toByte(clearColour[k]);
    frames.onlyCleared = true;
    std::copy(clearColour, clearColour + 4, frames.clearColour);
    keep(std::move(operation));
}

void makeTexture(unsigned name) {
    textureNamed(name);
    webgl::makeTexture(name);
}

void textureImage(unsigned name, bool hasAlpha, int width, int height, unsigned format, unsigned type,
                  const void* pixels, const webgl::Unpacking& unpacking) {
    carryOutUses(name);
    Texture& texture = textureNamed(name);
    texture.width = width;
    texture.height = height;
    texture.hasAlpha = hasAlpha;
    texture.gpuDefined = pixels != nullptr;
    texture.image = Image();
    texture.stale = {};
    textureChanged(texture, {0, 0, width, height});
    webgl::textureImage(name, hasAlpha, width, height, format, type, pixels, unpacking);
    webgl::mirrorTexture(name, false);
}

void textureSubImage(unsigned name, int x, int y, int width, int height, unsigned format, unsigned type,
                     const void* pixels, const webgl::Unpacking& unpacking) {
    leaveToGpu(textureNamed(name), name);
    webgl::textureSubImage(name, x, y, width, height, format, type, pixels, unpacking);
}

void textureParameter(unsigned name, unsigned parameter, int value) {
    Texture& texture = textureNamed(name);
    if (parameter == GL_TEXTURE_MIN_FILTER) texture.minFilter = static_cast<unsigned>(value);
    if (parameter == GL_TEXTURE_MAG_FILTER) texture.magFilter = static_cast<unsigned>(value);
    webgl::textureParameter(name, parameter, value);
}

void copyToTexture(unsigned name, webgl::Buffer from, int toX, int toY, int x, int y, int width, int height) {
    Texture& texture = textureNamed(name);
    Buffer& source = bufferOf(from);
    if (source.owner == gpu) {
        leaveToGpu(texture, name);
        webgl::copyToTexture(name, from, toX, toY, x, y, width, height);
        return;
    }
    // Only what lies in both the window and the texture is copied.
    const Rectangle read = softraster::intersection({x, y, width, height}, windowBounds());
    const Rectangle written = softraster::intersection(
        {toX + read.x - x, toY + read.y - y, read.width, read.height}, {0, 0, texture.width, texture.height});
    if (written.empty()) return;
    const Rectangle copied{read.x + written.x - (toX + read.x - x), read.y + written.y - (toY + read.y - y),
                           written.width, written.height};
    if (from == webgl::Buffer::back)
        carryOutWaiting(&copied);
    else
        assert(source.whole);
    carryOutUses(name);
    if (texture.image.width == 0 && !texture.gpuDefined) {
        texture.image = Image(texture.width, texture.height);
        texture.stale = {};
        webgl::mirrorTexture(name, true);
    }
    if (texture.image.width != 0) {
        softraster::copy(source.image, copied, texture.image, written.x, written.y);
        texture.stale = softraster::hull(texture.stale, written);
        textureChanged(texture, written);
        return;
    }
    // The texture's other texels are WebGL's: these join them there.
    webgl::textureSubImage(name, written.x, written.y, written.width, written.height, GL_RGBA, GL_UNSIGNED_BYTE,
                           source.image.at(copied.x, copied.y), webgl::Unpacking{4, frames.width});
}

void readPixels(webgl::Buffer from, int x, int y, int width, int height, unsigned char* rgba) {
    Buffer& source = bufferOf(from);
    if (source.owner == gpu) return webgl::readPixels(from, x, y, width, height, rgba);
    const Rectangle asked{x, y, width, height};
    if (from == webgl::Buffer::back)
        carryOutWaiting(&asked);
    else
        assert(source.whole);
    // Pixels outside the window are undefined; these are 0.
    std::memset(rgba, 0, static_cast<std::size_t>(width) * height * 4);
    const Rectangle r = softraster::intersection(asked, windowBounds());
    for (int row = r.y; row < r.y + r.height; ++row)
        std::memcpy(rgba + (static_cast<std::size_t>(row - y) * width + (r.x - x)) * 4, source.image.at(r.x, row),
                    static_cast<std::size_t>(r.width) * 4);
}

void swap(bool shown) {
    Buffer& back = backBuffer();
    back.whole = back.owner == gpu || !frames.onDemand;
    frames.waiting.clear();
    frames.done = {};
    frames.onlyCleared = false;
    if (!shown) {
        if (frames.showsGpuFront) {
            webgl::readPixels(webgl::Buffer::front, 0, 0, frames.width, frames.height, frames.shown.rgba.data());
            frames.showsGpuFront = false;
        }
        webgl::swapUnshown();
    } else if (back.owner == gpu) {
        webgl::present();
        frames.showsSoftware = false;
        frames.showsGpuFront = true;
    } else {
        frames.showsGpuFront = false;
        // Only what changed since the last picture shown goes to the GPU:
        // the pixels are compared only where the operations differ.
        Rectangle changed = windowBounds();
        if (frames.showsSoftware)
            changed = softraster::difference(back.image, frames.shown,
                                             frames.drawnWhole && frames.drawnShownWhole
                                                 ? damage(frames.drawn, frames.drawnShown)
                                                 : windowBounds());
        if (!changed.empty()) softraster::copy(back.image, changed, frames.shown, changed.x, changed.y);
        const int rectangle[4] = {changed.x, changed.y, changed.width, changed.height};
        webgl::presentPixels(frames.shown.rgba.data(), rectangle);
        frames.showsSoftware = true;
        std::swap(frames.drawn, frames.drawnShown);
        frames.drawnShownWhole = frames.drawnWhole;
    }
    frames.drawn.clear();
    frames.drawnWhole = false;
    frames.back = 1 - frames.back;
}

void shownPixels(unsigned char* rgba) {
    if (frames.showsGpuFront)
        return webgl::readPixels(webgl::Buffer::front, 0, 0, frames.width, frames.height, rgba);
    std::memcpy(rgba, frames.shown.rgba.data(), frames.shown.rgba.size());
}

void rasteriseOnDemand(bool on) {
    assert(frames.waiting.empty());
    frames.onDemand = on;
    webgl::rasteriseOnDemand(on);
}

void finish() {
    if (backBuffer().owner == gpu) webgl::finish();
}

bool resumeAfterRestore(bool fromElsewhere) {
    const bool whole = webgl::resumeAfterRestore(fromElsewhere);
    // The memory came back; WebGL did not. What it was given of software
    // textures, and the picture the canvas shows, are unknown: all of them
    // go again.
    for (auto& named : frames.textures) {
        Texture& texture = named.second;
        if (texture.image.width != 0) texture.stale = texture.image.bounds();
    }
    frames.showsSoftware = false;
    return whole;
}

}  // namespace backends
