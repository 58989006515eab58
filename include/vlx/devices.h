/* Devices: sensors (polled once per frame, each giving a translation and a
 * rotation that viewpoints, objects and motion links follow), the
 * window-mouse sensor driver, the serial-port layer over POSIX termios, the
 * protocol of the serial 3D-sound device ("CRE"), and sound output (kind 1
 * over SDL2 audio, kind 5 over the serial sound device).
 * Failures: operations return false, null, 0 or a negative result code
 * after a warning; nothing throws. Single-threaded: sound completion
 * reaches the toolkit as a window message through the message pump. */
#ifndef VLX_DEVICES_H
#define VLX_DEVICES_H

#include <stdint.h>

#include "vlx/math.h"

struct VLsensor;
struct VLviewpoint;

/* ------------------------------------------------------------------ */
/* Sensors */

/* Sensor kinds; any other value given at creation becomes 0. */
enum {
  VLSENSOR_POLLED = 0,    /* the update function runs every frame */
  VLSENSOR_UNPOLLED = 1,  /* opened and closed through the driver, not polled */
  VLSENSOR_VIRTUAL = 2    /* no open, no close, not polled */
};

/* Constraint bits of a sensor: each suppresses one contribution of the
 * mouse driver. */
enum {
  VLSENSOR_NOTX = 1, VLSENSOR_NOTY = 2, VLSENSOR_NOTZ = 4,
  VLSENSOR_NORX = 8, VLSENSOR_NORY = 16, VLSENSOR_NORZ = 32
};

/* Button word of the mouse driver. */
enum {
  VLBUTTON_LEFTPRESSED = 1, VLBUTTON_MIDDLEPRESSED = 2, VLBUTTON_RIGHTPRESSED = 4,
  VLBUTTON_LEFT = 8, VLBUTTON_MIDDLE = 16, VLBUTTON_RIGHT = 32,
  VLBUTTON_LEFTRELEASED = 64, VLBUTTON_RIGHTRELEASED = 128, VLBUTTON_MIDDLERELEASED = 256,
  VLBUTTON_LEFTDOUBLE = 512, VLBUTTON_RIGHTDOUBLE = 1024, VLBUTTON_MIDDLEDOUBLE = 2048
};

/* A serial port handed to a sensor: a port number of the serial layer.
 * The sensor owns it; deleting the sensor closes the port and frees it. */
struct VLserialport {
  int32_t port;
};

typedef bool (*VLsensoropen)(VLsensor *sensor);
typedef void (*VLsensorfn)(VLsensor *sensor);

struct VLsensor {
  VLp3 position;             /* translation of this frame; 0 */
  VLq orientation;           /* rotation of this frame; identity */
  VLp3 vector;               /* driver state: 0 */
  VLq quaternion;            /* driver state: identity */
  float values[3];           /* driver state: 0 */
  float sensitivity;         /* translational; 1.0 */
  float angular;             /* angular, radians; 0.087266 (5 degrees) */
  VLsensorfn close, update;
  uint32_t buttons;          /* the driver's button word; 0 */
  int16_t kind;              /* VLSENSOR_* */
  int16_t parameter;         /* driver parameter */
  VLsensor *next;            /* the universe's sensor list */
  VLserialport *port;        /* owned, or null */
  VLq offset;                /* frame offset; identity */
  uint8_t offseton;          /* 1: the frame offset is applied; 0 */
  uint8_t constraints;       /* VLSENSOR_NO* bits; 0 */
  void *buffers[2];          /* driver buffers (malloc'd), freed with the sensor */
};

/* Makes a sensor, opens it (unless virtual) and appends it to the
 * universe's sensor list. Null (and the port record freed) when open
 * returns false or there is no universe. */
VLsensor *VLsensor_new(VLsensoropen open, VLsensorfn close, VLsensorfn update,
                       VLserialport *port, int parameter, int kind);
/* One poll: a polled sensor runs its update function; then the frame
 * offset, when applied, turns the orientation (Q o Q*) and the position
 * (rotated by Q*). */
void VLsensor_update(VLsensor *sensor);
/* Deletes every motion link it drives (so viewpoints and objects no longer
 * follow it), closes it (unless virtual), frees its buffers and its port
 * record, takes it out of the universe's list and frees it. */
void VLsensor_delete(VLsensor *sensor);
/* Negative values are ignored. */
void VLsensor_setsensitivity(VLsensor *sensor, float value);
/* The frame offset Q; null stops applying it. */
void VLsensor_setoffset(VLsensor *sensor, const VLq *offset);

/* The window-mouse driver over the window procedure's mouse state: left
 * drag moves forward/back and turns about y, right drag moves sideways and
 * up/down, both buttons turn about x or z; a dead zone of 0.1 around the
 * window centre. Open gives the sensor a buffer of two floats (the mouse
 * position on screen) in buffers[0]; close releases it. */
bool VLmouse_open(VLsensor *sensor);
void VLmouse_close(VLsensor *sensor);
void VLmouse_update(VLsensor *sensor);

/* ------------------------------------------------------------------ */
/* Serial ports (ports 0 to VLSERIAL_PORTS - 1) */

#define VLSERIAL_PORTS 16

/* Opens a serial device (a tty path) into the port table in raw mode, 8
 * data bits, no parity, 1 stop bit, at the given speed (a standard rate
 * such as 9600 or 19200; 0 keeps the device's speed). A port already open
 * is closed first. False, with a warning naming the system error, when the
 * port number, the speed or the device is refused. */
