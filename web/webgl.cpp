#include "web/webgl.h"

#include <GLES3/gl3.h>

#include <cassert>
#include <cstdio>
#include <unordered_map>

namespace webgl {

bool operator==(const DrawState& a, const DrawState& b) {
    return a.blend == b.blend && a.blendSource == b.blendSource && a.blendDestination == b.blendDestination &&
           a.depthTest == b.depthTest && a.depthFunction == b.depthFunction && a.depthWrite == b.depthWrite &&
           a.depthNear == b.depthNear && a.depthFar == b.depthFar && a.viewport[0] == b.viewport[0] &&
           a.viewport[1] == b.viewport[1] && a.viewport[2] == b.viewport[2] && a.viewport[3] == b.viewport[3] &&
           a.textureUse == b.textureUse && (a.textureUse == TextureUse::none || a.texture == b.texture);
}

namespace {

// Attribute locations, fixed in the shader.
constexpr GLuint positionAttribute = 0, colourAttribute = 1, texCoordAttribute = 2;

const char* const vertexShaderSource = R"(#version 300 es
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 texCoord;
out vec4 shadedColour;
out vec2 textureCoord;
void main() {
    gl_Position = position;
    shadedColour = colour;
    textureCoord = texCoord;
}
)";

// The texture functions of OpenGL 1.1's texture environment that the
// garden uses: 0 none, 1 GL_MODULATE, 2 GL_REPLACE on an RGB texture (the
// fragment keeps its alpha), 3 GL_REPLACE on an RGBA texture.
const char* const fragmentShaderSource = R"(#version 300 es
precision highp float;
uniform sampler2D picture;
uniform int textureFunction;
in vec4 shadedColour;
in vec2 textureCoord;
out vec4 fragmentColour;
void main() {
    vec4 colour = shadedColour;
    if (textureFunction == 1) colour *= texture(picture, textureCoord);
    else if (textureFunction == 2) colour.rgb = texture(picture, textureCoord).rgb;
    else if (textureFunction == 3) colour = texture(picture, textureCoord);
    fragmentColour = colour;
}
)";

struct Texture {
    GLuint id = 0;
    bool hasAlpha = false;
};

struct Window {
    int width = 0, height = 0;
    GLuint program = 0;
    GLint textureFunction = -1;
    GLuint vertexArray = 0, vertexBuffer = 0, indexBuffer = 0;
    GLuint backBuffer = 0, backColour = 0, backDepth = 0;
    GLuint frontBuffer = 0, frontColour = 0;
    GLuint pixelTexture = 0;  // what glDrawPixels shows
    std::unordered_map<unsigned, Texture> textures;
    DrawState applied;
    bool anyApplied = false;
};
Window window;

GLuint compile(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[1024] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "GL layer: a shader does not compile: %s\n", log);
    }
    assert(ok == GL_TRUE);
    return shader;
}

void makeProgram() {
    window.program = glCreateProgram();
    glAttachShader(window.program, compile(GL_VERTEX_SHADER, vertexShaderSource));
    glAttachShader(window.program, compile(GL_FRAGMENT_SHADER, fragmentShaderSource));
    glLinkProgram(window.program);
    GLint ok = GL_FALSE;
    glGetProgramiv(window.program, GL_LINK_STATUS, &ok);
    assert(ok == GL_TRUE);
    glUseProgram(window.program);
    glUniform1i(glGetUniformLocation(window.program, "picture"), 0);
    window.textureFunction = glGetUniformLocation(window.program, "textureFunction");

    glGenVertexArrays(1, &window.vertexArray);
    glBindVertexArray(window.vertexArray);
    glGenBuffers(1, &window.vertexBuffer);
    glGenBuffers(1, &window.indexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, window.vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, window.indexBuffer);
    const GLsizei stride = sizeof(Vertex);
    glEnableVertexAttribArray(positionAttribute);
    glVertexAttribPointer(positionAttribute, 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, position)));
    glEnableVertexAttribArray(colourAttribute);
    glVertexAttribPointer(colourAttribute, 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, colour)));
    glEnableVertexAttribArray(texCoordAttribute);
    glVertexAttribPointer(texCoordAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, texCoord)));
}

