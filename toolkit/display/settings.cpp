/* The window options block: defaults used before (and where) the
 * initialisation file says nothing. */
#include "vlx/window.h"

#include <string.h>

void VLsettings_setdefaults(VLsettings *s) {
  memset(s, 0, sizeof *s);
  s->width = 640;
  s->height = 480;
  s->bgcolor = 0x0000FF;
  s->word1 = 1;
  s->word3 = 13;
  s->ambient = 0.4f;
  s->ambientrgb = 0xFFFFFF;
  s->halffov = 0.6981317f;
  s->hither = 1.0f;
  s->yon = 65536.0f;
  s->write12 = 1;
  s->pumpmessages = 1;
  s->bytes[2] = 1;
  s->bytes[3] = 1;
}
