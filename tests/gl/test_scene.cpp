#include <GL/glu.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/garden.h"
#include "gl_window.h"
#include "scene/sand.h"
#include "scene/scenery.h"
#include "tests/common/reset.h"

namespace {

// A texture of one row of texels, nearest filtering so colours stay exact.
void makeTexture(GLuint number, std::vector<unsigned char> rgb) {
    glBindTexture(GL_TEXTURE_2D, number);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, static_cast<GLsizei>(rgb.size() / 3), 1, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 rgb.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

GLint boundTexture() {
    GLint number = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &number);
    return number;
}

std::vector<unsigned char> rgbOf(const std::vector<unsigned char>& frame, int column, int row) {
    const unsigned char* p = pixelAt(frame, column, row);
    return {p[0], p[1], p[2]};
}

const std::vector<unsigned char> white{255, 255, 255};
const std::vector<unsigned char> wood{150, 100, 50}, lightSand{250, 0, 0}, darkSandColour{0, 250, 0};
const std::vector<unsigned char> blue{0, 0, 250};

// The display-mode scene seen straight from above, unlit: window column
// follows scene z and row scene x, as on the plan, 250 pixels to the unit.
class SceneInWindow : public ::testing::Test {
protected:
    void SetUp() override {
        resetGarden();
        displayMode = 1;
        glDisable(GL_LIGHTING);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        makeTexture(woodTexture, {255, 255, 255});
        makeTexture(lightSandTexture, {250, 0, 0, 0, 0, 250});  // light sand, then blue, along s
        makeTexture(darkSandTexture, darkSandColour);
        glViewport(0, 0, 600, 600);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1.2, 1.2, -1.2, 1.2, 0.1, 20);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 5, 0, 0, 0, 0, 1, 0, 0);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 1, 1);
    }
    void TearDown() override {
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        resetGarden();
    }
    // The window pixel that shows scene point (x, z).
    static std::vector<unsigned char> seen(const std::vector<unsigned char>& frame, float x, float z) {
        return rgbOf(frame, static_cast<int>((z + 1.2f) * 250), static_cast<int>((x + 1.2f) * 250));
    }
};

}  // namespace

TEST_F(SceneInWindow, SandTrianglesAreTexturedByTheSandChoiceAndOnlyInDisplayMode) {
    sandVertices = {{-0.9f, 0, -0.99f}, {0.9f, 0, -0.99f}, {-0.9f, 0, 0.9f}};
    vertexNormals.assign(3, Point3{0, 1, 0});
    const SandTriangle triangle{0, 1, 2, {0, 1, 0}};

    displayMode = 0;
    drawSandTriangle(triangle);
    EXPECT_EQ(seen(readBackBuffer(), -0.3f, -0.3f), white);

    displayMode = 1;
    drawSandTriangle(triangle);
    // s = 2x: at x = -0.3 it is -0.6, the first texel; at x = -0.1, -0.2, the second.
    EXPECT_EQ(seen(readBackBuffer(), -0.3f, -0.3f), lightSand);
    EXPECT_EQ(seen(readBackBuffer(), -0.1f, -0.3f), blue);
    EXPECT_EQ(boundTexture(), 11);
    darkSand = 1;
    glClear(GL_DEPTH_BUFFER_BIT);  // the same triangle again, at the same depth
    drawSandTriangle(triangle);
    EXPECT_EQ(seen(readBackBuffer(), -0.3f, -0.3f), darkSandColour);
}

TEST_F(SceneInWindow, WireframeSandIsDarkBlueOutlinesUnderTheFramesTexture) {
    sandVertices = {{-0.9f, 0, -0.99f}, {0.9f, 0, -0.99f}, {-0.9f, 0, 0.9f}};
    vertexNormals.assign(3, Point3{0, 1, 0});
    wireframeSand = 1;
    glBindTexture(GL_TEXTURE_2D, woodTexture);
    drawSandTriangle(SandTriangle{0, 1, 2, {0, 1, 0}});
    const std::vector<unsigned char> frame = readBackBuffer();
    const unsigned char* edge = pixelAt(frame, 52, 300);  // on the edge at z = -0.99
    EXPECT_EQ(edge[0], 0);
    EXPECT_EQ(edge[1], 0);
    EXPECT_NEAR(edge[2], 128, 1);
    EXPECT_EQ(seen(frame, -0.3f, -0.3f), white);  // inside: no fill
    EXPECT_EQ(boundTexture(), 10);
}

