// Font files read, not mapped: a face opened by FT_New_Face gives the same
// glyphs as FreeType reading the file's bytes itself, and keeps no file open
// once done with or failed; the toolkit's text reads its fonts so.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>
#include <string>
#include <vector>

#include "engine/ui_font.h"
#include "proc_files.h"

namespace {

// The file fontconfig gives for the engine's UI font.
std::string UiFontFile() {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("IPAPGothic"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  std::string path;
  FcChar8* family = nullptr;
  FcChar8* file = nullptr;
  if (match && FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
      std::string(reinterpret_cast<const char*>(family)) == "IPAPGothic" &&
      FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
    path = reinterpret_cast<const char*>(file);
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return path;
}

std::vector<char> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a glyph load gives: the advance, the outline and its rendering.
struct Glyph {
  FT_Error error = 0;
  FT_Pos advance = 0;
  std::vector<std::pair<FT_Pos, FT_Pos>> points;
  std::vector<char> tags;
  std::vector<short> contours;
  int left = 0, top = 0, width = 0, rows = 0;
  std::vector<unsigned char> pixels;
};

bool operator==(const Glyph& a, const Glyph& b) {
  return a.error == b.error && a.advance == b.advance && a.points == b.points && a.tags == b.tags &&
         a.contours == b.contours && a.left == b.left && a.top == b.top && a.width == b.width && a.rows == b.rows &&
         a.pixels == b.pixels;
}

Glyph Load(FT_Face face, FT_UInt index, FT_Int32 flags) {
  Glyph g;
  g.error = FT_Load_Glyph(face, index, flags);
  if (g.error) return g;
  const FT_GlyphSlot slot = face->glyph;
  g.advance = slot->advance.x;
  const FT_Outline& o = slot->outline;
  for (int i = 0; i < o.n_points; ++i) g.points.emplace_back(o.points[i].x, o.points[i].y);
  g.tags.assign(o.tags, o.tags + o.n_points);
  g.contours.assign(o.contours, o.contours + o.n_contours);
  g.error = FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL);
  const FT_Bitmap& b = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = int(b.width);
  g.rows = int(b.rows);
  for (unsigned y = 0; y < b.rows; ++y) g.pixels.insert(g.pixels.end(), b.buffer + y * b.pitch, b.buffer + y * b.pitch + b.width);
  return g;
}

class FontFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(FT_Init_FreeType(&library_), 0);
    path_ = UiFontFile();
    ASSERT_FALSE(path_.empty()) << "IPAPGothic (fonts-ipafont-gothic) is not installed";
  }
  void TearDown() override { FT_Done_FreeType(library_); }
  FT_Library library_ = nullptr;
  std::string path_;
};

TEST_F(FontFiles, GlyphsAreThoseOfTheFileReadWhole) {
  const size_t filesBefore = memtest::OpenFiles(getpid()).size();
  const std::vector<char> bytes = FileBytes(path_);
  FT_Face read = nullptr, whole = nullptr;
  ASSERT_EQ(FT_New_Face(library_, path_.c_str(), 0, &read), 0);
  ASSERT_EQ(FT_New_Memory_Face(library_, reinterpret_cast<const FT_Byte*>(bytes.data()), FT_Long(bytes.size()), 0,
                               &whole),
            0);
  EXPECT_EQ(memtest::Maps(getpid()).find(path_), std::string::npos) << "the font file is mapped";
  EXPECT_EQ(read->num_glyphs, whole->num_glyphs);
  EXPECT_STREQ(read->family_name, whole->family_name);
  EXPECT_EQ(read->units_per_EM, whole->units_per_EM);
  EXPECT_EQ(read->face_flags & ~FT_FACE_FLAG_EXTERNAL_STREAM, whole->face_flags);

  // The menu's characters, and glyphs from all over the file.
  std::vector<FT_UInt> glyphs;
  for (char32_t c : std::u32string(U"ｱﾗｰﾑ設定前面に表示透過音叉時計NTPｾｯﾄｱｯﾌﾟ中心移動ﾎｰﾑﾍﾟｼﾞﾊﾞｮﾝ情報終了(&)SX"))
    glyphs.push_back(FT_Get_Char_Index(whole, c));
  for (FT_Long i = 0; i < whole->num_glyphs; i += 97) glyphs.push_back(FT_UInt(i));
  glyphs.push_back(FT_UInt(whole->num_glyphs - 1));
  for (FT_Int32 flags : std::initializer_list<FT_Int32>{FT_LOAD_DEFAULT, FT_LOAD_TARGET_LIGHT, FT_LOAD_NO_HINTING, FT_LOAD_FORCE_AUTOHINT}) {
    for (int px : {12, 16}) {
      ASSERT_EQ(FT_Set_Pixel_Sizes(read, 0, px), 0);
      ASSERT_EQ(FT_Set_Pixel_Sizes(whole, 0, px), 0);
      for (FT_UInt g : glyphs)
        ASSERT_TRUE(Load(read, g, flags) == Load(whole, g, flags)) << "glyph " << g << ", " << px << " px, flags " << flags;
    }
  }
  EXPECT_EQ(FT_Done_Face(read), 0);
  EXPECT_EQ(FT_Done_Face(whole), 0);
  EXPECT_EQ(memtest::OpenFiles(getpid()).size(), filesBefore);
}

// Files that are no font fail as FreeType's own opening fails them, but for
// what cannot hold one (a folder, an empty file), refused before FreeType
// looks; nothing stays open.
TEST_F(FontFiles, FailuresLeaveNothingOpen) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString();
  std::ofstream(folder + "/empty.ttf");
  std::ofstream words(folder + "/words.ttf");
  for (int i = 0; i < 40; ++i) words << "not a font ";
  words.close();
  const size_t filesBefore = memtest::OpenFiles(getpid()).size();
  const struct {
    std::string path;
    FT_Long index;
    FT_Error error;
  } cases[] = {
      {folder + "/missing.ttf", 0, FT_Err_Cannot_Open_Resource},
      {folder + "/empty.ttf", 0, FT_Err_Cannot_Open_Resource},
      {folder, 0, FT_Err_Cannot_Open_Resource},
      {folder + "/words.ttf", 0, FT_Err_Unknown_File_Format},
      {path_, 7, FT_Err_Invalid_Argument},
  };
  for (const auto& c : cases) {
    FT_Face face = nullptr;
    EXPECT_EQ(FT_New_Face(library_, c.path.c_str(), c.index, &face), c.error) << c.path << " #" << c.index;
    EXPECT_EQ(face, nullptr);
  }
  // A negative index asks only for the number of faces.
  FT_Face face = nullptr;
  ASSERT_EQ(FT_New_Face(library_, path_.c_str(), -1, &face), 0);
  EXPECT_EQ(face->num_faces, 1);
  FT_Done_Face(face);
  EXPECT_EQ(memtest::OpenFiles(getpid()).size(), filesBefore);
}

// The toolkit's text reaches this FT_New_Face: the font it draws with is
// open, not mapped.
TEST_F(FontFiles, ToolkitTextReadsItsFont) {
  QImage image(200, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    p.setFont(engine::UiFont(12));
    p.drawText(4, 24, QString::fromUtf8("音叉時計(&O)"));
  }
  const std::vector<std::string> open = memtest::OpenFiles(getpid());
  EXPECT_NE(std::find(open.begin(), open.end(), path_), open.end()) << "the toolkit did not open " << path_;
  EXPECT_EQ(memtest::Maps(getpid()).find(path_), std::string::npos) << "the font file is mapped";
}

}  // namespace
