/* Names of the OpenFlight opcodes, as the reader's messages give them. */
#include "readers/flt/flt_internal.h"

namespace {

struct OpName {
  int opcode;
  const char *name;
};

const OpName kNames[] = {
    {1, "header"},          {2, "group"},          {3, "lod"},
    {4, "object"},          {5, "poly"},           {7, "vert_abs"},
    {8, "vert_shad"},       {9, "vert_norm"},      {10, "push"},
    {11, "pop"},            {19, "push_sf"},       {20, "pop_sf"},
    {31, "comment"},        {32, "color_table"},   {49, "matrix"},
    {50, "vector"},         {51, "bbox"},          {55, "bsp"},
    {60, "replicate"},      {61, "instance_ref"},  {62, "instance_def"},
    {63, "external_ref"},   {64, "texture_ref"},   {65, "eyepoints"},
    {66, "material_table"}, {67, "vertex_table"},  {68, "dvert_abs"},
    {69, "dvert_norm"},     {70, "dvert_norm_tex"}, {71, "dvert_tex"},
    {73, "dlod"},           {87, "road"},          {88, "road_zone"},
    {89, "morph_vertices"}, {90, "linkage"},       {91, "sound"},
    {92, "road_path"},      {93, "sound_table"},   {94, "general_matrix"},
    {95, "text"},           {96, "switch"},        {97, "line_style"},
    {98, "clip_plane"},     {100, "extension"},    {101, "light_source"},
    {102, "light_palette"}};

}  // namespace

const char *_VLflt_opname(int opcode) {
  if ((opcode >= 40 && opcode <= 48) || (opcode >= 76 && opcode <= 82)) return "unknown_matrix";
  for (const OpName &n : kNames)
    if (n.opcode == opcode) return n.name;
  return "unknown";
}