TEST_F(SceneInWindow, FrameRailsAndPostsSurroundTheBed) {
    makeTexture(woodTexture, wood);
    std::vector<float> before(16), after(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
    drawSandboxFrame();
    glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
    EXPECT_EQ(before, after);
    const std::vector<unsigned char> frame = readBackBuffer();
    EXPECT_EQ(seen(frame, -1.05f, 0), wood);       // rail 3
    EXPECT_EQ(seen(frame, 1.035f, 0), wood);       // rail 4
    EXPECT_EQ(seen(frame, 0, 1.03f), wood);        // rail 1, turned -90 degrees
    EXPECT_EQ(seen(frame, 0, -1.05f), wood);       // rail 2, turned 90 degrees
    EXPECT_EQ(seen(frame, 1.035f, -1.05f), wood);  // post 1
    EXPECT_EQ(seen(frame, -1.05f, 1.03f), wood);   // post 3
    EXPECT_EQ(seen(frame, 0, 0), white);           // the bed is open
    EXPECT_EQ(seen(frame, 0.97f, 0.96f), white);
    EXPECT_EQ(seen(frame, 1.15f, 0), white);
    EXPECT_EQ(seen(frame, 0, 1.15f), white);
}

TEST_F(SceneInWindow, WoodRepeatsFourTimesAcrossAFace) {
    // Two texels, red then green, along the texture's s direction. The top
    // face runs s from 0 at z = depth to 4 at z = 0.
    makeTexture(woodTexture, {255, 0, 0, 0, 255, 0});
    glTranslatef(0, 0, -1);
    drawWoodBox(2, 0.2f, 2);
    const std::vector<unsigned char> frame = readBackBuffer();
    for (int half = 0; half < 8; ++half) {
        const float z = 1 - 0.125f - 0.25f * half;  // the middle of each half repeat
        EXPECT_EQ(seen(frame, 0, z), half % 2 == 0 ? (std::vector<unsigned char>{255, 0, 0})
                                                   : (std::vector<unsigned char>{0, 255, 0}))
            << "half repeat " << half;
    }
}

TEST_F(SceneInWindow, RocksStandWhereTheirDiscsWereWithTheirOwnTextures) {
    if (sphereQuadric == nullptr) sphereQuadric = gluNewQuadric();
    makeTexture(firstRockTexture + 2, {0, 0, 200});
    makeTexture(firstRockTexture + 4, {200, 200, 0});
    largeRockTexture = 3;
    smallRockTexture = 5;
    drawSceneRocks();  // neither placed yet
    EXPECT_EQ(seen(readBackBuffer(), 0, 0), white);

    largeRockPlaced = smallRockPlaced = 1;
    largeRockPos = {300, 299};  // the centre of the bed
    smallRockPos = {150, 450};  // plan rows are scene x, plan columns scene z
    drawSceneRocks();
    std::vector<unsigned char> frame = readBackBuffer();
    EXPECT_EQ(seen(frame, 0, 0), (std::vector<unsigned char>{0, 0, 200}));
    EXPECT_EQ(seen(frame, 0, 0.17f), (std::vector<unsigned char>{0, 0, 200}));
    EXPECT_EQ(seen(frame, 0, 0.23f), white);
    EXPECT_EQ(seen(frame, 0.5033f, -0.5f), (std::vector<unsigned char>{200, 200, 0}));
    EXPECT_EQ(seen(frame, 0.5033f, -0.37f), white);
    EXPECT_EQ(seen(frame, -0.5f, 0.5033f), white);
    EXPECT_EQ(boundTexture(), 5);

    // Wireframe: lines in whatever colour and texture the outlines left.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    wireframeSand = 1;
    glBindTexture(GL_TEXTURE_2D, woodTexture);
    glColor3f(0, 0, 0.5f);
    drawSceneRocks();
    frame = readBackBuffer();
    EXPECT_EQ(boundTexture(), 10);
    int lines = 0, gaps = 0;
    // Off the middle row, which one meridian covers from end to end.
    for (int column = 260; column < 340; ++column) {
        const unsigned char* p = pixelAt(frame, column, 312);
        if (p[0] == 0 && p[2] > 100) ++lines;
        if (p[0] == 255) ++gaps;
    }
    EXPECT_GT(lines, 5);
    EXPECT_GT(gaps, 5);
}

TEST_F(SceneInWindow, BackgroundIsPaintedPixelForPixelAtTheLowerLeftCorner) {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0.5f, 0.5f, 0.5f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(1, 1, 1, 1);
    const std::vector<unsigned char> grey = rgbOf(readBackBuffer(), 0, 0);
    RasterImage picture(3, 2);
    for (int i = 0; i < 6; ++i)
        picture.pixels[i] =
            Pixel(static_cast<unsigned char>(10 + 40 * i), 7, static_cast<unsigned char>(250 - i), 255);
    RasterImage* saved[2] = {backgroundImages[0], backgroundImages[1]};
    backgroundImages[0] = &picture;
    backgroundImages[1] = nullptr;

    for (int absent : {0, 2, 3}) {  // no picture, a missing picture, out of range
        backgroundIndex = absent;
        glColor3f(0, 1, 0);
        drawBackground();
        float colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_TRUE(colour[0] == 1 && colour[1] == 1 && colour[2] == 1) << "index " << absent;
        EXPECT_EQ(rgbOf(readBackBuffer(), 0, 0), grey) << "index " << absent;
    }

    backgroundIndex = 1;
    drawBackground();
    const std::vector<unsigned char> frame = readBackBuffer();
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column) {
            const Pixel& p = picture.pixels[row * 3 + column];
            EXPECT_EQ(rgbOf(frame, column, row), (std::vector<unsigned char>{p.red, p.green, p.blue}));
        }
    EXPECT_EQ(rgbOf(frame, 3, 0), grey);
    EXPECT_EQ(rgbOf(frame, 0, 2), grey);
    backgroundImages[0] = saved[0];
    backgroundImages[1] = saved[1];
}
