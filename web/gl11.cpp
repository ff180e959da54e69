// The part of OpenGL 1.1 the garden (and GLU's spheres) call, over two back
// ends (web/backends.h): software for the plan, WebGL 2 for the rest.
// Vertices are transformed and lit here, on the CPU, exactly as OpenGL 1.1
// defines it for one light and the default material, in IEEE float with no
// contraction; a back end rasterises, textures, blends and depth-tests
// them. Primitives drawn under the same state are queued and go to the back
// end together.
#include "web/gl11.h"

#include <GL/gl.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "web/backends.h"
#include "web/layer.h"
#include "web/webgl.h"

namespace {

// Column-major, as OpenGL keeps them.
struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

Matrix operator*(const Matrix& a, const Matrix& b) {
    Matrix product;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + row] * b.m[column * 4 + k];
            product.m[column * 4 + row] = sum;
        }
    return product;
}

struct Vec4 {
    float x = 0, y = 0, z = 0, w = 0;
};

Vec4 transform(const Matrix& a, float x, float y, float z, float w) {
    const float* m = a.m;
    return {m[0] * x + m[4] * y + m[8] * z + m[12] * w, m[1] * x + m[5] * y + m[9] * z + m[13] * w,
            m[2] * x + m[6] * y + m[10] * z + m[14] * w, m[3] * x + m[7] * y + m[11] * z + m[15] * w};
}

// Normals go to eye space by the inverse transpose of the model-view's
// upper-left 3 x 3: n' = n M^-1, n as a row.
struct NormalMatrix {
    float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // row-major M^-1
};

NormalMatrix normalMatrixOf(const Matrix& modelView) {
    const float* a = modelView.m;
    // The 3 x 3 block, row-major: r[row][column] = a[column * 4 + row].
    const float r00 = a[0], r01 = a[4], r02 = a[8];
    const float r10 = a[1], r11 = a[5], r12 = a[9];
    const float r20 = a[2], r21 = a[6], r22 = a[10];
    const float c00 = r11 * r22 - r12 * r21, c01 = r12 * r20 - r10 * r22, c02 = r10 * r21 - r11 * r20;
    const float determinant = r00 * c00 + r01 * c01 + r02 * c02;
    NormalMatrix inverse;
    if (determinant == 0) return inverse;
    const float d = 1 / determinant;
    float* n = inverse.m;
    n[0] = c00 * d;
    n[1] = (r02 * r21 - r01 * r22) * d;
    n[2] = (r01 * r12 - r02 * r11) * d;
    n[3] = c01 * d;
    n[4] = (r00 * r22 - r02 * r20) * d;
    n[5] = (r02 * r10 - r00 * r12) * d;
    n[6] = c02 * d;
    n[7] = (r01 * r20 - r00 * r21) * d;
    n[8] = (r00 * r11 - r01 * r10) * d;
    return inverse;
}

struct Light {
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {1, 1, 1, 1};   // light 0's own default
    float specular[4] = {1, 1, 1, 1};  // light 0's own default
    float position[4] = {0, 0, 1, 0};  // in eye coordinates
};

// The default material and light model; the garden never changes them.
constexpr float materialAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
constexpr float materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 1};
constexpr float sceneAmbient[4] = {0.2f, 0.2f, 0.2f, 1};

// The server state, grouped as glPushAttrib saves it.
struct State {
    // current
    float colour[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};
    // enable
    bool blend = false, depthTest = false, lighting = false, light0 = false, texture2d = false;
    // Kept, and nothing more: no back end dithers.
    bool dither = true;
    // lighting
    Light light;
    GLenum shadeModel = GL_SMOOTH;
    // texture
    GLuint texture = 0;
    GLenum textureEnvMode = GL_MODULATE;
    // transform
    GLenum matrixMode = GL_MODELVIEW;
    // viewport
    int viewport[4] = {0, 0, 0, 0};
    float depthNear = 0, depthFar = 1;
    // colour buffer
    GLenum blendSource = GL_ONE, blendDestination = GL_ZERO;
    GLenum drawBuffer = GL_BACK;
    float clearColour[4] = {0, 0, 0, 0};
    // depth buffer
    GLenum depthFunction = GL_LESS;
    bool depthWrite = true;
    // pixel mode
    GLenum readBuffer = GL_BACK;
};

