/* On screen (run by CTest under xvfb-run when it is installed; skipped
 * elsewhere): a window opens with its title, shows its background, and
 * closing it stops the loop. */
#include <gtest/gtest.h>

#include <SDL.h>
#include <stdlib.h>

#include "display/display_state.h"
#include "platform/platform_internal.h"
#include "vlx/universe.h"
#include "vlx/window.h"

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