bool VLserial_open(int port, const char *device, int baud);
/* Closes the port's handle; unknown or closed ports are ignored. */
void VLserial_close(int port);
/* 1 when a byte is waiting (it is held as the look-ahead), else 0. */
int VLserial_charready(int port);
/* The next byte (0-255), or -1 when none arrives within the time-out. */
int VLserial_getchar(int port);
/* 0 when every byte was written, 1 (after the system error for "serial
 * write data") when not. */
int VLserial_write(int port, const uint8_t *bytes, int count);
/* Waits until the port's output has been sent: 1, or 0 after the system
 * error for "FLUSH". */
int VLserial_flush(int port);

/* ------------------------------------------------------------------ */
/* The serial 3D-sound device ("CRE") */

struct VLsound;

/* Sets the port (initially 1), the number of units (initially 0) and
 * whether replies are expected after release and close (initially no). */
void VLcre_configure(int port, int units, bool replies);
/* Records that a client was opened on the device (bits 0-15); false when
 * it already is. */
bool VLcre_openclient(int client);
/* Installs the callback that runs once before the next packet. */
void VLcre_setpending(void (*callback)(void));
/* Sends operation 2-13 for the sound on the unit: 1 when sent (query: the
 * reply's result); 0 unknown unit, -1 no sound, -2 bad operation, -3 the
 * sound has no object number. Data: operation 9 one byte, 10 a float, 11
 * three 32-bit ints (pointers to them; null sends none). */
int VLcre_command(int unit, VLsound *sound, int operation, const void *data);
/* Releases the sound's object on the device and frees the sound's wave
 * buffers: 1, or the reply's error code. */
int VLcre_release(VLsound *sound);
/* Closes a client: 1 when closed; -1 unit 12 or above, -3 not the client
 * opened last, -2 not open; a reply's error code. */
int VLcre_close(int unit, int client);
/* Reads a reply with the given header (status -1: any open client): the
 * reply's result byte, or -7 wrong header, -8 wrong status, -9 a client
 * that is not open. */
int VLcre_readreply(int expected, int status);

/* ------------------------------------------------------------------ */
/* Sound */

/* Sound device kinds. */
enum { VLSOUND_WAVEOUT = 1, VLSOUND_SERIAL = 5 };
enum { VLSOUND_PLAYING = 1, VLSOUND_STOPPED = -1 };

/* Wave format of a sound's data (PCM). */
struct VLwaveformat {
  uint16_t tag;              /* 1 PCM */
  uint16_t channels;
  uint32_t rate;             /* samples per second */
  uint32_t bytespersecond;
  uint16_t blockalign;
  uint16_t bits;             /* per sample: 8 or 16 */
};

struct VLsounddevice;
struct VLsoundref;
typedef void (*VLsoundend)(VLsound *sound);

struct VLsound {
  VLwaveformat format;
  uint8_t *data;             /* the wave data (owned) */
  uint32_t length;           /* bytes */
  void *stream;              /* the open output stream; null when closed */
  uint16_t object;           /* serial device object number; 65535 none */
  int32_t words[2];          /* the first two values of the last data command */
  VLsounddevice *device;
  VLsoundref *ref;           /* the reference cell that refers to it, or null */
  VLsoundend end;            /* called when playing ends; may be null */
  int32_t state;             /* VLSOUND_PLAYING or VLSOUND_STOPPED */
  int32_t loops;             /* 1 or less once, -1 forever, n: n times */
  int32_t plays;             /* 1 at the start of playing */
  int32_t querystate;        /* from the last query reply */
  int32_t queryvalue;
  double queryseconds;
  VLsound *next;             /* the device's sounds */
};

struct VLsounddevice {
  int32_t kind;              /* VLSOUND_WAVEOUT or VLSOUND_SERIAL */
  VLsound *queued;           /* plays when the current sound completes */
  VLsound *sounds;
  VLsounddevice *next;       /* the process-wide device list */
};

/* A cell of a list of sound references. */
struct VLsoundref {
  VLsound *sound;
  VLsoundref *next;
};

/* A sound device of kind 1 (audio output; null with a warning when audio
 * cannot start) or kind 5 (the serial sound device); other kinds: null. */
VLsounddevice *VLsounddevice_open(int kind);
/* Kind 5 closes unit 0, client 0 of the serial device; on success (kind 1
 * always) the device's sounds are deleted and the device is freed. */
bool VLsounddevice_close(VLsounddevice *device);
/* A PCM WAV file read into a new, stopped sound of the device; null with a
 * warning when the file cannot be read or is bad or truncated. */
VLsound *VLsound_load(VLsounddevice *device, const char *path);
/* Starts playing; false when it could not (kind 1: also when the device is
 * busy, in which case the sound is queued and starts later). */
bool VLsound_play(VLsound *sound);
bool VLsound_stop(VLsound *sound);
/* Stops, unlinks and frees it; false (kind 5) when the device keeps it. */
bool VLsound_delete(VLsound *sound);
/* Completion of a kind-1 sound: loops, ends, or starts the queued sound.
 * The window procedure calls it for the sound whose stream finished. */
void VLsound_done(VLsound *sound);
/* Removes the sound's cell from the list and clears its back reference;
 * false when the list does not hold it. */
bool VLsound_unlink(VLsoundref **list, VLsound *sound);
/* The position in the listener's frame; (0, 0, 0) without a listener. */
void VLsound_relativeposition(const VLviewpoint *listener, const VLp3 *position, VLp3 *out);

#endif
