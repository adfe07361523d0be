// Fixed-function OpenGL emulated on WebGL 2: see fixed_function.h.

#define LUMO_FIXED_FUNCTION_IMPLEMENTATION
#include "platform/browser/fixed_function.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/log.h"

namespace {

using Matrix = std::array<float, 16>;  // column-major, as OpenGL keeps it

constexpr Matrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[col * 4 + k];
            r[col * 4 + row] = sum;
        }
    return r;
}

struct ClientArray {
    bool enabled = false;
    GLint size = 0;
    GLsizei stride = 0;
    const void* pointer = nullptr;
};

// A buffer object that grows but is never shrunk, so that steady drawing
// allocates nothing.
struct StreamBuffer {
    GLuint name = 0;
    GLsizeiptr capacity = 0;
    void upload(GLenum target, const void* data, GLsizeiptr bytes) {
        if (name == 0) glGenBuffers(1, &name);
        glBindBuffer(target, name);
        if (bytes > capacity) {
            capacity = bytes;
            glBufferData(target, capacity, nullptr, GL_DYNAMIC_DRAW);
        }
        glBufferSubData(target, 0, bytes, data);
    }
};

struct Uniforms {
    GLint projection, modelview, lighting, light_position, light_ambient, light_diffuse, light_specular;
    GLint material_ambient, material_diffuse, material_specular, material_emission, shininess, scene_ambient;
    GLint texturing, texture;
};

struct State {
    GLenum matrix_mode = GL_MODELVIEW;
    Matrix modelview = kIdentity;
    Matrix projection = kIdentity;
    bool lighting = false;
    bool light0 = false;
    bool texturing = false;
    // OpenGL's initial light 0 and material.
    std::array<float, 4> light_position{0, 0, 1, 0};
    std::array<float, 4> light_ambient{0, 0, 0, 1};
    std::array<float, 4> light_diffuse{1, 1, 1, 1};
    std::array<float, 4> light_specular{1, 1, 1, 1};
    std::array<float, 4> material_ambient{0.2f, 0.2f, 0.2f, 1};
    std::array<float, 4> material_diffuse{0.8f, 0.8f, 0.8f, 1};
    std::array<float, 4> material_specular{0, 0, 0, 1};
    std::array<float, 4> material_emission{0, 0, 0, 1};
    float shininess = 0.0f;
    ClientArray vertices, normals, texture_coordinates;

    GLuint program = 0;
    GLuint vertex_array = 0;
    Uniforms uniforms{};
    StreamBuffer positions_buffer, normals_buffer, texture_buffer, index_buffer;
};

State& state() {
    static State s;
    return s;
}

Matrix& current_matrix() {
    State& s = state();
    return s.matrix_mode == GL_PROJECTION ? s.projection : s.modelview;
}

constexpr GLuint kPositionAttribute = 0, kNormalAttribute = 1, kTextureAttribute = 2;

// OpenGL's lighting equation for one light, evaluated per vertex.
constexpr const char* kVertexShader = R"(#version 300 es
uniform mat4 u_projection;
uniform mat4 u_modelview;
uniform bool u_lighting;
uniform vec4 u_light_position;
uniform vec4 u_light_ambient, u_light_diffuse, u_light_specular;
uniform vec4 u_material_ambient, u_material_diffuse, u_material_specular, u_material_emission;
uniform float u_shininess;
uniform vec4 u_scene_ambient;
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec3 a_normal;
layout(location = 2) in vec2 a_texture;
out vec4 v_color;
out vec2 v_texture;
void main() {
    vec4 eye = u_modelview * vec4(a_position, 1.0);
    gl_Position = u_projection * eye;
    v_texture = a_texture;
    if (!u_lighting) {
        v_color = vec4(1.0);
        return;
    }
    // Normals are not renormalised (GL_NORMALIZE is off), as on the desktop.
    vec3 n = transpose(inverse(mat3(u_modelview))) * a_normal;
    vec3 l = u_light_position.w != 0.0 ? normalize(u_light_position.xyz / u_light_position.w - eye.xyz / eye.w)
                                       : normalize(u_light_position.xyz);
    float n_dot_l = dot(n, l);
    vec4 color = u_material_emission + u_scene_ambient * u_material_ambient + u_light_ambient * u_material_ambient;
    color += max(n_dot_l, 0.0) * u_light_diffuse * u_material_diffuse;
    if (n_dot_l > 0.0) {
        vec3 h = normalize(l + vec3(0.0, 0.0, 1.0));  // the viewer at infinity
        color += pow(max(dot(n, h), 0.0), u_shininess) * u_light_specular * u_material_specular;
    }
    v_color = vec4(clamp(color.rgb, 0.0, 1.0), clamp(u_material_diffuse.a, 0.0, 1.0));
}
)";

