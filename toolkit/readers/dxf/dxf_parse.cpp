/* The DXF parser, written by hand over the scanner's pairs. It accepts
 *   file     := section* "0 EOF"
 *   section  := "0 SECTION" "2 name" body "0 ENDSEC"
 *   TABLES   := ("0 TABLE" field* entry* "0 ENDTAB")*
 *   BLOCKS   := ("0 BLOCK" field* entity* "0 ENDBLK" field*)*
 *   ENTITIES := entity*
 *   entry, entity := "0 keyword" field*
 * where a field is any pair with a group code other than 0, in any order.
 * Comments (group 999) may stand anywhere.
 * HEADER, CLASSES and sections of newer files are read past. A group 0
 * value that is no keyword (an entity kind of a newer file) is warned
 * about once per kind and read past up to the next group 0; a keyword in
 * the wrong place is a syntax error, which ends the reading. */
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "readers/dxf/dxf_internal.h"

namespace {

/* Longest name kept of a layer or block. */
const size_t kNameMax = 255;
/* The current pair is a pair that did not convert. */
const int kBadPair = -2;

void advance(VLdxfreader &r) {
  if (!r.scan.next(r.cur) && r.scan.bad()) r.cur.code = kBadPair;
}

bool at(const VLdxfreader &r, int key) { return r.cur.code == 0 && r.cur.key == key; }

/* The fields after the current group 0 pair, into e. */
void read_fields(VLdxfreader &r, VLdxfentity &e) {
  e.reset(r.cur.key);
  advance(r);
  while (r.cur.code > 0) {
    e.store(r.cur);
    advance(r);
  }
  if (e.name.size() > kNameMax) e.name.resize(kNameMax);
}

/* A group 0 value that is no keyword: warned about once per kind, read
 * past up to the next group 0. */
void skip_unknown(VLdxfreader &r) {
  std::string kind = r.cur.text;
  size_t b = kind.find_first_not_of(" \t"), e = kind.find_last_not_of(" \t");
  kind = b == std::string::npos ? std::string() : kind.substr(b, e - b + 1);
  if (r.skippedkinds.insert(kind).second) {
    VLMSG(DXF_GROUP_CODE);
    VLMSG(DXF_GROUP_SKIPPED, kind.c_str());
  }
  advance(r);
  while (r.cur.code > 0) advance(r);
}

bool is_entity(int key) { return key >= VLDXF_LINE && key <= VLDXF_VIEWPORT; }
bool is_table_entry(int key) { return key >= VLDXF_LTYPE && key <= VLDXF_BLOCK_RECORD; }

/* Entities up to the group 0 keyword end (not read). */
bool parse_entities(VLdxfreader &r, int end) {
  for (;;) {
    if (r.cur.code != 0) return _VLdxf_syntaxerror(r);
    int key = r.cur.key;
    if (key == end) return _VLdxf_endpolyline(r);
    if (is_entity(key)) {
      read_fields(r, r.e);
      if (!_VLdxf_convert(r)) return false;
    } else if (key == VLDXF_NONE) {
      skip_unknown(r);
    } else {
      return _VLdxf_syntaxerror(r);
    }
  }
}

/* A LAYER entry: frozen (flag bit 1) or off (negative colour) layers keep
 * a negative colour. A later entry of the same name replaces it. */
void add_layer(VLdxfreader &r, const VLdxfentity &e) {
  long colour = e.geti(62, 7);
  bool hidden = colour < 0 || (e.geti(70, 0) & 1);
  long c = labs(colour);
  if (c == 0 || c > 255) c = 7;
  VLdxflayer layer{e.name, int(hidden ? -c : c)};
  auto found = r.layerindex.find(e.name);
  if (found != r.layerindex.end()) {
    r.layers[found->second] = layer;
    return;
  }
  r.layerindex.emplace(e.name, r.layers.size());
  r.layers.push_back(layer);
}

/* The active viewport gives the view: its target and direction. */
void take_view(VLdxfreader &r, const VLdxfentity &e) {
  if (r.hasview || _VLdxf_keyword(2, e.name) != VLDXF_ACTIVE) return;
  r.hasview = true;
  r.viewtarget = _VLdxf_point(e, 7);
  r.viewdir = _VLdxf_point(e, 6);
}

bool parse_table(VLdxfreader &r) {
  read_fields(r, r.e);
  for (;;) {
    if (r.cur.code != 0) return _VLdxf_syntaxerror(r);
    int key = r.cur.key;
    if (key == VLDXF_ENDTAB) {
      advance(r);
      return true;
    }
    if (is_table_entry(key)) {
      read_fields(r, r.e);
      if (key == VLDXF_LAYER) add_layer(r, r.e);
      if (key == VLDXF_VPORT) take_view(r, r.e);
    } else if (key == VLDXF_NONE) {
      skip_unknown(r);
    } else {
      return _VLdxf_syntaxerror(r);
    }
  }
}

/* One BLOCK definition: its entities go to a block record of its name
 * (the first definition of a name is the one inserted). */
bool parse_block(VLdxfreader &r) {
  read_fields(r, r.e);
  std::unique_ptr<VLdxfblock> b(new VLdxfblock);
  b->name = r.e.name;
  b->base = _VLdxf_point(r.e, 0);
  r.blockindex.emplace(b->name, r.blocks.size());
  r.block = b.get();
  r.blocks.push_back(std::move(b));
  bool ok = parse_entities(r, VLDXF_ENDBLK);
  r.block = r.blocks[0].get();
  if (!ok) return false;
  read_fields(r, r.e);
  return true;
}

/* The items of TABLES or BLOCKS up to ENDSEC. */
bool parse_list(VLdxfreader &r, int item, bool (*parse)(VLdxfreader &)) {
  for (;;) {
    if (r.cur.code != 0) return _VLdxf_syntaxerror(r);
    int key = r.cur.key;
    if (key == VLDXF_ENDSEC) return true;
    if (key == item) {
      if (!parse(r)) return false;
    } else if (key == VLDXF_NONE) {
      skip_unknown(r);
    } else {
      return _VLdxf_syntaxerror(r);
    }
  }
}

/* A section that holds no geometry: read past up to ENDSEC. */
bool skip_section(VLdxfreader &r) {
  while (!at(r, VLDXF_ENDSEC)) {
    if (r.cur.code < 0) return _VLdxf_syntaxerror(r);
    advance(r);
  }
  return true;
}

bool parse_section(VLdxfreader &r) {
  advance(r);
  if (r.cur.code != 2) return _VLdxf_syntaxerror(r);
  int name = r.cur.key;
  advance(r);
  bool ok;
  if (name == VLDXF_TABLES) {
    ok = parse_list(r, VLDXF_TABLE, parse_table);
  } else if (name == VLDXF_BLOCKS) {
    ok = parse_list(r, VLDXF_BLOCK, parse_block);
  } else if (name == VLDXF_ENTITIES) {
    r.block = r.blocks[0].get();
    ok = parse_entities(r, VLDXF_ENDSEC);
  } else {
    ok = skip_section(r);
  }
  if (!ok) return false;
  advance(r);
  return true;
}

}  // namespace

