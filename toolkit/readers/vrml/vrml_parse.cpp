/* The VRML grammar: a node is its type keyword, "{", its fields in any
 * order (an extension node's "fields [ ... ]" declaration first is
 * skipped), then for grouping types its children, then "}". Children are
 * nodes, "DEF name" before a node, "USE name", or an unknown node type,
 * which is tossed with its braces. Each node type has a build routine
 * called from one table; nesting deeper than VLVRML_MAXDEPTH is refused
 * before the stack could run out. */
#include <memory>

#include "core/messages.h"
#include "readers/vrml/vrml_internal.h"

namespace {

VLnode *build_nothing(VLvrmlstate &, VLvrmlrecord &, VLnode *, VLvrmldef *) { return nullptr; }

const VLvrmlbuildfn kBuild[VLN_COUNT] = {
    build_nothing,               /* AsciiText */
    _VLvrml_buildprimitive,      /* Cone */
    _VLvrml_buildproperty,       /* Coordinate3 */
    _VLvrml_buildprimitive,      /* Cube */
    _VLvrml_buildprimitive,      /* Cylinder */
    _VLvrml_buildlight,          /* DirectionalLight */
    build_nothing,               /* FontStyle */
    _VLvrml_buildgroup,          /* Group */
    _VLvrml_buildfaceset,        /* IndexedFaceSet */
    build_nothing,               /* IndexedLineSet */
    _VLvrml_buildinfo,           /* Info */
    _VLvrml_buildgroup,          /* LevelOfDetail */
    _VLvrml_buildgroup,          /* LOD */
    _VLvrml_buildmaterial,       /* Material */
    _VLvrml_buildproperty,       /* MaterialBinding */
    _VLvrml_buildtransform,      /* MatrixTransform */
    _VLvrml_buildproperty,       /* Normal */
    _VLvrml_buildproperty,       /* NormalBinding */
    build_nothing,               /* OrthographicCamera */
    _VLvrml_buildcamera,         /* PerspectiveCamera */
    _VLvrml_buildlight,          /* PointLight */
    build_nothing,               /* PointSet */
    _VLvrml_buildtransform,      /* Rotation */
    _VLvrml_buildtransform,      /* Scale */
    _VLvrml_buildgroup,          /* Separator */
    _VLvrml_buildproperty,       /* ShapeHints */
    _VLvrml_buildprimitive,      /* Sphere */
    _VLvrml_buildlight,          /* SpotLight */
    _VLvrml_buildgroup,          /* Switch */
    _VLvrml_buildtexture,        /* Texture2 */
    _VLvrml_buildproperty,       /* Texture2Transform */
    _VLvrml_buildproperty,       /* TextureCoordinate2 */
    _VLvrml_buildtransform,      /* Transform */
    _VLvrml_buildgroup,          /* TransformSeparator */
    _VLvrml_buildtransform,      /* Translation */
    _VLvrml_buildgroup,          /* WWWAnchor */
    _VLvrml_buildinline,         /* WWWInline */
};

bool is_name(int t) { return t >= VLT_NAME && t <= VLT_ENUM; }

/* Skips tokens up to the "}" that matches a "{" already read. */
void skip_braces(VLvrmlstate &c) {
  long depth = 1;
  while (depth > 0) {
    int t = _VLvrml_lex(c);
    if (t == VLT_EOF) _VLvrml_syntax(c);
    if (t == VLT_LBRACE) ++depth;
    if (t == VLT_RBRACE) --depth;
  }
}

/* "fields [ ... ]" at the start of a body. */
void skip_declarations(VLvrmlstate &c) {
  _VLvrml_expect(c, VLT_LBRACKET);
  for (;;) {
    int t = _VLvrml_lex(c);
    if (t == VLT_RBRACKET) return;
    if (t == VLT_EOF) _VLvrml_syntax(c);
  }
}

int field_slot(const VLvrmlrecord &r, int field) {
  for (int i = 0; i < r.def->count; ++i)
    if (r.def->fields[i].field == field) return i;
  return -1;
}

void init_record(VLvrmlrecord &r) {
  for (int i = 0; i < r.def->count; ++i) {
    const VLvrmlfielddef &fd = r.def->fields[i];
    for (int k = 0; k < 4; ++k) r.v[i].f[k] = fd.def[k];
    r.v[i].i = fd.idef;
  }
}

VLvrmldef *def_record(VLvrmlstate &c, const std::string &name) {
  auto it = c.defindex.find(name);
  if (it != c.defindex.end()) {
    *it->second = VLvrmldef();
    it->second->name = name;
    return it->second;
  }
  VLvrmldef *d = new VLvrmldef;
  d->name = name;
  c.defs.push_back(d);
  c.defindex.emplace(name, d);
  return d;
}

VLvrmldef *find_def(VLvrmlstate &c, const std::string &name) {
  auto it = c.defindex.find(name);
  return it == c.defindex.end() ? nullptr : it->second;
}

void toss(VLvrmlstate &c) {
  VLMSG(VRML_TOSSING, c.lex.text.c_str());
  _VLvrml_expect(c, VLT_LBRACE);
  skip_braces(c);
}

/* One child after its first token t. */
void child(VLvrmlstate &c, int t, VLnode *parent) {
  VLvrmldef *def = nullptr;
  if (t == VLT_DEF) {
    if (!is_name(_VLvrml_lex(c))) _VLvrml_syntax(c);
    def = def_record(c, c.lex.text);
    t = _VLvrml_lex(c);
  }
  if (t == VLT_NODETYPE) {
    int type = c.lex.keyword;
    _VLvrml_expect(c, VLT_LBRACE);
    _VLvrml_node(c, type, parent, def);
  } else if (t == VLT_USE && !def) {
    if (!is_name(_VLvrml_lex(c))) _VLvrml_syntax(c);
    VLvrmldef *d = find_def(c, c.lex.text);
    if (!d) VLMSG(VRML_USE_NOT_FOUND, c.lex.text.c_str(), c.lex.tokline);
    else _VLvrml_use(c, d, parent);
  } else if (is_name(t)) {
    toss(c);
  } else {
    _VLvrml_syntax(c);
  }
}

}  // namespace

