/* Cursors: no display is driven yet, so every call is a no-op; the
 * on-screen backend will keep its current cursor here. */
#include "platform/cursor.h"

void *_VLplatform_waitcursor(void) { return nullptr; }

void *_VLplatform_setcursor(void *) { return nullptr; }