bool _VLdxf_syntaxerror(VLdxfreader &r) {
  if (!r.failed) VLMSG(DXF_SYNTAX_ERROR, r.cur.line, r.cur.text.c_str());
  r.failed = true;
  return false;
}

bool _VLdxf_parse(VLdxfreader &r) {
  advance(r);
  for (;;) {
    if (at(r, VLDXF_EOF)) return true;
    if (r.cur.code == 0 && r.cur.key == VLDXF_NONE) {
      skip_unknown(r);
      continue;
    }
    if (!at(r, VLDXF_SECTION)) return _VLdxf_syntaxerror(r);
    if (!parse_section(r)) return false;
  }
}

void VLdxfentity::reset(int k) {
  key = k;
  memset(hasf, 0, sizeof hasf);
  memset(hasi, 0, sizeof hasi);
  name.clear();
  layer.clear();
}

void VLdxfentity::store(const VLdxfpair &p) {
  int c = p.code;
  if (c == 2) name = p.text;
  else if (c == 8) layer = p.text;
  else if (c >= 10 && c <= 59) f[c - 10] = p.f, hasf[c - 10] = 1;
  else if (c >= 210 && c <= 239) f[c - 160] = p.f, hasf[c - 160] = 1;
  else if (c >= 60 && c <= 79) i[c - 60] = p.i, hasi[c - 60] = 1;
}

bool VLdxfentity::has(int code) const {
  if (code >= 10 && code <= 59) return hasf[code - 10];
  if (code >= 210 && code <= 239) return hasf[code - 160];
  if (code >= 60 && code <= 79) return hasi[code - 60];
  return false;
}

double VLdxfentity::get(int code, double fallback) const {
  if (code >= 10 && code <= 59) return hasf[code - 10] ? f[code - 10] : fallback;
  if (code >= 210 && code <= 239) return hasf[code - 160] ? f[code - 160] : fallback;
  return fallback;
}

long VLdxfentity::geti(int code, long fallback) const {
  return code >= 60 && code <= 79 && hasi[code - 60] ? i[code - 60] : fallback;
}
