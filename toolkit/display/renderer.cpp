/* Renderer start-up, frame and shutdown. For now the start-up prints the
 * version line and completes at once (no device is driven yet), so the
 * universe is usable and frames draw nothing. */
#include "core/messages.h"
#include "vlx/diag.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"

void VLrenderer_init(int, int) {
  VLuniverse *u = VLuniverse_current();
  if (!u) return;
  if (VLtoolkit_program() == VLPROGRAM_WINDOWED)
    VLmsg_info(VLTXT_VERSION_WINDOWED);
  else
    VLmsg_info(VLTXT_VERSION_CONSOLE);
  u->ready = VLRENDERER_READY;
}

void VLrenderer_frame(void) {}

void VLrenderer_close(void) {}
