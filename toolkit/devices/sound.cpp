/* Sounds and sound devices. Kind 1 plays through an output stream per
 * sound (sound_stream.cpp); completion arrives through the message pump
 * and advances loops and the device's queued sound. Kind 5 drives the
 * serial sound device's objects (cre.cpp). WAV files are read with SDL's
 * loader, strictly: a truncated file is refused. */
#include <SDL.h>
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "devices/devices_state.h"
#include "vlx/viewpoint.h"

namespace {

const int kUnit = 0;

bool busy_with_other(const VLsound *sound) {
  for (const VLsound *s = sound->device->sounds; s; s = s->next)
    if (s != sound && s->stream) return true;
  return false;
}

bool play_waveout(VLsound *s) {
  if (busy_with_other(s)) {
    s->device->queued = s;
    return false;
  }
  _VLstream_close(s);
  if (!_VLstream_open(s)) {
    s->state = VLSOUND_STOPPED;
    return false;
  }
  s->state = VLSOUND_PLAYING;
  return true;
}

bool play_serial(VLsound *s) {
  if (VLcre_command(kUnit, s, 2, nullptr) != 1) return false;
  if (VLcre_command(kUnit, s, s->loops == -1 ? 6 : 5, nullptr) != 1) return false;
  s->state = VLSOUND_PLAYING;
  return true;
}

void unlink_from_device(VLsound *s) {
  VLsounddevice *d = s->device;
  if (!d) return;
  if (d->queued == s) d->queued = nullptr;
  for (VLsound **p = &d->sounds; *p; p = &(*p)->next)
    if (*p == s) {
      *p = s->next;
      break;
    }
  s->device = nullptr;
}

void free_sound(VLsound *s) {
  _VLstream_close(s);
  free(s->data);
  free(s);
}

void fill_format(VLwaveformat *f, const SDL_AudioSpec &audio) {
  f->tag = SDL_AUDIO_ISFLOAT(audio.format) ? 3 : 1;
  f->channels = audio.channels;
  f->rate = uint32_t(audio.freq);
  f->bits = uint16_t(SDL_AUDIO_BITSIZE(audio.format));
  f->blockalign = uint16_t(f->channels * f->bits / 8);
  f->bytespersecond = f->rate * f->blockalign;
}

/* SDL's loader with truncation refused; the previous hint is restored. */
bool read_wav(const char *path, SDL_AudioSpec *audio, Uint8 **buf, Uint32 *len) {
  const char *old = SDL_GetHint(SDL_HINT_WAVE_TRUNCATION);
  char *keep = old ? SDL_strdup(old) : nullptr;
  SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "verystrict");
  bool ok = SDL_LoadWAV(path, audio, buf, len) != nullptr;
  SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, keep);
  SDL_free(keep);
  return ok;
}

}  // namespace

VLsounddevice *VLsounddevice_open(int kind) {
  if (kind != VLSOUND_WAVEOUT && kind != VLSOUND_SERIAL) return nullptr;
  if (kind == VLSOUND_WAVEOUT && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    VLMSG(SOUND_AUDIO_FAILED, SDL_GetError());
    return nullptr;
  }
  VLsounddevice *d = static_cast<VLsounddevice *>(calloc(1, sizeof(VLsounddevice)));
  if (!d) return nullptr;
  d->kind = kind;
  d->next = _VLdevices().devices;
  _VLdevices().devices = d;
  return d;
}

void _VLsounddevice_free(VLsounddevice *d) {
  while (VLsound *s = d->sounds) {
    d->sounds = s->next;
    free_sound(s);
  }
  for (VLsounddevice **p = &_VLdevices().devices; *p; p = &(*p)->next)
    if (*p == d) {
      *p = d->next;
      break;
    }
  bool audio = d->kind == VLSOUND_WAVEOUT;
  free(d);
  if (audio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool VLsounddevice_close(VLsounddevice *d) {
  if (!d) return false;
  if (d->kind == VLSOUND_SERIAL && VLcre_close(0, 0) != 1) return false;
  _VLsounddevice_free(d);
  return true;
}

VLsound *VLsound_load(VLsounddevice *d, const char *path) {
  if (!d || !path) return nullptr;
  SDL_AudioSpec audio;
  Uint8 *buf = nullptr;
  Uint32 len = 0;
  if (!read_wav(path, &audio, &buf, &len)) {
    VLMSG(SOUND_CANNOT_LOAD, path, SDL_GetError());
    return nullptr;
  }
  VLsound *s = static_cast<VLsound *>(calloc(1, sizeof(VLsound)));
  s->data = static_cast<uint8_t *>(malloc(len ? len : 1));
  if (len) memcpy(s->data, buf, len);
  SDL_FreeWAV(buf);
  s->length = len;
  fill_format(&s->format, audio);
  s->object = 65535;
  s->device = d;
  s->state = VLSOUND_STOPPED;
  s->loops = 1;
  s->plays = 1;
  s->next = d->sounds;
  d->sounds = s;
  return s;
}

bool VLsound_play(VLsound *s) {
  if (!s || !s->device) return false;
  if (s->device->kind == VLSOUND_WAVEOUT) return play_waveout(s);
  if (s->device->kind == VLSOUND_SERIAL) return play_serial(s);
  return false;
}

bool VLsound_stop(VLsound *s) {
  if (!s || !s->device) return false;
  if (s->device->queued == s) s->device->queued = nullptr;
  if (s->device->kind == VLSOUND_WAVEOUT) {
    _VLstream_close(s);
  } else if (s->device->kind != VLSOUND_SERIAL || VLcre_command(kUnit, s, 7, nullptr) != 1) {
    return false;
  }
  s->state = VLSOUND_STOPPED;
  s->plays = 1;
  return true;
}

bool VLsound_delete(VLsound *s) {
  if (!s || !s->device) return false;
  int kind = s->device->kind;
  VLsound_stop(s);
  if (kind == VLSOUND_SERIAL && VLcre_release(s) < 1) {
    VLMSG(SOUND_NOT_DELETED);
    return false;
  }
  unlink_from_device(s);
  free_sound(s);
  return true;
}

void VLsound_done(VLsound *s) {
  if (!s || !s->device) return;
  bool again = s->loops == -1 || (s->loops >= 2 && s->plays < s->loops);
  if (s->state == VLSOUND_PLAYING && again) {
    if (_VLstream_restart(s)) {
      s->plays += 1;
      return;
    }
  }
  VLsounddevice *d = s->device;
  s->state = VLSOUND_STOPPED;
  s->plays = 1;
  _VLstream_close(s);
  if (s->end) s->end(s);
  if (VLsound *q = d->queued) {
    d->queued = nullptr;
    VLsound_play(q);
  }
}

bool VLsound_unlink(VLsoundref **list, VLsound *sound) {
  if (!list || !sound) return false;
  for (VLsoundref **p = list; *p; p = &(*p)->next)
    if ((*p)->sound == sound) {
      *p = (*p)->next;
      sound->ref = nullptr;
      return true;
    }
  return false;
}

void VLsound_relativeposition(const VLviewpoint *listener, const VLp3 *position, VLp3 *out) {
  if (!out) return;
  *out = VLp3{0, 0, 0};
  if (!listener || !position) return;
  VLp3 d = {position->x - listener->position.x, position->y - listener->position.y,
            position->z - listener->position.z};
  const VLq &q = listener->orientation;
  VLq conj = {-q.x, -q.y, -q.z, q.w};
  VLq_rotate(&d, &conj, out);
}
