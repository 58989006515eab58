/* Shader sources of the GL backend. Vertices arrive in model space with the
 * row-vector matrices of the toolkit uploaded untransposed, so GLSL sees
 * their transposes and multiplies on the left. Lighting is computed per
 * vertex in view space (lights are given in view space); the flat colour
 * comes from the first vertex of each triangle. Two kinds of program: the
 * general one (any state through uniforms, world matrices and materials
 * fetched from textures) and the variants made for the state in force
 * (one source, specialised by defines). */
#include "display/device/gl/gl_shaders.h"

#include <stdio.h>

#include "core/messages.h"
#include "vlx/diag.h"

namespace {

const char *kVertex = R"(#version 330 core
layout(location = 0) in vec3 a_pos;
layout(location = 1) in vec3 a_normal;
layout(location = 2) in vec4 a_color;
layout(location = 3) in vec2 a_uv;
layout(location = 4) in ivec2 a_ids;   /* material, world matrix */
uniform mat4 u_view, u_proj;
/* World matrices, one row of 4 texels (the matrix rows) each. */
uniform sampler2D u_matrices;
uniform int u_lit;
/* Materials, one row each: diffuse, ambient, specular, emissive, (power). */
uniform sampler2D u_materials;
vec4 m_diffuse, m_ambient, m_specular, m_emissive;
float m_power;
uniform vec4 u_ambient;
uniform int u_nlights;
uniform int u_ltype[8];
uniform vec4 u_lcolor[8];
uniform vec3 u_lpos[8];
uniform vec3 u_ldir[8];
uniform vec3 u_latt[8];
uniform vec4 u_lspot[8];   /* range, falloff, cos(theta/2), cos(phi/2) */
out vec4 v_color;
flat out vec4 v_flatcolor;
out vec2 v_uv;

vec3 light_one(int i, vec3 p, vec3 n) {
  vec3 l;
  float att = 1.0;
  if (u_ltype[i] == 0) {
    l = -normalize(u_ldir[i]);
  } else {
    vec3 d = u_lpos[i] - p;
    float dist = length(d);
    if (dist > u_lspot[i].x) return vec3(0.0);
    l = dist > 0.0 ? d / dist : vec3(0.0, 0.0, 1.0);
    float a = u_latt[i].x + u_latt[i].y * dist + u_latt[i].z * dist * dist;
    att = a > 0.0 ? 1.0 / a : 1.0;
    if (u_ltype[i] == 2) {
      float rho = dot(-l, normalize(u_ldir[i]));
      float ci = u_lspot[i].z, co = u_lspot[i].w;
      if (rho <= co) return vec3(0.0);
      if (rho < ci) att *= pow((rho - co) / max(ci - co, 1e-6), u_lspot[i].y);
    }
  }
  float ndotl = max(dot(n, l), 0.0);
  vec3 c = m_diffuse.rgb * u_lcolor[i].rgb * ndotl;
  if (m_power > 0.0 && ndotl > 0.0) {
    vec3 h = normalize(l + normalize(-p));
    c += m_specular.rgb * u_lcolor[i].rgb * pow(max(dot(n, h), 0.0), m_power);
  }
  return c * att;
}

mat4 world_of(int m) {
  return mat4(texelFetch(u_matrices, ivec2(0, m), 0), texelFetch(u_matrices, ivec2(1, m), 0),
              texelFetch(u_matrices, ivec2(2, m), 0), texelFetch(u_matrices, ivec2(3, m), 0));
}

void main() {
  mat4 world = world_of(a_ids.y);
  vec4 eye = u_view * (world * vec4(a_pos, 1.0));
  gl_Position = u_proj * eye;
  vec4 c;
  if (u_lit != 0) {
    m_diffuse = texelFetch(u_materials, ivec2(0, a_ids.x), 0);
    m_ambient = texelFetch(u_materials, ivec2(1, a_ids.x), 0);
    m_specular = texelFetch(u_materials, ivec2(2, a_ids.x), 0);
    m_emissive = texelFetch(u_materials, ivec2(3, a_ids.x), 0);
    m_power = texelFetch(u_materials, ivec2(4, a_ids.x), 0).x;
    vec3 n = normalize(mat3(u_view) * (mat3(world) * a_normal));
    vec3 sum = m_emissive.rgb + m_ambient.rgb * u_ambient.rgb;
    for (int i = 0; i < u_nlights; ++i) sum += light_one(i, eye.xyz, n);
    c = vec4(clamp(sum, 0.0, 1.0), m_diffuse.a);
  } else {
    c = a_color;
  }
  v_color = c;
  v_flatcolor = c;
  v_uv = a_uv;
}
)";

const char *kFragment = R"(#version 330 core
in vec4 v_color;
flat in vec4 v_flatcolor;
in vec2 v_uv;
uniform int u_flat;
uniform int u_textured;
uniform sampler2D u_tex;
out vec4 o_color;
void main() {
  vec4 c = u_flat != 0 ? v_flatcolor : v_color;
  if (u_textured != 0) c *= texture(u_tex, v_uv);
  o_color = c;
}
)";

