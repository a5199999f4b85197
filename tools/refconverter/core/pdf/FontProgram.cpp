#include "core/pdf/FontProgram.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <string>

namespace refconv::pdf {

namespace {

FT_Face faceOf(void* face) { return static_cast<FT_Face>(face); }

// What FreeType's outline walk hands over, in the program's units, divided to ems.
struct Walk {
  GlyphPath* path;
  double scale;
  void add(const FT_Vector* v) { path->points.push_back({v->x * scale, v->y * scale}); }
};

int moveTo(const FT_Vector* to, void* user) {
  auto* walk = static_cast<Walk*>(user);
  walk->path->ops.push_back(GlyphPath::Op::Move);
  walk->add(to);
  return 0;
}
int lineTo(const FT_Vector* to, void* user) {
  auto* walk = static_cast<Walk*>(user);
  walk->path->ops.push_back(GlyphPath::Op::Line);
  walk->add(to);
  return 0;
}
int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* walk = static_cast<Walk*>(user);
  walk->path->ops.push_back(GlyphPath::Op::Quad);
  walk->add(control);
  walk->add(to);
  return 0;
}
int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* walk = static_cast<Walk*>(user);
  walk->path->ops.push_back(GlyphPath::Op::Cubic);
  walk->add(c1);
  walk->add(c2);
  walk->add(to);
  return 0;
}

}  // namespace

std::shared_ptr<FontProgram> FontProgram::load(std::string bytes, int face, std::string& why) {
  std::shared_ptr<FontProgram> program(new FontProgram);
  program->bytes_ = std::move(bytes);
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    why = "the font reader could not start";
    return nullptr;
  }
  program->library_ = library;
  FT_Face loaded = nullptr;
  const FT_Error error = FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(program->bytes_.data()),
                                            static_cast<FT_Long>(program->bytes_.size()), face, &loaded);
  if (error != 0 || !loaded) {
    why = "the font program cannot be read (" + std::string(FT_Error_String(error) ? FT_Error_String(error) : "error") +
          " " + std::to_string(error) + ")";
    return nullptr;
  }
  program->face_ = loaded;
  return program;
}

FontProgram::~FontProgram() {
  if (face_) FT_Done_Face(faceOf(face_));
  if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

uint32_t FontProgram::glyphOfName(std::string_view name) const {
  if (name.empty() || !FT_HAS_GLYPH_NAMES(faceOf(face_))) return 0;
  const std::string copy(name);
  return FT_Get_Name_Index(faceOf(face_), copy.c_str());
}

uint32_t FontProgram::throughTable(int platform, int encoding, uint32_t code) const {
  FT_Face face = faceOf(face_);
  for (int i = 0; i < face->num_charmaps; ++i) {
    FT_CharMap map = face->charmaps[i];
    if (map->platform_id != platform || map->encoding_id != encoding) continue;
    if (FT_Set_Charmap(face, map) != 0) return 0;
    return FT_Get_Char_Index(face, code);
  }
  return 0;
}

uint32_t FontProgram::glyphOfUnicode(uint32_t unicode) const {
  FT_Face face = faceOf(face_);
  if (unicode == 0 || FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) return 0;
  return FT_Get_Char_Index(face, unicode);
}

uint32_t FontProgram::glyphOfCode(uint8_t code) const {
  FT_Face face = faceOf(face_);
  if (uint32_t glyph = throughTable(3, 0, 0xF000 + code)) return glyph;
  if (uint32_t glyph = throughTable(3, 0, code)) return glyph;
  if (uint32_t glyph = throughTable(1, 0, code)) return glyph;
  for (const FT_Encoding own : {FT_ENCODING_ADOBE_CUSTOM, FT_ENCODING_ADOBE_STANDARD, FT_ENCODING_ADOBE_EXPERT})
    if (FT_Select_Charmap(face, own) == 0)
      if (uint32_t glyph = FT_Get_Char_Index(face, code)) return glyph;
  return 0;
}

bool FontProgram::hasUnicodeTable() const {
  FT_Face face = faceOf(face_);
  for (int i = 0; i < face->num_charmaps; ++i)
    if (face->charmaps[i]->encoding == FT_ENCODING_UNICODE) return true;
  return false;
}

bool FontProgram::hasSymbolTable() const {
  FT_Face face = faceOf(face_);
  for (int i = 0; i < face->num_charmaps; ++i)
    if (face->charmaps[i]->platform_id == 3 && face->charmaps[i]->encoding_id == 0) return true;
  return false;
}

bool FontProgram::cidKeyed() const { return (faceOf(face_)->face_flags & FT_FACE_FLAG_CID_KEYED) != 0; }
bool FontProgram::hasGlyphNames() const { return FT_HAS_GLYPH_NAMES(faceOf(face_)); }
uint32_t FontProgram::glyphCount() const { return static_cast<uint32_t>(faceOf(face_)->num_glyphs); }
std::string FontProgram::familyName() const {
  const char* name = faceOf(face_)->family_name;
  return name ? name : "";
}

const GlyphPath* FontProgram::outline(uint32_t glyph) {
  if (const auto kept = outlines_.find(glyph); kept != outlines_.end()) return kept->second.get();
  FT_Face face = faceOf(face_);
  std::unique_ptr<GlyphPath> path;
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 &&
      face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
    path = std::make_unique<GlyphPath>();
    const double units = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    Walk walk{path.get(), 1 / units};
    const FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
    FT_Outline_Decompose(&face->glyph->outline, &funcs, &walk);
    path->advance = face->glyph->metrics.horiAdvance / units;
  }
  // A hostile program may name millions of glyphs: only so many are kept at once.
  if (outlines_.size() >= 65536) outlines_.clear();
  return outlines_.emplace(glyph, std::move(path)).first->second.get();
}

}  // namespace refconv::pdf
