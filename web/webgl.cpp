#include "web/webgl.h"

#include <GLES3/gl3.h>
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace webgl {

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
// garden uses, one program each: a software rasteriser runs every branch of
// a shader that chooses by a uniform, so one shader for all would sample
// the texture for every fragment, textured or not. GL_REPLACE on an RGB
// texture keeps the fragment's alpha. Every texture is kept as RGBA, since
// WebGL copies the window into an RGB texture pixel by pixel; an RGB
// texture's texels have alpha 1, so its stored alpha is never read.
enum TextureFunction { untextured, modulateRgb, modulateRgba, replaceRgb, replaceRgba, textureFunctions };

const char* const fragmentShaderHead = R"(#version 300 es
precision highp float;
uniform sampler2D picture;
in vec4 shadedColour;
in vec2 textureCoord;
out vec4 fragmentColour;
void main() {
    vec4 colour = shadedColour;
)";
const char* const fragmentShaderBodies[textureFunctions] = {
    "",
    "    colour.rgb *= texture(picture, textureCoord).rgb;\n",
    "    colour *= texture(picture, textureCoord);\n",
    "    colour.rgb = texture(picture, textureCoord).rgb;\n",
    "    colour = texture(picture, textureCoord);\n",
};
const char* const fragmentShaderTail = "    fragmentColour = colour;\n}\n";

struct Texture {
    GLuint id = 0;
    bool hasAlpha = false;
    int width = 0, height = 0;
    GLuint framebuffer = 0;  // made when something is drawn straight into it or read
    // Which texels it holds: a number the page never gives twice, new with
    // every change (see "What the GPU holds" below); 0 before any image.
    unsigned generation = 0;
    // Its parameters, for a texture made again after the garden's memory
    // was put back.
    int minFilter = GL_NEAREST_MIPMAP_LINEAR, magFilter = GL_LINEAR, wrapS = GL_REPEAT, wrapT = GL_REPEAT;
    // Whether it mirrors texels the layer above keeps (see mirrorTexture).
    bool mirror = false;
};

// What the vertex and index buffers hold at first; a larger draw doubles them.
constexpr GLsizeiptr startingBufferBytes = GLsizeiptr{1} << 20;

struct Window {
    int width = 0, height = 0;
    GLuint programs[textureFunctions] = {};
    TextureFunction usedFunction = untextured;
    GLuint vertexArray = 0, vertexBuffer = 0, indexBuffer = 0;
    GLsizeiptr vertexBufferBytes = 0, indexBufferBytes = 0;
    // Two colour buffers over one depth buffer: a swap exchanges their roles,
    // so the front buffer never needs a copy.
    GLuint backBuffer = 0, frontBuffer = 0, depth = 0;
    GLuint backColour = 0, frontColour = 0;  // textures, so a swap can draw them
    GLuint pixelTexture = 0;                 // what glDrawPixels shows
    GLuint shownTexture = 0;                 // the software frame the canvas shows
    std::unordered_map<unsigned, Texture> textures;
    GLuint boundTexture = 0;
    DrawState applied;
    bool anyApplied = false;
    std::vector<unsigned char> rgba;  // RGB pixels widened for an RGBA texture
    // Whether the front buffer holds the whole of the last frame: not after
    // a frame rasterised only where it was read back.
    bool frontWhole = true;
};
Window window;

// ---- What the GPU holds -----------------------------------------------------
// The page can put the garden's memory back as it was at an earlier moment
// (web/snapshot.cpp); what lives on the GPU stays as it is. So the page
// keeps, outside that memory, which texels each texture on the GPU holds
// (Module.layerTextures: texture id to { generation, framebuffer }), and
// copies of texels the GPU no longer holds but a kept moment needs
// (Module.layerTextureCopies: generation to { width, height, rgba }).
// Generations come from a counter outside memory, so no two contents ever
// share one, whatever moment the memory was put back to.

EM_JS(unsigned, layerTextureChanged, (unsigned id), {
    const generation = (Module['layerGeneration'] = (Module['layerGeneration'] || 0) + 1);
    const textures = (Module['layerTextures'] = Module['layerTextures'] || new Map());
    const held = textures.get(id) || {framebuffer : 0};
    held.generation = generation;
    textures.set(id, held);
    return generation;
});
EM_JS(void, layerTextureHolds, (unsigned id, unsigned generation),
      { Module['layerTextures'].get(id).generation = generation; });
EM_JS(void, layerTextureFramebuffer, (unsigned id, unsigned framebuffer), {
    const textures = (Module['layerTextures'] = Module['layerTextures'] || new Map());
    const held = textures.get(id) || {generation : 0};
    held.framebuffer = framebuffer;
    textures.set(id, held);
});
// Whether texels of this generation must be copied before they change:
// a kept moment needs them and the page has no copy yet.
// atMoment: for a moment being kept, which needs copies of every texture
// changed since the garden started; otherwise, before a change, for the
// texels the garden's start holds.
EM_JS(int, layerWantsCopy, (unsigned generation, int atMoment), {
    const copies = Module['layerTextureCopies'];
    if (!copies || copies.has(generation)) return 0;
    const atStart = Module['layerStartGenerations'];
    if (atMoment) return atStart && !atStart.has(generation) ? 1 : 0;
    return atStart && atStart.has(generation) ? 1 : 0;
});
// A copy holds the rectangle of texels that are not all zero, which is
// what a texture made from nothing holds elsewhere: most of the plan's
// texture lies beyond the window.
EM_JS(void, layerKeepCopy, (unsigned generation, int width, int height, const unsigned char* rgba), {
    const texels = HEAPU32.subarray(rgba >> 2, (rgba >> 2) + width * height);
    let left = width, right = -1, bottom = height, top = -1;
    for (let y = 0; y < height; ++y) {
        const row = texels.subarray(y * width, (y + 1) * width);
        let first = 0;
        while (first < width && row[first] == 0) ++first;
        if (first == width) continue;
        let last = width - 1;
        while (row[last] == 0) --last;
        left = Math.min(left, first);
        right = Math.max(right, last);
        bottom = Math.min(bottom, y);
        top = y;
    }
    const box = right < 0 ? [ 0, 0, 0, 0 ] : [ left, bottom, right + 1 - left, top + 1 - bottom ];
    const part = new Uint8Array(box[2] * box[3] * 4);
    for (let y = 0; y < box[3]; ++y) {
        const from = rgba + ((box[1] + y) * width + box[0]) * 4;
        part.set(HEAPU8.subarray(from, from + box[2] * 4), y * box[2] * 4);
    }
    Module['layerTextureCopies'].set(generation, {box : box, rgba : part});
});
// After the memory was put back: whether the GPU's texture `id` holds
// `generation`; its framebuffer there (0 for none, or for no such texture).
EM_JS(int, layerHolds, (unsigned id, unsigned generation), {
    const held = Module['layerTextures'] && Module['layerTextures'].get(id);
    return held && held.generation == generation ? 1 : 0;
});
// Whether the GPU holds texture `id` for this garden: for a moment kept by
// another start of the page, only the textures its start made.
EM_JS(int, layerHasTexture, (unsigned id, int fromElsewhere), {
    if (fromElsewhere && !(Module['layerStartTextures'] && Module['layerStartTextures'].has(id))) return 0;
    return Module['layerTextures'] && Module['layerTextures'].has(id) ? 1 : 0;
});
EM_JS(unsigned, layerFramebufferOf, (unsigned id), {
    const held = Module['layerTextures'] && Module['layerTextures'].get(id);
    return held ? held.framebuffer : 0;
});
// The copy of a generation's texels, into memory the caller frees, and
// their rectangle into box (x, y, width, height); 0 when the page has none.
EM_JS(unsigned char*, layerCopyOf, (unsigned generation, int* box), {
    const copy = Module['layerTextureCopies'] && Module['layerTextureCopies'].get(generation);
    if (!copy) return 0;
    HEAP32.set(copy.box, box >> 2);
    const at = _malloc(Math.max(1, copy.rgba.length));
    HEAPU8.set(copy.rgba, at);
    return at;
});
// The GPU's textures the memory no longer names go, with their framebuffers.
EM_JS(void, layerForgetTexturesBut, (const unsigned* ids, int count), {
    const kept = new Set(HEAPU32.subarray(ids >> 2, (ids >> 2) + count));
    const textures = Module['layerTextures'];
    if (!textures) return;
    textures.forEach(function(held, id) {
        if (kept.has(id)) return;
        if (held.framebuffer) {
            GLctx.deleteFramebuffer(GL.framebuffers[held.framebuffer]);
            GL.framebuffers[held.framebuffer] = null;
        }
        GLctx.deleteTexture(GL.textures[id]);
        GL.textures[id] = null;
        textures.delete(id);
    });
});

// Frames rasterised on demand: a frame that no one will see is drawn only
// where something reads its back buffer, and only when it does. Its clears
// and draws wait here; a read of a rectangle carries them out with the
// scissor on that rectangle, so every pixel read is exactly what the whole
// frame would have made there, and the rest is never filled.
struct WaitingDraw {
    DrawState state;
    Primitive primitive = Primitive::triangles;
    std::vector<Vertex> vertices;
    std::vector<std::uint32_t> indices;  // empty for a plain draw
    bool clearing = false;               // a clear, of these buffers, with these values
    bool clearColour = false, clearDepth = false, clearDepthWrite = true;
    float clearValue[4] = {0, 0, 0, 0};
};
struct OnDemand {
    bool on = false;
    std::vector<WaitingDraw> waiting;
    // The rectangle the frame has been carried out in so far: x, y, width,
    // height; width 0 while nothing has.
    int done[4] = {0, 0, 0, 0};
    // Set once a frame had to be carried out whole after all.
    bool whole = false;
};
OnDemand onDemand;

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

GLuint link(GLuint vertexShader, TextureFunction function) {
    const std::string source =
        std::string(fragmentShaderHead) + fragmentShaderBodies[function] + fragmentShaderTail;
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, source.c_str()));
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    assert(ok == GL_TRUE);
    glUseProgram(program);
    if (function != untextured) glUniform1i(glGetUniformLocation(program, "picture"), 0);
    return program;
}

