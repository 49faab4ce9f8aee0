// The digit glyphs and the digital time and date texts made of them.
#include <algorithm>
#include <vector>

#include "engine/clock_window.h"
#include "imaging/picture_io.h"
#include "platform/resources.h"

namespace engine {

void TFormMain::LoadDigitGlyphs() {
  shownTimeStyle_ = -1;
  for (int i = 0; i < 48; ++i) {
    const auto bytes = platform::LoadResource("BITMAP", i + 1);
    imaging::Bitmap& g = DigitGlyphs.at(size_t(i));
    g = imaging::ReadDib(bytes.data(), bytes.size());
    // In the pictures' own format a glyph is drawn as a plain copy.
    if (!g.Empty()) g.SetPixelFormat(imaging::PixelFormat::pf24bit);
  }
}

const imaging::Bitmap* TFormMain::DigitGlyph(int style, char c) const {
  const int glyph = (c >= '0' && c <= '9') ? c - '0' : (c == ':' ? 10 : 11);
  const size_t index = size_t(style * 12 + glyph);
  return index < DigitGlyphs.size() ? &DigitGlyphs[index] : nullptr;
}

bool TFormMain::RedrawDigitalText(imaging::Bitmap& picture, int style, const std::string& from,
                                  const std::string& to, QRegion& changed) const {
  if (picture.Empty() || from.size() != to.size()) return false;
  int x = 0;
  std::vector<std::pair<int, const imaging::Bitmap*>> draws;
  for (size_t i = 0; i < to.size(); ++i) {
    const imaging::Bitmap* was = DigitGlyph(style, from[i]);
    const imaging::Bitmap* now = DigitGlyph(style, to[i]);
    // Each glyph must fill its place of the picture as the old one did.
    if (!was || !now || now->Height() != picture.Height() || was->Height() != picture.Height() ||
        now->Width() != was->Width())
      return false;
    if (now != was) draws.emplace_back(x, now);
    x += now->Width();
  }
  if (x != picture.Width()) return false;
  for (const auto& [at, g] : draws) {
    picture.GetCanvas().Draw(at, 0, *g);
    changed += QRect(at, 0, g->Width(), g->Height());
  }
  return true;
}

imaging::Bitmap TFormMain::DrawDigitalText(int style, const std::string& text) const {
  std::vector<const imaging::Bitmap*> glyphs;
  glyphs.reserve(text.size());
  for (const char c : text)
    if (const imaging::Bitmap* g = DigitGlyph(style, c)) glyphs.push_back(g);
  // Each glyph widens the picture to its right and gives it its height.
  // Glyphs of one height (every glyph set) give the picture its size at once;
  // the time display is drawn every second.
  const bool even = !glyphs.empty() && std::all_of(glyphs.begin(), glyphs.end(), [&](const imaging::Bitmap* g) {
    return g->Height() > 0 && g->Height() == glyphs[0]->Height();
  });
  int width = 0;
  if (even)
    for (const imaging::Bitmap* g : glyphs) width += g->Width();
  imaging::Bitmap work(width, even ? glyphs[0]->Height() : 0, imaging::PixelFormat::pf24bit);
  work.GetCanvas().brush.Color = 0;
  int x = 0;
  for (const imaging::Bitmap* g : glyphs) {
    if (!even) work.SetSize(work.Width() + g->Width(), g->Height());
    work.GetCanvas().Draw(x, 0, *g);
    x += g->Width();
  }
  return work;
}

}  // namespace engine
