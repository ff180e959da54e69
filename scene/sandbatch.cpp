#include "scene/sandbatch.h"

#include <GL/gl.h>

#include <cassert>
#include <cstddef>

#include "app/garden.h"

void buildSandBatch() {
    clearSandBatch();
    assert(vertexNormals.size() == sandVertices.size());
    const std::size_t vertexCount = sandVertices.size();
    sandBatchTextureCoords.reserve(2 * vertexCount);
    for (const Point3& v : sandVertices) {
        sandBatchTextureCoords.push_back(2 * v.x);
        sandBatchTextureCoords.push_back(2 * v.z);
    }
    sandBatchCorners.reserve(3 * sandTriangles.size());
    sandBatchEdges.reserve(6 * sandTriangles.size());
    for (const SandTriangle& t : sandTriangles) {
        for (int index : {t.vertex0, t.vertex1, t.vertex2}) {
            assert(index >= 0 && static_cast<std::size_t>(index) < vertexCount);
            sandBatchCorners.push_back(static_cast<GLuint>(index));
        }
        // A closed loop of three corners is the three segments 0-1, 1-2, 2-0.
        const GLuint edges[6] = {GLuint(t.vertex0), GLuint(t.vertex1), GLuint(t.vertex1),
                                 GLuint(t.vertex2), GLuint(t.vertex2), GLuint(t.vertex0)};
        sandBatchEdges.insert(sandBatchEdges.end(), edges, edges + 6);
    }
}

void clearSandBatch() {
    emptySequence(sandBatchTextureCoords);
    emptySequence(sandBatchCorners);
    emptySequence(sandBatchEdges);
}

// Whether the batch was derived from a mesh of the current mesh's size. The
// mode switch is the only thing that makes a mesh, and it rebuilds the batch
// with it; this catches a mesh made any other way.
static bool batchFitsTheMesh() {
    return sandBatchCorners.size() == 3 * sandTriangles.size() &&
           sandBatchTextureCoords.size() == 2 * sandVertices.size() && vertexNormals.size() == sandVertices.size();
}

void drawSandBed() {
    if (displayMode != sceneMode || sandTriangles.empty()) return;
    if (!batchFitsTheMesh()) buildSandBatch();
    const GLsizei cornerCount = static_cast<GLsizei>(sandBatchCorners.size());
    // The bed is opaque either way: the default material's alpha is 1, the
    // sand and wood textures have no alpha of their own, and the outline
    // colour has alpha 1. Blending would only replace each pixel with the
    // incoming one, so it is skipped and the colour buffer not read.
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_BLEND);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Point3), sandVertices.data());
    if (wireframeSand == 1) {
        // Like the outlines one by one: no texture of their own, so the wood
        // the frame left bound tints them, and their colour stays current
        // for the rocks drawn next.
        glColor3f(0, 0, 0.5f);
        glDrawElements(GL_LINES, 2 * cornerCount, GL_UNSIGNED_INT, sandBatchEdges.data());
    } else {
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glNormalPointer(GL_FLOAT, sizeof(Point3), vertexNormals.data());
        glTexCoordPointer(2, GL_FLOAT, 0, sandBatchTextureCoords.data());
        glBindTexture(GL_TEXTURE_2D, darkSand == 1 ? darkSandTexture : lightSandTexture);
        glDrawElements(GL_TRIANGLES, cornerCount, GL_UNSIGNED_INT, sandBatchCorners.data());
        // Drawing from arrays leaves the current normal and texture
        // coordinate undefined; give them the values the last triangle
        // drawn by itself would have left.
        const std::size_t last = sandBatchCorners.back();
        glTexCoord2f(sandBatchTextureCoords[2 * last], sandBatchTextureCoords[2 * last + 1]);
        glNormal3f(vertexNormals[last].x, vertexNormals[last].y, vertexNormals[last].z);
    }
    glPopClientAttrib();
    glPopAttrib();
}
