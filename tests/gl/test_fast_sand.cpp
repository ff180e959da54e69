// The garden's display-mode frame (the sand bed in one batch, the background
// filled in last) must give the very pixels of the literal frame (the
// picture painted first, the bed one triangle at a time), lit and textured
// or as outlines, with the real garden's pictures.
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
#include "bench/reference.h"
#include "gl_window.h"
#include "image/texture.h"
#include "plan/rake.h"
#include "scene/sand.h"
#include "scene/sandbatch.h"
#include "scene/scenery.h"
#include "tests/common/reset.h"

namespace {

using Frame = std::vector<unsigned char>;

// The literal frame: the picture painted first, the sand one triangle at a time.
Frame frameTriangleByTriangle() {
    drawReferenceFrame();
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

const int largeRockNumber = static_cast<int>(firstRockTexture);
const int smallRockNumber = static_cast<int>(firstRockTexture) + 7;

class BatchedSand : public GardenWindowTest {
protected:
    void SetUp() override {
        GardenWindowTest::SetUp();
        // The real pictures, so that filtering and lighting are exercised
        // on real texels.
        // Two rock pictures under other numbers than the garden's, so each
        // rock shows a texture of its own.
        for (const GardenPictureFile& file : gardenPictureFiles) {
            const char* name = file.fileName;
            if (file.textureNumber == woodTexture || file.textureNumber == lightSandTexture ||
                file.textureNumber == darkSandTexture)
                loadTexture(gardenFile(name).c_str(), static_cast<int>(file.textureNumber));
        }
        loadTexture(gardenFile("rock03.bmp").c_str(), largeRockNumber);
        loadTexture(gardenFile("crystal01.bmp").c_str(), smallRockNumber);
        FILE* stream = std::fopen(gardenFile("bg1.bmp").c_str(), "rb");
        ASSERT_NE(stream, nullptr);
        savedBackground = backgroundImages[0];
        backgroundImages[0] = readBMP(stream);
        std::fclose(stream);
        ASSERT_NE(backgroundImages[0], nullptr);
        keepBackgroundPictures();
    }
    void TearDown() override {
        if (displayMode == 1) onKey('i', 0, 0);  // before the pictures go
        delete backgroundImages[0];
        backgroundImages[0] = savedBackground;
        keepBackgroundPictures();
        const GLuint loaded[] = {1, 8, 10, 11, 12};
        glDeleteTextures(5, loaded);
        GardenWindowTest::TearDown();
    }

    // Five-tine strokes and both rocks, then key i.
    void rakeAndEnterDisplayMode() {
        rakeType = 2;
        unsigned state = 17;
        for (int s = 0; s < 40; ++s) {
            state = state * 1664525u + 1013904223u;
            PlanPoint at{static_cast<float>(100 + (state >> 8) % 400),
                         static_cast<float>(100 + (state >> 12) % 400)};
            strokeAnchor = at;
            for (int drag = 0; drag < 6; ++drag) {
                at.x += static_cast<float>((s % 7) * 3 - 9);
                at.y += 12;
                rakeTowards(at);
            }
        }
        placeBothRocks({250, 330}, {470, 160});
        largeRockTexture = largeRockNumber;
        smallRockTexture = smallRockNumber;
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

// A picture whose every pixel differs from its neighbours, so a shift or a
// stretch by one pixel anywhere shows.
static RasterImage* patternedPicture(int width, int height) {
    RasterImage* picture = new RasterImage(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture->pixels[y * width + x] =
                Pixel(static_cast<unsigned char>(x * 7 + y), static_cast<unsigned char>(y * 5),
                      static_cast<unsigned char>(x ^ y), 255);
    return picture;
}

TEST_F(BatchedSand, BackgroundsOfAnySizeFillTheSameWindowAsThePaintedPicture) {
    rakeAndEnterDisplayMode();
    for (int i = 0; i < 50; ++i) onKey('a', 0, 0);  // the frame's edge across the picture
    RasterImage* saved = backgroundImages[1];
    backgroundIndex = 2;
    // Smaller and odd, one pixel, exactly the window, wider and taller
    // than the window (cut at the top and right), and a thin strip.
    const int sizes[][2] = {{37, 53}, {1, 1}, {600, 600}, {800, 701}, {1000, 20}};
    for (const auto& size : sizes) {
        backgroundImages[1] = patternedPicture(size[0], size[1]);
        keepBackgroundPictures();
        const std::string what = std::to_string(size[0]) + " x " + std::to_string(size[1]);
        expectSameFrame(what.c_str());
        // The top-left corner shows the picture's own pixel wherever the
        // picture reaches it, and white otherwise.
        const Frame frame = gardenFrame();
        const unsigned char* corner = pixelAt(frame, 0, 599);
        if (size[1] >= 600) {
            const Pixel& p = backgroundImages[1]->pixels[599 * size[0]];
            EXPECT_EQ(corner[0], p.red) << what;
            EXPECT_EQ(corner[1], p.green) << what;
            EXPECT_EQ(corner[2], p.blue) << what;
        } else {
            EXPECT_TRUE(corner[0] == 255 && corner[1] == 255 && corner[2] == 255) << what;
        }
        onKey('z', 0, 0);
        expectSameFrame((what + ", wireframe").c_str());
        onKey('z', 0, 0);
        delete backgroundImages[1];
    }
    // An absent picture shows the white window, as no picture does.
    backgroundImages[1] = nullptr;
    keepBackgroundPictures();
    expectSameFrame("absent picture");
    backgroundImages[1] = saved;
    keepBackgroundPictures();
}

TEST_F(BatchedSand, FillingTheBackgroundLeavesTheGlStateAsItFoundIt) {
    rakeAndEnterDisplayMode();
    backgroundIndex = 1;
    glBindTexture(GL_TEXTURE_2D, firstRockTexture + 2);
    glColor3f(0.25f, 0.5f, 0.75f);
    fillBackground();
    GLint bound = 0, depthFunction = 0, environment = 0, matrixMode = 0;
    GLboolean depthWrites = GL_FALSE;
    GLfloat range[2] = {-1, -1}, colour[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    glGetFloatv(GL_DEPTH_RANGE, range);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &environment);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(bound, 3);
    EXPECT_EQ(depthFunction, GL_LESS);
    EXPECT_EQ(depthWrites, GL_TRUE);
    EXPECT_EQ(range[0], 0);
    EXPECT_EQ(range[1], 1);
    EXPECT_EQ(environment, GL_MODULATE);
    EXPECT_EQ(colour[1], 0.5f);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_BLEND) && glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