void _VLvrml_readfields(VLvrmlstate &c, VLvrmlrecord &r) {
  init_record(r);
  bool first = true;
  for (;; first = false) {
    int t = _VLvrml_lex(c);
    if (t == VLT_RBRACE) return;
    if (t == VLT_FIELD && c.lex.keyword == VLF_FIELDS && first) {
      skip_declarations(c);
      continue;
    }
    int slot = t == VLT_FIELD ? field_slot(r, c.lex.keyword) : -1;
    if (slot >= 0) {
      r.next += _VLvrml_parsevalue(c, r.def->fields[slot], r.v[slot], r.next, &r.image);
      continue;
    }
    if (!r.def->grouping) _VLvrml_syntax(c);
    _VLvrml_unlex(c, t);
    r.children = true;
    return;
  }
}

void _VLvrml_children(VLvrmlstate &c, VLnode *parent) {
  for (;;) {
    int t = _VLvrml_lex(c);
    if (t == VLT_RBRACE) return;
    child(c, t, parent);
  }
}

VLnode *_VLvrml_node(VLvrmlstate &c, int type, VLnode *parent, VLvrmldef *def) {
  if (c.depth >= VLVRML_MAXDEPTH) {
    VLMSG(VRML_TOO_DEEP, int(VLVRML_MAXDEPTH), c.lex.tokline);
    throw VLvrmlabort();
  }
  ++c.depth;
  VLvrmlrecord r;
  r.node = type;
  r.def = &_VLvrml_nodedef(type);
  r.next = _VLvrml_top(c).pooltop;
  std::unique_ptr<VLvrmlimage> image;
  VLnode *n;
  try {
    _VLvrml_readfields(c, r);
    image.reset(r.image);
    n = kBuild[type](c, r, parent, def);
  } catch (...) {
    if (!image) delete r.image;
    throw;
  }
  --c.depth;
  return n;
}

VLnode *_VLvrml_file(VLvrmlstate &c, VLnode *parent) {
  int t = _VLvrml_lex(c);
  VLvrmldef *def = nullptr;
  if (t == VLT_DEF) {
    t = _VLvrml_lex(c);
    if (is_name(t)) {
      def = def_record(c, c.lex.text);
      t = _VLvrml_lex(c);
    }
  }
  int type = c.lex.keyword;
  if (t != VLT_NODETYPE || _VLvrml_lex(c) != VLT_LBRACE) {
    VLMSG(VRML_FIRST_NODE);
    throw VLvrmlabort();
  }
  return _VLvrml_node(c, type, parent, def);
}