GLuint makeRenderbuffer(GLenum format, int width, int height) {
    GLuint buffer = 0;
    glGenRenderbuffers(1, &buffer);
    glBindRenderbuffer(GL_RENDERBUFFER, buffer);
    glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
    return buffer;
}

GLuint makeFramebuffer(GLuint colour, GLuint depth) {
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    if (depth != 0) glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    assert(glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE);
    return framebuffer;
}

GLuint framebufferOf(Buffer buffer) { return buffer == Buffer::front ? window.frontBuffer : window.backBuffer; }

Texture& textureNamed(unsigned name) {
    Texture& texture = window.textures[name];
    // WebGL's new texture has OpenGL 1.1's defaults: repeat, and the same
    // filters.
    if (texture.id == 0) glGenTextures(1, &texture.id);
    return texture;
}

void bindTexture(unsigned name) { glBindTexture(GL_TEXTURE_2D, textureNamed(name).id); }

void unpack(const Unpacking& unpacking) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpacking.alignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, unpacking.rowLength);
}

void setCapability(GLenum capability, bool on) { (on ? glEnable : glDisable)(capability); }

// Brings WebGL's state to what the draw needs, touching only what changed.
void apply(const DrawState& state) {
    const DrawState& was = window.applied;
    const bool all = !window.anyApplied;
    if (all || state.blend != was.blend) setCapability(GL_BLEND, state.blend);
    if (all || state.blendSource != was.blendSource || state.blendDestination != was.blendDestination)
        glBlendFunc(state.blendSource, state.blendDestination);
    if (all || state.depthTest != was.depthTest) setCapability(GL_DEPTH_TEST, state.depthTest);
    if (all || state.depthFunction != was.depthFunction) glDepthFunc(state.depthFunction);
    if (all || state.depthWrite != was.depthWrite) glDepthMask(state.depthWrite ? GL_TRUE : GL_FALSE);
    if (all || state.depthNear != was.depthNear || state.depthFar != was.depthFar)
        glDepthRangef(state.depthNear, state.depthFar);
    if (all || state.viewport[0] != was.viewport[0] || state.viewport[1] != was.viewport[1] ||
        state.viewport[2] != was.viewport[2] || state.viewport[3] != was.viewport[3])
        glViewport(state.viewport[0], state.viewport[1], state.viewport[2], state.viewport[3]);
    int function = 0;
    if (state.textureUse != TextureUse::none) {
        const Texture& texture = textureNamed(state.texture);
        glBindTexture(GL_TEXTURE_2D, texture.id);
        function = state.textureUse == TextureUse::modulate ? 1 : texture.hasAlpha ? 3 : 2;
    }
    glUniform1i(window.textureFunction, function);
    window.applied = state;
    window.anyApplied = true;
}

GLenum modeOf(Primitive primitive) { return primitive == Primitive::lines ? GL_LINES : GL_TRIANGLES; }

}  // namespace

void openWindowBuffers(int width, int height) {
    assert(width > 0 && height > 0);
    window.width = width;
    window.height = height;
    makeProgram();
    window.backColour = makeRenderbuffer(GL_RGBA8, width, height);
    window.backDepth = makeRenderbuffer(GL_DEPTH_COMPONENT24, width, height);
    window.backBuffer = makeFramebuffer(window.backColour, window.backDepth);
    window.frontColour = makeRenderbuffer(GL_RGBA8, width, height);
    window.frontBuffer = makeFramebuffer(window.frontColour, 0);
    glGenTextures(1, &window.pixelTexture);
    glBindTexture(GL_TEXTURE_2D, window.pixelTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // Everything is drawn into the back buffer; the window's own buffer
    // only ever receives whole frames.
    glBindFramebuffer(GL_FRAMEBUFFER, window.backBuffer);
    glViewport(0, 0, width, height);
    const float white[4] = {1, 1, 1, 1};
    clear(true, true, white, true);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.frontBuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, window.frontBuffer);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, window.backBuffer);
}

void draw(const DrawState& state, Primitive primitive, const Vertex* vertices, int count) {
    if (count == 0) return;
    apply(state);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(Vertex)), vertices, GL_STREAM_DRAW);
    glDrawArrays(modeOf(primitive), 0, count);
}