constexpr const char* kFragmentShader = R"(#version 300 es
precision highp float;
uniform bool u_texturing;
uniform sampler2D u_texture;
in vec4 v_color;
in vec2 v_texture;
out vec4 fragment;
void main() {
    fragment = u_texturing ? v_color * texture(u_texture, v_texture) : v_color;
}
)";

GLuint compile(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char text[1024] = {};
        glGetShaderInfoLog(shader, sizeof text, nullptr, text);
        lumo::log_line("lumo: the surface's shader does not compile: %s", text);
    }
    return shader;
}

bool make_program() {
    State& s = state();
    if (s.program != 0) return true;
    const GLuint vertex = compile(GL_VERTEX_SHADER, kVertexShader);
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, kFragmentShader);
    s.program = glCreateProgram();
    glAttachShader(s.program, vertex);
    glAttachShader(s.program, fragment);
    glLinkProgram(s.program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = 0;
    glGetProgramiv(s.program, GL_LINK_STATUS, &ok);
    if (!ok) {
        lumo::log_line("lumo: the surface's shader does not link");
        glDeleteProgram(s.program);
        s.program = 0;
        return false;
    }
    Uniforms& u = s.uniforms;
    const struct {
        GLint* slot;
        const char* name;
    } names[] = {
        {&u.projection, "u_projection"},
        {&u.modelview, "u_modelview"},
        {&u.lighting, "u_lighting"},
        {&u.light_position, "u_light_position"},
        {&u.light_ambient, "u_light_ambient"},
        {&u.light_diffuse, "u_light_diffuse"},
        {&u.light_specular, "u_light_specular"},
        {&u.material_ambient, "u_material_ambient"},
        {&u.material_diffuse, "u_material_diffuse"},
        {&u.material_specular, "u_material_specular"},
        {&u.material_emission, "u_material_emission"},
        {&u.shininess, "u_shininess"},
        {&u.scene_ambient, "u_scene_ambient"},
        {&u.texturing, "u_texturing"},
        {&u.texture, "u_texture"},
    };
    for (const auto& n : names) *n.slot = glGetUniformLocation(s.program, n.name);
    glGenVertexArrays(1, &s.vertex_array);
    return true;
}

// Client arrays hold floats here; a vertex's bytes start at index * stride.
GLsizeiptr array_bytes(const ClientArray& array, int vertex_count) {
    const GLsizei stride = array.stride != 0 ? array.stride : array.size * static_cast<GLsizei>(sizeof(float));
    return static_cast<GLsizeiptr>(stride) * vertex_count;
}

void bind_array(StreamBuffer& buffer, const ClientArray& array, GLuint attribute, int vertex_count) {
    if (!array.enabled || array.pointer == nullptr) {
        glDisableVertexAttribArray(attribute);
        return;
    }
    buffer.upload(GL_ARRAY_BUFFER, array.pointer, array_bytes(array, vertex_count));
    glEnableVertexAttribArray(attribute);
    glVertexAttribPointer(attribute, array.size, GL_FLOAT, GL_FALSE, array.stride, nullptr);
}