struct ClientArray {
    bool enabled = false;
    GLint size = 0;
    GLsizei stride = 0;
    const void* pointer = nullptr;
};

struct ClientState {
    ClientArray vertices, normals, texCoords;
    webgl::Unpacking unpacking;
    int packAlignment = 4;
};

struct SavedState {
    GLbitfield mask;
    State state;
};

struct SavedClientState {
    GLbitfield mask;
    ClientState state;
};

// One vertex as glVertex gives it, with the current values beside it.
struct ObjectVertex {
    float position[3];
    float normal[3];
    float colour[4];
    float texCoord[2];
};

// The deepest stacks OpenGL 1.1 promises.
constexpr std::size_t modelViewDepth = 32, projectionDepth = 2, attributeDepth = 16;

struct Layer {
    State state;
    ClientState client;
    std::vector<SavedState> attributes;
    std::vector<SavedClientState> clientAttributes;
    std::vector<Matrix> modelView{Matrix()}, projection{Matrix()};

    // Between glBegin and glEnd.
    bool inside = false;
    GLenum mode = 0;
    std::vector<ObjectVertex> primitive;

    // What waits for WebGL, all under one state.
    std::vector<webgl::Vertex> queued;
    webgl::DrawState queuedState;
    webgl::Primitive queuedPrimitive = webgl::Primitive::triangles;
    bool queuedLit = false;

    // Scratch for the steps above.
    std::vector<webgl::Vertex> shaded;
    std::vector<std::uint32_t> indices;
    std::vector<unsigned char> pixels;
};
Layer layer;

std::vector<Matrix>& currentStack() {
    return layer.state.matrixMode == GL_PROJECTION ? layer.projection : layer.modelView;
}
Matrix& currentMatrix() { return currentStack().back(); }
void multiply(const Matrix& by) { currentMatrix() = currentMatrix() * by; }

webgl::DrawState drawState() {
    const State& s = layer.state;
    webgl::DrawState d;
    d.blend = s.blend;
    d.blendSource = s.blendSource;
    d.blendDestination = s.blendDestination;
    d.depthTest = s.depthTest;
    d.depthFunction = s.depthFunction;
    d.depthWrite = s.depthWrite;
    d.depthNear = s.depthNear;
    d.depthFar = s.depthFar;
    std::copy(s.viewport, s.viewport + 4, d.viewport);
    if (s.texture2d) {
        d.textureUse = s.textureEnvMode == GL_REPLACE ? webgl::TextureUse::replace : webgl::TextureUse::modulate;
        d.texture = s.texture;
    }
    return d;
}

void flush() {
    if (layer.queued.empty()) return;
    backends::draw(layer.queuedState, layer.queuedPrimitive, layer.queued.data(),
                   static_cast<int>(layer.queued.size()), layer.queuedLit);
    layer.queued.clear();
}

