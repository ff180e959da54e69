#include "app/garden.h"

// Every variable starts at zero; start-up gives them their working values.
int displayMode;
int editTool;
int rakeType;

int darkSand;
int wireframeSand;
int largeRockTexture;
int smallRockTexture;
int backgroundIndex;

PlanPoint smallRockPos;
int smallRockPlaced;
PlanPoint largeRockPos;
int largeRockPlaced;
PlanPoint strokeAnchor;
Point3 planNormal;

Point3 cameraEye;
Point3 cameraTarget;
float cameraAzimuth;
float cameraElevation;
float cameraDistance;

int windowWidth;
int windowHeight;

RasterImage* backgroundImages[2];
GLUquadric* sphereQuadric;

std::vector<Point3> rakeMarks;
std::vector<Point3> sandVertices;
std::vector<Point3> vertexNormals;
std::vector<SandTriangle> sandTriangles;

std::vector<GLfloat> sandBatchTextureCoords;
std::vector<GLuint> sandBatchCorners;
std::vector<GLuint> sandBatchEdges;

std::size_t planImageMarks;
Point3 planImageFirstMark;
Point3 planImageLastMark;
int planImageSide;
