// The garden state: every global the program works on, declared once.
// Each callback reads and assigns these directly; nothing else in the
// program keeps state between callbacks.
#pragma once

#include <GL/glu.h>

#include <cstddef>
#include <vector>

#include "app/pictures.h"
#include "app/vector.h"
#include "image/image.h"
#include "scene/mesh.h"

// Mode and tools. They stay plain ints; these are their values.
extern int displayMode;
constexpr int drawMode = 0;   // the flat plan, raked with the mouse
constexpr int sceneMode = 1;  // the 3-D garden ("display mode")
extern int editTool;
constexpr int rakeTool = 0;       // a left drag rakes
constexpr int smallRockTool = 1;  // a left click places the small rock
constexpr int largeRockTool = 2;  // a left click places the large rock
extern int rakeType;
constexpr int oneTineRake = 0;
constexpr int threeTineRake = 1;  // tines 20 pixels apart
constexpr int fiveTineRake = 2;   // tines 20 pixels apart

// Appearance.
extern int darkSand;          // 0 light sand (texture 11), 1 dark sand (texture 12)
extern int wireframeSand;     // 0 textured and lit, 1 wireframe with lighting off
extern int largeRockTexture;  // texture number 1 to 9
extern int smallRockTexture;  // texture number 1 to 9
extern int backgroundIndex;
constexpr int noBackground = 0;
constexpr int firstBackground = 1;   // backgroundImages[0], from "bg1.bmp"
constexpr int secondBackground = 2;  // backgroundImages[1], from "bg2.bmp"

// The plan, in plan coordinates. A rock's position means something only
// while its placed flag is 1.
extern PlanPoint smallRockPos;
extern int smallRockPlaced;
extern PlanPoint largeRockPos;
extern int largeRockPlaced;
extern PlanPoint strokeAnchor;  // where the current rake stroke last ended
extern Point3 planNormal;
// The rocks' radii in the plan, as shares of the window's width: the plan
// draws their discs at these radii, and placement keeps the discs apart.
constexpr double largeRockRadiusShare = 0.1;
constexpr double smallRockRadiusShare = 0.05;

// Camera, in scene units and degrees.
extern Point3 cameraEye;
extern Point3 cameraTarget;
extern float cameraAzimuth;
extern float cameraElevation;
extern float cameraDistance;

// Window, in pixels; the reshape callback holds both at gardenWindowSide.
extern int windowWidth;
extern int windowHeight;

// Resources made at start-up; they live for the whole run.
extern RasterImage* backgroundImages[2];  // null when the picture could not be read
extern GLUquadric* sphereQuadric;

// The raked plan and the sand mesh built from it. Each sequence owns its
// records: appending stores one, emptySequence() releases them all.
extern std::vector<Point3> rakeMarks;      // (plan x, plan y, 0), in the order laid
extern std::vector<Point3> sandVertices;   // (scene x, height, scene z), 150 x 150 grid
extern std::vector<Point3> vertexNormals;  // parallel to sandVertices
extern std::vector<SandTriangle> sandTriangles;

// Empties a sequence and gives its storage back: clear() alone would keep a
// million-mark garden's memory after a reset.
template <typename Record>
void emptySequence(std::vector<Record>& sequence) {
    std::vector<Record>().swap(sequence);
}

// Three caches keep what a frame would otherwise draw or gather again, each
// made stale by one rule:
// - the plan's kept image (below): stale when a mark it holds changes. The
//   reset sets planImageMarks to 0; the plan view also starts afresh when
//   the first or last mark it holds is no longer the one kept.
// - the sand batch (below): stale when the mesh is. Built on each entry to
//   display mode, emptied with the mesh on leaving it and by the reset.
// - the kept backgrounds (textures firstBackgroundTexture and the next):
//   stale when backgroundImages changes, which after start-up only a test
//   does; whoever changes them calls keepBackgroundPictures() again.

// The sand mesh as arrays for drawing the bed in one batch (scene/sandbatch.cpp):
// derived from the three mesh sequences on each entry to display mode and
// emptied when they are.
extern std::vector<GLfloat> sandBatchTextureCoords;  // (2 x, 2 z) of each sand vertex
extern std::vector<GLuint> sandBatchCorners;         // vertex0, vertex1, vertex2 of each triangle
extern std::vector<GLuint> sandBatchEdges;           // both ends of the three edges of each outline

// The plan's kept image (plan/planview.cpp): the white ground with the
// first planImageMarks rake marks drawn on it and no rocks, at the window's
// size, held in texture planImageTexture so that a draw-mode frame draws
// only the marks laid since. Marks are only ever appended; whatever changes
// the marks it already holds sets planImageMarks to 0, which starts it
// afresh with the next frame. It lives in texture planImageTexture. A texture outlives both modes and the back
// buffer's contents, so the image survives the trip to display mode.
extern std::size_t planImageMarks;  // marks drawn into the kept image; 0 when it holds none
extern Point3 planImageFirstMark;   // rakeMarks[0] and rakeMarks[planImageMarks - 1] when it was
extern Point3 planImageLastMark;    // kept, to notice marks replaced without a reset
extern int planImageSide;           // the texture's side in texels, 0 until its storage is made