void makePrograms() {
    const GLuint vertexShader = compile(GL_VERTEX_SHADER, vertexShaderSource);
    for (int function = 0; function < textureFunctions; ++function)
        window.programs[function] = link(vertexShader, static_cast<TextureFunction>(function));
    glUseProgram(window.programs[untextured]);

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

void useFunction(TextureFunction function) {
    if (function == window.usedFunction) return;
    glUseProgram(window.programs[function]);
    window.usedFunction = function;
}

// Fills the start of a buffer that lives as long as the window: a WebGL
// buffer made anew for every draw costs an allocation in the GPU process
// each time. It grows, to a power of two, only for a larger draw.
void fill(GLenum target, GLsizeiptr& capacity, const void* data, GLsizeiptr bytes) {
    if (bytes > capacity) {
        capacity = std::max(capacity, startingBufferBytes);
        while (capacity < bytes) capacity *= 2;
        glBufferData(target, capacity, nullptr, GL_DYNAMIC_DRAW);
    }
    glBufferSubData(target, 0, bytes, data);
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
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    assert(glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE);
    return framebuffer;
}

// A texture of width x height RGBA texels, sampled nearest.
GLuint makeColourTexture(int width, int height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexStorage2D(GL_TEXTURE_2D, 1, GL_RGBA8, width, height);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

GLuint framebufferOf(Buffer buffer) { return buffer == Buffer::front ? window.frontBuffer : window.backBuffer; }

void bindTextureId(GLuint id) {
    if (id == window.boundTexture) return;
    glBindTexture(GL_TEXTURE_2D, id);
    window.boundTexture = id;
}

Texture& textureNamed(unsigned name) {
    Texture& texture = window.textures[name];
    // WebGL's new texture has OpenGL 1.1's defaults: repeat, and the same
    // filters.
    if (texture.id == 0) {
        glGenTextures(1, &texture.id);
        layerTextureFramebuffer(texture.id, 0);
    }
    return texture;
}

// The texture's framebuffer, for drawing into it or reading it.
GLuint framebufferOfTexture(Texture& texture) {
    if (texture.framebuffer == 0) {
        glGenFramebuffers(1, &texture.framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, texture.framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture.id, 0);
        assert(glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE);
        glBindFramebuffer(GL_FRAMEBUFFER, window.backBuffer);
        layerTextureFramebuffer(texture.id, texture.framebuffer);
    }
    return texture.framebuffer;
}

// Hands the page a copy of the texels the texture holds now.
void keepCopy(Texture& texture) {
    std::vector<unsigned char> rgba(static_cast<std::size_t>(texture.width) * texture.height * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebufferOfTexture(texture));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, texture.width, texture.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.backBuffer);
    layerKeepCopy(texture.generation, texture.width, texture.height, rgba.data());
}

// Whether the page must be handed a copy of the texels before they change
// (atMoment: for a moment being kept). Never for a mirror: the layer above
// keeps those texels in the garden's memory and gives them again.
bool wantsCopy(const Texture& texture, int atMoment) {
    return !texture.mirror && texture.generation != 0 && texture.width > 0 &&
           layerWantsCopy(texture.generation, atMoment);
}

// Before the texels change: the page gets a copy of them where it needs
// one, and the texture a new generation.
void changing(Texture& texture) {
    if (wantsCopy(texture, 0)) keepCopy(texture);
    texture.generation = layerTextureChanged(texture.id);
}

void bindTexture(unsigned name) { bindTextureId(textureNamed(name).id); }

void unpack(const Unpacking& unpacking) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpacking.alignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, unpacking.rowLength);
}

