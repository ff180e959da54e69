// The sand bed sent to GL in one batch instead of one per triangle. It draws
// exactly what drawSandTriangle draws for every entry of sandTriangles, in
// the same order, lit and textured or as outlines.
#pragma once

// Derives the batch from the current mesh. The mode switch calls it once the
// vertex normals are made.
void buildSandBatch();
// Releases the batch; the mode switch calls it when it empties the mesh.
void clearSandBatch();
// The whole bed, as the loop of drawSandTriangle over sandTriangles would
// draw it. A batch that no longer fits the mesh is rebuilt first.
void drawSandBed();
