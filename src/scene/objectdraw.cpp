// Defined before anything else can pull in <GL/gl.h>, so that the buffer
// functions of OpenGL 1.5 are declared; Mesa's libGL exports them.
#define GL_GLEXT_PROTOTYPES 1

#include "objectdraw.h"

#include "render/robotpainter.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <algorithm>
#include <charconv>
#include <cstring>

// The buffers and copies one entry was last drawn from, and what they were
// made from, so that a new reading or scale is uploaded again.
struct ObjectDrawState
{
    GLuint vertexBuffer = 0; // buffer names, 0 = none
    GLuint normalBuffer = 0;
    GLuint flippedBuffer = 0;
    std::uint32_t uploadedReading = 0; // the entry's meshReadings at the upload
    bool noBuffers = false;            // the context has no vertex buffers: client arrays
    float uploadedScale = 1.0f;
    std::size_t uploadedFloats = 0;
    std::size_t flippedFloats = 0;
    // Client-array stand-ins when the context cannot make buffers.
    std::vector<float> scaledVertices;
    std::vector<float> flippedNormals;
};

namespace {

constexpr GLfloat kDefaultColour[4] = {0.2f, 0.4f, 0.8f, 1.0f};

// No GL call at all for an entry whose draws made no buffer.
void releaseState(ObjectDrawState *state)
{
    const GLuint names[3] = {state->vertexBuffer, state->normalBuffer, state->flippedBuffer};
    for (GLuint name : names)
        if (name != 0)
            glDeleteBuffers(1, &name);
    delete state;
}

void setMaterial(const GLfloat *rgba)
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, rgba);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, rgba);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, rgba);
}

// Vertex buffers are core from OpenGL 1.5; older contexts draw from client
// arrays. Null without a current context.
bool contextHasBuffers(bool &known)
{
    const auto *version = reinterpret_cast<const char *>(glGetString(GL_VERSION));
    known = version != nullptr;
    if (!version)
        return false;
    int major = 0, minor = 0;
    const char *end = version + std::strlen(version);
    const auto res = std::from_chars(version, end, major);
    if (res.ptr < end && *res.ptr == '.')
        std::from_chars(res.ptr + 1, end, minor);
    return major > 1 || (major == 1 && minor >= 5);
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void copyTimes(const std::vector<float> &in, std::size_t floats, float factor,
               std::vector<float> &out)
{
    out.resize(floats);
    for (std::size_t i = 0; i < floats; ++i)
        out[i] = in[i] * factor;
}

void upload(GLuint buffer, const float *data, std::size_t floats)
{
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(floats * sizeof(float)), data, GL_STATIC_DRAW);
}

} // namespace

void drawObject(const ObjectEntry &entry, bool red)
{
    if (entry.visible == 0)
        return;
    // Whatever the panel did to the arrays, only whole triangles present in
    // both are drawn.
    const std::size_t floats = std::min(entry.vertices.size(), entry.normals.size()) / 9 * 9;
    const std::size_t triangles = floats / 9;
    const bool flip = entry.flipNormals != 0;

    glPushMatrix();
    glMultMatrixf(entry.pose.data());
    setMaterial(kDefaultColour);
    if (triangles == 0) {
        // Colours are still set in order, as the file's lines would set them.
        for (const ColourRun &run : entry.runs)
            if (run.hasColour) {
                const GLfloat c[4] = {run.fileValues[2], run.fileValues[1], run.fileValues[0],
                                      1.0f};
                setMaterial(c);
            }
        glPopMatrix();
        return;
    }

    if (!entry.drawState) {
        entry.drawState = {new ObjectDrawState, releaseState};
        entry.drawState->uploadedReading = entry.meshReadings;
    }
    ObjectDrawState &state = *entry.drawState;

    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);

    if (state.vertexBuffer == 0 && !state.noBuffers) {
        bool known = false;
        if (contextHasBuffers(known)) {
            GLuint names[2] = {0, 0};
            glGenBuffers(2, names);
            state.vertexBuffer = names[0];
            state.normalBuffer = names[1];
            state.uploadedFloats = 0;
        } else if (known) {
            state.noBuffers = true;
        }
    }
    // The scale multiplies the mesh coordinates as they are handed over; the
    // normals stay as read, exactly as coordinates scaled one by one would draw.
    const bool meshChanged =
        state.uploadedReading != entry.meshReadings || state.uploadedFloats != floats;
    const bool scaleChanged = !sameBits(state.uploadedScale, entry.scale);
    if (meshChanged)
        state.flippedFloats = 0;

    if (state.vertexBuffer != 0) {
        if (meshChanged || scaleChanged) {
            if (entry.scale == 1.0f) {
                upload(state.vertexBuffer, entry.vertices.data(), floats);
            } else {
                std::vector<float> scaled;
                copyTimes(entry.vertices, floats, entry.scale, scaled);
                upload(state.vertexBuffer, scaled.data(), floats);
            }
        }
        if (meshChanged)
            upload(state.normalBuffer, entry.normals.data(), floats);
        if (flip && (state.flippedBuffer == 0 || state.flippedFloats != floats)) {
            if (state.flippedBuffer == 0)
                glGenBuffers(1, &state.flippedBuffer);
            std::vector<float> negated;
            copyTimes(entry.normals, floats, -1.0f, negated);
            upload(state.flippedBuffer, negated.data(), floats);
            state.flippedFloats = floats;
        }
        glBindBuffer(GL_ARRAY_BUFFER, state.vertexBuffer);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, flip ? state.flippedBuffer : state.normalBuffer);
        glNormalPointer(GL_FLOAT, 0, nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
    } else {
        const float *vertexData = entry.vertices.data();
        if (entry.scale != 1.0f) {
            if (meshChanged || scaleChanged)
                copyTimes(entry.vertices, floats, entry.scale, state.scaledVertices);
            vertexData = state.scaledVertices.data();
        } else {
            state.scaledVertices.clear();
        }
        if (flip && state.flippedFloats != floats) {
            copyTimes(entry.normals, floats, -1.0f, state.flippedNormals);
            state.flippedFloats = floats;
        }
        glVertexPointer(3, GL_FLOAT, 0, vertexData);
        glNormalPointer(GL_FLOAT, 0, flip ? state.flippedNormals.data() : entry.normals.data());
    }
    state.uploadedReading = entry.meshReadings;
    state.uploadedFloats = floats;
    state.uploadedScale = entry.scale;

    if (red) {
        setMaterial(RobotPainter::collisionColour());
        glDrawArrays(GL_TRIANGLES, 0, GLsizei(triangles * 3));
    } else if (entry.runs.empty()) {
        glDrawArrays(GL_TRIANGLES, 0, GLsizei(triangles * 3));
    } else {
        for (const ColourRun &run : entry.runs) {
            if (run.hasColour) {
                const GLfloat c[4] = {run.fileValues[2], run.fileValues[1], run.fileValues[0],
                                      1.0f};
                setMaterial(c);
            }
            if (run.first >= triangles)
                continue;
            const std::size_t count = std::min<std::size_t>(run.count, triangles - run.first);
            if (count > 0)
                glDrawArrays(GL_TRIANGLES, GLint(run.first) * 3, GLsizei(count * 3));
        }
    }

    glPopClientAttrib();
    glPopMatrix();
}