// Pixels in the texture's RGBA, tightly packed, for pixels given as format
// under the client's unpacking: RGBA as they are, RGB widened with alpha 1.
// Returns the pixels to upload and sets the unpacking that reads them.
const void* asRgba(unsigned format, int width, int height, const void* pixels, Unpacking& unpacking) {
    if (format == GL_RGBA || pixels == nullptr) return pixels;
    assert(format == GL_RGB);
    const std::size_t rowPixels = static_cast<std::size_t>(unpacking.rowLength > 0 ? unpacking.rowLength : width);
    const std::size_t alignment = static_cast<std::size_t>(unpacking.alignment);
    const std::size_t rowStride = (rowPixels * 3 + alignment - 1) / alignment * alignment;
    window.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    const auto* from = static_cast<const unsigned char*>(pixels);
    unsigned char* to = window.rgba.data();
    for (int row = 0; row < height; ++row) {
        const unsigned char* in = from + row * rowStride;
        for (int i = 0; i < width; ++i, in += 3, to += 4) {
            to[0] = in[0];
            to[1] = in[1];
            to[2] = in[2];
            to[3] = 255;
        }
    }
    unpacking = Unpacking{4, 0};
    return window.rgba.data();
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
    TextureFunction function = untextured;
    if (state.textureUse != TextureUse::none) {
        const Texture& texture = textureNamed(state.texture);
        bindTextureId(texture.id);
        if (state.textureUse == TextureUse::modulate)
            function = texture.hasAlpha ? modulateRgba : modulateRgb;
        else
            function = texture.hasAlpha ? replaceRgba : replaceRgb;
    }
    useFunction(function);
    window.applied = state;
    window.anyApplied = true;
}