// A vertex's colour: the current one, or lit as OpenGL 1.1 lights it with
// one light, the default material, no local viewer and no two-sided
// lighting. The default material has no specular part, so the specular term
// is 0 and only ambient and diffuse light remain. Attenuation and spot
// keep their defaults (none).
void shade(const Vec4& eye, const float* eyeNormal, const float* colour, float* out) {
    const State& s = layer.state;
    if (!s.lighting) {
        for (int i = 0; i < 4; ++i) out[i] = std::clamp(colour[i], 0.0f, 1.0f);
        return;
    }
    for (int i = 0; i < 3; ++i) out[i] = sceneAmbient[i] * materialAmbient[i];
    if (s.light0) {
        const Light& light = s.light;
        float toLight[3];
        if (light.position[3] != 0) {
            for (int i = 0; i < 3; ++i) toLight[i] = light.position[i] / light.position[3] - (&eye.x)[i] / eye.w;
        } else {
            for (int i = 0; i < 3; ++i) toLight[i] = light.position[i];
        }
        const float length =
            std::sqrt(toLight[0] * toLight[0] + toLight[1] * toLight[1] + toLight[2] * toLight[2]);
        float facing = 0;
        if (length > 0)
            facing = (eyeNormal[0] * toLight[0] + eyeNormal[1] * toLight[1] + eyeNormal[2] * toLight[2]) / length;
        facing = std::max(facing, 0.0f);
        for (int i = 0; i < 3; ++i)
            out[i] += light.ambient[i] * materialAmbient[i] + facing * light.diffuse[i] * materialDiffuse[i];
    }
    for (int i = 0; i < 3; ++i) out[i] = std::clamp(out[i], 0.0f, 1.0f);
    out[3] = materialDiffuse[3];
}

// Transforms, lights and queues-ready vertices into layer.shaded.
void shadeVertices(const ObjectVertex* vertices, std::size_t count) {
    const Matrix& modelView = layer.modelView.back();
    const Matrix clip = layer.projection.back() * modelView;
    const bool lit = layer.state.lighting;
    const NormalMatrix normals = lit ? normalMatrixOf(modelView) : NormalMatrix();
    layer.shaded.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const ObjectVertex& v = vertices[i];
        webgl::Vertex& out = layer.shaded[i];
        const Vec4 position = transform(clip, v.position[0], v.position[1], v.position[2], 1);
        out.position[0] = position.x;
        out.position[1] = position.y;
        out.position[2] = position.z;
        out.position[3] = position.w;
        Vec4 eye;
        float eyeNormal[3] = {0, 0, 0};
        if (lit) {
            eye = transform(modelView, v.position[0], v.position[1], v.position[2], 1);
            const float* n = normals.m;
            for (int j = 0; j < 3; ++j)
                eyeNormal[j] = v.normal[0] * n[j] + v.normal[1] * n[3 + j] + v.normal[2] * n[6 + j];
        }
        shade(eye, eyeNormal, v.colour, out.colour);
        out.texCoord[0] = v.texCoord[0];
        out.texCoord[1] = v.texCoord[1];
    }
}

void queue(webgl::Primitive primitive, const std::vector<std::uint32_t>& order) {
    const webgl::DrawState state = drawState();
    const bool lit = layer.state.lighting;
    if (!layer.queued.empty() &&
        (state != layer.queuedState || primitive != layer.queuedPrimitive || lit != layer.queuedLit))
        flush();
    layer.queuedState = state;
    layer.queuedPrimitive = primitive;
    layer.queuedLit = lit;
    for (std::uint32_t index : order) layer.queued.push_back(layer.shaded[index]);
    // A bound on what one draw sends.
    if (layer.queued.size() >= 1u << 16) flush();
}

// The corners of the primitive's triangles or line segments, in order.
webgl::Primitive assemble(GLenum mode, std::uint32_t count, std::vector<std::uint32_t>& order) {
    order.clear();
    switch (mode) {
    case GL_TRIANGLES:
        for (std::uint32_t i = 0; i + 2 < count; i += 3) order.insert(order.end(), {i, i + 1, i + 2});
        return webgl::Primitive::triangles;
    case GL_TRIANGLE_FAN:
        for (std::uint32_t i = 1; i + 1 < count; ++i) order.insert(order.end(), {0, i, i + 1});
        return webgl::Primitive::triangles;
    case GL_QUADS:
        // Split as Mesa splits them, with the last vertex in both halves.
        for (std::uint32_t i = 0; i + 3 < count; i += 4)
            order.insert(order.end(), {i, i + 1, i + 3, i + 1, i + 2, i + 3});
        return webgl::Primitive::triangles;
    case GL_QUAD_STRIP:
        // Quad i is 2i, 2i + 1, 2i + 3, 2i + 2 in the order of its edges.
        for (std::uint32_t i = 0; i + 3 < count; i += 2)
            order.insert(order.end(), {i, i + 1, i + 2, i + 1, i + 3, i + 2});
        return webgl::Primitive::triangles;
    case GL_LINES:
        for (std::uint32_t i = 0; i + 1 < count; i += 2) order.insert(order.end(), {i, i + 1});
        return webgl::Primitive::lines;
    case GL_LINE_STRIP:
        for (std::uint32_t i = 0; i + 1 < count; ++i) order.insert(order.end(), {i, i + 1});
        return webgl::Primitive::lines;
    case GL_LINE_LOOP:
        if (count >= 2) {
            for (std::uint32_t i = 0; i + 1 < count; ++i) order.insert(order.end(), {i, i + 1});
            order.insert(order.end(), {count - 1, 0});
        }
        return webgl::Primitive::lines;
    default:
        assert(!"a primitive the layer does not draw");
        return webgl::Primitive::triangles;
    }
}

