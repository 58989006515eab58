/* On screen (run by CTest under xvfb-run when it is installed; skipped
 * elsewhere): a window opens with its title, shows its background, and
 * closing it stops the loop; the mouse over it flies the terrain scene. */
#include <gtest/gtest.h>

#include <SDL.h>
#include <math.h>
#include <stdlib.h>

#include <string>

#include "bench.h"

#include "display/display_state.h"
#include "platform/platform_internal.h"
#include "vlx/vlx.h"

TEST(OnScreen, WindowShowsItsBackgroundAndClosingStopsTheLoop) {
  const char *off = getenv("VLXOFFSCREEN");
  if (!getenv("DISPLAY") || (off && *off)) GTEST_SKIP() << "no display";
  testing::internal::CaptureStdout();
  VLuniverse_new(1, 0);
  testing::internal::GetCapturedStdout();
  ASSERT_NE(VLuniverse_current(), nullptr);
  ASSERT_TRUE(_VLplatform_onscreen());
  VLwindow *w = VLuniverse_getwindows();
  ASSERT_NE(w, nullptr);
  SDL_Window *sw = w->syswindow->sdl;
  ASSERT_NE(sw, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(sw), "Vylmar");

  VLuniverse_setbgcolor(0, 255, 0);
  VLuniverse_go1();
  SDL_Surface *s = SDL_GetWindowSurface(sw);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(SDL_LockSurface(s), 0);
  Uint32 px = static_cast<Uint32 *>(s->pixels)[(s->h / 2) * (s->pitch / 4) + s->w / 2];
  Uint8 r, g, b;
  SDL_GetRGB(px, s->format, &r, &g, &b);
  SDL_UnlockSurface(s);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(g, 255);
  EXPECT_EQ(b, 0);

  SDL_Event e = {};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  e.window.windowID = SDL_GetWindowID(sw);
  SDL_PushEvent(&e);
  VLuniverse_go();
  EXPECT_EQ(VLuniverse_getwindows(), nullptr);
  VLuniverse_delete();
  _VLdisplay_reset();
}

/* The pointer, moved over the window with a button down, flies the
 * terrain scene's viewpoint through its mouse sensor. */
TEST(OnScreen, MouseOverTheWindowTurnsTheTerrainViewpoint) {
  const char *off = getenv("VLXOFFSCREEN");
  if (!getenv("DISPLAY") || (off && *off)) GTEST_SKIP() << "no display";
  testing::internal::CaptureStdout();
  VLuniverse_new(1, 0);
  ASSERT_NE(VLuniverse_current(), nullptr);
  bench() = Bench();
  bench_startup();
  bench_terrainscene();
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(_VLplatform_onscreen());
  Bench &b = bench();
  ASSERT_NE(b.sensor, nullptr);
  if (b.path) VLpath_stop(b.path);   /* only the mouse moves the viewpoint */
  SDL_Window *sw = b.window->syswindow->sdl;
  ASSERT_NE(sw, nullptr);
  for (int i = 0; i < 5; ++i) VLuniverse_go1();
  VLq before = b.viewpoint->orientation;

  /* The pointer to the right of the centre, then the left button down. */
  SDL_WarpMouseInWindow(sw, b.window->width * 9 / 10, b.window->height / 2);
  SDL_Event e = {};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = SDL_GetWindowID(sw);
  e.button.button = SDL_BUTTON_LEFT;
  e.button.state = SDL_PRESSED;
  e.button.clicks = 1;
  e.button.x = b.window->width * 9 / 10;
  e.button.y = b.window->height / 2;
  SDL_PushEvent(&e);
  bool seen = false;
  /* Up to about 5 s: the X server may be slow on a loaded machine. */
  for (int i = 0; i < 1000 && !(seen && (b.sensor->buttons & VLBUTTON_LEFT)); ++i) {
    VLuniverse_go1();
    seen = VLmouse_state()->x > b.window->width / 2;
    SDL_Delay(5);
  }
  EXPECT_TRUE(seen) << "the pointer's motion did not reach the window";
  EXPECT_TRUE(b.sensor->buttons & VLBUTTON_LEFT);
  for (int i = 0; i < 5; ++i) VLuniverse_go1();
  const VLq &after = b.viewpoint->orientation;
  float change = fabsf(after.x - before.x) + fabsf(after.y - before.y) +
                 fabsf(after.z - before.z) + fabsf(after.w - before.w);
  EXPECT_GT(change, 0.01f);   /* the left button turns it about its y axis */

  bench() = Bench();
  *VLmouse_state() = VLmousestate{};
  VLuniverse_delete();
  _VLdisplay_reset();
}

/* A display that is named but cannot be reached: SDL would fall back to a
 * driver that shows nothing; the toolkit renders off screen instead, and
 * its windows have no SDL window behind them. */
TEST(OnScreenFallback, AnUnreachableDisplayRendersOffScreen) {
  struct Saved {
    const char *name;
    std::string value;
    bool set;
  } saved[] = {{"DISPLAY", "", false}, {"WAYLAND_DISPLAY", "", false},
               {"VLXOFFSCREEN", "", false}, {"SDL_VIDEODRIVER", "", false}};
  for (Saved &s : saved) {
    const char *v = getenv(s.name);
    s.set = v != nullptr;
    if (v) s.value = v;
    unsetenv(s.name);
  }
  setenv("DISPLAY", ":7931", 1);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  VLuniverse_new(1, 0);
  VLuniverse_setbgcolor(0, 0, 255);
  VLuniverse_go1();
  testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
  for (const Saved &s : saved) {
    if (s.set)
      setenv(s.name, s.value.c_str(), 1);
    else
      unsetenv(s.name);
  }
  EXPECT_FALSE(_VLplatform_onscreen());
  VLwindow *w = VLuniverse_getwindows();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->syswindow->sdl, nullptr);
  VLuniverse_delete();
  _VLdisplay_reset();
}