GLenum modeOf(Primitive primitive) { return primitive == Primitive::lines ? GL_LINES : GL_TRIANGLES; }

}  // namespace

void openWindowBuffers(int width, int height) {
    assert(width > 0 && height > 0);
    window.width = width;
    window.height = height;
    makePrograms();
    window.depth = makeRenderbuffer(GL_DEPTH_COMPONENT24, width, height);
    window.frontColour = makeColourTexture(width, height);
    window.frontBuffer = makeFramebuffer(window.frontColour, window.depth);
    window.backColour = makeColourTexture(width, height);
    window.backBuffer = makeFramebuffer(window.backColour, window.depth);
    glGenTextures(1, &window.pixelTexture);
    bindTextureId(window.pixelTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    window.shownTexture = makeColourTexture(width, height);
    // Pictures handed over go to the canvas as they are.
    glDisable(GL_DITHER);
    // Everything is drawn into the back buffer; the window's own buffer
    // only ever receives whole frames.
    glViewport(0, 0, width, height);
    const float white[4] = {1, 1, 1, 1};
    glBindFramebuffer(GL_FRAMEBUFFER, window.frontBuffer);
    clear(true, false, white, true);
    glBindFramebuffer(GL_FRAMEBUFFER, window.backBuffer);
    clear(true, true, white, true);
}

namespace {

void drawNow(const DrawState& state, Primitive primitive, const Vertex* vertices, int count) {
    apply(state);
    fill(GL_ARRAY_BUFFER, window.vertexBufferBytes, vertices, static_cast<GLsizeiptr>(count * sizeof(Vertex)));
    glDrawArrays(modeOf(primitive), 0, count);
}

void drawIndexedNow(const DrawState& state, Primitive primitive, const Vertex* vertices, int vertexCount,
                    const std::uint32_t* indices, int indexCount) {
    apply(state);
    fill(GL_ARRAY_BUFFER, window.vertexBufferBytes, vertices,
         static_cast<GLsizeiptr>(vertexCount * sizeof(Vertex)));
    fill(GL_ELEMENT_ARRAY_BUFFER, window.indexBufferBytes, indices,
         static_cast<GLsizeiptr>(indexCount * sizeof(std::uint32_t)));
    glDrawElements(modeOf(primitive), indexCount, GL_UNSIGNED_INT, nullptr);
}

void clearNow(bool colour, bool depth, const float clearColour[4], bool depthWrite) {
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    glDepthMask(depthWrite ? GL_TRUE : GL_FALSE);
    window.applied.depthWrite = depthWrite;
    glClear((colour ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT : 0));
}

void carryOut(const WaitingDraw& w) {
    if (w.clearing)
        clearNow(w.clearColour, w.clearDepth, w.clearValue, w.clearDepthWrite);
    else if (w.indices.empty())
        drawNow(w.state, w.primitive, w.vertices.data(), static_cast<int>(w.vertices.size()));
    else
        drawIndexedNow(w.state, w.primitive, w.vertices.data(), static_cast<int>(w.vertices.size()),
                       w.indices.data(), static_cast<int>(w.indices.size()));
}

// Carries out what waits, within the rectangle (x, y, width, height) of
// the back buffer that is about to be read; or, with no rectangle, whole.
void carryOutWaiting(const int* rectangle) {
    if (!onDemand.on || onDemand.whole) return;
    const int* done = onDemand.done;
    if (rectangle == nullptr) {
        // Whole, from here on: possible only while nothing was carried out
        // in part, which would leave the rest of the frame behind.
        assert(done[2] == 0);
        onDemand.whole = true;
    } else if (done[2] != 0) {
        // A second read of the same frame: what it reads must lie within the
        // part already made, where what came since is carried out too.
        assert(rectangle[0] >= done[0] && rectangle[1] >= done[1] &&
               rectangle[0] + rectangle[2] <= done[0] + done[2] &&
               rectangle[1] + rectangle[3] <= done[1] + done[3]);
        rectangle = done;
    }
    if (rectangle) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(rectangle[0], rectangle[1], rectangle[2], rectangle[3]);
    }
    for (const WaitingDraw& w : onDemand.waiting) carryOut(w);
    onDemand.waiting.clear();
    if (rectangle) {
        glDisable(GL_SCISSOR_TEST);
        std::copy(rectangle, rectangle + 4, onDemand.done);
    }
}

// Whether a draw waits for a read rather than being carried out now.
bool waits() { return onDemand.on && !onDemand.whole; }

}  // namespace

