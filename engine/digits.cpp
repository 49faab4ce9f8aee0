// The digit glyphs and the digital time and date texts made of them.
#include <algorithm>
#include <vector>

#include "engine/clock_window.h"
#include "imaging/picture_io.h"
#include "platform/resources.h"

namespace engine {

void TFormMain::LoadDigitGlyphs() {
  for (int i = 0; i < 48; ++i) {
    const auto bytes = platform::LoadResource("BITMAP", i + 1);
    DigitGlyphs.at(size_t(i)) = imaging::ReadDib(bytes.data(), bytes.size());
  }
}

imaging::Bitmap TFormMain::DrawDigitalText(int style, const std::string& text) const {
  std::vector<const imaging::Bitmap*> glyphs;
  glyphs.reserve(text.size());
  for (const char c : text) {
    const int glyph = (c >= '0' && c <= '9') ? c - '0' : (c == ':' ? 10 : 11);
    const size_t index = size_t(style * 12 + glyph);
    if (index < DigitGlyphs.size()) glyphs.push_back(&DigitGlyphs[index]);
  }
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
