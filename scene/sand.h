// The sand bed and its wooden frame in display mode.
#pragma once

#include "scene/mesh.h"

void drawWoodBox(float width, float height, float depth);
void drawSandboxFrame();
void drawSandTriangle(const SandTriangle& triangle);
void drawSandTriangleOutline(const SandTriangle& triangle);
