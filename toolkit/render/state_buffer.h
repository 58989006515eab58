/* The state execute buffer of a render context: single render-state or
 * light-state changes that must take effect at once (depth test, shade
 * mode, ambient, texture filters), executed outside the main buffer. */
#ifndef VLX_RENDER_STATE_BUFFER_H
#define VLX_RENDER_STATE_BUFFER_H

#include <stdint.h>

#include "display/device/execute.h"

struct VLrendercontext;

/* Executes one state item (opcode VLOP_RENDERSTATE or VLOP_LIGHTSTATE). */
void _VLstate_execute(VLrendercontext *c, uint8_t opcode, uint32_t code, uint32_t value);
/* The initial state block of a new context: ambient from the packed
 * ambient colour, Gouraud shading, depth test on. */
void _VLstate_initial(VLrendercontext *c);

#endif
