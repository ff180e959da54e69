// Which back end draws (web/backends.h), natively, over a WebGL end that
// only records what it is asked.
#include "web/backends.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> gpuCalls;
int lastChanged[4] = {-1, -1, -1, -1};
// What WebGL's buffers read back as, everywhere.
constexpr unsigned char gpuByte = 42;

void called(const std::string& what) { gpuCalls.push_back(what); }

}  // namespace

namespace webgl {

void openWindowBuffers(int, int) { called("open"); }
void draw(const DrawState&, Primitive, const Vertex*, int) { called("draw"); }
void drawIndexed(const DrawState&, Primitive, const Vertex*, int, const std::uint32_t*, int) {
    called("drawIndexed");
}
void drawPixels(const DrawState&, int, int, const void*, const Unpacking&) { called("drawPixels"); }
void clear(bool colour, bool depth, const float*, bool) {
    called(std::string("clear") + (colour ? " colour" : "") + (depth ? " depth" : ""));
}
void makeTexture(unsigned) {}
void textureImage(unsigned, bool, int, int, unsigned, unsigned, const void*, const Unpacking&) {
    called("textureImage");
}
void textureSubImage(unsigned name, int x, int y, int width, int height, unsigned, unsigned, const void*,
                     const Unpacking&) {
    called("textureSubImage " + std::to_string(name) + " " + std::to_string(x) + "," + std::to_string(y) + " " +
           std::to_string(width) + "x" + std::to_string(height));
}
void textureParameter(unsigned, unsigned, int) {}
void mirrorTexture(unsigned name, bool on) { called("mirror " + std::to_string(name) + (on ? " on" : " off")); }
void copyToTexture(unsigned, Buffer, int, int, int, int, int, int) { called("copyToTexture"); }
void readPixels(Buffer, int, int, int width, int height, unsigned char* rgba) {
    called("readPixels");
    std::memset(rgba, gpuByte, static_cast<std::size_t>(width) * height * 4);
}
void present() { called("present"); }
void presentPixels(const unsigned char*, const int changed[4]) {
    called("presentPixels");
    for (int i = 0; i < 4; ++i) lastChanged[i] = changed[i];
}
void swapUnshown() { called("swapUnshown"); }
void rasteriseOnDemand(bool) {}
void finish() { called("finish"); }
bool resumeAfterRestore(bool) {
    called("resume");
    return true;
}

}  // namespace webgl

