/* The initialisation file. Reading it is not built yet: the options block
 * keeps its defaults. */
#include "vlx/window.h"

void VLini_read(void) {}
