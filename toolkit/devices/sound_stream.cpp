/* Output streams of kind-1 sounds over SDL2 audio: one audio device per
 * playing sound, fed from the sound's data by SDL's audio thread. The
 * audio thread touches only its stream (under SDL's audio lock); when the
 * data has been handed out it posts one completion notice through the
 * window-system layer, and the toolkit's window procedure acts on it from
 * the message pump, on the toolkit's thread. Each stream has a serial
 * number, so a notice that arrives after its stream was closed (or its
 * SDL device number reused) matches nothing. */
#include <SDL.h>
#include <string.h>

#include "core/messages.h"
#include "devices/devices_state.h"
#include "display/display_state.h"
#include "platform/platform.h"

namespace {

struct Stream {
  SDL_AudioDeviceID device = 0;
  uint64_t serial = 0;
  const uint8_t *data = nullptr;   /* the sound's data; read by the audio thread */
  uint32_t length = 0;
  uint32_t position = 0;           /* under the audio lock */
  bool notified = false;           /* under the audio lock */
  uint8_t silence = 0;
};

void SDLCALL feed(void *userdata, Uint8 *out, int len) {
  Stream *s = static_cast<Stream *>(userdata);
  uint32_t left = s->length - s->position;
  uint32_t n = uint32_t(len) < left ? uint32_t(len) : left;
  if (n) memcpy(out, s->data + s->position, n);
  memset(out + n, s->silence, size_t(len) - n);
  s->position += n;
  if (s->position >= s->length && !s->notified) {
    s->notified = true;
    _VLplatform_postnotice(VLWM_WAVEDONE, long(s->serial), 0);
  }
}

SDL_AudioFormat sdl_format(const VLwaveformat &f) {
  if (f.tag == 3 && f.bits == 32) return AUDIO_F32LSB;
  if (f.bits == 8) return AUDIO_U8;
  if (f.bits == 32) return AUDIO_S32LSB;
  return AUDIO_S16LSB;
}

}  // namespace

bool _VLstream_open(VLsound *sound) {
  SDL_AudioSpec want, have;
  SDL_zero(want);
  want.freq = int(sound->format.rate);
  want.format = sdl_format(sound->format);
  want.channels = Uint8(sound->format.channels);
  want.samples = 1024;
  want.callback = feed;
  Stream *s = new Stream;
  s->data = sound->data;
  s->length = sound->length;
  want.userdata = s;
  s->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (!s->device) {
    VLMSG(SOUND_SYSTEM_ERROR, "SDL_OpenAudioDevice", SDL_GetError());
    delete s;
    return false;
  }
  s->silence = have.silence;
  s->serial = _VLdevices().nextstream++;
  /* Completion notices come back to the window procedure, which hands them here. */
  _VLdisplay().wavedone = _VLstream_done;
  sound->stream = s;
  _VLdevices().wavewrites += 1;
  SDL_PauseAudioDevice(s->device, 0);
  return true;
}

bool _VLstream_restart(VLsound *sound) {
  Stream *s = static_cast<Stream *>(sound->stream);
  if (!s) return false;
  SDL_LockAudioDevice(s->device);
  s->position = 0;
  s->notified = false;
  SDL_UnlockAudioDevice(s->device);
  _VLdevices().wavewrites += 1;
  return true;
}

void _VLstream_close(VLsound *sound) {
  Stream *s = static_cast<Stream *>(sound->stream);
  if (!s) return;
  SDL_CloseAudioDevice(s->device);   /* joins the audio thread */
  delete s;
  sound->stream = nullptr;
}

void _VLstream_done(long serial) {
  for (VLsounddevice *d = _VLdevices().devices; d; d = d->next) {
    if (d->kind != VLSOUND_WAVEOUT) continue;
    for (VLsound *s = d->sounds; s; s = s->next) {
      const Stream *st = static_cast<const Stream *>(s->stream);
      if (st && long(st->serial) == serial) {
        VLsound_done(s);
        return;
      }
    }
  }
}