/* The variant source: one program per state in force, chosen by defines.
 * World matrices arrive as model-view matrices in a small uniform array
 * (WORLDS > 1: indexed per vertex, else the one matrix of the draw) and
 * materials as four vec4 each (diffuse; emissive + ambient x the ambient
 * light, worked out once per draw; specular; (power)) in another
 * (MATERIALS > 1: indexed per vertex). LIGHTS expands
 * to one call per active light with constant indexes, so the per-vertex
 * path holds no branch on a uniform. Directional light vectors come
 * normalised and pointing towards the light. */
const char *kVariantVertex = R"(
layout(location = 0) in vec3 a_pos;
layout(location = 1) in vec3 a_normal;
layout(location = 2) in vec4 a_color;
layout(location = 3) in vec2 a_uv;
layout(location = 4) in ivec2 a_ids;   /* material slot, world slot */
uniform mat4 u_proj;
uniform mat4 u_world[WORLDS];
#if WORLDS > 1
#define WORLD u_world[a_ids.y]
#else
#define WORLD u_world[0]
#endif
#ifdef FLAT
flat out vec4 v_color;
#else
out vec4 v_color;
#endif
#ifdef TEXTURED
out vec2 v_uv;
#endif
#ifdef LIT
uniform vec4 u_mat[4 * MATERIALS];
uniform vec4 u_lcolor[8];
uniform vec3 u_lpos[8];
uniform vec3 u_ldir[8];
uniform vec3 u_latt[8];
uniform vec4 u_lspot[8];   /* range, falloff, cos(theta/2), cos(phi/2) */
vec4 m_diffuse, m_specular;
float m_power;

vec3 term(vec3 l, vec3 lc, vec3 p, vec3 n) {
  float ndotl = max(dot(n, l), 0.0);
  vec3 c = m_diffuse.rgb * lc * ndotl;
#ifdef SPECULAR
  vec3 h = normalize(l + normalize(-p));
  float s = pow(max(dot(n, h), 0.0), m_power);
  c += m_specular.rgb * lc * (m_power > 0.0 && ndotl > 0.0 ? s : 0.0);
#endif
  return c;
}

vec3 light_dir(int i, vec3 p, vec3 n) { return term(u_ldir[i], u_lcolor[i].rgb, p, n); }

float attenuation(int i, float dist) {
  float a = u_latt[i].x + u_latt[i].y * dist + u_latt[i].z * dist * dist;
  return a > 0.0 ? 1.0 / a : 1.0;
}

vec3 light_point(int i, vec3 p, vec3 n) {
  vec3 d = u_lpos[i] - p;
  float dist = length(d);
  vec3 l = dist > 0.0 ? d / dist : vec3(0.0, 0.0, 1.0);
  vec3 c = term(l, u_lcolor[i].rgb, p, n) * attenuation(i, dist);
  return dist > u_lspot[i].x ? vec3(0.0) : c;
}

vec3 light_spot(int i, vec3 p, vec3 n) {
  vec3 d = u_lpos[i] - p;
  float dist = length(d);
  vec3 l = dist > 0.0 ? d / dist : vec3(0.0, 0.0, 1.0);
  float att = attenuation(i, dist);
  float rho = dot(-l, u_ldir[i]);
  float ci = u_lspot[i].z, co = u_lspot[i].w;
  float cone = rho < ci ? pow((rho - co) / max(ci - co, 1e-6), u_lspot[i].y) : 1.0;
  vec3 c = term(l, u_lcolor[i].rgb, p, n) * (att * cone);
  return dist > u_lspot[i].x || rho <= co ? vec3(0.0) : c;
}
#endif

void main() {
  mat4 mv = WORLD;
  vec4 eye = mv * vec4(a_pos, 1.0);
  gl_Position = u_proj * eye;
#ifdef LIT
#if MATERIALS > 1
  int mb = 4 * a_ids.x;
#else
  const int mb = 0;
#endif
  m_diffuse = u_mat[mb];
#ifdef SPECULAR
  m_specular = u_mat[mb + 2];
  m_power = u_mat[mb + 3].x;
#endif
  vec3 n = normalize(mat3(mv) * a_normal);
  vec3 p = eye.xyz;
  vec3 sum = u_mat[mb + 1].rgb;
  LIGHTS
  v_color = vec4(clamp(sum, 0.0, 1.0), m_diffuse.a);
#else
  v_color = a_color;
#endif
#ifdef TEXTURED
  v_uv = a_uv;
#endif
}
)";

const char *kVariantFragment = R"(
#ifdef FLAT
flat in vec4 v_color;
#else
in vec4 v_color;
#endif
#ifdef TEXTURED
in vec2 v_uv;
uniform sampler2D u_tex;
#endif
out vec4 o_color;
void main() {
#ifdef TEXTURED
  o_color = v_color * texture(u_tex, v_uv);
#else
  o_color = v_color;
#endif
}
)";

