// The garden state: every global the program works on, declared once.
// Each callback reads and assigns these directly; nothing else in the
// program keeps state between callbacks.
#pragma once

#include <GL/glu.h>

#include <vector>

#include "app/vector.h"
#include "image/image.h"
#include "scene/mesh.h"

// Mode and tools.
extern int displayMode;    // 0 draw mode, 1 display mode
extern int editTool;       // 0 rake, 1 place the small rock, 2 place the large rock
extern int rakeType;       // 0 one tine, 1 three tines, 2 five tines

// Appearance.
extern int darkSand;          // 0 light sand (texture 11), 1 dark sand (texture 12)
extern int wireframeSand;     // 0 textured and lit, 1 wireframe with lighting off
extern int largeRockTexture;  // texture number 1 to 9
extern int smallRockTexture;  // texture number 1 to 9
extern int backgroundIndex;   // 0 none, 1 "bg1.bmp", 2 "bg2.bmp"

// The plan, in plan coordinates. A rock's position means something only
// while its placed flag is 1.
extern PlanPoint smallRockPos;
extern int smallRockPlaced;
extern PlanPoint largeRockPos;
extern int largeRockPlaced;
extern PlanPoint strokeAnchor;  // where the current rake stroke last ended
extern Point3 planNormal;

// Camera, in scene units and degrees.
extern Point3 cameraEye;
extern Point3 cameraTarget;
extern float cameraAzimuth;
extern float cameraElevation;
extern float cameraDistance;

// Window, in pixels; the reshape callback holds both at 600.
extern int windowWidth;
extern int windowHeight;

// Resources made at start-up; they live for the whole run.
extern RasterImage* backgroundImages[2];  // null when the picture could not be read
extern GLUquadric* sphereQuadric;

// The raked plan and the sand mesh built from it. Each sequence owns its
// records: appending stores one, clear() releases them all.
extern std::vector<Point3> rakeMarks;      // (plan x, plan y, 0), in the order laid
extern std::vector<Point3> sandVertices;   // (scene x, height, scene z), 150 x 150 grid
extern std::vector<Point3> vertexNormals;  // parallel to sandVertices
extern std::vector<SandTriangle> sandTriangles;
