/* View and projection set-up of a window for one eye. The eye's pose comes
 * from the viewpoint (through the viewpoint family); the view matrix holds
 * the transposed rotation and the negated dot products of the position with
 * the rotation rows. Projection modes: 1 perspective, 2 stereo parallax,
 * 3 off-axis from the window's frustum, 4 parallel. Modes 1-3 also make the
 * four culling side planes through the eye. */
#include <math.h>
#include <string.h>

#include "object/view.h"
#include "display/device/device.h"
#include "display/display_state.h"
#include "render/state_buffer.h"
#include "vlx/math.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

/* The view matrix of a pose: p_view = (p - pos) . R^T with z negated, so
 * that the viewing axis (row 2 of R) becomes -z in eye coordinates, where
 * the eye looks along -z. The render state keeps the matrix's rotation rows
 * and translation for the world-matrix products of playback. */
void view_matrix(const float pos[3], const VLq *q, VLrenderstate *rs, float m[16]) {
  VLm3 r;
  VLq_tom3(q, &r);
  memset(m, 0, 16 * sizeof(float));
  for (int axis = 0; axis < 3; ++axis) {
    float sign = axis == 2 ? -1.0f : 1.0f;
    const float *row = &r.m[3 * axis];
    for (int k = 0; k < 3; ++k) m[4 * k + axis] = sign * row[k];
    m[12 + axis] = -sign * (pos[0] * row[0] + pos[1] * row[1] + pos[2] * row[2]);
  }
  m[15] = 1.0f;
  for (int k = 0; k < 3; ++k) {
    for (int c = 0; c < 3; ++c) rs->viewrot[3 * k + c] = m[4 * k + c];
    rs->viewtrans[k] = m[12 + k];
  }
  memcpy(rs->eye, pos, sizeof rs->eye);
  memcpy(rs->viewdir, &r.m[6], sizeof rs->viewdir);
}

/* Rows (2/(L+R),0,0,0), (0,2/(T+B),0,0), ((R-L)/(R+L)+h,(T-B)/(T+B),(f+n)/(n-f),-1),
 * (0,0,2fn/(n-f),0). */
void perspective(float L, float R, float T, float B, float n, float f, float h, float m[16]) {
  memset(m, 0, 16 * sizeof(float));
  m[0] = 2.0f / (L + R);
  m[5] = 2.0f / (T + B);
  m[8] = (R - L) / (R + L) + h;
  m[9] = (T - B) / (T + B);
  m[10] = (f + n) / (n - f);
  m[11] = -1.0f;
  m[14] = 2.0f * f * n / (n - f);
}

void parallel(const VLfrustum &fr, float n, float f, float m[16]) {
  memset(m, 0, 16 * sizeof(float));
  m[0] = 2.0f / (fr.right - fr.left);
  m[5] = 2.0f / (fr.top - fr.bottom);
  m[10] = -1.0f / (f - n);
  m[12] = (fr.left + fr.right) / (fr.left - fr.right);
  m[13] = (fr.top + fr.bottom) / (fr.bottom - fr.top);
  m[14] = -n / (f - n);
  m[15] = 1.0f;
}

void set_plane(float out[4], float x, float y, float z) {
  float len = sqrtf(x * x + y * y + z * z);
  if (len != 0.0f) {
    x /= len;
    y /= len;
    z /= len;
  }
  out[0] = x;
  out[1] = -y;
  out[2] = -z;
  out[3] = 0.0f;
}

void side_planes(VLrenderstate *rs, float L, float R, float T, float B, float n, float f) {
  set_plane(rs->planes[0], n, 0, L * n);
  set_plane(rs->planes[1], -n, 0, R * n);
  set_plane(rs->planes[2], 0, n, B * n);
  set_plane(rs->planes[3], 0, -n, T * n);
  rs->hither = n;
  rs->yon = f;
}

/* The culling planes of a parallel projection: the frustum's box. */
void box_planes(VLrenderstate *rs, const VLfrustum &fr, float n, float f) {
  const float planes[4][4] = {{1, 0, 0, -fr.left}, {-1, 0, 0, fr.right},
                              {0, 1, 0, -fr.bottom}, {0, -1, 0, fr.top}};
  memcpy(rs->planes, planes, sizeof planes);
  rs->hither = n;
  rs->yon = f;
}

}  // namespace

void _VLrenderer_projection(VLwindow *w, int eye, float m[16], VLrenderstate *rs) {
  VLviewparams p{w->t, w->hither, w->yon, w->projection, 1.0f, 0, 0.0f, 1.0f};
  if (w->viewpoint) _VLviewpoint_viewparams(w->viewpoint, &p);
  if (w->mode == 1) eye = w->eye;
  float aspect = w->height ? p.aspect * float(w->width) / float(w->height) : p.aspect;
  w->aspect = aspect;
  float t = p.t, v = aspect != 0.0f ? t / aspect : t, n = p.hither, f = p.yon;
  float h = w->width ? (eye == 0 ? -p.pixelshift : p.pixelshift) / (w->width * 0.5f) : 0.0f;
  float L = t, R = t, T = v, B = v;
  const VLfrustum &fr = w->frustum[eye & 1];
  switch (p.mode) {
    case VLPROJ_STEREO: {
      float d = p.convergence != 0.0f ? p.eyesep / p.convergence * 0.5f : 0.0f;
      L = eye == 1 ? t + d : t - d;
      R = eye == 1 ? t - d : t + d;
      break;
    }
    case VLPROJ_OFFAXIS:
      L = -fr.left / fr.hither;
      R = fr.right / fr.hither;
      T = fr.top / fr.hither;
      B = -fr.bottom / fr.hither;
      n = fr.hither;
      f = fr.yon;
      break;
    case VLPROJ_PARALLEL:
      parallel(fr, n, f, m);
      if (rs) {
        rs->flags |= 1u;
        box_planes(rs, fr, n, f);
      }
      return;
    default: break;
  }
  perspective(L, R, T, B, n, f, h, m);
  if (rs) side_planes(rs, L, R, T, B, n, f);
}

void _VLrenderer_setupview(VLwindow *w, int eye) {
  VLrendercontext *c = w->context;
  VLrenderstate *rs = w->renderstate;
  VLdevice *dev = _VLdevice();
  VLuniverse *u = VLuniverse_current();
  float pos[3];
  VLq q;
  _VLviewpoint_eyepose(w, eye, pos, &q);
  view_matrix(pos, &q, rs, c->view);
  bool smooth = u && (u->rendering & VLRENDER_SMOOTH);
  rs->flags = smooth ? 128u : 0u;
  _VLrenderer_projection(w, eye, c->projection, rs);
  memset(c->world, 0, sizeof c->world);
  c->world[0] = c->world[5] = c->world[10] = c->world[15] = 1.0f;
  dev->setmatrix(VLMATRIX_PROJECTION, c->projection);
  dev->setmatrix(VLMATRIX_WORLD, c->world);
  dev->setmatrix(VLMATRIX_VIEW, c->view);
  rs->polys = 0;
  rs->windowbit = 1u << w->number;
  _VLstate_execute(c, VLOP_RENDERSTATE, VLRS_SHADEMODE, smooth ? VLSHADE_GOURAUD : VLSHADE_FLAT);
}
