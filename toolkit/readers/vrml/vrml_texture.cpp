/* VRML Texture2: an inline image (registered as "SFImage<n>"), a local
 * file (its ".tga" form along VLIMAGES first, then the name as given), or
 * an "http://" image fetched into a private temporary file and loaded
 * from there (the image readers tell the formats apart by their bytes).
 * The texture becomes the current one; textured polygons are shaded and
 * tinted by their material. */
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "readers/bytes/modelpath.h"
#include "readers/vrml/vrml_internal.h"
#include "vlx/geometry.h"
#include "vlx/texture.h"

namespace {

VLtexture *from_image(VLvrmlstate &c, const VLvrmlimage &im) {
  if (im.width <= 0 || im.height <= 0 || !_VLvrml_count(c, VLVRML_IMAGES)) return nullptr;
  std::string name;
  do name = "SFImage" + std::to_string(c.imagecounter++);
  while (VLtexture_find(name.c_str()));
  return VLtexture_newfrompixels(name.c_str(), im.pixels.data(), im.width, im.height);
}

/* A texture under name, with the list's default filter. */
VLtexture *load(const std::string &name) { return VLtexture_get(name.c_str()); }

VLtexture *from_file(const std::string &name) {
  std::string tga = name;
  size_t dot = tga.rfind('.'), slash = tga.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) tga.erase(dot);
  tga += ".tga";
  std::string found;
  if (tga != name && _VLsearchpath_find("VLIMAGES", tga.c_str(), &found)) return load(tga);
  return load(name);
}

VLtexture *from_url(VLvrmlstate &c, const std::string &url) {
  std::string tmp = _VLvrml_fetchtemp(c, url);
  if (tmp.empty()) return nullptr;
  VLtexture *t = load(tmp);
  unlink(tmp.c_str());
  return t;
}

}  // namespace

VLtexture *_VLvrml_texture(VLvrmlstate &c, const VLvrmlrecord &r) {
  if (r.image) return from_image(c, *r.image);
  const VLvrmlvalue &f = r.get(VLF_FILENAME);
  if (!f.present || f.s.empty()) return nullptr;
  std::string name = _VLvrml_resolve(c, f.s);
  if (name.compare(0, 7, "http://") == 0) return from_url(c, name);
  return from_file(name);
}

VLnode *_VLvrml_buildtexture(VLvrmlstate &c, VLvrmlrecord &r, VLnode *, VLvrmldef *def) {
  VLtexture *t = _VLvrml_texture(c, r);
  _VLvrml_top(c).texture = t;
  if (def) {
    def->kind = VLDEF_TEXTURE;
    def->texture = t;
  }
  return nullptr;
}

void _VLvrml_texturepoly(VLpoly *p, VLtexture *t, const float *u, const float *v) {
  if (!t || !p) return;
  if (u ? VLpoly_settexture(p, t->name, u, v, true, false)
        : VLpoly_applytexture(p, t->name, true, false))
    p->flags |= VLPOLY_TINT;
}
