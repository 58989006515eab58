/* Process-wide state of the texture family in one record: the texture list
 * (newest first), the upload list, the default filter bytes, the texture
 * error code and the names of the last failures reported. One accessor and
 * a reset (after the textures were freed). */
#ifndef VLX_TEXTURE_TEXTURE_STATE_H
#define VLX_TEXTURE_TEXTURE_STATE_H

#include <stdint.h>

struct VLtexture;

/* Texture error codes (what VLtexture_reporterror prints). */
enum {
  VLTEXERR_NOTFOUND = 1,
  VLTEXERR_NOMEMORY = 2,
  VLTEXERR_FORMAT = 3,
  VLTEXERR_IO = 4,
  VLTEXERR_TOOLARGE = 5,
  VLTEXERR_NOTSQUARE = 6,
  VLTEXERR_SIZE = 7,
  VLTEXERR_SILENT = 8,
  VLTEXERR_COLORMAP = 9
};

#define VLTEX_RECENT 7

struct VLtexturestate {
  VLtexture *head = nullptr, *tail = nullptr;
  VLtexture *pending = nullptr;     /* upload list, newest first */
  int defaultmode = 1;              /* filter bytes of textures made later */
  int defaultlevel = 0;
  int errorcode = VLTEXERR_NOTFOUND;
  char *recent[VLTEX_RECENT] = {};  /* owned; oldest first */
  int nrecent = 0;
};

VLtexturestate &_VLtextures(void);
/* Frees the remembered names and restores the initial values. The texture
 * list must be empty (VLtexture_deleteall). */
void _VLtextures_reset(void);

#endif