void drawIndexed(const DrawState& state, Primitive primitive, const Vertex* vertices, int vertexCount,
                 const std::uint32_t* indices, int indexCount) {
    if (indexCount == 0) return;
    apply(state);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount * sizeof(Vertex)), vertices, GL_STREAM_DRAW);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexCount * sizeof(std::uint32_t)), indices,
                 GL_STREAM_DRAW);
    glDrawElements(modeOf(primitive), indexCount, GL_UNSIGNED_INT, nullptr);
}

void drawPixels(const DrawState& state, int width, int height, const void* rgba, const Unpacking& unpacking) {
    if (width <= 0 || height <= 0) return;
    glBindTexture(GL_TEXTURE_2D, window.pixelTexture);
    unpack(unpacking);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    DrawState pixels = state;
    pixels.textureUse = TextureUse::none;
    apply(pixels);
    glBindTexture(GL_TEXTURE_2D, window.pixelTexture);
    glUniform1i(window.textureFunction, 3);
    // The rectangle's corners in clip coordinates, at window depth 0.
    const int* v = state.viewport;
    const float left = -1 - 2.0f * static_cast<float>(v[0]) / static_cast<float>(v[2]);
    const float bottom = -1 - 2.0f * static_cast<float>(v[1]) / static_cast<float>(v[3]);
    const float right = left + 2.0f * static_cast<float>(width) / static_cast<float>(v[2]);
    const float top = bottom + 2.0f * static_cast<float>(height) / static_cast<float>(v[3]);
    const float z = state.depthFar == state.depthNear
                        ? -1
                        : (0 - state.depthNear) * 2 / (state.depthFar - state.depthNear) - 1;
    const Vertex corners[6] = {
        {{left, bottom, z, 1}, {1, 1, 1, 1}, {0, 0}}, {{right, bottom, z, 1}, {1, 1, 1, 1}, {1, 0}},
        {{right, top, z, 1}, {1, 1, 1, 1}, {1, 1}},   {{left, bottom, z, 1}, {1, 1, 1, 1}, {0, 0}},
        {{right, top, z, 1}, {1, 1, 1, 1}, {1, 1}},   {{left, top, z, 1}, {1, 1, 1, 1}, {0, 1}},
    };
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STREAM_DRAW);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    // The next draw sets the texture function again.
    window.anyApplied = false;
}

void clear(bool colour, bool depth, const float clearColour[4], bool depthWrite) {
    if (!colour && !depth) return;
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    glDepthMask(depthWrite ? GL_TRUE : GL_FALSE);
    window.applied.depthWrite = depthWrite;
    glClear((colour ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT : 0));
}

void makeTexture(unsigned name) { textureNamed(name); }

void textureImage(unsigned name, bool hasAlpha, int width, int height, unsigned format, unsigned type,
                  const void* pixels, const Unpacking& unpacking) {
    Texture& texture = textureNamed(name);
    texture.hasAlpha = hasAlpha;
    glBindTexture(GL_TEXTURE_2D, texture.id);
    unpack(unpacking);
    glTexImage2D(GL_TEXTURE_2D, 0, hasAlpha ? GL_RGBA8 : GL_RGB8, width, height, 0, format, type, pixels);
}

void textureSubImage(unsigned name, int x, int y, int width, int height, unsigned format, unsigned type,
                     const void* pixels, const Unpacking& unpacking) {
    bindTexture(name);
    unpack(unpacking);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, format, type, pixels);
}

void textureParameter(unsigned name, unsigned parameter, int value) {
    bindTexture(name);
    glTexParameteri(GL_TEXTURE_2D, parameter, value);
}

void copyToTexture(unsigned name, Buffer from, int toX, int toY, int x, int y, int width, int height) {
    bindTexture(name);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebufferOf(from));
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, toX, toY, x, y, width, height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.backBuffer);
}

void readPixels(Buffer from, int x, int y, int width, int height, unsigned char* rgba) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebufferOf(from));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.backBuffer);
}

void present() {
    const int w = window.width, h = window.height;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.backBuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, window.frontBuffer);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, window.backBuffer);
}

// WebGL's finish() returns at once; reading a pixel back is the one call
// that waits for every command before it, as glFinish promises.
void finish() {
    unsigned char pixel[4];
    readPixels(Buffer::back, 0, 0, 1, 1, pixel);
}

const unsigned char* string(unsigned name) { return glGetString(name); }

}  // namespace webgl
