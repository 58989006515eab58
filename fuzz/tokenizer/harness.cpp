/* The tokenizer of every text format: lines, tokens, comments,
 * continuations, giving back a token, and each conversion with its
 * position report. */
#include <stdint.h>

#include "readers/text/tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  VLtokenizer *t = VLtok_openbytes("fuzz", reinterpret_cast<const char *>(data), size, "#");
  int round = 0;
  while (VLtok_nextline(t)) {
    float f[3];
    int i;
    uint8_t r, g, b;
    switch (round++ % 5) {
      case 0: VLtok_float3(t, f, "value"); break;
      case 1: VLtok_int(t, &i, "count"); break;
      case 2: VLtok_hexcolor(t, &r, &g, &b, "colour"); break;
      case 3:
        if (VLtok_next(t)) VLtok_unget(t);
        while (VLtok_next(t)) {
        }
        break;
      default: VLtok_showpos(t, 1, "here\n"); break;
    }
    while (VLtok_next(t)) {
    }
  }
  VLtok_close(t);
  return 0;
}