int vertex_count_of(GLenum type, GLsizei count, const void* indices) {
    int highest = -1;
    if (type == GL_UNSIGNED_SHORT) {
        const auto* i = static_cast<const uint16_t*>(indices);
        for (GLsizei k = 0; k < count; ++k) highest = std::max<int>(highest, i[k]);
    } else if (type == GL_UNSIGNED_INT) {
        const auto* i = static_cast<const uint32_t*>(indices);
        for (GLsizei k = 0; k < count; ++k) highest = std::max<int>(highest, static_cast<int>(i[k]));
    } else {
        const auto* i = static_cast<const uint8_t*>(indices);
        for (GLsizei k = 0; k < count; ++k) highest = std::max<int>(highest, i[k]);
    }
    return highest + 1;
}

GLsizeiptr index_size(GLenum type) { return type == GL_UNSIGNED_INT ? 4 : type == GL_UNSIGNED_SHORT ? 2 : 1; }

bool emulated_capability(GLenum cap) {
    return cap == GL_LIGHTING || cap == GL_LIGHT0 || cap == GL_TEXTURE_2D || cap == GL_NORMALIZE;
}

void set_capability(GLenum cap, bool on) {
    State& s = state();
    if (cap == GL_LIGHTING) s.lighting = on;
    if (cap == GL_LIGHT0) s.light0 = on;
    if (cap == GL_TEXTURE_2D) s.texturing = on;
}

ClientArray* client_array(GLenum array) {
    State& s = state();
    if (array == GL_VERTEX_ARRAY) return &s.vertices;
    if (array == GL_NORMAL_ARRAY) return &s.normals;
    if (array == GL_TEXTURE_COORD_ARRAY) return &s.texture_coordinates;
    return nullptr;
}

void set_material(GLenum pname, const GLfloat* params) {
    State& s = state();
    auto copy4 = [&](std::array<float, 4>& to) { std::memcpy(to.data(), params, sizeof(float) * 4); };
    if (pname == GL_AMBIENT) copy4(s.material_ambient);
    if (pname == GL_DIFFUSE) copy4(s.material_diffuse);
    if (pname == GL_SPECULAR) copy4(s.material_specular);
    if (pname == GL_EMISSION) copy4(s.material_emission);
    if (pname == GL_SHININESS) s.shininess = params[0];
}

}  // namespace

extern "C" {

void lumo_glEnable(GLenum cap) {
    if (emulated_capability(cap)) set_capability(cap, true);
    else glEnable(cap);
}

void lumo_glDisable(GLenum cap) {
    if (emulated_capability(cap)) set_capability(cap, false);
    else glDisable(cap);
}

void lumo_glMatrixMode(GLenum mode) { state().matrix_mode = mode; }

void lumo_glLoadIdentity(void) { current_matrix() = kIdentity; }

void lumo_glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    Matrix m = kIdentity;
    m[0] = static_cast<float>(2.0 / (r - l));
    m[5] = static_cast<float>(2.0 / (t - b));
    m[10] = static_cast<float>(-2.0 / (f - n));
    m[12] = static_cast<float>(-(r + l) / (r - l));
    m[13] = static_cast<float>(-(t + b) / (t - b));
    m[14] = static_cast<float>(-(f + n) / (f - n));
    current_matrix() = multiply(current_matrix(), m);
}

void lumo_glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix m = kIdentity;
    m[12] = x;
    m[13] = y;
    m[14] = z;
    current_matrix() = multiply(current_matrix(), m);
}

void lumo_glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    State& s = state();
    if (light != GL_LIGHT0) return;
    auto copy4 = [&](std::array<float, 4>& to) { std::memcpy(to.data(), params, sizeof(float) * 4); };
    if (pname == GL_AMBIENT) copy4(s.light_ambient);
    if (pname == GL_DIFFUSE) copy4(s.light_diffuse);
    if (pname == GL_SPECULAR) copy4(s.light_specular);
    if (pname == GL_POSITION) {
        // As OpenGL does: the position is taken into eye space by the
        // model-view matrix current at this call.
        const Matrix& m = s.modelview;
        for (int row = 0; row < 4; ++row)
            s.light_position[row] =
                m[row] * params[0] + m[4 + row] * params[1] + m[8 + row] * params[2] + m[12 + row] * params[3];
    }
}