namespace {

// Keeps a draw, with copies of its vertices and indices, until a read.
void waitFor(const DrawState& state, Primitive primitive, const Vertex* vertices, int vertexCount,
             const std::uint32_t* indices = nullptr, int indexCount = 0) {
    WaitingDraw w;
    w.state = state;
    w.primitive = primitive;
    w.vertices.assign(vertices, vertices + vertexCount);
    if (indices) w.indices.assign(indices, indices + indexCount);
    onDemand.waiting.push_back(std::move(w));
}

}  // namespace

void draw(const DrawState& state, Primitive primitive, const Vertex* vertices, int count) {
    if (count == 0) return;
    if (!waits()) return drawNow(state, primitive, vertices, count);
    waitFor(state, primitive, vertices, count);
}

void drawIndexed(const DrawState& state, Primitive primitive, const Vertex* vertices, int vertexCount,
                 const std::uint32_t* indices, int indexCount) {
    if (indexCount == 0) return;
    if (!waits()) return drawIndexedNow(state, primitive, vertices, vertexCount, indices, indexCount);
    waitFor(state, primitive, vertices, vertexCount, indices, indexCount);
}

void rasteriseOnDemand(bool on) {
    assert(onDemand.waiting.empty());
    onDemand = OnDemand{};
    onDemand.on = on;
}

