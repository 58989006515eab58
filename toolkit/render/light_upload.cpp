/* The renderer side of lights: the default lights and ambient installed at
 * renderer start-up, and the upload of the switched-on lights into the
 * current render context's eight slots (slot = light number) before each
 * window is drawn. Upload sets a slot up; the draw-list playback switches
 * it on where the scene's Light nodes are. Intensity reaches the device as
 * a grey colour. Spot cones are handed over in radians, as the device
 * takes them: the outer cone is twice the light's angle from the axis, the
 * inner cone zero, so the exponent shapes the falloff across the cone. */
#include "render/light_slots.h"
#include "scene/light_internal.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"

namespace {

/* Light types as the slots know them: 0 directional, 1 point, 2 spot. */
void upload_one(int slot, const VLlight *l) {
  int type = l->type <= VLLIGHTTYPE_SPOT ? int(l->type) : int(VLLIGHTTYPE_DIRECTED);
  _VLrenderer_lighttype(slot, type);
  _VLrenderer_lightintensity(slot, l->intensity);
  if (type == VLLIGHTTYPE_DIRECTED) {
    _VLrenderer_lightdirection(slot, l->direction);
    return;
  }
  _VLrenderer_lightposition(slot, l->position);
  _VLrenderer_lightattenuation(slot, l->attenuation[0], l->attenuation[1], l->attenuation[2]);
  if (type == VLLIGHTTYPE_SPOT) {
    _VLrenderer_lightdirection(slot, l->direction);
    _VLrenderer_lightfalloff(slot, l->exponent);
    _VLrenderer_lightangle(slot, 0.0f, 2.0f * l->angle);
  }
}

}  // namespace

void _VLlights_installdefaults(VLuniverse *u) {
  VLrenderersettings *s = VLrenderer_settings();
  if (!u || !s) return;
  VLlightstate &st = _VLlightstate();
  for (int i = 0; i < VLLIGHT_MAXON; ++i) {
    s->lights[i] = st.numbers[i];
    s->uploaded[i] = 0;
  }
  for (int i = 0; i < 3; ++i) s->ambient[i] = u->ambientrgb[i] * u->ambient / 255.0f;
  s->ambient[3] = 1.0f;
  s->ambientuploaded = 0;
  st.changed = true;
}

/* Every context gets every slot that holds a light: the uploaded flags are
 * one set for all windows while each window has its own slots. A slot
 * whose light has gone is switched off, so that it lights nothing more. */
void _VLlights_upload(VLrendercontext *c) {
  VLrenderersettings *s = VLrenderer_settings();
  if (!c || !s) return;
  for (int i = 0; i < VLLIGHT_MAXON; ++i) {
    const VLlight *l = s->lights[i];
    if (l) upload_one(i, l);
    else if (c->lights[i].on) _VLrenderer_lightoff(i);
  }
  _VLlightstate().changed = false;
}