namespace {

constexpr int side = 16;
const float white[4] = {1, 1, 1, 1};

webgl::Vertex at(float x, float y, float alpha = 1, float s = 0, float t = 0) {
    return {{2 * x / side - 1, 2 * y / side - 1, 0, 1}, {0, 0, 0, alpha}, {s, t}};
}

webgl::DrawState planState() {
    webgl::DrawState state;
    state.blend = true;
    state.blendSource = GL_SRC_ALPHA;
    state.blendDestination = GL_ONE_MINUS_SRC_ALPHA;
    state.viewport[2] = side;
    state.viewport[3] = side;
    return state;
}

// A soft black triangle at alpha 0.5 over pixels 2 to 4 (its long edge,
// through pixel centres, is neither a top nor a left one).
void drawMark() {
    const webgl::Vertex mark[3] = {at(2, 2, 0.5f), at(6, 2, 0.5f), at(2, 6, 0.5f)};
    backends::draw(planState(), webgl::Primitive::triangles, mark, 3, false);
}

// A 32 x 32 RGB texture, sampled nearest, with no texels yet.
void makeKeptTexture(unsigned name) {
    backends::makeTexture(name);
    backends::textureImage(name, false, 32, 32, GL_RGB, GL_UNSIGNED_BYTE, nullptr, webgl::Unpacking{});
    backends::textureParameter(name, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    backends::textureParameter(name, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

// The state and the rectangle that paint a kept texture over the window,
// texel for pixel.
webgl::DrawState paintState(unsigned texture) {
    webgl::DrawState paint;
    paint.viewport[2] = side;
    paint.viewport[3] = side;
    paint.textureUse = webgl::TextureUse::replace;
    paint.texture = texture;
    return paint;
}
constexpr float share = float(side) / 32;
const webgl::Vertex paintRectangle[6] = {
    at(0, 0, 1, 0, 0), at(side, 0, 1, share, 0),        at(side, side, 1, share, share),
    at(0, 0, 1, 0, 0), at(side, side, 1, share, share), at(0, side, 1, 0, share)};

std::vector<unsigned char> read(webgl::Buffer buffer) {
    std::vector<unsigned char> rgba(side * side * 4);
    backends::readPixels(buffer, 0, 0, side, side, rgba.data());
    return rgba;
}

class Backends : public testing::Test {
protected:
    static void SetUpTestSuite() { backends::openWindowBuffers(side, side); }
    void SetUp() override { gpuCalls.clear(); }
};

TEST_F(Backends, APlanFrameStaysInSoftwareAndShowsOnlyWhatChanged) {
    backends::clear(true, true, white, true);
    drawMark();
    backends::swap(true);
    const std::vector<unsigned char> shown = read(webgl::Buffer::front);
    EXPECT_EQ(shown[(3 * side + 3) * 4], 127);
    EXPECT_EQ(shown[(10 * side + 10) * 4], 255);
    backends::clear(true, true, white, true);
    drawMark();
    backends::swap(true);
    EXPECT_EQ(gpuCalls, (std::vector<std::string>{"presentPixels", "presentPixels"}));
    // The same frame again: nothing to send.
    EXPECT_EQ(lastChanged[2] * lastChanged[3], 0);
    backends::clear(true, true, white, true);
    backends::swap(true);
    // The mark's pixels went white again, and only they were sent.
    EXPECT_EQ(lastChanged[0], 2);
    EXPECT_EQ(lastChanged[1], 2);
    EXPECT_EQ(lastChanged[2], 3);
    EXPECT_EQ(lastChanged[3], 3);
}

TEST_F(Backends, ADepthTestHandsTheFrameToWebGLUntilTheNextClear) {
    backends::clear(true, true, white, true);
    webgl::DrawState scene = planState();
    scene.depthTest = true;
    const webgl::Vertex triangle[3] = {at(0, 0), at(8, 0), at(0, 8)};
    backends::draw(scene, webgl::Primitive::triangles, triangle, 3, true);
    // Software could draw this one, but the frame is WebGL's now.
    drawMark();
    backends::swap(true);
    EXPECT_EQ(gpuCalls, (std::vector<std::string>{"clear colour depth", "draw", "draw", "present"}));
    gpuCalls.clear();
    backends::clear(true, true, white, true);
    drawMark();
    backends::swap(true);
    EXPECT_EQ(gpuCalls, (std::vector<std::string>{"presentPixels"}));
    // After a WebGL frame the canvas gets the whole picture.
    EXPECT_EQ(lastChanged[2], side);
    EXPECT_EQ(lastChanged[3], side);
}

TEST_F(Backends, ATextureSoftwareCopiedIntoIsPaintedInSoftwareAndReachesWebGLWhenWebGLSamplesIt) {
    constexpr unsigned kept = 5;
    makeKeptTexture(kept);
    backends::clear(true, true, white, true);
    drawMark();
    backends::copyToTexture(kept, webgl::Buffer::back, 0, 0, 0, 0, side, side);
    backends::swap(false);

    // Painted texel for pixel over a black window: the mark comes back.
    const float black[4] = {0, 0, 0, 1};
    backends::clear(true, true, black, true);
    webgl::DrawState paint = paintState(kept);
    const webgl::Vertex* rectangle = paintRectangle;
    backends::draw(paint, webgl::Primitive::triangles, rectangle, 6, false);
    const std::vector<unsigned char> back = read(webgl::Buffer::back);
    EXPECT_EQ(back[(3 * side + 3) * 4], 127);
    EXPECT_EQ(back[(10 * side + 10) * 4], 255);
    // Its texels live in software; WebGL's texture only mirrors them.
    EXPECT_EQ(gpuCalls, (std::vector<std::string>{"textureImage", "mirror 5 off", "mirror 5 on", "swapUnshown"}));

    // Sampled by WebGL: the copied texels go there first, once.
    gpuCalls.clear();
    paint.depthTest = true;
    backends::draw(paint, webgl::Primitive::triangles, rectangle, 6, false);
    backends::draw(paint, webgl::Primitive::triangles, rectangle, 6, false);
    // The frame so far goes to WebGL, after its depth clear.
    EXPECT_EQ(gpuCalls, (std::vector<std::string>{"clear depth", "drawPixels", "textureSubImage 5 0,0 16x16",
                                                  "draw", "draw"}));
    backends::swap(true);
    backends::clear(true, true, white, true);
    drawMark();
    backends::swap(true);

    // The garden's memory put back: what WebGL was given goes again, the
    // same picture whole and the texture's texels whole.
    gpuCalls.clear();
    EXPECT_TRUE(backends::resumeAfterRestore(false));
    backends::clear(true, true, white, true);
    drawMark();
    backends::swap(true);
    EXPECT_EQ(lastChanged[2], side);
    EXPECT_EQ(lastChanged[3], side);
    backends::clear(true, true, black, true);
    backends::draw(paint, webgl::Primitive::triangles, rectangle, 6, false);
    EXPECT_EQ(gpuCalls, (std::vector<std::string>{"resume", "presentPixels", "clear colour depth",
                                                  "textureSubImage 5 0,0 32x32", "draw"}));
}

// A replay makes its frames unshown, carried out only where read back;
// the picture shown stays the one shown last, from software or WebGL.
TEST_F(Backends, TheShownPictureIsTheLastShownFrameWhateverWasSwappedUnshownSince) {
    std::vector<unsigned char> rgba(side * side * 4);
    backends::clear(true, true, white, true);
    drawMark();
    backends::swap(true);
    backends::rasteriseOnDemand(true);
    for (int frame = 0; frame < 2; ++frame) {
        backends::clear(true, true, white, true);
        backends::swap(false);
    }
    backends::shownPixels(rgba.data());
    EXPECT_EQ(rgba[(3 * side + 3) * 4], 127);
    EXPECT_EQ(rgba[(10 * side + 10) * 4], 255);
    backends::rasteriseOnDemand(false);

    backends::clear(true, true, white, true);
    webgl::DrawState scene = planState();
    scene.depthTest = true;
    const webgl::Vertex triangle[3] = {at(0, 0), at(8, 0), at(0, 8)};
    backends::draw(scene, webgl::Primitive::triangles, triangle, 3, true);
    backends::swap(true);
    backends::shownPixels(rgba.data());
    EXPECT_EQ(rgba[0], gpuByte);
    // Before an unshown frame takes WebGL's front buffer, its picture is held.
    backends::rasteriseOnDemand(true);
    gpuCalls.clear();
    for (int frame = 0; frame < 2; ++frame) {
        backends::clear(true, true, white, true);
        drawMark();
        backends::swap(false);
    }
    EXPECT_EQ(gpuCalls, (std::vector<std::string>{"readPixels", "swapUnshown", "swapUnshown"}));
    rgba.assign(rgba.size(), 0);
    backends::shownPixels(rgba.data());
    EXPECT_EQ(rgba[(3 * side + 3) * 4], gpuByte);
    backends::rasteriseOnDemand(false);
    // The next software frame sends the canvas its whole picture.
    backends::clear(true, true, white, true);
    backends::swap(true);
    EXPECT_EQ(lastChanged[2], side);
}

// A frame drawn as the last one shown, over texels changed in between,
// sends the canvas what those texels changed, and nothing when nothing did.
TEST_F(Backends, AFrameDrawnAsTheLastShownSendsWhereItsTexelsChanged) {
    constexpr unsigned plan = 6;
    makeKeptTexture(plan);
    backends::clear(true, true, white, true);
    backends::copyToTexture(plan, webgl::Buffer::back, 0, 0, 0, 0, side, side);
    backends::swap(false);
    const auto showPlan = [] {
        backends::clear(true, true, white, true);
        backends::draw(paintState(plan), webgl::Primitive::triangles, paintRectangle, 6, false);
        backends::swap(true);
    };
    showPlan();
    showPlan();
    EXPECT_EQ(lastChanged[2] * lastChanged[3], 0);
    // An unshown frame keeps a mark in part of the texture.
    backends::clear(true, true, white, true);
    drawMark();
    backends::copyToTexture(plan, webgl::Buffer::back, 0, 0, 0, 0, side / 2, side / 2);
    backends::swap(false);
    showPlan();
    EXPECT_EQ(lastChanged[0], 2);
    EXPECT_EQ(lastChanged[1], 2);
    EXPECT_EQ(lastChanged[2], 3);
    EXPECT_EQ(lastChanged[3], 3);
}

}  // namespace
