/* Texture failure reports: the last VLTEX_RECENT names reported are
 * remembered (most recent last) so that a texture missing from many
 * polygons is reported once. The message follows the texture error code,
 * which then returns to "not found". */
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "texture/texture_state.h"
#include "vlx/diag.h"
#include "vlx/texture.h"

namespace {

/* Moves entry i to the most recent place. */
void touch(VLtexturestate &s, int i) {
  char *name = s.recent[i];
  memmove(&s.recent[i], &s.recent[i + 1], size_t(s.nrecent - 1 - i) * sizeof(char *));
  s.recent[s.nrecent - 1] = name;
}

void remember(VLtexturestate &s, const char *name) {
  if (s.nrecent == VLTEX_RECENT) {
    free(s.recent[0]);
    memmove(&s.recent[0], &s.recent[1], (VLTEX_RECENT - 1) * sizeof(char *));
    --s.nrecent;
  }
  s.recent[s.nrecent++] = VLstrdup(name);
}

void print(int code, const char *name) {
  switch (code) {
    case VLTEXERR_NOMEMORY: VLMSG(TEX_NO_MEMORY, name); break;
    case VLTEXERR_FORMAT: VLMSG(TEX_BAD_FORMAT, name); break;
    case VLTEXERR_IO: VLMSG(TEX_IO_ERROR, name); break;
    case VLTEXERR_TOOLARGE: VLMSG(TEX_TOO_LARGE, name); break;
    case VLTEXERR_NOTSQUARE: VLMSG(TEX_NOT_SQUARE, name); break;
    case VLTEXERR_SIZE: VLMSG(TEX_BAD_SIZE, name); break;
    case VLTEXERR_COLORMAP: VLMSG(TEX_COLORMAP, name); break;
    case VLTEXERR_SILENT: break;
    default: VLMSG(TEX_NOT_FOUND, name); break;
  }
}

}  // namespace

void VLtexture_reporterror(const char *name) {
  if (!name) return;
  VLtexturestate &s = _VLtextures();
  for (int i = 0; i < s.nrecent; ++i)
    if (strcmp(s.recent[i], name) == 0) {
      touch(s, i);
      s.errorcode = VLTEXERR_NOTFOUND;
      return;
    }
  remember(s, name);
  print(s.errorcode, name);
  s.errorcode = VLTEXERR_NOTFOUND;
}
