/* Viewpoints: orientation checks, direction, angle and distance limits,
 * what the renderer takes from them, and the view they give a window. */
#include <gtest/gtest.h>

#include <math.h>

#include "core/messages.h"
#include "display/display_state.h"
#include "support/messages.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"
#include "vlx/window.h"

using ViewpointTest = UniverseTest;

TEST_F(ViewpointTest, UniverseMakesTheCurrentViewpointForTheFirstWindow) {
  VLviewpoint *vp = VLuniverse_getviewpoint();
  ASSERT_NE(vp, nullptr);
  EXPECT_EQ(VLuniverse_getviewpoints(), vp);
  EXPECT_EQ(VLuniverse_getwindows()->viewpoint, vp);
  EXPECT_NEAR(vp->tangent, tanf(0.6981317f), 1e-6);
  EXPECT_GT(vp->focal, 0.0f);
  VLviewpoint *other = VLviewpoint_new();
  VLuniverse_setviewpoint(other);
  EXPECT_EQ(VLuniverse_getviewpoint(), other);
  EXPECT_EQ(VLuniverse_getwindows()->viewpoint, other);
  VLviewpoint stranger = {};
  VLuniverse_setviewpoint(&stranger);   /* not in the list: ignored */
  EXPECT_EQ(VLuniverse_getviewpoint(), other);
  VLviewpoint_delete(other);
  EXPECT_EQ(VLuniverse_getviewpoint(), vp);
  EXPECT_EQ(VLuniverse_getwindows()->viewpoint, nullptr);
}

TEST_F(ViewpointTest, OrientationRefusesNearZeroQuaternions) {
  VLviewpoint *vp = VLuniverse_getviewpoint();
  VLq bad = {0.001f, 0, 0, 0.003f};
  VLviewpoint_setorientation(vp, &bad);
  EXPECT_EQ(fired_count(VLM_BAD_VIEWPOINT_QUATERNION), 1);
  EXPECT_FLOAT_EQ(vp->orientation.w, 1.0f);
  VLq small = {0, 0, 0, 0.005f};
  VLviewpoint_setorientation(vp, &small);
  EXPECT_FLOAT_EQ(vp->orientation.w, 0.005f);  /* stored as is */
  EXPECT_EQ(fired_count(VLM_BAD_VIEWPOINT_QUATERNION), 1);
}

TEST_F(ViewpointTest, AngleAndDistanceLimits) {
  VLviewpoint *vp = VLuniverse_getviewpoint();
  float t = vp->tangent;
  VLviewpoint_setangle(vp, 1.6f);
  EXPECT_FLOAT_EQ(vp->tangent, t);
  EXPECT_EQ(vp->anglechanged, 0);
  VLviewpoint_setangle(vp, 0.004f);
  EXPECT_NEAR(vp->tangent, 0.004f, 1e-6);
  EXPECT_EQ(vp->anglechanged, 1);
  VLviewpoint_sethither(vp, 0.0f);
  EXPECT_FLOAT_EQ(vp->hither, 0.004f);
  VLviewpoint_sethither(vp, 2.0f);
  VLviewpoint_setyon(vp, 1.0f);
  EXPECT_FLOAT_EQ(vp->yon, 2.004f);
}

TEST_F(ViewpointTest, DirectionTurnsTheViewingAxis) {
  VLviewpoint *vp = VLuniverse_getviewpoint();
  const VLp3 dirs[] = {{0, 0, 1}, {0, -0.6f, 0.8f}, {1, 0, 0}, {0, 0, -2}, {-3, 4, 0}};
  for (const VLp3 &d : dirs) {
    VLviewpoint_setdirection(vp, &d);
    VLp3 got, want = d;
    VLp3_normalise(&want);
    VLq_direction(&vp->orientation, &got);
    EXPECT_NEAR(got.x, want.x, 1e-4) << d.x << " " << d.y << " " << d.z;
    EXPECT_NEAR(got.y, want.y, 1e-4) << d.x << " " << d.y << " " << d.z;
    EXPECT_NEAR(got.z, want.z, 1e-4) << d.x << " " << d.y << " " << d.z;
  }
  VLq before = vp->orientation;
  VLp3 tiny = {0.001f, 0, 0};
  VLviewpoint_setdirection(vp, &tiny);
  EXPECT_EQ(memcmp(&before, &vp->orientation, sizeof before), 0);
}

TEST_F(ViewpointTest, ViewPutsWhatIsAheadAtNegativeEyeZ) {
  VLwindow *w = VLuniverse_getwindows();
  VLviewpoint *vp = VLuniverse_getviewpoint();
  VLp3 pos = {0, 0, -5};
  VLviewpoint_setposition(vp, &pos);
  VLp3 dir = {0, 0, 1};
  VLviewpoint_setdirection(vp, &dir);
  _VLrenderer_setupview(w, 0);
  const float *m = w->context->view;
  /* The origin is 5 ahead; a point to the right (+x) stays on the right. */
  auto eye = [&](float x, float y, float z, int c) {
    return x * m[c] + y * m[4 + c] + z * m[8 + c] + m[12 + c];
  };
  EXPECT_NEAR(eye(0, 0, 0, 2), -5.0f, 1e-5);
  EXPECT_NEAR(eye(1, 0, 0, 0), 1.0f, 1e-5);
  EXPECT_NEAR(eye(0, 1, 0, 1), 1.0f, 1e-5);
  /* The viewpoint's own near distance overrides the window's. */
  VLviewpoint_sethither(vp, 3.0f);
  _VLrenderer_setupview(w, 0);
  EXPECT_FLOAT_EQ(w->renderstate->hither, 3.0f);
}
