// The sand bed drawn in one batch must give the very pixels of the bed
// drawn one triangle at a time, lit and textured or as outlines, with the
// real garden's pictures and everything else a display-mode frame draws.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/display.h"
#include "app/garden.h"
#include "app/keys.h"
#include "app/startup.h"
#include "gl_window.h"
#include "image/texture.h"
#include "plan/rake.h"
#include "scene/sand.h"
#include "scene/sandbatch.h"
#include "scene/scenery.h"

namespace {

using Frame = std::vector<unsigned char>;

// The frame as drawFrame() draws it, but with the sand one triangle at a time.
Frame frameTriangleByTriangle() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    gluLookAt(cameraEye.x, cameraEye.y, cameraEye.z, 0, 0, 0, 0, 1, 0);
    placeLight();
    glDisable(GL_DEPTH_TEST);
    drawBackground();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    drawSandboxFrame();
    for (const SandTriangle& triangle : sandTriangles) {
        if (wireframeSand == 1)
            drawSandTriangleOutline(triangle);
        else
            drawSandTriangle(triangle);
    }
    drawSceneRocks();
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
    return readBackBuffer();
}

Frame gardenFrame() {
    drawFrame();
    return readBackBuffer();
}

// How far apart two frames are: pixels with any channel different, and the
// largest difference of a channel.
struct Difference {
    int pixels = 0, largest = 0;
};

Difference compare(const Frame& a, const Frame& b) {
    Difference d;
    for (std::size_t i = 0; i < a.size(); i += 3) {
        int most = 0;
        for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(a[i + c] - b[i + c]));
        if (most > 0) ++d.pixels;
        d.largest = std::max(d.largest, most);
    }
    return d;
}

int distinctColours(const Frame& f) {
    std::vector<unsigned> colours;
    for (std::size_t i = 0; i < f.size(); i += 3) colours.push_back(f[i] << 16 | f[i + 1] << 8 | f[i + 2]);
    std::sort(colours.begin(), colours.end());
    return static_cast<int>(std::unique(colours.begin(), colours.end()) - colours.begin());
}

std::string gardenFile(const char* name) { return std::string(SANDMERE_GARDEN_DIR) + "/" + name; }

class BatchedSand : public ::testing::Test {
protected:
    void SetUp() override {
        startGardenInDrawMode();
        if (!sphereQuadric) makeSphereQuadric();
        // The real pictures, so that filtering and lighting are exercised
        // on real texels.
        loadTexture(gardenFile("wood1.bmp").c_str(), 10);
        loadTexture(gardenFile("sand1.bmp").c_str(), 11);
        loadTexture(gardenFile("sand2.bmp").c_str(), 12);
        loadTexture(gardenFile("rock03.bmp").c_str(), 1);
        loadTexture(gardenFile("crystal01.bmp").c_str(), 8);
        FILE* stream = std::fopen(gardenFile("bg1.bmp").c_str(), "rb");
        ASSERT_NE(stream, nullptr);
        savedBackground = backgroundImages[0];
        backgroundImages[0] = readBMP(stream);
        std::fclose(stream);
        ASSERT_NE(backgroundImages[0], nullptr);
    }
    void TearDown() override {
        if (displayMode == 1) onKey('i', 0, 0);
        delete backgroundImages[0];
        backgroundImages[0] = savedBackground;
        const GLuint loaded[] = {1, 8, 10, 11, 12};
        glDeleteTextures(5, loaded);
        startGardenInDrawMode();
    }

    // Five-tine strokes and both rocks, then key i.
    void rakeAndEnterDisplayMode() {
        rakeType = 2;
        unsigned state = 17;
        for (int s = 0; s < 40; ++s) {
            state = state * 1664525u + 1013904223u;
            PlanPoint at{static_cast<float>(100 + (state >> 8) % 400), static_cast<float>(100 + (state >> 12) % 400)};
            strokeAnchor = at;
            for (int drag = 0; drag < 6; ++drag) {
                at.x += static_cast<float>((s % 7) * 3 - 9);
                at.y += 12;
                rakeTowards(at);
            }
        }
        largeRockPlaced = 1;
        largeRockPos = {250, 330};
        smallRockPlaced = 1;
        smallRockPos = {470, 160};
        largeRockTexture = 1;
        smallRockTexture = 8;
        drawFrame();
        onKey('i', 0, 0);
        ASSERT_EQ(displayMode, 1);
    }