bool* capability(GLenum cap) {
    State& s = layer.state;
    switch (cap) {
    case GL_BLEND:
        return &s.blend;
    case GL_DEPTH_TEST:
        return &s.depthTest;
    case GL_LIGHTING:
        return &s.lighting;
    case GL_LIGHT0:
        return &s.light0;
    case GL_TEXTURE_2D:
        return &s.texture2d;
    case GL_DITHER:
        return &s.dither;
    default:
        assert(!"a capability the layer does not have");
        return nullptr;
    }
}

ClientArray& clientArray(GLenum array) {
    switch (array) {
    case GL_VERTEX_ARRAY:
        return layer.client.vertices;
    case GL_NORMAL_ARRAY:
        return layer.client.normals;
    case GL_TEXTURE_COORD_ARRAY:
        return layer.client.texCoords;
    default:
        assert(!"a client array the layer does not have");
        return layer.client.vertices;
    }
}

// The float at component i of element n of an array.
const float* element(const ClientArray& array, std::uint32_t n) {
    const std::size_t stride = array.stride != 0 ? static_cast<std::size_t>(array.stride)
                                                 : static_cast<std::size_t>(array.size) * sizeof(float);
    return reinterpret_cast<const float*>(static_cast<const unsigned char*>(array.pointer) + n * stride);
}

// The formats the garden gives textures: RGB (3, GL_RGB, GL_RGB8) or RGBA.
bool hasAlpha(GLint internalFormat) {
    switch (internalFormat) {
    case 3:
    case GL_RGB:
    case GL_RGB8:
        return false;
    case 4:
    case GL_RGBA:
    case GL_RGBA8:
        return true;
    default:
        assert(!"an internal format the layer does not keep");
        return false;
    }
}

webgl::Buffer bufferOf(GLenum buffer) {
    assert(buffer == GL_FRONT || buffer == GL_BACK);
    return buffer == GL_FRONT ? webgl::Buffer::front : webgl::Buffer::back;
}

int bytesPerPixel(GLenum format) {
    assert(format == GL_RGB || format == GL_RGBA);
    return format == GL_RGB ? 3 : 4;
}

}  // namespace

void openLayerWindow(int width, int height) {
    backends::openWindowBuffers(width, height);
    layer.state.viewport[2] = width;
    layer.state.viewport[3] = height;
    // Texture 0 is OpenGL's default texture object, there from the start.
    backends::makeTexture(0);
}

void swapLayerBuffers(bool shown) {
    flush();
    backends::swap(shown);
}

