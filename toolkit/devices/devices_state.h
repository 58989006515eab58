/* Process-wide state of the devices family: the serial port table with
 * its look-ahead byte, the serial sound device's protocol state, the sound
 * device list and the open output streams. One accessor, and a reset for
 * tests. Sensors themselves are the universe's. */
#ifndef VLX_DEVICES_DEVICES_STATE_H
#define VLX_DEVICES_DEVICES_STATE_H

#include <stdint.h>

#include "vlx/devices.h"

#define VLCRE_BUFSIZE 512

/* The serial sound device's protocol state. */
struct VLcrestate {
  int port = 1;
  int32_t client = 0;             /* client identifier, learnt from the first reply */
  int units = 0;                  /* number of units */
  int nopen = 0;                  /* open clients */
  uint32_t openmask = 0;          /* bit per open client */
  uint32_t inuse = 0;             /* bit per unit used by a command */
  bool replies = false;           /* release and close read a reply */
  bool messages = true;           /* "Port closed." is printed */
  int replywait = 1000;           /* clock ticks (ms) before a reply is read */
  uint8_t out[VLCRE_BUFSIZE];     /* outgoing bytes */
  int fill = 0;
  bool pending = false;           /* the callback runs before the next packet */
  void (*callback)(void) = nullptr;
};

struct VLdevicesstate {
  int fds[VLSERIAL_PORTS];        /* port table: file descriptors, -1 closed */
  int lookahead = -1;             /* one byte shared by the table; -1 none */
  int timeout = 5;                /* read time-out in clock ticks (ms) */
  VLcrestate cre;
  VLsounddevice *devices = nullptr;
  uint64_t nextstream = 1;        /* serial numbers of output streams */
  int wavewrites = 0;             /* times a sound's data was started (tests) */
  VLdevicesstate() {
    for (int &fd : fds) fd = -1;
  }
};

VLdevicesstate &_VLdevices(void);
/* Tests: closes every port, frees every sound device, forgets the state. */
void _VLdevices_reset(void);

/* --- serial sound device encodings (cre_codec.cpp) --- */
/* Appends a byte to the output buffer (written out when full). */
void _VLcre_put(int byte);
/* A 14-bit value: bits 0-6, then bits 7-13. */
void _VLcre_put14(int value);
/* A 32-bit value: bits 0-13, 14-27, 28-31, each as a 14-bit value. */
void _VLcre_put32(int32_t value);
/* The decimal float: mantissa and exponent in two bytes. */
void _VLcre_putfloat(float value);
/* Writes the buffered bytes to the port. */
void _VLcre_send(void);
/* Reads a 14-bit value (sign-extended from bit 13); -1 when bytes are missing
 * is indistinguishable, so ok tells. */
int _VLcre_get14(bool *ok);
/* Reads a 32-bit value made of three 14-bit parts. */
int32_t _VLcre_get32(bool *ok);
/* Sign extension from bit 13 of a 14-bit value. */
int _VLcre_signextend14(int value);
/* Waits a number of clock ticks. */
void _VLcre_wait(int ticks);
/* Before a packet: flush the port, run a pending callback. */
void _VLcre_beginpacket(void);

/* --- sound streams (sound_stream.cpp): kind-1 output over SDL audio --- */
/* Opens a stream for the sound and starts it; false after the warning. */
bool _VLstream_open(VLsound *sound);
/* Plays the sound's data again from its start. */
bool _VLstream_restart(VLsound *sound);
/* Stops and closes the sound's stream, if any. */
void _VLstream_close(VLsound *sound);
/* Frees the device and its sounds without telling the device (sound.cpp). */
void _VLsounddevice_free(VLsounddevice *device);
/* The window procedure's completion notice: the stream with this serial. */
void _VLstream_done(long serial);

#endif