    // The garden's frame against the triangle-by-triangle one. On this
    // renderer they are identical; a renderer that rounds a batch
    // differently may be a level off in a few pixels.
    void expectSameFrame(const char* what) {
        const Frame batched = gardenFrame();
        const Frame single = frameTriangleByTriangle();
        const Difference d = compare(batched, single);
        if (d.pixels > 0) std::printf("%s: %d pixels off, by %d at most\n", what, d.pixels, d.largest);
        EXPECT_LE(d.largest, 1) << what;
        EXPECT_LE(d.pixels, 100) << what;
        RecordProperty(std::string(what) + "_pixels_off", d.pixels);
        // A frame that shows the textured garden, not an empty window.
        EXPECT_GT(distinctColours(batched), 1000) << what;
    }

    RasterImage* savedBackground = nullptr;
};

}  // namespace

TEST_F(BatchedSand, LitAndTexturedFromSeveralEyesAndBothSands) {
    rakeAndEnterDisplayMode();
    expectSameFrame("start");
    backgroundIndex = 1;
    expectSameFrame("background");
    for (int i = 0; i < 35; ++i) onKey('a', 0, 0);
    for (int i = 0; i < 20; ++i) onKey('w', 0, 0);
    for (int i = 0; i < 40; ++i) onKey('e', 0, 0);
    expectSameFrame("turned, raised and closer");
    darkSand = 1;  // as the sand menu sets it in display mode
    expectSameFrame("dark sand");
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 8);  // the small rock's texture, bound last
    // The bed skips blending for itself only.
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

TEST_F(BatchedSand, WireframeOutlinesTintedByTheWoodWithTheRocksInTheirColour) {
    rakeAndEnterDisplayMode();
    gardenFrame();  // a lit frame first, as when z is pressed in the garden
    onKey('z', 0, 0);
    expectSameFrame("wireframe");
    backgroundIndex = 1;
    for (int i = 0; i < 60; ++i) onKey('d', 0, 0);
    for (int i = 0; i < 30; ++i) onKey('c', 0, 0);
    expectSameFrame("wireframe, turned and further");
    // The outlines leave their colour for the rocks drawn after them.
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 0);
    EXPECT_EQ(colour[1], 0);
    EXPECT_EQ(colour[2], 0.5f);
    onKey('z', 0, 0);
    expectSameFrame("lit again");
}

TEST_F(BatchedSand, EachEntryRebuildsTheBatchFromTheNewPlanAndLeavingEmptiesIt) {
    rakeAndEnterDisplayMode();
    EXPECT_EQ(sandBatchCorners.size(), 3 * sandTriangles.size());
    EXPECT_EQ(sandBatchEdges.size(), 6 * sandTriangles.size());
    EXPECT_EQ(sandBatchTextureCoords.size(), 2 * sandVertices.size());
    onKey('i', 0, 0);
    EXPECT_TRUE(sandBatchCorners.empty() && sandBatchEdges.empty() && sandBatchTextureCoords.empty());

    // A new groove across the middle must show in the next bed.
    strokeAnchor = {20, 300};
    for (float x = 40; x < 600; x += 20) rakeTowards({x, 300});
    drawFrame();
    onKey('i', 0, 0);
    expectSameFrame("second entry");
    EXPECT_EQ(sandBatchCorners.size(), 3u * 44402);
}

TEST_F(BatchedSand, AMeshMadeWithoutTheModeSwitchIsStillDrawnRight) {
    rakeAndEnterDisplayMode();
    backgroundIndex = 1;
    gardenFrame();
    // A bed of two triangles put in place by hand.
    sandVertices = {{-0.5f, 0.01f, -0.5f}, {0.5f, 0.02f, -0.5f}, {-0.5f, 0.03f, 0.5f}, {0.5f, 0.04f, 0.5f}};
    vertexNormals.assign(4, Point3{0, 1, 0});
    sandTriangles = {SandTriangle{0, 1, 2, {0, 1, 0}}, SandTriangle{2, 1, 3, {0, 1, 0}}};
    expectSameFrame("hand-made bed");
    wireframeSand = 1;
    glDisable(GL_LIGHTING);
    expectSameFrame("hand-made outlines");
    glEnable(GL_LIGHTING);
    wireframeSand = 0;
    sandTriangles.clear();
    sandVertices.clear();
    vertexNormals.clear();
    // No sand at all: the bed draws nothing, and nothing fails.
    drawSandBed();
    expectSameFrame("no bed");
}