extern "C" {

void glBegin(GLenum mode) {
    assert(!layer.inside);
    layer.inside = true;
    layer.mode = mode;
    layer.primitive.clear();
}

void glEnd() {
    assert(layer.inside);
    layer.inside = false;
    const webgl::Primitive primitive =
        assemble(layer.mode, static_cast<std::uint32_t>(layer.primitive.size()), layer.indices);
    if (layer.indices.empty()) return;
    shadeVertices(layer.primitive.data(), layer.primitive.size());
    queue(primitive, layer.indices);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    assert(layer.inside);
    const State& s = layer.state;
    ObjectVertex v{{x, y, z},
                   {s.normal[0], s.normal[1], s.normal[2]},
                   {s.colour[0], s.colour[1], s.colour[2], s.colour[3]},
                   {s.texCoord[0], s.texCoord[1]}};
    layer.primitive.push_back(v);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    layer.state.normal[0] = x;
    layer.state.normal[1] = y;
    layer.state.normal[2] = z;
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    layer.state.texCoord[0] = s;
    layer.state.texCoord[1] = t;
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    float* c = layer.state.colour;
    c[0] = red;
    c[1] = green;
    c[2] = blue;
    c[3] = alpha;
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue) { glColor4f(red, green, blue, 1); }

void glMatrixMode(GLenum mode) {
    assert(mode == GL_MODELVIEW || mode == GL_PROJECTION);
    layer.state.matrixMode = mode;
}

void glLoadIdentity() { currentMatrix() = Matrix(); }

void glPushMatrix() {
    std::vector<Matrix>& stack = currentStack();
    assert(stack.size() < (&stack == &layer.projection ? projectionDepth : modelViewDepth));
    stack.push_back(stack.back());
}

void glPopMatrix() {
    std::vector<Matrix>& stack = currentStack();
    assert(stack.size() > 1);
    stack.pop_back();
}

void glMultMatrixf(const GLfloat* m) {
    Matrix by;
    std::copy(m, m + 16, by.m);
    multiply(by);
}

void glMultMatrixd(const GLdouble* m) {
    Matrix by;
    for (int i = 0; i < 16; ++i) by.m[i] = static_cast<float>(m[i]);
    multiply(by);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix by;
    by.m[12] = x;
    by.m[13] = y;
    by.m[14] = z;
    multiply(by);
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix by;
    by.m[0] = x;
    by.m[5] = y;
    by.m[10] = z;
    multiply(by);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const double length =
        std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y + static_cast<double>(z) * z);
    if (length == 0) return;
    const double radians = angle * 3.14159265358979323846 / 180;
    const double c = std::cos(radians), s = std::sin(radians);
    const double ax = x / length, ay = y / length, az = z / length;
    const double t = 1 - c;
    // Column by column.
    // clang-format off
    const double rotation[16] = {ax * ax * t + c,      ay * ax * t + az * s, az * ax * t - ay * s, 0,
                                 ax * ay * t - az * s, ay * ay * t + c,      az * ay * t + ax * s, 0,
                                 ax * az * t + ay * s, ay * az * t - ax * s, az * az * t + c,      0,
                                 0,                    0,                    0,                    1};
    // clang-format on
    glMultMatrixd(rotation);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble nearZ, GLdouble farZ) {
    assert(left != right && bottom != top && nearZ != farZ);
    // In float, as Mesa builds it.
    const float l = static_cast<float>(left), r = static_cast<float>(right);
    const float b = static_cast<float>(bottom), t = static_cast<float>(top);
    const float n = static_cast<float>(nearZ), f = static_cast<float>(farZ);
    Matrix by;
    by.m[0] = 2 / (r - l);
    by.m[5] = 2 / (t - b);
    by.m[10] = -2 / (f - n);
    by.m[12] = -(r + l) / (r - l);
    by.m[13] = -(t + b) / (t - b);
    by.m[14] = -(f + n) / (f - n);
    multiply(by);
}

void glEnable(GLenum cap) { *capability(cap) = true; }
void glDisable(GLenum cap) { *capability(cap) = false; }

void glBlendFunc(GLenum source, GLenum destination) {
    layer.state.blendSource = source;
    layer.state.blendDestination = destination;
}

void glDepthFunc(GLenum function) { layer.state.depthFunction = function; }
void glDepthMask(GLboolean write) { layer.state.depthWrite = write != GL_FALSE; }