GLuint compile(GLenum kind, const char *src, const char *head = "") {
  GLuint s = glCreateShader(kind);
  const char *parts[2] = {head, src};
  glShaderSource(s, 2, parts, nullptr);
  glCompileShader(s);
  GLint ok = 0;
  glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024];
    glGetShaderInfoLog(s, sizeof log, nullptr, log);
    VLMSG(SHADER_FAILED, "shader", log);
    glDeleteShader(s);
    return 0;
  }
  return s;
}

void locate(VLglprogram *p) {
  GLuint g = p->program;
  p->matrices = glGetUniformLocation(g, "u_matrices");
  p->view = glGetUniformLocation(g, "u_view");
  p->proj = glGetUniformLocation(g, "u_proj");
  p->lit = glGetUniformLocation(g, "u_lit");
  p->flat = glGetUniformLocation(g, "u_flat");
  p->textured = glGetUniformLocation(g, "u_textured");
  p->tex = glGetUniformLocation(g, "u_tex");
  p->materials = glGetUniformLocation(g, "u_materials");
  p->ambient = glGetUniformLocation(g, "u_ambient");
  p->nlights = glGetUniformLocation(g, "u_nlights");
  p->ltype = glGetUniformLocation(g, "u_ltype");
  p->lcolor = glGetUniformLocation(g, "u_lcolor");
  p->lpos = glGetUniformLocation(g, "u_lpos");
  p->ldir = glGetUniformLocation(g, "u_ldir");
  p->latt = glGetUniformLocation(g, "u_latt");
  p->lspot = glGetUniformLocation(g, "u_lspot");
}

GLuint link(GLuint vs, GLuint fs) {
  if (!vs || !fs) {
    if (vs) glDeleteShader(vs);
    if (fs) glDeleteShader(fs);
    return 0;
  }
  GLuint g = glCreateProgram();
  glAttachShader(g, vs);
  glAttachShader(g, fs);
  glLinkProgram(g);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(g, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[1024];
    glGetProgramInfoLog(g, sizeof log, nullptr, log);
    VLMSG(SHADER_FAILED, "program", log);
    glDeleteProgram(g);
    return 0;
  }
  return g;
}

/* The defines of a variant key: the version line first. */
void variant_head(uint32_t key, char *out, size_t size) {
  static const char *const kinds[] = {"light_dir", "light_point", "light_spot", "light_dir"};
  int n = snprintf(out, size, "#version 330 core\n#define WORLDS %d\n#define MATERIALS %d\n%s%s%s%s",
                   key & VLVAR_MULTIWORLD ? VLVAR_MAXWORLDS : 1,
                   key & VLVAR_MULTIMATERIAL ? VLVAR_MAXMATERIALS : 1,
                   key & VLVAR_LIT ? "#define LIT\n" : "", key & VLVAR_FLAT ? "#define FLAT\n" : "",
                   key & VLVAR_TEXTURED ? "#define TEXTURED\n" : "",
                   key & VLVAR_SPECULAR ? "#define SPECULAR\n" : "");
  n += snprintf(out + n, size - size_t(n), "#define LIGHTS");
  int lights = int((key >> VLVAR_NLIGHTSHIFT) & 15);
  for (int i = 0; i < lights && size_t(n) < size; ++i)
    n += snprintf(out + n, size - size_t(n), " sum += %s(%d, p, n);",
                  kinds[(key >> (VLVAR_TYPESHIFT + 2 * i)) & 3], i);
  if (size_t(n) < size) snprintf(out + n, size - size_t(n), "\n");
}

}  // namespace

bool _VLgl_buildvariant(VLglvariant *v, uint32_t key) {
  char head[768];
  variant_head(key, head, sizeof head);
  GLuint g = link(compile(GL_VERTEX_SHADER, kVariantVertex, head),
                  compile(GL_FRAGMENT_SHADER, kVariantFragment, head));
  if (!g) return false;
  *v = VLglvariant();
  v->key = key;
  v->program = g;
  v->proj = glGetUniformLocation(g, "u_proj");
  v->world = glGetUniformLocation(g, "u_world");
  v->mat = glGetUniformLocation(g, "u_mat");
  v->lcolor = glGetUniformLocation(g, "u_lcolor");
  v->lpos = glGetUniformLocation(g, "u_lpos");
  v->ldir = glGetUniformLocation(g, "u_ldir");
  v->latt = glGetUniformLocation(g, "u_latt");
  v->lspot = glGetUniformLocation(g, "u_lspot");
  glUseProgram(g);
  glUniform1i(glGetUniformLocation(g, "u_tex"), 0);
  return true;
}

bool _VLgl_buildprogram(VLglprogram *p) {
  GLuint g = link(compile(GL_VERTEX_SHADER, kVertex), compile(GL_FRAGMENT_SHADER, kFragment));
  if (!g) return false;
  p->program = g;
  locate(p);
  return true;
}