void lumo_glMaterialfv(GLenum, GLenum pname, const GLfloat* params) { set_material(pname, params); }

void lumo_glMaterialf(GLenum, GLenum pname, GLfloat param) {
    if (pname == GL_SHININESS) state().shininess = param;
}

void lumo_glShadeModel(GLenum) {}  // smooth shading is all the view asks for

void lumo_glEnableClientState(GLenum array) {
    if (ClientArray* a = client_array(array)) a->enabled = true;
}

void lumo_glDisableClientState(GLenum array) {
    if (ClientArray* a = client_array(array)) a->enabled = false;
}

void lumo_glVertexPointer(GLint size, GLenum, GLsizei stride, const void* pointer) {
    state().vertices = {state().vertices.enabled, size, stride, pointer};
}

void lumo_glNormalPointer(GLenum, GLsizei stride, const void* pointer) {
    state().normals = {state().normals.enabled, 3, stride, pointer};
}

void lumo_glTexCoordPointer(GLint size, GLenum, GLsizei stride, const void* pointer) {
    state().texture_coordinates = {state().texture_coordinates.enabled, size, stride, pointer};
}

void lumo_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    State& s = state();
    if (count <= 0 || !s.vertices.enabled || !make_program()) return;
    GLint previous_program = 0, previous_array_buffer = 0, previous_vertex_array = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previous_program);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &previous_array_buffer);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &previous_vertex_array);

    glUseProgram(s.program);
    glBindVertexArray(s.vertex_array);
    const int vertex_count = vertex_count_of(type, count, indices);
    bind_array(s.positions_buffer, s.vertices, kPositionAttribute, vertex_count);
    bind_array(s.normals_buffer, s.normals, kNormalAttribute, vertex_count);
    bind_array(s.texture_buffer, s.texture_coordinates, kTextureAttribute, vertex_count);
    if (!s.normals.enabled) glVertexAttrib3f(kNormalAttribute, 0.0f, 0.0f, 1.0f);  // OpenGL's current normal
    s.index_buffer.upload(GL_ELEMENT_ARRAY_BUFFER, indices, count * index_size(type));

    const Uniforms& u = s.uniforms;
    glUniformMatrix4fv(u.projection, 1, GL_FALSE, s.projection.data());
    glUniformMatrix4fv(u.modelview, 1, GL_FALSE, s.modelview.data());
    glUniform1i(u.lighting, s.lighting ? 1 : 0);
    // A light that is off adds nothing; the scene's ambient still lights the material.
    static constexpr float kDark[4] = {0, 0, 0, 0};
    glUniform4fv(u.light_position, 1, s.light_position.data());
    glUniform4fv(u.light_ambient, 1, s.light0 ? s.light_ambient.data() : kDark);
    glUniform4fv(u.light_diffuse, 1, s.light0 ? s.light_diffuse.data() : kDark);
    glUniform4fv(u.light_specular, 1, s.light0 ? s.light_specular.data() : kDark);
    glUniform4fv(u.material_ambient, 1, s.material_ambient.data());
    glUniform4fv(u.material_diffuse, 1, s.material_diffuse.data());
    glUniform4fv(u.material_specular, 1, s.material_specular.data());
    glUniform4fv(u.material_emission, 1, s.material_emission.data());
    glUniform1f(u.shininess, s.shininess);
    static constexpr float kSceneAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};  // GL_LIGHT_MODEL_AMBIENT's default
    glUniform4fv(u.scene_ambient, 1, kSceneAmbient);
    GLint bound_texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound_texture);
    glUniform1i(u.texturing, s.texturing && s.texture_coordinates.enabled && bound_texture != 0 ? 1 : 0);
    glUniform1i(u.texture, 0);

    glDrawElements(mode, count, type, nullptr);

    glBindVertexArray(static_cast<GLuint>(previous_vertex_array));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(previous_array_buffer));
    glUseProgram(static_cast<GLuint>(previous_program));
}

}  // extern "C"
