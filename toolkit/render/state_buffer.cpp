/* Writing and executing the state execute buffer. */
#include "render/state_buffer.h"

#include <string.h>

#include "display/device/device.h"
#include "render/render_state.h"
#include "vlx/renderer.h"

namespace {

/* Writes instructions of single items from the start of the buffer. */
struct Writer {
  uint8_t *buf;
  uint32_t at = 0;
  void item(uint8_t opcode, uint32_t code, uint32_t value) {
    VLinstruction ins{opcode, sizeof(VLstateitem), 1};
    VLstateitem s{code, value};
    memcpy(buf + at, &ins, sizeof ins);
    memcpy(buf + at + sizeof ins, &s, sizeof s);
    at += sizeof ins + sizeof s;
  }
  void run(void) {
    VLinstruction end{VLOP_EXIT, 0, 0};
    memcpy(buf + at, &end, sizeof end);
    at += sizeof end;
    if (VLdevice *dev = _VLdevice()) dev->execute(buf, 0, 0, at);
  }
};

}  // namespace

void _VLstate_execute(VLrendercontext *c, uint8_t opcode, uint32_t code, uint32_t value) {
  if (!c || !c->statebuffer) return;
  Writer w{c->statebuffer};
  w.item(opcode, code, value);
  w.run();
}

void _VLstate_initial(VLrendercontext *c) {
  if (!c || !c->statebuffer) return;
  Writer w{c->statebuffer};
  w.item(VLOP_LIGHTSTATE, VLLS_AMBIENT, _VLrender().packedambient);
  w.item(VLOP_RENDERSTATE, VLRS_SHADEMODE, VLSHADE_GOURAUD);
  w.item(VLOP_RENDERSTATE, VLRS_ZENABLE, 1);
  w.item(VLOP_RENDERSTATE, VLRS_TEXTUREHANDLE, 0);
  w.item(VLOP_RENDERSTATE, VLRS_BLENDENABLE, 0);
  w.run();
}