void glDepthRange(GLclampd nearZ, GLclampd farZ) {
    layer.state.depthNear = static_cast<float>(std::clamp(nearZ, 0.0, 1.0));
    layer.state.depthFar = static_cast<float>(std::clamp(farZ, 0.0, 1.0));
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    float* c = layer.state.clearColour;
    c[0] = std::clamp(red, 0.0f, 1.0f);
    c[1] = std::clamp(green, 0.0f, 1.0f);
    c[2] = std::clamp(blue, 0.0f, 1.0f);
    c[3] = std::clamp(alpha, 0.0f, 1.0f);
}

void glClear(GLbitfield mask) {
    assert(layer.state.drawBuffer == GL_BACK);
    flush();
    backends::clear((mask & GL_COLOR_BUFFER_BIT) != 0, (mask & GL_DEPTH_BUFFER_BIT) != 0, layer.state.clearColour,
                    layer.state.depthWrite);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    assert(width >= 0 && height >= 0);
    int* v = layer.state.viewport;
    v[0] = x;
    v[1] = y;
    v[2] = width;
    v[3] = height;
}

void glShadeModel(GLenum mode) {
    // Flat shading would take each primitive's colour from its last vertex;
    // the garden draws smooth only.
    assert(mode == GL_SMOOTH);
    layer.state.shadeModel = mode;
}

void glLightfv(GLenum light, GLenum name, const GLfloat* params) {
    assert(light == GL_LIGHT0);
    Light& l = layer.state.light;
    switch (name) {
    case GL_AMBIENT:
        std::copy(params, params + 4, l.ambient);
        break;
    case GL_DIFFUSE:
        std::copy(params, params + 4, l.diffuse);
        break;
    case GL_SPECULAR:
        std::copy(params, params + 4, l.specular);
        break;
    case GL_POSITION: {
        // Kept in eye coordinates, as the model-view stands now.
        const Vec4 eye = transform(layer.modelView.back(), params[0], params[1], params[2], params[3]);
        l.position[0] = eye.x;
        l.position[1] = eye.y;
        l.position[2] = eye.z;
        l.position[3] = eye.w;
        break;
    }
    default:
        assert(!"a light parameter the layer does not keep");
    }
}

void glBindTexture(GLenum target, GLuint texture) {
    assert(target == GL_TEXTURE_2D);
    // Names are used without being generated: the object is made here.
    backends::makeTexture(texture);
    layer.state.texture = texture;
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    assert(target == GL_TEXTURE_2D && level == 0 && border == 0 && type == GL_UNSIGNED_BYTE);
    const bool alpha = hasAlpha(internalFormat);
    // WebGL takes only pixels of the texture's own format.
    assert(format == (alpha ? GL_RGBA : GL_RGB));
    flush();
    backends::textureImage(layer.state.texture, alpha, width, height, format, type, pixels,
                           layer.client.unpacking);
}

void glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                     GLenum type, const GLvoid* pixels) {
    assert(target == GL_TEXTURE_2D && level == 0 && type == GL_UNSIGNED_BYTE);
    bytesPerPixel(format);
    flush();
    backends::textureSubImage(layer.state.texture, x, y, width, height, format, type, pixels,
                              layer.client.unpacking);
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    assert(target == GL_TEXTURE_2D);
    // WebGL has no border to clamp to; without a border colour that is
    // sampled, clamping to the edge gives the same texels.
    if (value == GL_CLAMP && (name == GL_TEXTURE_WRAP_S || name == GL_TEXTURE_WRAP_T)) value = GL_CLAMP_TO_EDGE;
    flush();
    backends::textureParameter(layer.state.texture, name, value);
}

void glTexParameterf(GLenum target, GLenum name, GLfloat value) {
    glTexParameteri(target, name, static_cast<GLint>(value));
}

void glTexEnvi(GLenum target, GLenum name, GLint value) {
    assert(target == GL_TEXTURE_ENV && name == GL_TEXTURE_ENV_MODE);
    assert(value == GL_MODULATE || value == GL_REPLACE);
    layer.state.textureEnvMode = static_cast<GLenum>(value);
}