void drawPixels(const DrawState& state, int width, int height, const void* rgba, const Unpacking& unpacking) {
    if (width <= 0 || height <= 0) return;
    // Rare, and large: such a frame is made whole.
    carryOutWaiting(nullptr);
    bindTextureId(window.pixelTexture);
    unpack(unpacking);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    DrawState pixels = state;
    pixels.textureUse = TextureUse::none;
    apply(pixels);
    useFunction(replaceRgba);
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
    fill(GL_ARRAY_BUFFER, window.vertexBufferBytes, corners, sizeof corners);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    // The next draw binds its own texture and program again.
    window.anyApplied = false;
    useFunction(untextured);
}

void clear(bool colour, bool depth, const float clearColour[4], bool depthWrite) {
    if (!colour && !depth) return;
    if (!waits()) return clearNow(colour, depth, clearColour, depthWrite);
    WaitingDraw w;
    w.clearing = true;
    w.clearColour = colour;
    w.clearDepth = depth;
    w.clearDepthWrite = depthWrite;
    std::copy(clearColour, clearColour + 4, w.clearValue);
    onDemand.waiting.push_back(std::move(w));
}

void makeTexture(unsigned name) { textureNamed(name); }

void textureImage(unsigned name, bool hasAlpha, int width, int height, unsigned format, unsigned type,
                  const void* pixels, const Unpacking& unpacking) {
    Texture& texture = textureNamed(name);
    changing(texture);
    texture.hasAlpha = hasAlpha;
    texture.width = width;
    texture.height = height;
    bindTextureId(texture.id);
    Unpacking reading = unpacking;
    const void* rgba = asRgba(format, width, height, pixels, reading);
    unpack(reading);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, type, rgba);
}

void textureSubImage(unsigned name, int x, int y, int width, int height, unsigned format, unsigned type,
                     const void* pixels, const Unpacking& unpacking) {
    changing(textureNamed(name));
    bindTexture(name);
    Unpacking reading = unpacking;
    const void* rgba = asRgba(format, width, height, pixels, reading);
    unpack(reading);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_RGBA, type, rgba);
}

void mirrorTexture(unsigned name, bool on) { textureNamed(name).mirror = on; }

void textureParameter(unsigned name, unsigned parameter, int value) {
    Texture& texture = textureNamed(name);
    if (parameter == GL_TEXTURE_MIN_FILTER) texture.minFilter = value;
    if (parameter == GL_TEXTURE_MAG_FILTER) texture.magFilter = value;
    if (parameter == GL_TEXTURE_WRAP_S) texture.wrapS = value;
    if (parameter == GL_TEXTURE_WRAP_T) texture.wrapT = value;
    bindTexture(name);
    glTexParameteri(GL_TEXTURE_2D, parameter, value);
}

void copyToTexture(unsigned name, Buffer from, int toX, int toY, int x, int y, int width, int height) {
    // Into RGBA from RGBA: WebGL's copy between the same formats is a plain
    // copy, where an RGB texture would be converted pixel by pixel.
    assert(from == Buffer::back || window.frontWhole);
    if (from == Buffer::back) {
        const int rectangle[4] = {x, y, width, height};
        carryOutWaiting(rectangle);
    }
    changing(textureNamed(name));
    bindTexture(name);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebufferOf(from));
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, toX, toY, x, y, width, height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.backBuffer);
}

void readPixels(Buffer from, int x, int y, int width, int height, unsigned char* rgba) {
    assert(from == Buffer::back || window.frontWhole);
    if (from == Buffer::back) {
        const int rectangle[4] = {x, y, width, height};
        carryOutWaiting(rectangle);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebufferOf(from));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.backBuffer);
}

// What was drawn is the front buffer now; the old front buffer, whose
// colours OpenGL leaves undefined after a swap, takes the next frame.
static void swapColourBuffers() {
    // What still waits is never read: the frame is done with.
    window.frontWhole = !onDemand.on || onDemand.whole;
    const bool on = onDemand.on;
    onDemand = OnDemand{};
    onDemand.on = on;
    std::swap(window.backBuffer, window.frontBuffer);
    std::swap(window.backColour, window.frontColour);
    glBindFramebuffer(GL_FRAMEBUFFER, window.backBuffer);
}

