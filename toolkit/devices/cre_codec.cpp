/* Byte encodings of the serial sound device. Packets start with a byte
 * that has the high bit set; every data byte carries 7 bits. Outgoing
 * bytes collect in a 512-byte buffer that is written to the port when it
 * fills and at the end of every packet. */
#include <math.h>
#include <stdint.h>

#include <chrono>
#include <thread>

#include "devices/devices_state.h"

void _VLcre_send(void) {
  VLcrestate &c = _VLdevices().cre;
  if (c.fill > 0) VLserial_write(c.port, c.out, c.fill);
  c.fill = 0;
}

void _VLcre_put(int byte) {
  VLcrestate &c = _VLdevices().cre;
  if (c.fill >= VLCRE_BUFSIZE) _VLcre_send();
  c.out[c.fill++] = uint8_t(byte);
}

void _VLcre_put14(int value) {
  _VLcre_put(value & 127);
  _VLcre_put((value >> 7) & 127);
}

void _VLcre_put32(int32_t value) {
  uint32_t v = uint32_t(value);
  _VLcre_put14(int(v & 0x3FFF));
  _VLcre_put14(int((v >> 14) & 0x3FFF));
  _VLcre_put14(int((v >> 28) & 0xF));
}

/* x = M * 10^e with 32 <= |M| < 512 where the exponent range allows:
 * ((M & 7) << 4) | (e & 15), then (M >> 3) & 127. The mantissa is rounded
 * half away from zero, and one that rounds up to 512 is scaled once more,
 * so that it still fits its ten bits. */
void _VLcre_putfloat(float x) {
  if (fabsf(x) < 1e-7f) {
    _VLcre_put(0);
    _VLcre_put(0);
    return;
  }
  double m = x;
  int e = 0;
  while (fabs(m) < 32.0 && e > -16) {
    m *= 10.0;
    --e;
  }
  while (fabs(m) >= 512.0 && e < 16) {
    m *= 0.1;
    ++e;
  }
  long M = long(m < 0 ? m - 0.5 : m + 0.5);
  if ((M >= 512 || M <= -512) && e < 16) {
    M = M / 10;
    ++e;
  }
  _VLcre_put(int(((M & 7) << 4) | (e & 15)));
  _VLcre_put(int((M >> 3) & 127));
}

int _VLcre_signextend14(int value) {
  value &= 0x3FFF;
  return value & 0x2000 ? value - 0x4000 : value;
}

namespace {
int get7(bool *ok) {
  int c = VLserial_getchar(_VLdevices().cre.port);
  if (c < 0) *ok = false;
  return c < 0 ? 0 : c & 127;
}
}  // namespace

int _VLcre_get14(bool *ok) {
  int lo = get7(ok);
  int hi = get7(ok);
  return _VLcre_signextend14(lo | (hi << 7));
}

/* The three parts are taken as plain 14-bit fields: only the whole value
 * carries a sign. */
int32_t _VLcre_get32(bool *ok) {
  uint32_t a = uint32_t(_VLcre_get14(ok)) & 0x3FFF;
  uint32_t b = uint32_t(_VLcre_get14(ok)) & 0x3FFF;
  uint32_t c = uint32_t(_VLcre_get14(ok)) & 0xF;
  return int32_t(a | (b << 14) | (c << 28));
}

void _VLcre_wait(int ticks) {
  if (ticks > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ticks));
}

void _VLcre_beginpacket(void) {
  VLcrestate &c = _VLdevices().cre;
  VLserial_flush(c.port);
  if (c.pending) {
    c.pending = false;
    if (c.callback) c.callback();
  }
}