void glCopyTexSubImage2D(GLenum target, GLint level, GLint toX, GLint toY, GLint x, GLint y, GLsizei width,
                         GLsizei height) {
    assert(target == GL_TEXTURE_2D && level == 0);
    flush();
    backends::copyToTexture(layer.state.texture, bufferOf(layer.state.readBuffer), toX, toY, x, y, width, height);
}

void glPixelStorei(GLenum name, GLint value) {
    switch (name) {
    case GL_UNPACK_ALIGNMENT:
        layer.client.unpacking.alignment = value;
        break;
    case GL_UNPACK_ROW_LENGTH:
        layer.client.unpacking.rowLength = value;
        break;
    case GL_PACK_ALIGNMENT:
        layer.client.packAlignment = value;
        break;
    default:
        assert(!"a pixel store mode the layer does not keep");
    }
}

void glDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
    assert(format == GL_RGBA && type == GL_UNSIGNED_BYTE);
    flush();
    backends::drawPixels(drawState(), width, height, pixels, layer.client.unpacking);
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels) {
    assert(type == GL_UNSIGNED_BYTE && width >= 0 && height >= 0);
    const int bytes = bytesPerPixel(format);
    flush();
    std::vector<unsigned char>& rgba = layer.pixels;
    rgba.resize(static_cast<std::size_t>(width) * height * 4);
    backends::readPixels(bufferOf(layer.state.readBuffer), x, y, width, height, rgba.data());
    // Rows padded to the pack alignment, as OpenGL stores them.
    const std::size_t alignment = static_cast<std::size_t>(layer.client.packAlignment);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * bytes;
    const std::size_t rowStride = (rowBytes + alignment - 1) / alignment * alignment;
    auto* out = static_cast<unsigned char*>(pixels);
    for (int row = 0; row < height; ++row) {
        const unsigned char* from = rgba.data() + static_cast<std::size_t>(row) * width * 4;
        unsigned char* to = out + row * rowStride;
        if (bytes == 4) {
            std::memcpy(to, from, rowBytes);
        } else {
            for (int i = 0; i < width; ++i) std::memcpy(to + i * 3, from + i * 4, 3);
        }
    }
}

void glReadBuffer(GLenum buffer) {
    bufferOf(buffer);
    layer.state.readBuffer = buffer;
}

void glDrawBuffer(GLenum buffer) {
    // The garden draws only into the back buffer.
    assert(buffer == GL_BACK);
    layer.state.drawBuffer = buffer;
}

void glPushAttrib(GLbitfield mask) {
    assert(layer.attributes.size() < attributeDepth);
    layer.attributes.push_back({mask, layer.state});
}

void glPopAttrib() {
    assert(!layer.attributes.empty());
    const SavedState saved = layer.attributes.back();
    layer.attributes.pop_back();
    const State& was = saved.state;
    State& s = layer.state;
    const GLbitfield mask = saved.mask;
    if (mask & GL_CURRENT_BIT) {
        std::copy(was.colour, was.colour + 4, s.colour);
        std::copy(was.normal, was.normal + 3, s.normal);
        std::copy(was.texCoord, was.texCoord + 2, s.texCoord);
    }
    if (mask & GL_ENABLE_BIT) {
        s.blend = was.blend;
        s.depthTest = was.depthTest;
        s.lighting = was.lighting;
        s.light0 = was.light0;
        s.texture2d = was.texture2d;
        s.dither = was.dither;
    }
    if (mask & GL_LIGHTING_BIT) {
        s.lighting = was.lighting;
        s.light0 = was.light0;
        s.light = was.light;
        s.shadeModel = was.shadeModel;
    }
    if (mask & GL_TEXTURE_BIT) {
        s.texture2d = was.texture2d;
        s.texture = was.texture;
        s.textureEnvMode = was.textureEnvMode;
    }
    if (mask & GL_TRANSFORM_BIT) s.matrixMode = was.matrixMode;
    if (mask & GL_VIEWPORT_BIT) {
        std::copy(was.viewport, was.viewport + 4, s.viewport);
        s.depthNear = was.depthNear;
        s.depthFar = was.depthFar;
    }
    if (mask & GL_COLOR_BUFFER_BIT) {
        s.blend = was.blend;
        s.blendSource = was.blendSource;
        s.blendDestination = was.blendDestination;
        s.drawBuffer = was.drawBuffer;
        std::copy(was.clearColour, was.clearColour + 4, s.clearColour);
    }
    if (mask & GL_DEPTH_BUFFER_BIT) {
        s.depthTest = was.depthTest;
        s.depthFunction = was.depthFunction;
        s.depthWrite = was.depthWrite;
    }
    if (mask & GL_PIXEL_MODE_BIT) s.readBuffer = was.readBuffer;
}