// Shows a texture of the window's size on the canvas.
static void show(GLuint texture) {
    assert(!onDemand.on);
    // Drawn as a rectangle of texels, one per pixel: a software rasteriser
    // does that quicker than a blit.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    setCapability(GL_BLEND, false);
    setCapability(GL_DEPTH_TEST, false);
    glViewport(0, 0, window.width, window.height);
    bindTextureId(texture);
    useFunction(replaceRgba);
    const Vertex corners[6] = {
        {{-1, -1, 0, 1}, {1, 1, 1, 1}, {0, 0}}, {{1, -1, 0, 1}, {1, 1, 1, 1}, {1, 0}},
        {{1, 1, 0, 1}, {1, 1, 1, 1}, {1, 1}},   {{-1, -1, 0, 1}, {1, 1, 1, 1}, {0, 0}},
        {{1, 1, 0, 1}, {1, 1, 1, 1}, {1, 1}},   {{-1, 1, 0, 1}, {1, 1, 1, 1}, {0, 1}},
    };
    fill(GL_ARRAY_BUFFER, window.vertexBufferBytes, corners, sizeof corners);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    window.anyApplied = false;
}

void present() {
    show(window.backColour);
    swapColourBuffers();
}

void presentPixels(const unsigned char* rgba, const int changed[4]) {
    if (changed[2] > 0 && changed[3] > 0) {
        bindTextureId(window.shownTexture);
        unpack(Unpacking{4, window.width});
        const std::size_t first = (static_cast<std::size_t>(changed[1]) * window.width + changed[0]) * 4;
        glTexSubImage2D(GL_TEXTURE_2D, 0, changed[0], changed[1], changed[2], changed[3], GL_RGBA,
                        GL_UNSIGNED_BYTE, rgba + first);
    }
    show(window.shownTexture);
    swapColourBuffers();
}

void swapUnshown() { swapColourBuffers(); }

// WebGL's finish() returns at once; reading a pixel back is the one call
// that waits for every command before it, as glFinish promises.
void finish() {
    unsigned char pixel[4];
    readPixels(Buffer::back, 0, 0, 1, 1, pixel);
}

const unsigned char* string(unsigned name) { return glGetString(name); }

void settle() { assert(onDemand.waiting.empty()); }

void keepCopiesOfChangedTextures() {
    settle();
    for (auto& named : window.textures) {
        Texture& texture = named.second;
        if (wantsCopy(texture, 1)) keepCopy(texture);
    }
}

bool resumeAfterRestore(bool fromElsewhere) {
    // Nothing WebGL was last told is known: it is told again as needed.
    window.anyApplied = false;
    glUseProgram(window.programs[window.usedFunction]);
    glBindVertexArray(window.vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, window.vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, window.indexBuffer);
    // The buffers are as large as the GPU made them; their next fill makes
    // them as large as it needs.
    window.vertexBufferBytes = window.indexBufferBytes = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, window.backBuffer);
    glDisable(GL_SCISSOR_TEST);
    bool whole = true;
    std::vector<unsigned> ids;
    for (auto& named : window.textures) {
        Texture& texture = named.second;
        if (!layerHasTexture(texture.id, fromElsewhere ? 1 : 0)) {
            // Named by a garden from another start: made again here.
            glGenTextures(1, &texture.id);
            layerTextureFramebuffer(texture.id, 0);
            glBindTexture(GL_TEXTURE_2D, texture.id);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, texture.minFilter);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, texture.magFilter);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, texture.wrapS);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, texture.wrapT);
        }
        texture.framebuffer = layerFramebufferOf(texture.id);
        ids.push_back(texture.id);
        if (texture.width <= 0 || layerHolds(texture.id, texture.generation)) continue;
        int box[4] = {0, 0, 0, 0};
        // A mirror's texels come again from the layer above.
        unsigned char* rgba = texture.mirror ? nullptr : layerCopyOf(texture.generation, box);
        whole = whole && (rgba != nullptr || texture.mirror);
        glBindTexture(GL_TEXTURE_2D, texture.id);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        // WebGL fills a texture made from nothing with zeros.
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texture.width, texture.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     nullptr);
        if (rgba && box[2] > 0 && box[3] > 0)
            glTexSubImage2D(GL_TEXTURE_2D, 0, box[0], box[1], box[2], box[3], GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        layerTextureHolds(texture.id, texture.generation);
        std::free(rgba);
    }
    layerForgetTexturesBut(ids.data(), static_cast<int>(ids.size()));
    glBindTexture(GL_TEXTURE_2D, 0);
    window.boundTexture = 0;
    return whole;
}

}  // namespace webgl
