/* The command protocol of the serial 3D-sound device: command packets for
 * a sound's object on a unit, releasing an object, closing a client and
 * reading replies. Result codes: 1 done, 0 unknown unit, -1 no sound (or
 * unit out of range when closing), -2 bad operation (or client not open),
 * -3 no object number (or not the client opened last), -7 wrong reply
 * header, -8 wrong reply status, -9 reply for a client that is not open. */
#include <stdlib.h>

#include "core/messages.h"
#include "devices/devices_state.h"

namespace {

const int kCommand = 0x90, kRelease = 0xD0, kClose = 0xC0, kEnd = 0x04;
/* Reply headers (before the client identifier is or-ed in). */
const int kQueryReply = 0x30, kReleaseReply = 0x10, kCloseReply = 0x20;
const int kNoObject = 65535;

/* Operation data: 9 one byte, 10 a decimal float, 11 three 32-bit values
 * (the first two kept in the sound). */
void put_data(VLsound *sound, int operation, const void *data) {
  if (!data) return;
  if (operation == 9) _VLcre_put(*static_cast<const uint8_t *>(data) & 127);
  if (operation == 10) _VLcre_putfloat(*static_cast<const float *>(data));
  if (operation == 11) {
    const int32_t *v = static_cast<const int32_t *>(data);
    for (int i = 0; i < 3; ++i) _VLcre_put32(v[i]);
    sound->words[0] = v[0];
    sound->words[1] = v[1];
  }
}

/* The reply of a query: a name, two state bytes, a value, a time in ms
 * (14-bit low part, then the high part) and further 14-bit fields, of
 * which the state, the value and the time are kept. */
int read_query(VLsound *sound) {
  int r = VLcre_readreply(kQueryReply, 16);
  if (r < 0) return r;
  bool ok = true;
  int port = _VLdevices().cre.port;
  int count = VLserial_getchar(port);
  for (int i = 0; i < count && i < 128; ++i) VLserial_getchar(port);
  int s0 = VLserial_getchar(port), s1 = VLserial_getchar(port);
  sound->querystate = ((s0 & 127) | ((s1 & 127) << 7));
  sound->queryvalue = _VLcre_get14(&ok);
  int lo = _VLcre_get14(&ok) & 0x3FFF, hi = _VLcre_get14(&ok) & 0x3FFF;
  sound->queryseconds = double(lo + (long(hi) << 14)) * 0.001;
  return r;
}

void free_wave(VLsound *sound) {
  free(sound->data);
  sound->data = nullptr;
  sound->length = 0;
}

}  // namespace

void VLcre_configure(int port, int units, bool replies) {
  VLcrestate &c = _VLdevices().cre;
  c.port = port;
  c.units = units < 0 ? 0 : units;
  c.replies = replies;
}

bool VLcre_openclient(int client) {
  VLcrestate &c = _VLdevices().cre;
  if (client < 0 || client > 15 || (c.openmask & (1u << client))) return false;
  c.openmask |= 1u << client;
  c.nopen += 1;
  return true;
}

void VLcre_setpending(void (*callback)(void)) {
  VLcrestate &c = _VLdevices().cre;
  c.callback = callback;
  c.pending = callback != nullptr;
}

int VLcre_command(int unit, VLsound *sound, int operation, const void *data) {
  VLcrestate &c = _VLdevices().cre;
  if (unit < 0 || unit >= c.units) return 0;
  if (!sound) return -1;
  if (sound->object >= kNoObject) return -3;
  if (operation < 2 || operation > 13) return -2;
  c.inuse |= 1u << (unit & 31);
  _VLcre_beginpacket();
  _VLcre_put(kCommand);
  _VLcre_put14(sound->object);
  _VLcre_put(unit);
  _VLcre_put(operation);
  put_data(sound, operation, data);
  _VLcre_put(c.client);
  _VLcre_put(kEnd);
  _VLcre_send();
  return operation == 12 ? read_query(sound) : 1;
}

int VLcre_release(VLsound *sound) {
  VLcrestate &c = _VLdevices().cre;
  if (!sound) return -1;
  _VLcre_beginpacket();
  _VLcre_put(kRelease);
  _VLcre_put14(sound->object);
  _VLcre_put(0);
  _VLcre_put(0);
  int r = 1;
  if (c.replies) {
    _VLcre_put(c.client);
    _VLcre_send();
    r = VLcre_readreply(kReleaseReply, 16);
    if (r >= 0) r = 1;
  }
  _VLcre_send();
  free_wave(sound);
  return r;
}

int VLcre_close(int unit, int client) {
  VLcrestate &c = _VLdevices().cre;
  if (unit < 0 || unit >= 12) return -1;
  if (c.nopen - client != 1) return -3;
  if (client < 0 || client > 15 || !(c.openmask & (1u << client))) return -2;
  _VLcre_wait(c.replywait);
  _VLcre_beginpacket();
  const int bytes[] = {kClose, unit, client, 0, 0, 0, c.client, kEnd};
  for (int b : bytes) _VLcre_put(b);
  _VLcre_send();
  if (c.replies) {
    _VLcre_put(c.client);
    _VLcre_send();
    int r = VLcre_readreply(kCloseReply, 0);
    if (r < 0) return r;
  }
  c.openmask &= ~(1u << client);
  c.nopen -= 1;
  if (c.nopen == 0) {
    _VLcre_wait(c.replywait);
    if (c.messages) VLMSG(CRE_PORT_CLOSED);
    int port = c.port, wait = c.replywait;
    bool messages = c.messages;
    c = VLcrestate{};
    c.port = port;
    c.replywait = wait;
    c.messages = messages;
  }
  return 1;
}

/* Skips to the next byte with the high bit set (the header); then the
 * status and the result byte. */
int VLcre_readreply(int expected, int status) {
  VLcrestate &c = _VLdevices().cre;
  _VLcre_wait(c.replywait);
  int header = -1;
  while (VLserial_charready(c.port)) {
    header = VLserial_getchar(c.port);
    if (header & 0x80) break;
  }
  int masked = header < 0 ? header : header & (c.client ? 63 : 52);
  if (header < 0 || masked != (expected | c.client)) {
    VLMSG(CRE_READ_ERROR, unsigned(header), unsigned(masked), unsigned(expected),
          unsigned(c.client));
    return -7;
  }
  int s = VLserial_getchar(c.port);
  if (status >= 0 && s != status) return -8;
  if (status < 0 && (s < 0 || s > 15 || !(c.openmask & (1u << s)))) return -9;
  if (!c.client) c.client = header & 7;
  return VLserial_getchar(c.port);
}