void glPushClientAttrib(GLbitfield mask) {
    assert(layer.clientAttributes.size() < attributeDepth);
    layer.clientAttributes.push_back({mask, layer.client});
}

void glPopClientAttrib() {
    assert(!layer.clientAttributes.empty());
    const SavedClientState saved = layer.clientAttributes.back();
    layer.clientAttributes.pop_back();
    if (saved.mask & GL_CLIENT_VERTEX_ARRAY_BIT) {
        layer.client.vertices = saved.state.vertices;
        layer.client.normals = saved.state.normals;
        layer.client.texCoords = saved.state.texCoords;
    }
    if (saved.mask & GL_CLIENT_PIXEL_STORE_BIT) {
        layer.client.unpacking = saved.state.unpacking;
        layer.client.packAlignment = saved.state.packAlignment;
    }
}

void glEnableClientState(GLenum array) { clientArray(array).enabled = true; }
void glDisableClientState(GLenum array) { clientArray(array).enabled = false; }

void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    assert(size == 3 && type == GL_FLOAT);
    layer.client.vertices = {layer.client.vertices.enabled, size, stride, pointer};
}

void glNormalPointer(GLenum type, GLsizei stride, const GLvoid* pointer) {
    assert(type == GL_FLOAT);
    layer.client.normals = {layer.client.normals.enabled, 3, stride, pointer};
}

void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    assert(size == 2 && type == GL_FLOAT);
    layer.client.texCoords = {layer.client.texCoords.enabled, size, stride, pointer};
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
    assert(type == GL_UNSIGNED_INT && count >= 0);
    assert(mode == GL_TRIANGLES || mode == GL_LINES);
    const ClientState& c = layer.client;
    assert(c.vertices.enabled);
    if (count == 0) return;
    const auto* index = static_cast<const std::uint32_t*>(indices);
    const std::uint32_t last = *std::max_element(index, index + count);
    // Each array element once, with the current values where an array is off.
    std::vector<ObjectVertex> elements(static_cast<std::size_t>(last) + 1);
    const State& s = layer.state;
    for (std::uint32_t n = 0; n <= last; ++n) {
        ObjectVertex& v = elements[n];
        std::copy(element(c.vertices, n), element(c.vertices, n) + 3, v.position);
        const float* normal = c.normals.enabled ? element(c.normals, n) : s.normal;
        std::copy(normal, normal + 3, v.normal);
        std::copy(s.colour, s.colour + 4, v.colour);
        const float* texCoord = c.texCoords.enabled ? element(c.texCoords, n) : s.texCoord;
        std::copy(texCoord, texCoord + 2, v.texCoord);
    }
    flush();
    shadeVertices(elements.data(), elements.size());
    backends::drawIndexed(drawState(), mode == GL_LINES ? webgl::Primitive::lines : webgl::Primitive::triangles,
                          layer.shaded.data(), static_cast<int>(layer.shaded.size()), index, count);
}

void glFinish() {
    flush();
    backends::finish();
}

const GLubyte* glGetString(GLenum name) { return webgl::string(name); }

}  // extern "C"
